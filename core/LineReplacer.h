#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace linnery {

struct ReplacementReport {
    int fileCount = 0;                  // n: every item of the drop
    std::vector<std::string> rewritten; // the m rewritten paths, in processing order
    std::vector<std::string> leftAtNul; // files not rewritten because they hold a NUL byte
};

// The batch line replacement: in every file, each line equal to `search` becomes `replacement`; only
// files that changed are saved (safely, CR LF line ends). A file holding a NUL byte is never
// rewritten. An item that cannot be opened or saved raises its error and ends the run; files before it
// stay rewritten, and `report` says which they were.
void replaceLinesInFiles(const std::vector<std::string>& paths, std::string_view search,
                         std::string_view replacement, ReplacementReport& report);
ReplacementReport replaceLinesInFiles(const std::vector<std::string>& paths, std::string_view search,
                                      std::string_view replacement);

// The report's summary line (UTF-8).
std::string replacementSummary(int fileCount, int rewrittenCount);

} // namespace linnery
