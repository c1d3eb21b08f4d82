#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace linnery {

// True when text is well-formed UTF-8 (no overlong forms, surrogates or code points above U+10FFFF).
// Whole files are checked on every load, so it runs 32 bytes at a time where the processor can.
bool isValidUtf8Text(std::string_view text);

// Past a run of ASCII bytes from p, 16 at a time: the first byte that is not ASCII, near it, or end.
inline const unsigned char* skipAscii(const unsigned char* p, const unsigned char* end) {
    while (end - p >= 16) {
        std::uint64_t a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        if ((a | b) & 0x8080808080808080ULL)
            break;
        p += 16;
    }
    return p;
}

// The code point of the well-formed UTF-8 character at p (p < end), with p moved past it; -1, with p
// where it was, for an ill-formed or cut-short sequence (overlong forms, surrogates, code points above
// U+10FFFF, a stray continuation byte).
inline std::int32_t nextUtf8(const unsigned char*& p, const unsigned char* end) {
    const unsigned b = *p;
    if (b < 0x80) {
        ++p;
        return static_cast<std::int32_t>(b);
    }
    std::ptrdiff_t len;
    unsigned lo = 0x80, hi = 0xBF; // allowed range of the second byte
    std::int32_t c;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        c = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : lo; // overlong
        hi = b == 0xED ? 0x9F : hi; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        c = b & 0x07;
        lo = b == 0xF0 ? 0x90 : lo; // overlong
        hi = b == 0xF4 ? 0x8F : hi; // above U+10FFFF
    } else {
        return -1;
    }
    if (end - p < len)
        return -1;
    for (std::ptrdiff_t i = 1; i < len; ++i) {
        const unsigned t = p[i];
        if (t < (i == 1 ? lo : 0x80) || t > (i == 1 ? hi : 0xBF))
            return -1;
        c = c << 6 | static_cast<std::int32_t>(t & 0x3F);
    }
    p += len;
    return c;
}

// Length of the well-formed UTF-8 character at text[pos], or 0 when it is ill-formed or cut short.
inline std::size_t utf8Length(std::string_view text, std::size_t pos) {
    const auto* start = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    const unsigned char* p = start;
    return nextUtf8(p, reinterpret_cast<const unsigned char*>(text.data()) + text.size()) < 0
               ? 0
               : static_cast<std::size_t>(p - start);
}

// The code points of well-formed UTF-8 text as "U+XXXX", separated by blanks: "U+1F600 U+20AC".
std::string codePointNames(std::string_view utf8);

} // namespace linnery
