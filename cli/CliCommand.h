#pragma once

#include "core/commands/Editor.h"
#include "core/lines/LineError.h"
#include "core/text/CodePage.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace linnery::cli {

// What a command gets from the command line besides the document.
struct Invocation {
    std::vector<std::string> args;  // the command's own arguments (TEXT, K, ...); a TEXT is in the
                                    // document's code page, replace-lines' texts as typed
    std::string removedPath;        // --removed
    std::vector<std::string> files; // replace-lines: the files to rewrite
};

// One command of linnery-cli. Commands that edit the document leave the result in editor.doc, which
// the caller writes out; the others print their own output and set writesDocument false.
struct CliCommand {
    const char* name;
    const char* usage; // arguments after the name, for the usage line
    int argCount;      // arguments before the optional FILE
    bool writesDocument;
    void (*run)(Editor& editor, const Invocation& call);
    const char* help;    // what it does, for --help
    const char* example; // a short example, for --help
};

// A command line that cannot be run as written: exit status 2 with the message and the usage line.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A message's UTF-8 words in the terminal's encoding (the locale's character set).
std::string forTerminal(std::string_view utf8);
// The same, or `english` where the terminal's character set cannot show every one of the words (the
// C and POSIX locales' ASCII cannot show the Japanese ones).
std::string forTerminal(std::string_view utf8, std::string_view english);

// Where linnery-cli writes when no -o is given: the name its write errors give.
inline constexpr std::string_view kStandardOutput = "standard output";

// One message on standard error as GNU tools write them: "linnery-cli: ", the text (in the terminal's
// encoding), a line end.
void printMessage(std::string_view text);
// An error's text: the message with its path as given, the place it wrote to where it names none,
// then the system's reason, each behind ": "; in English where the terminal cannot show the words.
std::string errorText(const LineError& error);

// A typed text (the terminal's) in the code page `cp`. It passes as typed where the locale is C or POSIX
// or the terminal's character set is `cp`. Nothing when `cp` cannot hold one of its characters;
// `problem` then says which (UTF-8). A UsageError when it is no text in the terminal's character set.
std::optional<std::string> typedTextIn(const CodePage& cp, const std::string& typed, std::string& problem);
// Bytes in the code page `cp` as text for the terminal, by the same rule.
std::string textForTerminal(std::string_view bytes, const CodePage& cp);

// Each command file registers its commands at start-up.
bool registerCommands(std::initializer_list<CliCommand> commands);
const std::vector<CliCommand>& commands();

} // namespace linnery::cli
