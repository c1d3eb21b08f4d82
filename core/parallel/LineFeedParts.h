#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace linnery {

// Half-open ranges cutting a text into parts of at least `grain` bytes (as ThreadPool::ranges cuts it),
// each moved on to end just after a line feed, or at the text's end. No character of UTF-8, cp932 or
// EUC-JP holds a line feed, so each part reads as it would inside the whole text.
std::vector<std::pair<std::size_t, std::size_t>> lineFeedParts(std::string_view text, std::size_t grain);

} // namespace linnery
