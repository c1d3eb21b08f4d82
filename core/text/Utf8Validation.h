#pragma once

#include <cstdint>
#include <cstring>
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

} // namespace linnery
