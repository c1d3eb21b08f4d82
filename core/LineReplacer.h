#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace linnery {

struct ReplacementReport {
    int fileCount = 0;                  // n: every item of the drop
    std::vector<std::string> rewritten; // the m rewritten paths, in processing order
};

// The batch line replacement: in every file, each line equal to `search` becomes `replacement`; only
// files that changed are saved (atomically, CR LF line ends). A file holding a NUL byte is never
// rewritten. An item that cannot be opened raises the open error and ends the run; files before it
// stay rewritten.
ReplacementReport replaceLinesInFiles(const std::vector<std::string>& paths, std::string_view search,
                                      std::string_view replacement);

// The report's summary line (UTF-8).
std::string replacementSummary(int fileCount, int rewrittenCount);

} // namespace linnery
