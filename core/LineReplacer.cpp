#include "core/LineReplacer.h"

#include "core/LineList.h"
#include "core/TextFile.h"

#include <cstring>

namespace linnery {

namespace {

// Whole-line, byte-exact equality; the length check rejects almost every line without touching its bytes.
bool matches(std::string_view line, std::string_view search) {
    return line.size() == search.size() &&
           (search.empty() || std::memcmp(line.data(), search.data(), search.size()) == 0);
}

// Replaces every matching line of the list in one pass. False when no line matched (the list is
// untouched then, so an unmatched file is never rebuilt).
bool replaceMatches(LineList& work, std::string_view search, std::string_view replacement) {
    const LineViews& lines = work.views();
    std::size_t first = 0;
    while (first < lines.size() && !matches(lines[first], search))
        ++first;
    if (first == lines.size())
        return false;
    const std::string_view stored = work.store(replacement);
    LineViews result(lines.begin(), lines.end());
    // A replacement is never compared again: every line is judged as it was loaded.
    for (std::size_t i = first; i < result.size(); ++i)
        if (matches(result[i], search))
            result.set(i, stored);
    work.assignViews(std::move(result), work);
    return true;
}

} // namespace

void replaceLinesInFiles(const std::vector<std::string>& paths, std::string_view search,
                         std::string_view replacement, ReplacementReport& report) {
    report = {};
    report.fileCount = static_cast<int>(paths.size());
    LineList work;
    for (const std::string& path : paths) {
        // Saving would cut everything from the NUL on away: a binary or UTF-16 file is left whole.
        if (loadFile(work, path).stoppedAtNul) {
            report.leftAtNul.push_back(path);
            continue;
        }
        if (!replaceMatches(work, search, replacement))
            continue;
        saveFile(work, path);
        report.rewritten.push_back(path);
    }
}

ReplacementReport replaceLinesInFiles(const std::vector<std::string>& paths, std::string_view search,
                                      std::string_view replacement) {
    ReplacementReport report;
    replaceLinesInFiles(paths, search, replacement, report);
    return report;
}

std::string replacementSummary(int fileCount, int rewrittenCount) {
    std::string summary = " ";
    summary += std::to_string(fileCount);
    summary += " 個のファイルのうち、以下の ";
    summary += std::to_string(rewrittenCount);
    summary += " 個のファイルに対して行単位置き換えを実行しました。";
    return summary;
}

} // namespace linnery
