// replace-lines: the batch line replacer on the files named on the command line.

#include "cli/CliCommand.h"
#include "core/commands/LineReplacer.h"
#include "core/lines/LineError.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace linnery::cli {

namespace {

// On standard error, so that standard output stays the report alone.
void tellWhatHappened(const ReplacementReport& report, bool failed) {
    for (const std::string& path : report.leftAtNul)
        printMessage("warning: " + path + " holds a NUL byte; left unchanged");
    if (failed && !report.rewritten.empty()) {
        printMessage("rewritten before the error:");
        std::string text;
        for (const std::string& path : report.rewritten)
            text += path + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

// SEARCH and REPLACEMENT in one file's code page; a file whose code page cannot hold them is left alone.
std::optional<ReplacementTexts> textsIn(const CodePage& cp, const Invocation& call, const std::string& path,
                                        bool judged) {
    std::string problem;
    std::optional<std::string> search = typedTextIn(cp, call.args[0], problem);
    std::optional<std::string> replacement;
    if (search)
        replacement = typedTextIn(cp, call.args[1], problem);
    if (!replacement) {
        // A set code page is the same for every file: say so before any file is touched.
        if (!judged)
            throw UsageError("replace-lines: " + forTerminal(problem));
        printMessage("warning: " + path + " (" + cp.name() + ") left unchanged: " + forTerminal(problem));
        return std::nullopt;
    }
    return ReplacementTexts{std::move(*search), std::move(*replacement)};
}

void replaceLines(Editor& editor, const Invocation& call) {
    const TextSettings& settings = editor.settings();
    const bool judged = !settings.fixedCodePage();
    if (!judged)
        (void)textsIn(*settings.fixedCodePage(), call, {}, judged);
    ReplacementReport report;
    try {
        replaceLinesInFiles(
            call.files,
            [&](const CodePage& cp, const std::string& path) { return textsIn(cp, call, path, judged); },
            settings, report);
    } catch (const LineError&) {
        tellWhatHappened(report, true);
        throw;
    }
    tellWhatHappened(report, false);
    // Built whole first, so a run that fails prints nothing, as the window then shows no report.
    // The window's text starts with a blank, which a line of output does without.
    const int rewritten = static_cast<int>(report.rewritten.size());
    std::string summary = replacementSummary(report.fileCount, rewritten);
    summary.erase(0, summary.find_first_not_of(' '));
    std::string out = forTerminal(summary, "rewrote " + std::to_string(rewritten) + " of " +
                                               std::to_string(report.fileCount) + " files:") +
                      "\n";
    for (const std::string& path : report.rewritten)
        out += path + "\n";
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        throw LineError::write(kStandardOutput, systemReason(errno));
}

const bool registered = registerCommands({
    {"replace-lines", "SEARCH REPLACEMENT FILE...", 2, kTakesFiles, replaceLines,
     "in the FILEs, replace lines equal to SEARCH", "replace-lines old new *.txt"},
});

} // namespace

} // namespace linnery::cli
