// linnery-cli: the window program's commands on files, for scripts and pipelines.

#include "cli/CliCommand.h"
#include "core/text/CodePage.h"
#include "core/text/CodePageDetection.h"
#include "core/lines/LineError.h"
#include "core/lines/LineList.h"
#include "core/files/SafeWrite.h"
#include "core/files/SafetyCopies.h"
#include "core/text/Settings.h"
#include "core/files/TextFile.h"

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

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> all;
    return all;
}

bool registerCommands(std::initializer_list<CliCommand> list) {
    registry().insert(registry().end(), list.begin(), list.end());
    return true;
}

const std::vector<CliCommand>& commands() {
    // The files register in no fixed order; --help and the lookups see them by name.
    std::sort(registry().begin(), registry().end(),
              [](const CliCommand& a, const CliCommand& b) { return std::strcmp(a.name, b.name) < 0; });
    return registry();
}

namespace {

std::unique_ptr<CodePage>& terminalSlot() {
    static std::unique_ptr<CodePage> terminal;
    return terminal;
}

} // namespace

std::string forTerminal(std::string_view utf8) {
    const auto& terminal = terminalSlot();
    return terminal ? terminal->fromUtf8(utf8) : std::string(utf8);
}

namespace {

// Where bytes pass between the terminal and the lines as they are: a C or POSIX locale (scripts that
// mean bytes), a character set ICU does not know, or one that is the code page itself.
bool passesAsTyped(const CodePage& cp) {
    const char* ctype = std::setlocale(LC_CTYPE, nullptr);
    if (!ctype || std::strcmp(ctype, "C") == 0 || std::strcmp(ctype, "POSIX") == 0)
        return true;
    const auto& terminal = terminalSlot();
    return !terminal || terminal->sameAs(cp);
}

std::string codePointName(std::string_view utf8) {
    std::string out;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
        for (std::size_t i = 1; i < n && pos + i < utf8.size(); ++i)
            c = (c << 6) | (static_cast<unsigned char>(utf8[pos + i]) & 0x3F);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(c));
        out += hex;
        pos += n;
    }
    return out;
}

} // namespace

std::optional<std::string> typedTextIn(const CodePage& cp, const std::string& typed, std::string& problem) {
    problem.clear();
    if (passesAsTyped(cp))
        return typed;
    const CodePage& terminal = *terminalSlot();
    if (!terminal.decodesStrictly(typed))
        throw UsageError("\"" + typed + "\" is no text in the terminal's character set " + terminal.name() +
                         " (LC_ALL=C passes bytes as they are)");
    std::string missing;
    std::optional<std::string> bytes = cp.fromUtf8Exactly(terminal.toUtf8(typed), &missing);
    if (!bytes)
        problem = "\"" + missing + "\" (" + codePointName(missing) + ") is not in the code page " + cp.name();
    return bytes;
}

std::string textForTerminal(std::string_view bytes, const CodePage& cp) {
    return passesAsTyped(cp) ? std::string(bytes) : forTerminal(cp.toUtf8(bytes));
}

namespace {

const bool catRegistered = registerCommands({
    {"cat", "[FILE]", 0, true, [](Editor&, const Invocation&) {}, "copy the lines, every line end made CR LF",
     "cat a.txt"},
});

struct Options {
    std::string selectList;
    std::optional<long long> focus;
    std::optional<std::string> codepage;
    std::optional<std::string> locale;
    std::optional<std::uint32_t> ticks;
    std::uint32_t state = 0;
    bool progress = false;
    bool help = false;
    bool version = false;
    std::string removedPath;
    std::string output;
    const CliCommand* command = nullptr;
    Invocation call;
    std::string file = "-";
};

long long parseNumber(const std::string& text, const std::string& what) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw UsageError("invalid number for " + what + ": " + text);
    return value;
}

std::uint32_t parseUnsigned32(const std::string& text, const std::string& what) {
    const long long value = parseNumber(text, what);
    if (value < 0 || value > 0xFFFFFFFFLL)
        throw UsageError(what + " must be between 0 and 4294967295");
    return static_cast<std::uint32_t>(value);
}

std::string nonEmpty(const std::string& value, const std::string& what) {
    if (value.empty())
        throw UsageError(what + " needs a file name");
    return value;
}

// One option: how it is written, its value's name (none for a flag), what it does and an example.
struct OptionSpec {
    const char* shortName; // or nullptr
    const char* longName;
    const char* value;
    const char* help;
    const char* example;
    void (*set)(Options& o, const std::string& value);
};

const OptionSpec kOptions[] = {
    {nullptr, "--select", "LIST", "select lines, 1-based (focus: the first)", "--select 2,4-6 sort a.txt",
     [](Options& o, const std::string& v) { o.selectList = v; }},
    {nullptr, "--focus", "N", "the focus line, 1-based", "--focus 3 delete a.txt",
     [](Options& o, const std::string& v) { o.focus = parseNumber(v, "--focus"); }},
    {"-o", "--output", "PATH", "write the result to PATH", "sort a.txt -o a.txt",
     [](Options& o, const std::string& v) { o.output = nonEmpty(v, "-o"); }},
    {nullptr, "--removed", "PATH", "uniq: save the removed lines to PATH", "uniq --removed d.txt a.txt",
     [](Options& o, const std::string& v) { o.removedPath = nonEmpty(v, "--removed"); }},
    {nullptr, "--codepage", "NAME", "code page of the lines (LINNERY_CODEPAGE)",
     "--codepage cp932 sort a.txt", [](Options& o, const std::string& v) { o.codepage = v; }},
    {nullptr, "--locale", "NAME", "collation locale of sort (LINNERY_LOCALE)", "--locale ja sort a.txt",
     [](Options& o, const std::string& v) { o.locale = v; }},
    {nullptr, "--ticks", "N", "shuffle: a fixed tick count (repeatable)", "shuffle --ticks 1000 a.txt",
     [](Options& o, const std::string& v) { o.ticks = parseUnsigned32(v, "--ticks"); }},
    {nullptr, "--state", "N", "shuffle: the generator's starting state (0)", "shuffle --state 7 a.txt",
     [](Options& o, const std::string& v) { o.state = parseUnsigned32(v, "--state"); }},
    {nullptr, "--progress", nullptr, "print each progress step on standard error", "--progress sort a.txt",
     [](Options& o, const std::string&) { o.progress = true; }},
    {"-h", "--help", nullptr, "show this help and exit", "--help",
     [](Options& o, const std::string&) { o.help = true; }},
    {nullptr, "--version", nullptr, "show the version and exit", "--version",
     [](Options& o, const std::string&) { o.version = true; }},
};

void writeText(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

constexpr const char* kUsage = "usage: linnery-cli [OPTION]... COMMAND [ARGUMENT]... [FILE]\n";

void printHelp() {
    std::string text = kUsage;
    text += "Edits the lines of FILE (standard input when absent or \"-\") and writes them to\n"
            "standard output with CR LF after every line. Options go before or after the\n"
            "command; \"--\" ends them, so a TEXT may start with \"-\".\n"
            "\n"
            "The lines, -o and --removed are file bytes in the document's code page:\n"
            "--codepage or LINNERY_CODEPAGE, else judged on the input (UTF-8, else cp932 or\n"
            "EUC-JP, else the locale's). TEXT, SEARCH, REPLACEMENT and what csv-fields prints\n"
            "are text in the terminal's character set, converted to and from that code page\n"
            "(as bytes in the C locale); a character the code page cannot hold is a usage\n"
            "error.\n";
    // GNU's layout in 80 columns: what a row does from column 25, on a line of its own behind a long
    // name; its example behind it where that fits, else on the next line.
    constexpr std::size_t kHelpColumn = 24, kWidth = 80;
    auto row = [&text](const std::string& left, const std::string& help, const char* example) {
        std::string line = "  " + left;
        if (line.size() + 2 > kHelpColumn) {
            text += line + "\n";
            line.clear();
        }
        line.resize(kHelpColumn, ' ');
        line += help;
        const std::string eg = std::string("e.g. ") + example;
        if (line.size() + 2 + eg.size() <= kWidth)
            text += line + "  " + eg + "\n";
        else
            text += line + "\n" + std::string(kHelpColumn, ' ') + eg + "\n";
    };
    text += "\nCommands (the examples are the arguments after \"linnery-cli\"):\n";
    for (const CliCommand& c : commands())
        row(std::string(c.name) + " " + c.usage, c.help, c.example);
    text += "\nOptions:\n";
    for (const OptionSpec& o : kOptions) {
        std::string left = o.shortName ? std::string(o.shortName) + ", " : "    ";
        left += o.longName;
        if (o.value)
            left += std::string(" ") + o.value;
        row(left, o.help, o.example);
    }
    text += "\nExit status: 0 done, 1 an error (its message on standard error), 2 a usage error\n"
            "or an unknown code page or locale.\n";
    writeText(stdout, text);
}

const OptionSpec* findOption(const std::string& name) {
    for (const OptionSpec& o : kOptions)
        if (name == o.longName || (o.shortName && name == o.shortName))
            return &o;
    return nullptr;
}

Options parse(int argc, char** argv) {
    Options o;
    std::vector<std::string> rest;
    bool optionsDone = false;
    // Options may stand anywhere, as with GNU tools; "--" ends them.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            rest.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        const std::size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, eq);
        const OptionSpec* option = findOption(name);
        if (!option)
            throw UsageError("unknown option " + arg + " (write -- before a TEXT that starts with \"-\")");
        std::string value;
        if (eq != std::string::npos) {
            if (!option->value)
                throw UsageError("option " + name + " takes no value");
            value = arg.substr(eq + 1);
        } else if (option->value) {
            if (i + 1 >= argc)
                throw UsageError("option " + name + " needs a value");
            value = argv[++i];
        }
        option->set(o, value);
    }
    if (o.help || o.version)
        return o;
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
    // An entered text is one line: a line break in it would end up inside a line.
    for (const std::string& text : o.call.args)
        if (std::any_of(text.begin(), text.end(),
                        [](char c) { return endsLine(static_cast<unsigned char>(c)); }))
            throw UsageError(std::string(o.command->name) + ": a text argument must not hold a line break");
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

// "2,4-6" -> lines 2, 4, 5 and 6 (1-based) selected. The ranges are merged first, so overlapping ranges
// cost no more than the lines they cover; returns the first selected line (0-based).
int applySelection(Document& doc, const std::string& list) {
    std::vector<std::pair<long long, long long>> ranges;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        const std::size_t comma = std::min(list.find(',', pos), list.size());
        const std::string item = list.substr(pos, comma - pos);
        const std::size_t dash = item.find('-');
        const long long first = parseNumber(item.substr(0, dash), "--select");
        const long long last =
            dash == std::string::npos ? first : parseNumber(item.substr(dash + 1), "--select");
        if (first < 1 || last < first || last > doc.count())
            throw UsageError("--select " + item + " is outside lines 1.." + std::to_string(doc.count()));
        ranges.emplace_back(first, last);
        pos = comma + 1;
    }
    std::sort(ranges.begin(), ranges.end());
    long long done = 0; // lines 1..done are selected already
    for (const auto& [first, last] : ranges) {
        for (long long line = std::max(first, done + 1); line <= last; ++line)
            doc.setSelected(static_cast<int>(line - 1), true);
        done = std::max(done, last);
    }
    return static_cast<int>(ranges.front().first - 1);
}

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
    applySettings(o.codepage, o.locale);
    Editor editor;
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
        std::shared_ptr<const CodePage> codePage;
        const auto judge = [&](std::string_view text) { codePage = codePageFor(text); };
        warnIfCut(o.file == "-" ? loadStream(lines, STDIN_FILENO, o.file, judge)
                                : loadFile(lines, o.file, judge),
                  o.file);
        CodePage::adopt(std::move(codePage));
        if (o.file != "-")
            warnOfLeftovers(o.file, leftoverSafetyCopies(o.file), false);
        editor.doc.assign(std::move(lines));
        if (std::string_view(o.command->usage).starts_with("TEXT"))
            for (std::string& text : o.call.args) {
                std::string problem;
                std::optional<std::string> bytes = typedTextIn(CodePage::current(), text, problem);
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
    if (!o.command->writesDocument)
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
        cli::terminalSlot() = std::make_unique<CodePage>(CodePage::localeCharset());
    } catch (const std::invalid_argument&) {
        // A character set ICU does not know: the words go out as UTF-8.
    }
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
