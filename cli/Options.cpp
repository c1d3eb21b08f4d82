// linnery-cli's command line: the options, the help, and the parsing of both.

#include "cli/Options.h"

#include "core/files/TextFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace linnery::cli {

namespace {

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
    {nullptr, "--threads", "N", "threads of the sorts and loading (LINNERY_THREADS)",
     "--threads 1 sort a.txt", [](Options& o, const std::string& v) { o.threads = v; }},
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

} // namespace

void writeText(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

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
            "or an unknown code page, locale or thread count.\n";
    writeText(stdout, text);
}

namespace {

const OptionSpec* findOption(const std::string& name) {
    for (const OptionSpec& o : kOptions)
        if (name == o.longName || (o.shortName && name == o.shortName))
            return &o;
    return nullptr;
}

} // namespace

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
    if (o.command->has(kTakesFiles)) {
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

} // namespace linnery::cli
