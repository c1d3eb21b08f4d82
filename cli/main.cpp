// linnery-cli: the window program's commands on files, for scripts and pipelines.

#include "cli/CliCommand.h"
#include "cli/Options.h"
#include "core/files/SafeWrite.h"
#include "core/files/SafetyCopies.h"
#include "core/files/TextFile.h"
#include "core/lines/LineError.h"
#include "core/lines/LineList.h"
#include "core/text/CodePage.h"
#include "core/text/Settings.h"
#include "core/text/Utf8Validation.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <unistd.h>
#include <utility>

namespace linnery::cli {

namespace {

const bool catRegistered = registerCommands({
    {"cat", "[FILE]", 0, kWritesDocument, [](Editor&, const Invocation&) {},
     "copy the lines, every line end made CR LF", "cat a.txt"},
});

// A load that stopped at a NUL byte is legal but surprising (a UTF-16 file loads almost nothing).
void warnIfCut(const LoadInfo& info, const std::string& file) {
    if (info.stoppedAtNul)
        printMessage("warning: " + (file == "-" ? std::string("standard input") : file) +
                     ": reading stopped at the NUL byte at offset " + std::to_string(info.nulOffset) +
                     "; the rest is not loaded");
}

// A safety copy that an unfinished save left holds the only whole copy of the file's earlier content.
void warnOfLeftovers(const std::string& file, const std::vector<std::string>& copies, bool removed) {
    for (const std::string& copy : copies)
        printMessage("warning: " + file +
                     (removed
                          ? ": removed " + copy + ", the earlier content kept by a save that did not finish"
                          : ": a save of it did not finish; its earlier content is kept in " + copy));
}

void saveOutput(const LineList& lines, const std::string& path) {
    try {
        warnOfLeftovers(path, saveFile(lines, path), true);
    } catch (const LineError&) {
        warnOfLeftovers(path, leftoverSafetyCopies(path), false);
        throw;
    }
}

int run(int argc, char** argv) {
    Options o = parse(argc, argv);
    if (o.help || o.version) {
        if (o.help)
            printHelp();
        else
            writeText(stdout, "linnery-cli " LINNERY_VERSION "\n"
                              "Copyright (C) 2026 Linnery developers\n"
                              "License MIT: <https://opensource.org/licenses/MIT>.\n"
                              "This is free software: you are free to change and redistribute it.\n"
                              "There is NO WARRANTY, to the extent permitted by law.\n");
        // Help that did not arrive is a failure, as any other output is.
        if (std::fflush(stdout) != 0)
            throw LineError::write(kStandardOutput, systemReason(errno));
        return 0;
    }
    Editor editor(TextSettings::read(o.codepage, o.locale, o.threads));
    editor.keepsUndoCopy = false; // nothing undoes here
    editor.random.setState(o.state);
    if (o.ticks) {
        const std::uint32_t ticks = *o.ticks;
        editor.tickCount = [ticks] { return ticks; };
    }
    if (o.progress)
        editor.progress.setListener([](const std::string& caption) { std::cerr << caption << '\n'; });
    // The removed lines must not be written over the input or the result; -o onto the input is fine,
    // since the input is read whole first.
    if (!o.call.removedPath.empty()) {
        if (sameSaveTarget(o.call.removedPath, o.file == "-" ? "/proc/self/fd/0" : o.file))
            throw UsageError("--removed " + o.call.removedPath + " is the input file");
        if (!o.output.empty() && sameSaveTarget(o.call.removedPath, o.output))
            throw UsageError("--removed " + o.call.removedPath + " is the output file");
    }

    if (o.call.files.empty()) {
        LineList lines;
        TextContextPtr context;
        const auto judge = [&](std::string_view text) { context = editor.settings().contextFor(text); };
        const ThreadPool& pool = editor.settings().pool();
        warnIfCut(o.file == "-" ? loadStream(lines, STDIN_FILENO, o.file, judge, pool)
                                : loadFile(lines, o.file, judge, pool),
                  o.file);
        if (o.file != "-")
            warnOfLeftovers(o.file, leftoverSafetyCopies(o.file), false);
        editor.doc.assign(std::move(lines));
        if (context) // else the judgement ran out of memory: read as a new text
            editor.doc.setText(std::move(context));
        if (o.command->has(kTakesText))
            for (std::string& text : o.call.args) {
                std::string problem;
                std::optional<std::string> bytes = typedTextIn(editor.doc.text().codePage(), text, problem);
                if (!bytes)
                    throw UsageError(std::string(o.command->name) + ": " + forTerminal(problem));
                text = std::move(*bytes);
            }
        std::optional<int> focus;
        if (!o.selectList.empty())
            focus = applySelection(editor.doc, o.selectList); // as a click on the first selected line
        if (o.focus) {
            if (*o.focus < 1 || *o.focus > editor.doc.count())
                throw UsageError("--focus is outside lines 1.." + std::to_string(editor.doc.count()));
            focus = static_cast<int>(*o.focus - 1);
        }
        if (focus)
            editor.doc.setFocus(*focus);
    }
    editor.run([&] { o.command->run(editor, o.call); });
    if (!o.command->has(kWritesDocument))
        return 0;
    if (o.output.empty())
        writeLines(STDOUT_FILENO, editor.doc.lines(), kStandardOutput);
    else
        saveOutput(editor.doc.lines(), o.output);
    return 0;
}

} // namespace
} // namespace linnery::cli

int main(int argc, char** argv) {
    using namespace linnery;
    std::setlocale(LC_ALL, "");
    try {
        return cli::run(argc, argv);
    } catch (const cli::UsageError& e) {
        cli::printMessage(e.what());
        cli::writeText(stderr, std::string(cli::kUsage) + "Try 'linnery-cli --help' for more information.\n");
        return 2;
    } catch (const SettingError& e) {
        cli::printMessage(cli::forTerminal(e.what()));
        return 2;
    } catch (const LineError& e) {
        cli::printMessage(cli::errorText(e));
        return 1;
    } catch (const std::bad_alloc&) {
        // Out of memory outside a command (reading the input, writing the result).
        cli::printMessage(cli::errorText(LineError::insert()));
        return 1;
    }
}
