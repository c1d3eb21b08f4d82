#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace linnery {

// How a multi-byte code page without shift states (cp932, EUC-JP, ...) reads, character by character:
// how many bytes each character takes and the code point it stands for. The answers are asked of ICU's
// converter once, for every byte, pair and triple a character can begin with, so reading a line needs
// neither a converter nor a lock and gives exactly what the converter would.
class CharacterTable {
  public:
    // The table of ICU's converter icuName (built once per name, then shared); nullptr when the code
    // page has shift states, characters longer than three bytes, or byte sequences that stand for more
    // than one code point.
    static std::shared_ptr<const CharacterTable> of(const std::string& icuName);

    struct Step {
        std::uint32_t length;   // bytes the converter takes for the character (at least 1)
        std::int32_t codePoint; // -1: the bytes do not decode
    };

    // The character that starts at p (p < end).
    Step next(const unsigned char* p, const unsigned char* end) const {
        std::uint32_t e = first_[*p];
        if (e & kLink) {
            if (end - p < 2)
                return {1, -1};
            e = second_[(e & kIndex) << 8 | p[1]];
            if (e & kLink)
                e = end - p < 3 ? cutShort_[e & kIndex] : third_[(e & kIndex) << 8 | p[2]];
        }
        const std::uint32_t cp = e & kCodePoint;
        return {e >> kLengthShift, cp == kCodePoint ? -1 : static_cast<std::int32_t>(cp)};
    }
    bool startsLonger(unsigned char b) const { return (first_[b] & kLink) != 0; }
    // True when some character of two or more bytes has a byte below 0x40 after its first (blanks,
    // quotes, commas, digits), so such a byte cannot be taken for itself without stepping from the start.
    bool lowBytesInside() const { return lowBytesInside_; }

  private:
    // An entry: the character's length and code point, or a link to the table of the next byte.
    static constexpr std::uint32_t kCodePoint = 0x1FFFFF; // all bits set: does not decode
    static constexpr std::uint32_t kLengthShift = 24;
    static constexpr std::uint32_t kLink = 0x80000000u;
    static constexpr std::uint32_t kIndex = 0xFFFFFF;

    CharacterTable() = default;
    struct Builder;

    std::uint32_t first_[256] = {};
    std::vector<std::uint32_t> second_;   // 256 entries per byte that begins a longer character
    std::vector<std::uint32_t> third_;    // 256 entries per pair that begins a triple
    std::vector<std::uint32_t> cutShort_; // per such pair: what the converter takes when the text ends
    bool lowBytesInside_ = false;
};

} // namespace linnery
