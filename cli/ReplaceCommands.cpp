// replace-lines: the batch line replacer on the files named on the command line.

#include "cli/CliCommand.h"
#include "core/LineError.h"
#include "core/LineReplacer.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace linnery::cli {

namespace {

// On standard error, so that standard output stays the report alone.
void tellWhatHappened(const ReplacementReport& report, bool failed) {
    std::string text;
    for (const std::string& path : report.leftAtNul)
        text += "linnery-cli: warning: " + path + " holds a NUL byte; left unchanged\n";
    if (failed && !report.rewritten.empty()) {
        text += "linnery-cli: rewritten before the error:\n";
        for (const std::string& path : report.rewritten)
            text += path + "\n";
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void replaceLines(Editor&, const Invocation& call) {
    ReplacementReport report;
    try {
        replaceLinesInFiles(call.files, call.args[0], call.args[1], report);
    } catch (const LineError&) {
        tellWhatHappened(report, true);
        throw;
    }
    tellWhatHappened(report, false);
    // Built whole first, so a run that fails prints nothing, as the window then shows no report.
    std::string out =
        forTerminal(replacementSummary(report.fileCount, static_cast<int>(report.rewritten.size()))) + "\n";
    for (const std::string& path : report.rewritten)
        out += path + "\n";
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        throw LineError::write({}, systemReason(errno));
}

const bool registered = registerCommands({
    {"replace-lines", "SEARCH REPLACEMENT FILE...", 2, false, replaceLines,
     "in the FILEs, replace lines equal to SEARCH", "replace-lines old new *.txt"},
});

} // namespace

} // namespace linnery::cli
