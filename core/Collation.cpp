#include "core/Collation.h"

#include "core/CodePage.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace linnery {

namespace detail {
// Defined in CodePage.cpp: a new converter that decodes cp's bytes to UTF-16 exactly as
// CodePage::toUtf8 does (undecodable bytes -> U+FFFD); nullptr for UTF-8. The caller owns it.
UConverter* openDecoder(const CodePage& cp);
} // namespace detail

namespace {

std::unique_ptr<Collation>& currentSlot() {
    static std::unique_ptr<Collation> current;
    return current;
}

} // namespace

struct Collation::Impl {
    std::unique_ptr<icu::Collator> collator;

    // Scratch state reused by every call (the program is single-threaded): sort keys are taken for
    // millions of lines, so no call allocates once the buffers have grown.
    std::vector<UChar> decoded;
    icu::UnicodeString folded;
    std::vector<uint8_t> key;
    icu::UnicodeString otherFolded; // second operand of compare()

    // Decoder of the last code page seen, reopened when another code page comes along.
    UConverter* decoder = nullptr;
    std::string decoderName;
    CodePage::Kind decoderKind = CodePage::Kind::Utf8;

    ~Impl() {
        if (decoder)
            ucnv_close(decoder);
    }

    // Decodes line into `decoded`, returns the number of UTF-16 units.
    int32_t decode(std::string_view line, const CodePage& cp) {
        int32_t units = 0;
        UErrorCode err = U_ZERO_ERROR;
        if (cp.kind() == CodePage::Kind::Utf8) {
            decoded.resize(line.size() + 1); // one unit per byte at most
            u_strFromUTF8WithSub(decoded.data(), static_cast<int32_t>(decoded.size()), &units, line.data(),
                                 static_cast<int32_t>(line.size()), 0xFFFD, nullptr, &err);
            return U_SUCCESS(err) ? units : 0;
        }
        if (!decoder || decoderKind != cp.kind() || decoderName != cp.name()) {
            if (decoder)
                ucnv_close(decoder);
            decoder = detail::openDecoder(cp);
            decoderName = cp.name();
            decoderKind = cp.kind();
        }
        if (decoded.size() < 2 * line.size() + 1)
            decoded.resize(2 * line.size() + 1);
        for (;;) {
            ucnv_resetToUnicode(decoder);
            err = U_ZERO_ERROR;
            units = ucnv_toUChars(decoder, decoded.data(), static_cast<int32_t>(decoded.size()), line.data(),
                                  static_cast<int32_t>(line.size()), &err);
            if (err != U_BUFFER_OVERFLOW_ERROR)
                break;
            decoded.resize(static_cast<std::size_t>(units) + 1);
        }
        return U_SUCCESS(err) ? units : 0;
    }

    // The text the collator sees: the decoded line with letter case folded away.
    void foldedText(std::string_view line, const CodePage& cp, icu::UnicodeString& out) {
        const int32_t units = decode(line, cp);
        out.setTo(decoded.data(), units);
        out.foldCase(U_FOLD_CASE_DEFAULT);
    }
};

Collation::Collation(const std::string& locale) : locale_(locale), impl_(std::make_unique<Impl>()) {
    const icu::Locale icuLocale(locale.c_str());
    if (icuLocale.isBogus())
        throw std::invalid_argument("unknown locale: " + locale);
    UErrorCode err = U_ZERO_ERROR;
    impl_->collator.reset(icu::Collator::createInstance(icuLocale, err));
    if (U_FAILURE(err) || !impl_->collator)
        throw std::invalid_argument("no collation for locale: " + locale);
    // Letter case is folded away before collating, so every other difference should count. TERTIARY
    // is not enough for that: ICU's Japanese tailoring puts hiragana/katakana and half-/full-width
    // kana differences beyond the tertiary level ("あ" == "ア" and "ｱ" == "ア" at TERTIARY in "ja").
    // IDENTICAL keeps the locale's order and only breaks the remaining ties, by code point, so lines
    // compare equal exactly when they are equal after case folding (and canonical normalisation).
    impl_->collator->setStrength(icu::Collator::IDENTICAL);
}

Collation::~Collation() = default;

std::string_view Collation::keyOf(std::string_view line, const CodePage& cp) const {
    Impl& d = *impl_;
    d.foldedText(line, cp, d.folded);
    if (d.key.size() < 64)
        d.key.resize(64);
    int32_t length = d.collator->getSortKey(d.folded, d.key.data(), static_cast<int32_t>(d.key.size()));
    if (length > static_cast<int32_t>(d.key.size())) {
        d.key.resize(static_cast<std::size_t>(length));
        length = d.collator->getSortKey(d.folded, d.key.data(), length);
    }
    // ICU ends every key with a NUL terminator, which is not part of it.
    if (length > 0 && d.key[static_cast<std::size_t>(length) - 1] == 0)
        --length;
    return {reinterpret_cast<const char*>(d.key.data()), static_cast<std::size_t>(length)};
}

std::string Collation::sortKey(std::string_view line, const CodePage& cp) const {
    return std::string(keyOf(line, cp));
}

int Collation::compare(std::string_view a, std::string_view b, const CodePage& cp) const {
    Impl& d = *impl_;
    d.foldedText(a, cp, d.folded);
    d.foldedText(b, cp, d.otherFolded);
    UErrorCode err = U_ZERO_ERROR;
    // ICU guarantees that compare() orders like the sort keys of the same collator.
    const UCollationResult r = d.collator->compare(d.folded, d.otherFolded, err);
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

const Collation& Collation::current() {
    auto& slot = currentSlot();
    if (!slot)
        slot = std::make_unique<Collation>(defaultLocale());
    return *slot;
}

void Collation::setCurrent(const std::string& locale) {
    auto replacement = std::make_unique<Collation>(locale); // throws before anything changes
    currentSlot() = std::move(replacement);
}

std::string Collation::defaultLocale() {
    if (const char* env = std::getenv("LINNERY_LOCALE"))
        return env;
    const char* posix = std::setlocale(LC_COLLATE, "");
    std::string name = posix ? posix : "";
    // "ja_JP.UTF-8", "de_DE@euro": ICU wants the language and region only.
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return ""; // ICU's root collation
    return name;
}

} // namespace linnery
