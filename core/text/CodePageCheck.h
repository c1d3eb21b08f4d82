#pragma once

#include <optional>
#include <string_view>

struct UConverter;

// Whether a whole text decodes strictly (every lead byte has its trail bytes, nothing is unmapped) in the
// Japanese code pages a loaded text is judged in. Every load asks this of the whole file, so the answers
// come from tables of what ICU decodes, built once, instead of a conversion.
namespace linnery::detail {

// A byte that may follow a cp932 lead byte.
inline bool isCp932TrailByte(unsigned b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// An ICU converter that stops at the first byte it cannot decode or character it cannot encode; null
// for a name ICU does not know.
UConverter* openStrictConverter(const char* icuName);

// A conversion by ICU's converter icuName: what the tables below must answer alike.
bool decodesByConverter(const char* icuName, std::string_view bytes);

// cp932: 32 bytes at a time where the processor has AVX2, else byte by byte (the tests compare the two).
bool decodesAsCp932(std::string_view bytes);
bool decodesAsCp932ByteWise(std::string_view bytes);

// The ICU converter that EUC-JP names (its canonical name).
const char* eucJpConverterName();
// EUC-JP from its table, 32 bytes at a time where the processor has AVX2, else byte by byte; nothing
// when ICU's converter has characters the table cannot describe (more than three bytes), and then only
// a conversion can tell.
std::optional<bool> decodesAsEucJp(std::string_view bytes);
std::optional<bool> decodesAsEucJpByteWise(std::string_view bytes);

} // namespace linnery::detail
