#include "core/text/CodePageCheck.h"

#include "core/text/Utf8Validation.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LINNERY_CHECK_AVX2 1
#endif

namespace linnery::detail {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// A set of byte pairs (first << 8 | second), or of bytes.
template <std::size_t N> struct BitSet {
    std::array<std::uint64_t, N / 64> words{};
    bool operator[](unsigned i) const { return words[i >> 6] >> (i & 63) & 1; }
    void set(unsigned i) { words[i >> 6] |= std::uint64_t{1} << (i & 63); }
};

enum class Probe { Decodes, Truncated, Fails };

Probe probe(UConverter* c, const unsigned char* bytes, int32_t n) {
    UChar out[4];
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetToUnicode(c);
    const int32_t units = ucnv_toUChars(c, out, 4, reinterpret_cast<const char*>(bytes), n, &err);
    if (err == U_TRUNCATED_CHAR_FOUND)
        return Probe::Truncated;
    return U_SUCCESS(err) && units > 0 ? Probe::Decodes : Probe::Fails;
}

// What a code page without shift states decodes, asked of ICU once for every byte, and for every pair
// and triple that a byte which cannot stand alone begins. A character then decodes when its bytes are in
// the table, and a text when it splits into such characters from its start.
struct DecodeTable {
    std::array<std::uint8_t, 256> first{}; // 1: decodes alone, 2: begins a longer character, 0: neither
    BitSet<65536> pairs;                   // the pair decodes
    std::vector<std::uint16_t> prefix;     // pair -> 1 + its slot in `third` when it begins a triple
    std::vector<BitSet<256>> third;        // third bytes that end each such pair
    bool asciiAlone = true;                // every byte below 0x80 decodes alone
    bool complete = true;                  // no character is longer than three bytes

    explicit DecodeTable(const char* icuName) {
        const std::unique_ptr<UConverter, ConverterCloser> c(openStrictConverter(icuName));
        if (!c) {
            complete = false;
            return;
        }
        unsigned char bytes[3];
        for (unsigned b0 = 0; b0 < 256; ++b0) {
            bytes[0] = static_cast<unsigned char>(b0);
            const Probe alone = probe(c.get(), bytes, 1);
            first[b0] = alone == Probe::Decodes ? 1 : alone == Probe::Truncated ? 2 : 0;
            asciiAlone = asciiAlone && (b0 >= 0x80 || first[b0] == 1);
            for (unsigned b1 = 0; first[b0] == 2 && b1 < 256; ++b1) {
                bytes[1] = static_cast<unsigned char>(b1);
                const Probe two = probe(c.get(), bytes, 2);
                if (two == Probe::Decodes)
                    pairs.set(b0 << 8 | b1);
                if (two != Probe::Truncated)
                    continue;
                if (prefix.empty())
                    prefix.resize(65536);
                BitSet<256>& ends = third.emplace_back();
                prefix[b0 << 8 | b1] = static_cast<std::uint16_t>(third.size());
                for (unsigned b2 = 0; b2 < 256; ++b2) {
                    bytes[2] = static_cast<unsigned char>(b2);
                    const Probe three = probe(c.get(), bytes, 3);
                    if (three == Probe::Decodes)
                        ends.set(b2);
                    complete = complete && three != Probe::Truncated;
                }
            }
        }
    }

    // Character by character from p, which must begin one.
    bool decodesFrom(const unsigned char* p, const unsigned char* end) const {
        if (p == end)
            return true;
        // The last byte alone, so the loop may always read a second one.
        const unsigned char* const last = end - 1;
        while (p < last) {
            // Runs of double-byte characters, the bulk of a Japanese text, without a look for ASCII
            // between them.
            while (p + 1 < last && first[*p] == 2 && pairs[static_cast<unsigned>(*p) << 8 | p[1]])
                p += 2;
            if (p >= last)
                break;
            if (asciiAlone && *p < 0x80) {
                p = skipAscii(p, last);
                if (p >= last)
                    break;
            }
            // Without a branch on the kind of character in the common case: texts mix both at random.
            const unsigned step = first[*p];
            if (step == 1 || (step == 2 && pairs[static_cast<unsigned>(*p) << 8 | p[1]])) {
                p += step;
                continue;
            }
            p = next(p, end);
            if (!p)
                return false;
        }
        return p == end || first[*p] == 1;
    }

    // The end of the character that begins at p, or null when none decodes there.
    const unsigned char* next(const unsigned char* p, const unsigned char* end) const {
        if (first[*p] == 1)
            return p + 1;
        if (first[*p] != 2 || end - p < 2)
            return nullptr;
        const unsigned pair = static_cast<unsigned>(*p) << 8 | p[1];
        if (pairs[pair])
            return p + 2;
        if (prefix.empty() || prefix[pair] == 0 || end - p < 3 || !third[prefix[pair] - 1][p[2]])
            return nullptr;
        return p + 3;
    }
};

const DecodeTable& cp932Table() {
    static const DecodeTable table("windows-31j");
    return table;
}

const DecodeTable& eucJpTable() {
    static const DecodeTable table(eucJpConverterName());
    return table;
}

bool cp932ByteWise(const unsigned char* p, const unsigned char* end) {
    return cp932Table().complete && cp932Table().decodesFrom(p, end);
}

#ifdef LINNERY_CHECK_AVX2

// A set of bytes as two 16-byte tables on the low nibble: bit h of low[n] holds byte h << 4 | n for h
// below 8, bit h - 8 of high[n] the others (Muła's look-up, two shuffles for 32 bytes).
struct NibbleSet {
    alignas(16) std::uint8_t low[16]{};
    alignas(16) std::uint8_t high[16]{};

    template <class Member> explicit NibbleSet(Member member) {
        for (unsigned b = 0; b < 256; ++b)
            if (member(b))
                (b < 0x80 ? low : high)[b & 0x0F] |= static_cast<std::uint8_t>(1u << (b >> 4 & 7));
    }
};

// Lead bytes whose pairs are checked in the 32-byte pass although some of their trail bytes do not
// decode: the rows of the most common characters of Japanese text (kana, punctuation, Latin letters).
using RowLeads = std::array<unsigned char, 4>;

// What the 32-byte pass needs beside the table: which bytes stand alone, begin a pair or begin a triple,
// the trail bytes of most lead bytes and of each row lead, and the other lead bytes some of whose trail
// bytes do not decode: their pairs are looked up one by one.
struct BlockSets {
    bool usable;
    RowLeads rowLeads;
    NibbleSet alone, lead, triple, trail, lookedUp;
    std::array<NibbleSet, std::tuple_size_v<RowLeads>> rowTrails;

    BlockSets(const DecodeTable& t, bool (*isTrail)(unsigned), RowLeads rows)
        : usable(t.complete && t.asciiAlone), rowLeads(rows),
          alone([&](unsigned b) { return t.first[b] == 1; }),
          lead([&](unsigned b) { return t.first[b] == 2; }), triple([&](unsigned b) {
              for (unsigned second = 0; !t.prefix.empty() && second < 256; ++second)
                  if (t.prefix[b << 8 | second] != 0)
                      return true;
              return false;
          }),
          trail(isTrail), lookedUp([&](unsigned b) {
              if (t.first[b] != 2 || std::find(rows.begin(), rows.end(), b) != rows.end())
                  return false;
              for (unsigned second = 0; second < 256; ++second)
                  if (t.pairs[b << 8 | second] != isTrail(second))
                      return true;
              return false;
          }),
          rowTrails{rowSet(t, rows[0]), rowSet(t, rows[1]), rowSet(t, rows[2]), rowSet(t, rows[3])} {}

    static NibbleSet rowSet(const DecodeTable& t, unsigned lead) {
        return NibbleSet([&](unsigned b) { return t.pairs[lead << 8 | b]; });
    }
};

bool isEucJpTrailByte(unsigned b) {
    return b >= 0xA1 && b <= 0xFE;
}

// Punctuation, Latin letters, kana, and the first kanji row, which begins at its 0x9F.
const BlockSets& cp932Sets() {
    static const BlockSets sets(cp932Table(), isCp932TrailByte, {0x81, 0x82, 0x83, 0x88});
    return sets;
}

// Full-width Latin letters and digits, hiragana, katakana, half-width katakana.
const BlockSets& eucJpSets() {
    static const BlockSets sets(eucJpTable(), isEucJpTrailByte, {0xA3, 0xA4, 0xA5, 0x8E});
    return sets;
}

bool hasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

__attribute__((target("avx2"))) __m256i broadcast(const std::uint8_t (&t)[16]) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(t)));
}

struct LoadedSet {
    __m256i low, high;
};

__attribute__((target("avx2"))) LoadedSet load(const NibbleSet& s) {
    return {broadcast(s.low), broadcast(s.high)};
}

// 32 bytes and what their look-ups share: the bytes with the top bit flipped, and 1 << (high nibble & 7).
struct Nibbles {
    __m256i v, flipped, bit;
};

__attribute__((target("avx2"))) Nibbles nibbles(__m256i v) {
    const __m256i bits = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4,
                                          8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    return {v, _mm256_xor_si256(v, _mm256_set1_epi8(static_cast<char>(0x80))),
            _mm256_shuffle_epi8(bits, _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F)))};
}

// All ones in each byte that is in the set.
__attribute__((target("avx2"))) __m256i members(const Nibbles& n, const LoadedSet& s) {
    const __m256i row =
        _mm256_or_si256(_mm256_shuffle_epi8(s.low, n.v), _mm256_shuffle_epi8(s.high, n.flipped));
    return _mm256_cmpeq_epi8(_mm256_and_si256(row, n.bit), n.bit);
}

__attribute__((target("avx2"))) std::uint32_t bitsOf(__m256i m) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(m));
}

// A byte that cannot begin a longer character ends the one before it, so characters could be found
// from any of them; instead of stepping, each block finds its lead bytes at once. In a run of bytes that
// may lead, after a byte that does not or a trail byte, the first, third, ... byte leads and the next one
// trails it. Each lead byte is then checked against the byte after it, read from the block shifted by
// one. A block where a character of three bytes begins is stepped through a character at a time.
__attribute__((target("avx2"))) bool byBlocks(const unsigned char* p, const unsigned char* end,
                                              const BlockSets& sets, const DecodeTable& t) {
    const LoadedSet alone = load(sets.alone), lead = load(sets.lead), triple = load(sets.triple),
                    trail = load(sets.trail), lookedUp = load(sets.lookedUp);
    constexpr std::size_t kRows = std::tuple_size_v<RowLeads>;
    std::array<LoadedSet, kRows> rowTrails;
    __m256i rowLeads[kRows];
    for (std::size_t i = 0; i < kRows; ++i) {
        rowTrails[i] = load(sets.rowTrails[i]);
        rowLeads[i] = _mm256_set1_epi8(static_cast<char>(sets.rowLeads[i]));
    }
    constexpr std::uint64_t kEven = 0x55555555, kOdd = 0xAAAAAAAA;
    std::uint32_t carry = 0; // 1: the block's first byte trails the previous block's last
    // One byte past the block is read with it.
    while (end - p > 32) {
        const unsigned char* const block = p;
        p += 32;
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
        if (carry == 0 && _mm256_movemask_epi8(v) == 0)
            continue; // ASCII stands alone
        const Nibbles here = nibbles(v);
        const std::uint64_t mayLead = bitsOf(members(here, lead)) & ~carry;
        const std::uint64_t starts = mayLead & ~(mayLead << 1);
        // Adding its start to a run that starts at an even position carries out of it and clears it.
        const std::uint64_t evenRuns = mayLead & ~(mayLead + (starts & kEven));
        const auto leads = static_cast<std::uint32_t>((evenRuns & kEven) | (mayLead & ~evenRuns & kOdd));
        if ((leads & bitsOf(members(here, triple))) != 0) {
            for (p = block + carry; p < block + 32;)
                if (!(p = t.next(p, end)))
                    return false;
            carry = 0;
            continue; // p stands after the block, where a character begins
        }
        const std::uint32_t trails = leads << 1 | carry;
        carry = leads >> 31;
        if ((~(leads | trails) & ~bitsOf(members(here, alone))) != 0)
            return false;
        if (leads == 0)
            continue;
        // A row lead needs a trail byte of its own row, any other lead byte not looked up one by one a
        // trail byte.
        const Nibbles next = nibbles(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 1)));
        __m256i inRow = _mm256_setzero_si256(), rowPaired = _mm256_setzero_si256();
        for (std::size_t i = 0; i < kRows; ++i) {
            const __m256i isLead = _mm256_cmpeq_epi8(v, rowLeads[i]);
            inRow = _mm256_or_si256(inRow, isLead);
            rowPaired = _mm256_or_si256(rowPaired, _mm256_and_si256(isLead, members(next, rowTrails[i])));
        }
        const __m256i paired = _mm256_or_si256(rowPaired, _mm256_andnot_si256(inRow, members(next, trail)));
        const std::uint32_t others = leads & bitsOf(members(here, lookedUp));
        if ((leads & ~others & ~bitsOf(paired)) != 0)
            return false;
        for (std::uint32_t m = others; m != 0; m &= m - 1) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(m));
            if (!t.pairs[static_cast<unsigned>(block[at]) << 8 | block[at + 1]])
                return false;
        }
    }
    return t.decodesFrom(p + carry, end);
}

#endif

} // namespace

UConverter* openStrictConverter(const char* icuName) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(icuName, &err);
    if (U_FAILURE(err) || !conv)
        return nullptr;
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    return conv;
}

bool decodesByConverter(const char* icuName, std::string_view bytes) {
    const std::unique_ptr<UConverter, ConverterCloser> c(openStrictConverter(icuName));
    if (!c)
        return false;
    // In pieces through a small buffer, so a large text costs no memory of its size.
    UChar buffer[16 * 1024];
    const char* source = bytes.data();
    const char* const limit = source + bytes.size();
    for (;;) {
        UChar* target = buffer;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(c.get(), &target, buffer + std::size(buffer), &source, limit, nullptr, true, &err);
        if (err != U_BUFFER_OVERFLOW_ERROR)
            return U_SUCCESS(err);
    }
}

bool decodesAsCp932ByteWise(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return cp932ByteWise(p, p + bytes.size());
}

bool decodesAsCp932(std::string_view bytes) {
#ifdef LINNERY_CHECK_AVX2
    if (hasAvx2() && cp932Sets().usable) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        return byBlocks(p, p + bytes.size(), cp932Sets(), cp932Table());
    }
#endif
    return decodesAsCp932ByteWise(bytes);
}

const char* eucJpConverterName() {
    static const std::string name = [] {
        UErrorCode err = U_ZERO_ERROR;
        const std::unique_ptr<UConverter, ConverterCloser> c(ucnv_open("EUC-JP", &err));
        return c ? std::string(ucnv_getName(c.get(), &err)) : std::string();
    }();
    return name.c_str();
}

std::optional<bool> decodesAsEucJp(std::string_view bytes) {
#ifdef LINNERY_CHECK_AVX2
    if (hasAvx2() && eucJpSets().usable) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        return byBlocks(p, p + bytes.size(), eucJpSets(), eucJpTable());
    }
#endif
    return decodesAsEucJpByteWise(bytes);
}

std::optional<bool> decodesAsEucJpByteWise(std::string_view bytes) {
    const DecodeTable& table = eucJpTable();
    if (!table.complete)
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return table.decodesFrom(p, p + bytes.size());
}

} // namespace linnery::detail
