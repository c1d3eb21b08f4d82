#include "core/text/CharacterTable.h"

#include "core/text/CodePageCheck.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <map>
#include <mutex>

namespace linnery {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

enum class Outcome { Decodes, Truncated, Fails, TooComplex };

} // namespace

struct CharacterTable::Builder {
    ConverterPtr strict;  // stops at the first byte sequence it cannot decode
    ConverterPtr lenient; // reads past it, as the code page's own stepping does
    CharacterTable& table;

    // What the strict converter makes of exactly these bytes; `codePoint` when they decode.
    Outcome decode(const unsigned char* bytes, int32_t n, std::int32_t& codePoint) const {
        UChar out[4];
        UErrorCode err = U_ZERO_ERROR;
        ucnv_resetToUnicode(strict.get());
        const int32_t units =
            ucnv_toUChars(strict.get(), out, 4, reinterpret_cast<const char*>(bytes), n, &err);
        if (err == U_TRUNCATED_CHAR_FOUND)
            return Outcome::Truncated;
        if (U_FAILURE(err) || units == 0)
            return Outcome::Fails;
        if (units == 1 && !U16_IS_SURROGATE(out[0]))
            codePoint = out[0];
        else if (units == 2 && U16_IS_LEAD(out[0]) && U16_IS_TRAIL(out[1]))
            codePoint = U16_GET_SUPPLEMENTARY(out[0], out[1]);
        else
            return Outcome::TooComplex;
        return Outcome::Decodes;
    }
    // How many of these bytes the lenient converter takes for one character.
    std::uint32_t taken(const unsigned char* bytes, int32_t n) const {
        ucnv_resetToUnicode(lenient.get());
        const char* source = reinterpret_cast<const char*>(bytes);
        UErrorCode err = U_ZERO_ERROR;
        ucnv_getNextUChar(lenient.get(), &source, source + n, &err);
        const auto count = static_cast<std::uint32_t>(source - reinterpret_cast<const char*>(bytes));
        return count == 0 ? 1 : count;
    }
    std::uint32_t entry(const unsigned char* bytes, std::uint32_t length, std::int32_t codePoint) {
        for (std::uint32_t i = 1; i < length; ++i)
            table.lowBytesInside_ = table.lowBytesInside_ || bytes[i] < 0x40;
        return entry(length, codePoint);
    }
    static std::uint32_t entry(std::uint32_t length, std::int32_t codePoint) {
        return length << kLengthShift | (codePoint < 0 ? kCodePoint : static_cast<std::uint32_t>(codePoint));
    }
    // The entry of bytes[0..n-1]; a link to a new table for the next byte where they begin a longer
    // character. False when the table cannot describe the code page.
    bool fill(unsigned char* bytes, int32_t n, std::uint32_t& out) {
        std::int32_t codePoint = -1;
        switch (decode(bytes, n, codePoint)) {
        case Outcome::Decodes:
            out = entry(bytes, static_cast<std::uint32_t>(n), codePoint);
            return true;
        case Outcome::Fails:
            out = entry(bytes, taken(bytes, n), -1);
            return true;
        case Outcome::TooComplex:
            return false;
        case Outcome::Truncated:
            break;
        }
        if (n == 3)
            return false; // four bytes or more
        std::vector<std::uint32_t>& next = n == 1 ? table.second_ : table.third_;
        const std::size_t index = next.size() / 256;
        out = kLink | static_cast<std::uint32_t>(index);
        next.resize(next.size() + 256);
        if (n == 2)
            table.cutShort_.push_back(entry(taken(bytes, n), -1));
        for (unsigned b = 0; b < 256; ++b) {
            bytes[n] = static_cast<unsigned char>(b);
            std::uint32_t e = 0;
            if (!fill(bytes, n + 1, e))
                return false;
            (n == 1 ? table.second_ : table.third_)[index * 256 + b] = e;
        }
        return true;
    }
};

std::shared_ptr<const CharacterTable> CharacterTable::of(const std::string& icuName) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const CharacterTable>> built;
    const std::lock_guard lock(mutex);
    if (const auto it = built.find(icuName); it != built.end())
        return it->second;
    std::shared_ptr<const CharacterTable>& slot = built[icuName];

    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr lenient(ucnv_open(icuName.c_str(), &err));
    if (U_FAILURE(err) || !lenient)
        return slot;
    const UConverterType type = ucnv_getType(lenient.get());
    if (type != UCNV_MBCS && type != UCNV_DBCS && type != UCNV_SBCS && type != UCNV_LATIN_1 &&
        type != UCNV_US_ASCII)
        return slot; // shift states, or a character set decoded by code (UTF-16, ISO-2022, ...)
    std::shared_ptr<CharacterTable> table(new CharacterTable());
    Builder builder{ConverterPtr(detail::openStrictConverter(icuName.c_str())), std::move(lenient), *table};
    if (!builder.strict)
        return slot;
    unsigned char bytes[4] = {};
    for (unsigned b = 0; b < 256; ++b) {
        bytes[0] = static_cast<unsigned char>(b);
        if (!builder.fill(bytes, 1, table->first_[b]))
            return slot;
    }
    slot = std::move(table);
    return slot;
}

} // namespace linnery
