#include "core/CollationOrder.h"

#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/HugePages.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>

namespace linnery {

namespace {

// From this many lines on, a second thread takes the keys of the second half: taking ICU keys is most
// of the work of a sort.
constexpr std::size_t kParallelLines = 50'000;

// The sort keys of a run of lines, one after another in one block.
struct KeyBlock {
    std::vector<char, HugePageAllocator<char>> bytes;
    std::vector<std::size_t, HugePageAllocator<std::size_t>> offsets{0};

    std::string_view key(std::size_t i) const {
        return {bytes.data() + offsets[i], offsets[i + 1] - offsets[i]};
    }
};

void takeKeys(const Collation& coll, const CodePage& cp, const std::string_view* lines, std::size_t count,
              KeyBlock& out) {
    // Sized ahead from the text, so the block rarely has to move while it fills.
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < count; ++i)
        textBytes += lines[i].size();
    out.bytes.reserve(4 * textBytes + 16 * count);
    out.offsets.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view key = coll.keyOf(lines[i], cp);
        out.bytes.insert(out.bytes.end(), key.begin(), key.end());
        out.offsets.push_back(out.bytes.size());
    }
}

} // namespace

std::vector<int> collationOrder(const LineViews& lines) {
    const Collation& coll = Collation::current();
    const CodePage& cp = CodePage::current();
    const std::size_t n = lines.size();
    const bool parallel = n >= kParallelLines && std::thread::hardware_concurrency() > 1;
    std::size_t half = n; // the keys of lines from here on are the helper's
    KeyBlock first, second;
    std::exception_ptr failure;
    {
        std::jthread helper;
        if (parallel) {
            const std::size_t split = n / 2;
            try {
                // A collator serves one thread at a time: the helper opens its own for the same locale.
                helper = std::jthread([&, split] {
                    try {
                        const Collation own(coll.locale());
                        takeKeys(own, cp, lines.data() + split, n - split, second);
                    } catch (...) {
                        failure = std::current_exception();
                    }
                });
                half = split;
            } catch (const std::system_error&) {
                // No thread to be had (no memory for its stack, too many threads): this one takes them all.
            }
        }
        takeKeys(coll, cp, lines.data(), half, first);
    }
    if (failure)
        std::rethrow_exception(failure);
    auto keyOf = [&](std::size_t i) { return i < half ? first.key(i) : second.key(i - half); };

    // Most comparisons are decided by the first 16 key bytes, kept beside the index so the sort stays
    // in the cache; the rest of a key is read only on a tie. A zero byte in a key stands only in front
    // of the non-zero bytes of an undecodable rest, so padding a short key with zeros keeps the order.
    struct Entry {
        std::uint64_t high, low;
        int index;
    };
    constexpr std::size_t kPrefix = 16;
    std::vector<Entry, HugePageAllocator<Entry>> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view key = keyOf(i);
        std::uint64_t word[2] = {0, 0};
        for (std::size_t b = 0; b < kPrefix; ++b)
            word[b / 8] = (word[b / 8] << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        entries[i] = {word[0], word[1], static_cast<int>(i)};
    }
    auto rest = [&](int i) {
        const std::string_view key = keyOf(static_cast<std::size_t>(i));
        return key.size() <= kPrefix ? std::string_view() : key.substr(kPrefix);
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return rest(a.index) < rest(b.index);
    });
    std::vector<int> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = entries[i].index;
    return order;
}

} // namespace linnery
