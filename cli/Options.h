#pragma once

#include "cli/CliCommand.h"
#include "core/lines/Document.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace linnery::cli {

// What the command line asks for.
struct Options {
    std::string selectList;
    std::optional<long long> focus;
    std::optional<std::string> codepage;
    std::optional<std::string> locale;
    std::optional<std::string> threads;
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

inline constexpr const char* kUsage = "usage: linnery-cli [OPTION]... COMMAND [ARGUMENT]... [FILE]\n";

// The command line read; a UsageError for one that cannot be run as written.
Options parse(int argc, char** argv);
// --help: every command and option, in GNU's layout.
void printHelp();
// "2,4-6" -> lines 2, 4, 5 and 6 (1-based) selected; returns the first selected line (0-based).
int applySelection(Document& doc, const std::string& list);
void writeText(std::FILE* stream, const std::string& text);

} // namespace linnery::cli
