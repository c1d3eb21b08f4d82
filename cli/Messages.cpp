// How linnery-cli tells people what happened.

#include "cli/CliCommand.h"
#include "core/text/CodePage.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace linnery::cli {

namespace {

// The terminal's character set as it really is: the code page of lines reads the C and POSIX locales'
// ASCII as UTF-8, which a terminal in those locales does not show. Null for a set ICU does not know,
// whose words go out as UTF-8.
const CodePage* terminalCharset() {
    static const std::unique_ptr<CodePage> charset = []() -> std::unique_ptr<CodePage> {
        const std::string name = CodePage::localeCharset();
        try {
            return std::make_unique<CodePage>(name == "ANSI_X3.4-1968" ? "US-ASCII" : name);
        } catch (const std::invalid_argument&) {
            return nullptr;
        }
    }();
    return charset.get();
}

// Whether the terminal shows every character of the UTF-8 words; `bytes` gets them in its encoding.
bool terminalShows(std::string_view utf8, std::string& bytes) {
    const CodePage* charset = terminalCharset();
    if (!charset) {
        bytes = utf8;
        return true;
    }
    if (std::optional<std::string> exact = charset->fromUtf8Exactly(utf8)) {
        bytes = std::move(*exact);
        return true;
    }
    bytes = charset->fromUtf8(utf8); // what the set lacks as "?"
    return false;
}

} // namespace

std::string forTerminal(std::string_view utf8, std::string_view english) {
    std::string bytes;
    return terminalShows(utf8, bytes) ? bytes : std::string(english);
}

void printMessage(std::string_view text) {
    std::string line = "linnery-cli: ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string errorText(const LineError& error) {
    // The words are the lead and, around the path, the tail; an error without English words keeps its
    // own, the characters the terminal lacks as "?".
    std::string lead, tail;
    const bool shown = terminalShows(error.lead(), lead) && terminalShows(error.tail(), tail);
    if (!shown && !error.englishLead().empty()) {
        lead = error.englishLead();
        tail = error.englishTail();
    }
    std::string text = lead;
    if (error.namesPath())
        text += error.path() + tail;
    else if (!error.path().empty())
        text += ": " + error.path();
    if (!error.reason().empty())
        text += ": " + error.reason();
    return text;
}

} // namespace linnery::cli
