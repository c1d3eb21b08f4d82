#pragma once

#include "core/text/CharacterTable.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace linnery {

// The byte encoding of lines, typed text and messages. Lines are stored as bytes and never converted;
// this class only steps through them character by character and converts for display and input.
class CodePage {
  public:
    enum class Kind { SingleByte, Cp932, Utf8, OtherMultiByte };

    // name: "cp932", "shift_jis", "sjis", "windows-31j", "utf-8", "utf8", or any converter name ICU knows.
    // Throws std::invalid_argument for a name ICU does not know.
    explicit CodePage(const std::string& name);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }

    // True when byte b starts a character of two or more bytes.
    bool isLeadByte(unsigned char b) const;
    // Number of bytes of the character that starts at text[pos] (at least 1, never past the end). A lead
    // byte counts as two bytes only when a byte that can follow it comes next.
    std::size_t charLength(std::string_view text, std::size_t pos) const {
        // ASCII bytes stand alone in every code page whose characters do not depend on a shift state;
        // the common case stays inline for the loops that walk whole documents.
        if (asciiAlone_ && pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
            return 1;
        if (kind_ == Kind::OtherMultiByte && table_ && pos < text.size()) {
            const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
            return std::min<std::size_t>(table_->next(p, p + (text.size() - pos)).length, text.size() - pos);
        }
        return multiByteCharLength(text, pos);
    }
    // How the characters of a code page without shift states read (cp932, EUC-JP, Latin-1, ...), for
    // decoding without a converter; null for UTF-8 and code pages with shift states.
    const std::shared_ptr<const CharacterTable>& characterTable() const { return table_; }
    // True when the characters can be stepped through on several threads at once without waiting for
    // each other (a code page without a table steps through ICU's one converter, under a lock).
    bool stepsInParallel() const { return kind_ != Kind::OtherMultiByte || table_ != nullptr; }
    // True when no byte below 0x40 (blank, quote, comma, digit) is ever part of a longer character, so
    // such bytes can be looked for byte by byte.
    bool lowBytesStandAlone() const {
        return kind_ != Kind::OtherMultiByte || (table_ != nullptr && !table_->lowBytesInside());
    }
    // Start of the last character of text (text must not be empty).
    std::size_t lastCharStart(std::string_view text) const;

    // Bytes in this code page -> UTF-8 (undecodable bytes become U+FFFD).
    std::string toUtf8(std::string_view bytes) const;
    // UTF-8 -> bytes in this code page. Every character the code page cannot hold, default-ignorable ones
    // (U+200B, U+FEFF, ...) included, becomes the substitute '?'.
    std::string fromUtf8(std::string_view utf8) const;
    // UTF-8 -> bytes in this code page when it holds every character; otherwise nothing, and `missing`
    // (when given) gets the first character it cannot hold, as UTF-8.
    std::optional<std::string> fromUtf8Exactly(std::string_view utf8, std::string* missing = nullptr) const;
    // True when every byte decodes: each lead byte has its trail bytes and nothing is unmapped.
    bool decodesStrictly(std::string_view bytes) const;
    // True when both read bytes alike (the same converter).
    bool sameAs(const CodePage& other) const;

    static bool isValidUtf8(std::string_view text);

    // The character set of the user's locale (nl_langinfo(CODESET) after setlocale(LC_ALL, "")): the
    // encoding of the terminal and of file names.
    static std::string localeCharset();

  private:
    std::size_t multiByteCharLength(std::string_view text, std::size_t pos) const;

    struct Converter;
    std::string name_;
    Kind kind_;
    bool asciiAlone_ = true; // every byte below 0x80 is a character of its own
    std::unique_ptr<Converter> conv_;
    std::shared_ptr<const CharacterTable> table_;
};

} // namespace linnery
