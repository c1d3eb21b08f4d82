// linnery-cli: the window program's commands on files, for scripts and pipelines.

#include "cli/CliCommand.h"
#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/LineError.h"
#include "core/TextFile.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace linnery::cli {

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> all;
    return all;
}

bool registerCommands(std::initializer_list<CliCommand> list) {
    registry().insert(registry().end(), list.begin(), list.end());
    return true;
}

const std::vector<CliCommand>& commands() {
    return registry();
}

namespace {

const bool catRegistered = registerCommands({
    {"cat", "[FILE]", 0, true, [](Editor&, const Invocation&) {}},
});

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string selectList;
    std::optional<long long> focus;
    std::optional<std::string> codepage;
    std::optional<std::string> locale;
    std::optional<std::uint32_t> ticks;
    std::uint32_t state = 0;
    bool progress = false;
    std::string removedPath;
    std::string output;
    const CliCommand* command = nullptr;
    Invocation call;
    std::string file = "-";
};

long long parseNumber(const std::string& text, const char* what) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw UsageError(std::string("invalid number for ") + what + ": " + text);
    return value;
}

std::uint32_t parseUnsigned32(const std::string& text, const char* what) {
    const long long value = parseNumber(text, what);
    if (value < 0 || value > 0xFFFFFFFFLL)
        throw UsageError(std::string(what) + " must be between 0 and 4294967295");
    return static_cast<std::uint32_t>(value);
}

void printUsage(std::ostream& out) {
    out << "usage: linnery-cli [OPTIONS] COMMAND [ARGUMENT] [FILE]\n"
           "options: --select LIST  --focus N  --codepage NAME  --locale NAME  --ticks N  --state N\n"
           "         --progress  --removed PATH  -o PATH\n"
           "commands:\n";
    for (const CliCommand& c : commands())
        out << "  " << c.name << ' ' << c.usage << '\n';
}

Options parse(int argc, char** argv) {
    Options o;
    std::vector<std::string> rest;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError("option " + arg + " needs a value");
            return argv[++i];
        };
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            rest.push_back(arg);
            // Options come before the command; what follows it is the command's own (TEXT may start with
            // "-").
            optionsDone = true;
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--select") {
            o.selectList = value();
        } else if (arg == "--focus") {
            o.focus = parseNumber(value(), "--focus");
        } else if (arg == "--codepage") {
            o.codepage = value();
        } else if (arg == "--locale") {
            o.locale = value();
        } else if (arg == "--ticks") {
            o.ticks = parseUnsigned32(value(), "--ticks");
        } else if (arg == "--state") {
            o.state = parseUnsigned32(value(), "--state");
        } else if (arg == "--progress") {
            o.progress = true;
        } else if (arg == "--removed") {
            o.removedPath = value();
        } else if (arg == "-o" || arg == "--output") {
            o.output = value();
        } else if (arg == "-h" || arg == "--help") {
            printUsage(std::cout);
            std::exit(0);
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    if (rest.empty())
        throw UsageError("no command given");
    for (const CliCommand& c : commands())
        if (rest[0] == c.name)
            o.command = &c;
    if (!o.command)
        throw UsageError("unknown command " + rest[0]);
    const std::size_t need = static_cast<std::size_t>(o.command->argCount);
    if (rest.size() - 1 < need)
        throw UsageError(std::string(o.command->name) + " needs " + o.command->usage);
    o.call.args.assign(rest.begin() + 1, rest.begin() + 1 + static_cast<long>(need));
    std::vector<std::string> tail(rest.begin() + 1 + static_cast<long>(need), rest.end());
    if (!o.command->writesDocument && std::string(o.command->usage).find("FILE...") != std::string::npos) {
        if (tail.empty())
            throw UsageError(std::string(o.command->name) + " needs " + o.command->usage);
        o.call.files = tail;
    } else if (tail.size() == 1) {
        o.file = tail[0];
    } else if (tail.size() > 1) {
        throw UsageError("too many arguments");
    }
    o.call.removedPath = o.removedPath;
    return o;
}

// "2,4-6" -> lines 2, 4, 5 and 6 (1-based) selected.
void applySelection(Document& doc, const std::string& list) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        const std::size_t comma = std::min(list.find(',', pos), list.size());
        const std::string item = list.substr(pos, comma - pos);
        const std::size_t dash = item.find('-');
        const long long first = parseNumber(item.substr(0, dash), "--select");
        const long long last =
            dash == std::string::npos ? first : parseNumber(item.substr(dash + 1), "--select");
        if (first < 1 || last < first || last > doc.count())
            throw UsageError("--select " + item + " is outside lines 1.." + std::to_string(doc.count()));
        for (long long line = first; line <= last; ++line)
            doc.setSelected(static_cast<int>(line - 1), true);
        pos = comma + 1;
    }
}

// A load that stopped at a NUL byte is legal but surprising (a UTF-16 file loads almost nothing).
void warnIfCut(const LoadInfo& info, const std::string& file) {
    if (info.stoppedAtNul)
        std::cerr << "linnery-cli: warning: " << (file == "-" ? "standard input" : file)
                  << ": reading stopped at the NUL byte at offset " << info.nulOffset
                  << "; the rest is not loaded\n";
}

int run(int argc, char** argv) {
    Options o = parse(argc, argv);
    try {
        if (o.codepage)
            CodePage::setCurrent(*o.codepage);
        if (o.locale)
            Collation::setCurrent(*o.locale);
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
    Editor editor;
    editor.random.setState(o.state);
    if (o.ticks) {
        const std::uint32_t ticks = *o.ticks;
        editor.tickCount = [ticks] { return ticks; };
    }
    if (o.progress)
        editor.progress.setListener([](const std::string& caption) { std::cerr << caption << '\n'; });

    if (o.call.files.empty()) {
        LineList lines;
        warnIfCut(o.file == "-" ? loadStream(lines, STDIN_FILENO, o.file) : loadFile(lines, o.file), o.file);
        editor.doc.assign(std::move(lines));
        if (!o.selectList.empty())
            applySelection(editor.doc, o.selectList);
        if (o.focus) {
            if (*o.focus < 1 || *o.focus > editor.doc.count())
                throw UsageError("--focus is outside lines 1.." + std::to_string(editor.doc.count()));
            editor.doc.setFocus(static_cast<int>(*o.focus - 1));
        }
    }
    o.command->run(editor, o.call);
    if (!o.command->writesDocument)
        return 0;
    if (o.output.empty())
        writeLines(STDOUT_FILENO, editor.doc.lines(), {});
    else
        saveFile(editor.doc.lines(), o.output);
    return 0;
}

} // namespace
} // namespace linnery::cli

int main(int argc, char** argv) {
    using namespace linnery;
    try {
        return cli::run(argc, argv);
    } catch (const cli::UsageError& e) {
        std::cerr << "linnery-cli: " << e.what() << '\n';
        cli::printUsage(std::cerr);
        return 2;
    } catch (const LineError& e) {
        // The error box's text, then the file and the system's reason.
        const std::string detail = e.detail();
        const std::string text = errorBoxText(e.what()) + (detail.empty() ? "" : " " + detail) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        return 1;
    }
}
