#include "core/collation/Collation.h"

#include "core/text/CharacterTable.h"
#include "core/text/CodePage.h"
#include "core/text/Decoder.h"
#include "core/text/Utf8Validation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <vector>

namespace linnery {

namespace {

// The POSIX names of ICU's root order, which the user may choose on purpose.
bool isRootName(const std::string& name) {
    return name.empty() || name == "root" || name == "C" || name == "POSIX";
}

// "ja_JP.UTF-8" -> "ja_JP": ICU wants no POSIX character set; "C.UTF-8" -> "C".
std::string withoutCharset(const std::string& name) {
    return name.substr(0, name.find('.'));
}

// The languages ICU has a collation for (its list of collation locales), asked once.
const std::set<std::string>& collationLanguages() {
    static const std::set<std::string> languages = [] {
        std::set<std::string> found;
        int32_t count = 0;
        const icu::Locale* locales = icu::Collator::getAvailableLocales(count);
        for (int32_t i = 0; i < count; ++i)
            found.insert(locales[i].getLanguage());
        return found;
    }();
    return languages;
}

// Bytes that cannot be decoded follow the decoded part of a key behind a zero byte, which no ICU key
// holds. They are written so that no zero byte remains (0x00 -> 01 01, 0x01 -> 01 02) and byte order
// is kept: keys then compare like (decodable prefix, rest bytes).
void appendRest(std::vector<uint8_t>& key, std::size_t& length, std::string_view rest) {
    key.resize(std::max(key.size(), length + 1 + 2 * rest.size()));
    key[length++] = 0;
    for (char c : rest) {
        const auto b = static_cast<uint8_t>(c);
        if (b <= 1)
            key[length++] = 1;
        key[length++] = b <= 1 ? static_cast<uint8_t>(b + 1) : b;
    }
}

} // namespace

struct Collation::Impl {
    std::unique_ptr<icu::Collator> collator;

    // Scratch state reused by every call, so no call allocates once the buffers have grown: sort keys
    // are taken for millions of lines. It makes a collation serve one thread at a time; a second
    // thread takes a collation of its own.
    std::vector<UChar> decoded;
    icu::UnicodeString folded;
    std::vector<uint8_t> key;
    icu::UnicodeString otherFolded; // second operand of compare()

    // Decoder of the last code page seen, reopened when another code page comes along. It stops at the
    // first byte sequence it cannot decode.
    UConverter* decoder = nullptr;
    std::string decoderName;
    CodePage::Kind decoderKind = CodePage::Kind::Utf8;

    ~Impl() {
        if (decoder)
            ucnv_close(decoder);
    }

    // A line as the collation sees it: the UTF-16 text of its longest decodable prefix (in `decoded`)
    // and the bytes from the first undecodable sequence on.
    struct Split {
        int32_t units = 0;
        std::string_view rest;
        bool whole = true;
    };

    Split decodeUtf8(std::string_view line) {
        decoded.resize(std::max(decoded.size(), line.size() + 1)); // one unit per byte at most
        const auto* const begin = reinterpret_cast<const unsigned char*>(line.data());
        const unsigned char* const end = begin + line.size();
        int32_t units = 0;
        for (const unsigned char* p = begin; p < end;) {
            if (*p < 0x80) {
                decoded[static_cast<std::size_t>(units++)] = *p++;
                continue;
            }
            const int32_t c = nextUtf8(p, end);
            if (c < 0)
                return {units, line.substr(static_cast<std::size_t>(p - begin)), false};
            U16_APPEND_UNSAFE(decoded.data(), units, c);
        }
        return {units, {}, true};
    }

    // Runs the decoder over bytes; on a stop, `bad` is where the undecodable sequence starts.
    int32_t runDecoder(std::string_view bytes, std::size_t& bad) {
        for (;;) {
            ucnv_resetToUnicode(decoder);
            const char* source = bytes.data();
            UChar* target = decoded.data();
            UErrorCode err = U_ZERO_ERROR;
            ucnv_toUnicode(decoder, &target, decoded.data() + decoded.size(), &source,
                           bytes.data() + bytes.size(), nullptr, true, &err);
            const auto units = static_cast<int32_t>(target - decoded.data());
            if (err == U_BUFFER_OVERFLOW_ERROR) {
                decoded.resize(2 * decoded.size());
                continue;
            }
            bad = bytes.size();
            if (U_FAILURE(err)) {
                char invalid[32]; // ICU keeps at most 32 bytes of an undecodable sequence
                int8_t invalidLength = sizeof invalid;
                UErrorCode ignored = U_ZERO_ERROR;
                ucnv_getInvalidChars(decoder, invalid, &invalidLength, &ignored);
                const auto consumed = static_cast<std::size_t>(source - bytes.data());
                bad = consumed - std::min<std::size_t>(consumed, U_SUCCESS(ignored) ? invalidLength : 0);
            }
            return units;
        }
    }

    Split decodeByTable(std::string_view line, const CharacterTable& table) {
        decoded.resize(std::max(decoded.size(), 2 * line.size() + 1)); // a surrogate pair per byte at most
        const auto* const begin = reinterpret_cast<const unsigned char*>(line.data());
        const unsigned char* const end = begin + line.size();
        int32_t units = 0;
        for (const unsigned char* p = begin; p < end;) {
            const CharacterTable::Step step = table.next(p, end);
            if (step.codePoint < 0)
                return {units, line.substr(static_cast<std::size_t>(p - begin)), false};
            U16_APPEND_UNSAFE(decoded.data(), units, step.codePoint);
            p += step.length;
        }
        return {units, {}, true};
    }

    Split decode(std::string_view line, const CodePage& cp) {
        if (cp.kind() == CodePage::Kind::Utf8)
            return decodeUtf8(line);
        if (const CharacterTable* table = cp.characterTable().get())
            return decodeByTable(line, *table);
        if (!decoder || decoderKind != cp.kind() || decoderName != cp.name()) {
            if (decoder)
                ucnv_close(decoder);
            decoder = openDecoder(cp);
            UErrorCode err = U_ZERO_ERROR;
            ucnv_setToUCallBack(decoder, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
            decoderName = cp.name();
            decoderKind = cp.kind();
        }
        decoded.resize(std::max(decoded.size(), 2 * line.size() + 1));
        std::size_t bad = 0;
        int32_t units = runDecoder(line, bad);
        if (bad == line.size())
            return {units, {}, true};
        // The prefix decoded on its own, so its text never depends on what the converter had read ahead.
        std::size_t again = 0;
        units = runDecoder(line.substr(0, bad), again);
        if (again != bad)
            units = 0, bad = 0;
        return {units, line.substr(bad), false};
    }

    // The text the collator sees (the decodable prefix with letter case folded away) and the rest.
    Split foldedText(std::string_view line, const CodePage& cp, icu::UnicodeString& out) {
        const Split split = decode(line, cp);
        out.setTo(decoded.data(), split.units);
        // Folding U+0345 (alone or inside a precomposed Greek letter) turns a combining mark into a
        // letter, which canonical reordering no longer moves: such a text is decomposed first so that
        // canonically equivalent lines still fold alike. Every such character lies in this range.
        const UChar* const begin = decoded.data();
        const UChar* const end = begin + split.units;
        if (std::any_of(begin, end, [](UChar u) { return u == 0x0345 || (u >= 0x1F80 && u <= 0x1FFC); })) {
            UErrorCode err = U_ZERO_ERROR;
            const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(err);
            if (U_SUCCESS(err))
                out = nfd->normalize(out, err);
        }
        out.foldCase(U_FOLD_CASE_DEFAULT);
        return split;
    }
};

bool Collation::isKnownLocale(const std::string& name) {
    const std::string icuName = withoutCharset(name);
    if (isRootName(icuName))
        return true;
    const icu::Locale locale(icuName.c_str());
    return !locale.isBogus() && *locale.getLanguage() != '\0' &&
           collationLanguages().count(locale.getLanguage()) > 0;
}

Collation::Collation(const std::string& locale) : locale_(locale), impl_(std::make_unique<Impl>()) {
    if (!isKnownLocale(locale))
        throw std::invalid_argument("unknown locale: " + locale);
    const std::string icuName = withoutCharset(locale);
    const icu::Locale icuLocale(isRootName(icuName) ? "" : icuName.c_str());
    UErrorCode err = U_ZERO_ERROR;
    impl_->collator.reset(icu::Collator::createInstance(icuLocale, err));
    if (U_FAILURE(err) || !impl_->collator)
        throw std::invalid_argument("no collation for locale: " + locale);
    // Letter case is folded away before collating, so every other difference should count. TERTIARY
    // is not enough for that: ICU's Japanese tailoring puts hiragana/katakana and half-/full-width
    // kana differences beyond the tertiary level ("あ" == "ア" and "ｱ" == "ア" at TERTIARY in "ja").
    // IDENTICAL keeps the locale's order and only breaks the remaining ties, by code point, so lines
    // compare equal exactly when they are equal after case folding and canonical normalisation.
    impl_->collator->setStrength(icu::Collator::IDENTICAL);
    // Without normalisation ICU collates only FCD text correctly: combining marks out of canonical
    // order made compare() and the sort keys disagree, and canonically equivalent lines unequal.
    impl_->collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
    if (U_FAILURE(err))
        throw std::invalid_argument("no collation for locale: " + locale);
}

Collation::~Collation() = default;

std::string_view Collation::keyOf(std::string_view line, const CodePage& cp) const {
    Impl& d = *impl_;
    const Impl::Split split = d.foldedText(line, cp, d.folded);
    if (d.key.size() < 64)
        d.key.resize(64);
    int32_t length = d.collator->getSortKey(d.folded, d.key.data(), static_cast<int32_t>(d.key.size()));
    if (length > static_cast<int32_t>(d.key.size())) {
        d.key.resize(static_cast<std::size_t>(length));
        length = d.collator->getSortKey(d.folded, d.key.data(), length);
    }
    // ICU ends every key with a NUL terminator, which is not part of it.
    auto size = static_cast<std::size_t>(std::max(length, 0));
    if (size > 0 && d.key[size - 1] == 0)
        --size;
    if (!split.whole)
        appendRest(d.key, size, split.rest);
    return {reinterpret_cast<const char*>(d.key.data()), size};
}

std::string Collation::sortKey(std::string_view line, const CodePage& cp) const {
    return std::string(keyOf(line, cp));
}

int Collation::compare(std::string_view a, std::string_view b, const CodePage& cp) const {
    Impl& d = *impl_;
    const Impl::Split first = d.foldedText(a, cp, d.folded);
    const Impl::Split second = d.foldedText(b, cp, d.otherFolded);
    UErrorCode err = U_ZERO_ERROR;
    // With normalisation on, ICU's compare() orders like the sort keys of the same collator; the undecodable
    // rest decides after that, as in keyOf().
    const UCollationResult r = d.collator->compare(d.folded, d.otherFolded, err);
    if (r != UCOL_EQUAL)
        return r == UCOL_LESS ? -1 : 1;
    if (first.whole || second.whole)
        return first.whole == second.whole ? 0 : first.whole ? -1 : 1;
    const int rest = first.rest.compare(second.rest); // char_traits<char> compares as unsigned char
    return (rest > 0) - (rest < 0);
}

std::string Collation::defaultLocale() {
    const char* env = std::getenv("LINNERY_LOCALE");
    if (env && *env)
        return env;
    const char* posix = std::setlocale(LC_COLLATE, "");
    std::string name = posix ? posix : "";
    // "ja_JP.UTF-8", "de_DE@euro": ICU wants the language and region only.
    name = name.substr(0, name.find_first_of(".@"));
    // C and POSIX, and a system locale without a collation of its own, sort in ICU's root order.
    if (isRootName(name) || !isKnownLocale(name))
        return "";
    return name;
}

} // namespace linnery
