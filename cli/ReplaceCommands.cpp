// replace-lines: the batch line replacer on the files named on the command line.

#include "cli/CliCommand.h"
#include "core/LineError.h"
#include "core/LineReplacer.h"

#include <cstdio>
#include <string>

namespace linnery::cli {

namespace {

void replaceLines(Editor&, const Invocation& call) {
    const ReplacementReport report = replaceLinesInFiles(call.files, call.args[0], call.args[1]);
    // Built whole first, so a run that fails prints nothing, as the window then shows no report.
    std::string out =
        forTerminal(replacementSummary(report.fileCount, static_cast<int>(report.rewritten.size()))) + "\n";
    for (const std::string& path : report.rewritten)
        out += path + "\n";
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        throw LineError::write();
}

const bool registered = registerCommands({
    {"replace-lines", "SEARCH REPLACEMENT FILE...", 2, false, replaceLines,
     "in the FILEs, replace lines equal to SEARCH", "replace-lines old new *.txt"},
});

} // namespace

} // namespace linnery::cli
