#include "core/text/Utf8Validation.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LINNERY_UTF8_AVX2 1
#endif

namespace linnery {

namespace {

// Character by character from p; p must start a character.
bool validFrom(const unsigned char* p, const unsigned char* end) {
    while (p < end) {
        p = skipAscii(p, end);
        if (p == end)
            break;
        if (nextUtf8(p, end) < 0)
            return false;
    }
    return true;
}

#ifdef LINNERY_UTF8_AVX2
// The lookup method of Keiser and Lemire ("Validating UTF-8 In Less Than One Instruction Per Byte"):
// three table look-ups on the nibbles of each byte and the one before it flag every error of a
// two-byte window; a saturating subtraction checks the third and fourth bytes of longer characters.
constexpr std::uint8_t kTooShort = 1 << 0, kTooLong = 1 << 1, kOverlong3 = 1 << 2, kTooLarge = 1 << 3,
                       kSurrogate = 1 << 4, kOverlong2 = 1 << 5, kTooLarge1000 = 1 << 6, kOverlong4 = 1 << 6,
                       kTwoConts = 1 << 7, kCarry = kTooShort | kTooLong | kTwoConts;

__attribute__((target("avx2"))) __m256i table(const std::uint8_t (&t)[16]) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)));
}

__attribute__((target("avx2"))) __m256i highNibbles(__m256i v) {
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}

// The input shifted by n bytes (1..3) with the end of the previous block in front.
template <int n> __attribute__((target("avx2"))) __m256i before(__m256i input, __m256i previous) {
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
}

__attribute__((target("avx2"))) bool validAvx2(const unsigned char* p, const unsigned char* end) {
    static const std::uint8_t byte1High[16] = {kTooLong,
                                               kTooLong,
                                               kTooLong,
                                               kTooLong,
                                               kTooLong,
                                               kTooLong,
                                               kTooLong,
                                               kTooLong,
                                               kTwoConts,
                                               kTwoConts,
                                               kTwoConts,
                                               kTwoConts,
                                               kTooShort | kOverlong2,
                                               kTooShort,
                                               kTooShort | kOverlong3 | kSurrogate,
                                               kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
    static const std::uint8_t byte1Low[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                              kCarry | kOverlong2,
                                              kCarry,
                                              kCarry,
                                              kCarry | kTooLarge,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
                                              kCarry | kTooLarge | kTooLarge1000,
                                              kCarry | kTooLarge | kTooLarge1000};
    static const std::uint8_t byte2High[16] = {kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooLong | kOverlong2 | kTwoConts | kOverlong3 |
                                                   kTooLarge1000 | kOverlong4,
                                               kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
                                               kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
                                               kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort,
                                               kTooShort};
    const __m256i t1High = table(byte1High), t1Low = table(byte1Low), t2High = table(byte2High);
    const __m256i lowNibble = _mm256_set1_epi8(0x0F);
    // A block that ends inside a character: its last three bytes may not start one of 2, 3 or 4 bytes.
    const __m256i incompleteMax = _mm256_setr_epi8(
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
        -1, -1, -1, -1, static_cast<char>(0xEF), static_cast<char>(0xDF), static_cast<char>(0xBF));
    __m256i error = _mm256_setzero_si256(), previous = _mm256_setzero_si256(),
            previousIncomplete = _mm256_setzero_si256();
    const unsigned char* const start = p;
    for (; end - p >= 32; p += 32) {
        const __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        if (_mm256_movemask_epi8(input) == 0) {
            error = _mm256_or_si256(error, previousIncomplete);
        } else {
            const __m256i prev1 = before<1>(input, previous);
            const __m256i special = _mm256_and_si256(
                _mm256_and_si256(_mm256_shuffle_epi8(t1High, highNibbles(prev1)),
                                 _mm256_shuffle_epi8(t1Low, _mm256_and_si256(prev1, lowNibble))),
                _mm256_shuffle_epi8(t2High, highNibbles(input)));
            const __m256i third = _mm256_subs_epu8(before<2>(input, previous), _mm256_set1_epi8(0xE0 - 0x80));
            const __m256i fourth =
                _mm256_subs_epu8(before<3>(input, previous), _mm256_set1_epi8(0xF0 - 0x80));
            const __m256i must23 =
                _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
            error = _mm256_or_si256(error, _mm256_xor_si256(must23, special));
            previousIncomplete = _mm256_subs_epu8(input, incompleteMax);
        }
        previous = input;
        // Text in another code page fails within its first characters: stop early.
        if ((p - start) % 4096 == 4064 && !_mm256_testz_si256(error, error))
            return false;
    }
    if (!_mm256_testz_si256(error, error))
        return false;
    // The rest from the start of the character the last block may have cut.
    const unsigned char* rest = p;
    while (rest > start && p - rest < 4 && (rest[-1] & 0xC0) == 0x80)
        --rest;
    if (rest > start && rest[-1] >= 0xC0)
        --rest;
    return validFrom(rest, end);
}
#endif

} // namespace

bool isValidUtf8Text(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
#ifdef LINNERY_UTF8_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return validAvx2(p, p + text.size());
#endif
    return validFrom(p, p + text.size());
}

std::string codePointNames(std::string_view utf8) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const unsigned char* const end = p + utf8.size();
    while (p < end) {
        const std::int32_t c = nextUtf8(p, end);
        if (c < 0)
            break;
        char hex[16];
        std::snprintf(hex, sizeof hex, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(c));
        out += hex;
    }
    return out;
}

} // namespace linnery
