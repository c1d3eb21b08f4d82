// The terminal: how linnery-cli tells people what happened, and how typed text and lines pass
// between the terminal's character set and a document's code page.

#include "cli/CliCommand.h"
#include "core/text/CodePage.h"
#include "core/text/Utf8Validation.h"

#include <clocale>
#include <cstdint>
#include <cstring>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace linnery::cli {

namespace {

// The terminal's character set, the locale's. Null for a set ICU does not know, whose words go out as
// UTF-8. The code page of lines reads the C and POSIX locales' ASCII as UTF-8, so typed bytes and
// lines pass as they are there; a terminal in those locales still shows no Japanese words.
struct Terminal {
    std::unique_ptr<CodePage> charset;
    bool asciiOnly = false;
};

const Terminal& terminal() {
    static const Terminal made = [] {
        Terminal t;
        const std::string name = CodePage::localeCharset();
        t.asciiOnly = name == "ANSI_X3.4-1968";
        try {
            t.charset = std::make_unique<CodePage>(name);
        } catch (const std::invalid_argument&) {
        }
        return t;
    }();
    return made;
}

// Whether the terminal shows every character of the UTF-8 words; `bytes` gets them in its encoding,
// what it lacks as "?".
bool terminalShows(std::string_view utf8, std::string& bytes) {
    const Terminal& t = terminal();
    if (t.asciiOnly) {
        bytes.clear();
        bool all = true;
        const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
        const unsigned char* const end = p + utf8.size();
        while (p < end) {
            const unsigned char* const start = p;
            const std::int32_t c = nextUtf8(p, end);
            if (c < 0)
                ++p;
            all = all && c >= 0 && c < 0x80;
            bytes += c >= 0 && c < 0x80 ? static_cast<char>(*start) : '?';
        }
        return all;
    }
    if (!t.charset) {
        bytes = utf8;
        return true;
    }
    if (std::optional<std::string> exact = t.charset->fromUtf8Exactly(utf8)) {
        bytes = std::move(*exact);
        return true;
    }
    bytes = t.charset->fromUtf8(utf8);
    return false;
}

// Where bytes pass between the terminal and the lines as they are: a C or POSIX locale (scripts that
// mean bytes), a character set ICU does not know, or one that is the code page itself.
bool passesAsTyped(const CodePage& cp) {
    const char* ctype = std::setlocale(LC_CTYPE, nullptr);
    if (!ctype || std::strcmp(ctype, "C") == 0 || std::strcmp(ctype, "POSIX") == 0)
        return true;
    const CodePage* charset = terminal().charset.get();
    return !charset || charset->sameAs(cp);
}

} // namespace

std::string forTerminal(std::string_view utf8) {
    const CodePage* charset = terminal().charset.get();
    return charset ? charset->fromUtf8(utf8) : std::string(utf8);
}

std::optional<std::string> typedTextIn(const CodePage& cp, const std::string& typed, std::string& problem) {
    problem.clear();
    if (passesAsTyped(cp))
        return typed;
    const CodePage& charset = *terminal().charset;
    if (!charset.decodesStrictly(typed))
        throw UsageError("\"" + typed + "\" is no text in the terminal's character set " + charset.name() +
                         " (LC_ALL=C passes bytes as they are)");
    std::string missing;
    std::optional<std::string> bytes = cp.fromUtf8Exactly(charset.toUtf8(typed), &missing);
    if (!bytes)
        problem =
            "\"" + missing + "\" (" + codePointNames(missing) + ") is not in the code page " + cp.name();
    return bytes;
}

std::string textForTerminal(std::string_view bytes, const CodePage& cp) {
    return passesAsTyped(cp) ? std::string(bytes) : forTerminal(cp.toUtf8(bytes));
}

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
