#include "core/text/CodePage.h"

#include "core/text/CharacterTable.h"
#include "core/text/CodePageCheck.h"
#include "core/text/Decoder.h"
#include "core/text/Utf8Validation.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace linnery {

namespace {

// ICU writes U+001A instead of U+FFFD for some undecodable single bytes (e.g. 0x80 in cp932);
// display and collation want U+FFFD for every undecodable sequence.
void toUnicodeReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                          UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR)
        return; // reset, close, clone: nothing to write
    static const UChar replacement = 0xFFFD;
    *err = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, err);
}

// ICU's own substitute callback skips default-ignorable characters (U+200B, U+00AD, U+FEFF, ...), so a
// typed "a<ZWSP>b" would become "ab" and match lines it does not equal. Every character the code page
// cannot hold becomes the substitute.
void fromUnicodeSubstitute(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32,
                           UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR)
        return;
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(args, 0, err);
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Lower case without '-' and '_': "Shift_JIS" -> "shiftjis".
std::string normalized(const std::string& name) {
    std::string out;
    for (char c : name)
        if (c != '-' && c != '_')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isCp932Name(const std::string& n) {
    return n == "cp932" || n == "shiftjis" || n == "sjis" || n == "windows31j" || n == "ms932";
}

// The C locale reports "ANSI_X3.4-1968" (and an unset codeset may come as ""). Taken literally that
// is ASCII, which would show every Japanese test file as replacement characters; we read such a
// locale as UTF-8 instead, the usual charset of Linux systems.
bool isUtf8Name(const std::string& n) {
    return n == "utf8" || n == "ansix3.41968" || n.empty();
}

const char* const kCp932Converter = "windows-31j"; // ICU: ibm-943_P15A-2003

ConverterPtr openConverter(const char* icuName) {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open(icuName, &err));
    if (U_FAILURE(err) || !conv)
        return nullptr;
    err = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv.get(), toUnicodeReplacement, nullptr, nullptr, nullptr, &err);
    err = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv.get(), fromUnicodeSubstitute, nullptr, nullptr, nullptr, &err);
    err = U_ZERO_ERROR;
    ucnv_setSubstChars(conv.get(), "?", 1, &err);
    return conv;
}

} // namespace

struct CodePage::Converter {
    ConverterPtr conv;            // null for Utf8
    std::array<bool, 256> lead{}; // lead bytes of a SingleByte / OtherMultiByte code page
    std::vector<UChar> buffer;    // reused UTF-16 buffer of the conversions
    std::mutex inUse;             // the window converts on its own thread while a command converts on another
};

CodePage::CodePage(const std::string& name) : name_(name), conv_(std::make_unique<Converter>()) {
    const std::string n = normalized(name);
    if (isCp932Name(n)) {
        kind_ = Kind::Cp932;
        conv_->conv = openConverter(kCp932Converter);
        table_ = CharacterTable::of(kCp932Converter);
    } else if (isUtf8Name(n)) {
        kind_ = Kind::Utf8;
    } else {
        conv_->conv = openConverter(name.c_str());
        if (!conv_->conv)
            throw std::invalid_argument("unknown code page: " + name);
        UErrorCode err = U_ZERO_ERROR;
        const std::string icuName = ucnv_getName(conv_->conv.get(), &err);
        if (icuName == "UTF-8") { // an alias such as "cp65001"
            kind_ = Kind::Utf8;
            conv_->conv.reset();
        } else if (icuName == "ibm-943_P15A-2003") { // an alias of windows-31j such as "csWindows31J"
            kind_ = Kind::Cp932;
        } else if (ucnv_getMaxCharSize(conv_->conv.get()) == 1) {
            kind_ = Kind::SingleByte;
            table_ = CharacterTable::of(icuName);
        } else {
            kind_ = Kind::OtherMultiByte;
            table_ = CharacterTable::of(icuName);
            asciiAlone_ = false;
            if (table_) {
                asciiAlone_ = true;
                for (unsigned char b = 0; b < 0x80; ++b) {
                    const CharacterTable::Step step = table_->next(&b, &b + 1);
                    asciiAlone_ = asciiAlone_ && step.length == 1 && step.codePoint == b;
                }
            }
            UBool starters[256];
            err = U_ZERO_ERROR;
            ucnv_getStarters(conv_->conv.get(), starters, &err);
            if (U_SUCCESS(err)) {
                for (int b = 0; b < 256; ++b)
                    conv_->lead[b] = starters[b];
            } else {
                // Not a table-based converter (UTF-16, ISO-2022, ...): ask ICU how long the
                // character is that starts with b.
                for (int b = 0; b < 256; ++b) {
                    const char probe[] = {static_cast<char>(b), '\xA1', '\xA1', '\xA1'};
                    conv_->lead[b] = charLength(std::string_view(probe, sizeof probe), 0) > 1;
                }
            }
        }
    }
}

CodePage::~CodePage() = default;

bool CodePage::isLeadByte(unsigned char b) const {
    switch (kind_) {
    case Kind::Cp932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case Kind::Utf8:
        return b >= 0xC2 && b <= 0xF4;
    case Kind::SingleByte:
        return false;
    case Kind::OtherMultiByte:
        return conv_->lead[b];
    }
    return false;
}

std::size_t CodePage::multiByteCharLength(std::string_view text, std::size_t pos) const {
    if (pos + 1 >= text.size())
        return 1;
    const std::size_t left = text.size() - pos;
    switch (kind_) {
    case Kind::SingleByte:
        return 1;
    case Kind::Cp932:
        // A lead byte pairs only with a byte that can follow it. A lone lead byte before a comma, quote
        // or blank stays alone, so such a byte never hides a separator.
        return isLeadByte(static_cast<unsigned char>(text[pos])) &&
                       detail::isCp932TrailByte(static_cast<unsigned char>(text[pos + 1]))
                   ? 2
                   : 1;
    case Kind::Utf8: {
        const std::size_t n = utf8Length(text, pos);
        return n == 0 ? 1 : n;
    }
    case Kind::OtherMultiByte: {
        // Without a table (charLength steps by it inline): let ICU decode one character and count
        // what it consumed.
        std::lock_guard lock(conv_->inUse);
        UConverter* c = conv_->conv.get();
        ucnv_resetToUnicode(c);
        const char* source = text.data() + pos;
        const char* const limit = text.data() + text.size();
        UErrorCode err = U_ZERO_ERROR;
        ucnv_getNextUChar(c, &source, limit, &err);
        ucnv_resetToUnicode(c);
        const auto consumed = static_cast<std::size_t>(source - (text.data() + pos));
        return std::clamp<std::size_t>(consumed, 1, left);
    }
    }
    return 1;
}

std::size_t CodePage::lastCharStart(std::string_view text) const {
    // A byte in the middle of a line may be the second byte of a double-byte character (0x5C in
    // "表" = 0x95 0x5C), so characters are only recognised by stepping from the start.
    std::size_t pos = 0;
    for (;;) {
        const std::size_t next = pos + charLength(text, pos);
        if (next >= text.size())
            return pos;
        pos = next;
    }
}

std::string CodePage::toUtf8(std::string_view bytes) const {
    if (kind_ == Kind::Utf8 && isValidUtf8(bytes))
        return std::string(bytes);
    std::lock_guard lock(conv_->inUse);
    std::vector<UChar>& buf = conv_->buffer;
    int32_t units = 0;
    UErrorCode err = U_ZERO_ERROR;
    if (kind_ == Kind::Utf8) {
        buf.resize(bytes.size() + 1); // one unit per byte at most
        u_strFromUTF8WithSub(buf.data(), static_cast<int32_t>(buf.size()), &units, bytes.data(),
                             static_cast<int32_t>(bytes.size()), 0xFFFD, nullptr, &err);
    } else {
        buf.resize(2 * bytes.size() + 1);
        for (;;) {
            ucnv_resetToUnicode(conv_->conv.get());
            err = U_ZERO_ERROR;
            units = ucnv_toUChars(conv_->conv.get(), buf.data(), static_cast<int32_t>(buf.size()),
                                  bytes.data(), static_cast<int32_t>(bytes.size()), &err);
            if (err != U_BUFFER_OVERFLOW_ERROR)
                break;
            buf.resize(static_cast<std::size_t>(units) + 1);
        }
    }
    if (U_FAILURE(err))
        return {};
    std::string out(3 * static_cast<std::size_t>(units), '\0'); // 3 UTF-8 bytes per unit at most
    int32_t length = 0;
    err = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, buf.data(), units, 0xFFFD,
                       nullptr, &err);
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::string CodePage::fromUtf8(std::string_view utf8) const {
    if (kind_ == Kind::Utf8)
        return std::string(utf8);
    std::lock_guard lock(conv_->inUse);
    std::vector<UChar>& buf = conv_->buffer;
    buf.resize(utf8.size() + 1);
    int32_t units = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(buf.data(), static_cast<int32_t>(buf.size()), &units, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &err);
    if (U_FAILURE(err))
        return {};
    UConverter* c = conv_->conv.get();
    std::string out(static_cast<std::size_t>(units) * ucnv_getMaxCharSize(c) + 1, '\0');
    int32_t length = 0;
    for (;;) {
        ucnv_resetFromUnicode(c);
        err = U_ZERO_ERROR;
        length = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()), buf.data(), units, &err);
        if (err != U_BUFFER_OVERFLOW_ERROR) // stateful code pages add escape sequences
            break;
        out.resize(static_cast<std::size_t>(length) + 1);
    }
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::optional<std::string> CodePage::fromUtf8Exactly(std::string_view utf8, std::string* missing) const {
    if (missing)
        missing->clear();
    if (!isValidUtf8(utf8))
        return std::nullopt; // not text: nothing to name
    // Every character comes back as itself, or it was not held: ICU drops some characters (default
    // ignorables) and maps others to look-alikes one way only, and both would match other lines.
    std::string bytes = fromUtf8(utf8);
    const std::string back = toUtf8(bytes);
    if (back == utf8)
        return bytes;
    if (missing) {
        // Encoding writes one character for each, so the two texts go in step up to the first change.
        std::size_t pos = 0;
        while (pos < utf8.size()) {
            const std::size_t n = utf8Length(utf8, pos);
            if (utf8.compare(pos, n, back, pos, n) != 0) {
                missing->assign(utf8.substr(pos, n));
                break;
            }
            pos += n;
        }
    }
    return std::nullopt;
}

bool CodePage::decodesStrictly(std::string_view bytes) const {
    if (kind_ == Kind::Utf8)
        return isValidUtf8(bytes);
    if (kind_ == Kind::Cp932)
        return detail::decodesAsCp932(bytes);
    UErrorCode err = U_ZERO_ERROR;
    if (std::strcmp(ucnv_getName(conv_->conv.get(), &err), detail::eucJpConverterName()) == 0)
        if (const std::optional<bool> decodes = detail::decodesAsEucJp(bytes))
            return *decodes;
    return detail::decodesByConverter(name_.c_str(), bytes);
}

bool CodePage::sameAs(const CodePage& other) const {
    if (kind_ != other.kind_)
        return false;
    if (kind_ == Kind::Utf8 || kind_ == Kind::Cp932)
        return true;
    UErrorCode err = U_ZERO_ERROR;
    return std::string_view(ucnv_getName(conv_->conv.get(), &err)) ==
           ucnv_getName(other.conv_->conv.get(), &err);
}

bool CodePage::isValidUtf8(std::string_view text) {
    return isValidUtf8Text(text);
}

std::string CodePage::localeCharset() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    return codeset ? codeset : "";
}

UConverter* openDecoder(const CodePage& cp) {
    switch (cp.kind()) {
    case CodePage::Kind::Utf8:
        return nullptr;
    case CodePage::Kind::Cp932:
        return openConverter(kCp932Converter).release();
    default:
        return openConverter(cp.name().c_str()).release();
    }
}

} // namespace linnery
