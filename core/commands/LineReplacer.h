#pragma once

#include "core/text/CodePage.h"
#include "core/text/Settings.h"

#include <functional>
#include <optional>
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

// The search and replacement texts as one file's code page writes them; nothing when that code page
// cannot hold them, and the file then matches nothing.
struct ReplacementTexts {
    std::string search, replacement;
};
using TextsInCodePage =
    std::function<std::optional<ReplacementTexts>(const CodePage& fileCodePage, const std::string& path)>;
// The same run with texts that follow each file's code page, as `settings` judge its loaded bytes.
void replaceLinesInFiles(const std::vector<std::string>& paths, const TextsInCodePage& texts,
                         const TextSettings& settings, ReplacementReport& report);
// Typed (UTF-8) texts, each encoded exactly in the file's code page.
TextsInCodePage typedTexts(std::string searchUtf8, std::string replacementUtf8);

// The report's summary line (UTF-8).
std::string replacementSummary(int fileCount, int rewrittenCount);
// What the window tells after the report when files were left whole for their NUL byte (UTF-8); the
// paths follow it.
std::string leftAtNulNotice(int fileCount);

} // namespace linnery
