#pragma once

#include <functional>

namespace linnery {

// Runs `here` on the calling thread and `beside` on a thread of its own, and returns when both are
// done. An error of either is thrown here once both have ended (the calling thread's first). With
// `parallel` false, or when no thread can be had (no memory for its stack, too many threads), the two
// run one after the other on the calling thread.
void runSideBySide(const std::function<void()>& here, const std::function<void()>& beside,
                   bool parallel = true);

} // namespace linnery
