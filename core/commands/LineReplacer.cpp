#include "core/commands/LineReplacer.h"

#include "core/files/TextFile.h"
#include "core/lines/LineList.h"

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

// `textsFor` gives the texts for a file's loaded bytes and path, or nothing when that file cannot match.
void replaceInFiles(
    const std::vector<std::string>& paths,
    const std::function<std::optional<ReplacementTexts>(std::string_view, const std::string&)>& textsFor,
    ReplacementReport& report) {
    report = {};
    report.fileCount = static_cast<int>(paths.size());
    LineList work;
    for (const std::string& path : paths) {
        const LoadInfo info = loadFile(work, path);
        // Saving would cut everything from the NUL on away: a binary or UTF-16 file is left whole.
        if (info.stoppedAtNul) {
            report.leftAtNul.push_back(path);
            continue;
        }
        const std::optional<ReplacementTexts> texts = textsFor(info.text, path);
        if (!texts || !replaceMatches(work, texts->search, texts->replacement))
            continue;
        saveFile(work, path);
        report.rewritten.push_back(path);
    }
}

} // namespace

void replaceLinesInFiles(const std::vector<std::string>& paths, std::string_view search,
                         std::string_view replacement, ReplacementReport& report) {
    const ReplacementTexts bytes{std::string(search), std::string(replacement)};
    replaceInFiles(
        paths, [&](std::string_view, const std::string&) { return std::optional(bytes); }, report);
}

void replaceLinesInFiles(const std::vector<std::string>& paths, const TextsInCodePage& texts,
                         const TextSettings& settings, ReplacementReport& report) {
    replaceInFiles(
        paths,
        [&](std::string_view text, const std::string& path) {
            return texts(*settings.codePageFor(text), path);
        },
        report);
}

TextsInCodePage typedTexts(std::string searchUtf8, std::string replacementUtf8) {
    return [search = std::move(searchUtf8), replacement = std::move(replacementUtf8)](
               const CodePage& cp, const std::string&) -> std::optional<ReplacementTexts> {
        std::optional<std::string> s = cp.fromUtf8Exactly(search);
        std::optional<std::string> r = cp.fromUtf8Exactly(replacement);
        if (!s || !r)
            return std::nullopt;
        return ReplacementTexts{std::move(*s), std::move(*r)};
    };
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

std::string leftAtNulNotice(int fileCount) {
    return "以下の " + std::to_string(fileCount) +
           " 個のファイルは NUL 文字を含むため、行単位置き換えを実行せずにそのままにしました。";
}

} // namespace linnery
