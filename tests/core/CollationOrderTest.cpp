#include "TestSupport.h"

#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/CollationOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace linnery;
using namespace linnery::test;

namespace {

// The order the collation defines, one comparison of whole keys at a time.
std::vector<int> referenceOrder(const LineList& list) {
    const Collation& coll = Collation::current();
    std::vector<std::string> keys;
    for (std::string_view line : list.views())
        keys.push_back(coll.sortKey(line, CodePage::current()));
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    return order;
}

// Lines that share long key prefixes, differ only in case, width or kana type, or repeat exactly.
Lines mixedLines(std::size_t count) {
    const Lines words = {"あいう",
                         "アイウ",
                         "ｱｲｳ",
                         "apple",
                         "Apple",
                         "APPLE",
                         "かきくけこ",
                         "",
                         "日本語",
                         "10",
                         "9",
                         "あいうえお",
                         "あいうえおかきくけこさしすせそ",
                         "あいうえおかきくけこさしすせそた"};
    Lines lines;
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        const std::string& a = words[(state >> 8) % words.size()];
        const std::string& b = words[(state >> 16) % words.size()];
        lines.push_back(i % 3 == 0 ? a : a + b);
    }
    return lines;
}

} // namespace

TEST(CollationOrder, MatchesWholeKeyComparison) {
    // Sizes on both sides of the point where the keys are taken by two threads.
    for (std::size_t count : {0u, 1u, 50u, 2000u, 60000u}) {
        const LineList list = listOf(mixedLines(count));
        EXPECT_EQ(collationOrder(list.views()), referenceOrder(list)) << count << " lines";
    }
}

TEST(CollationOrder, EqualLinesKeepTheirInputOrder) {
    const LineList list = listOf({"b", "Apple", "a", "apple", "APPLE"});
    EXPECT_EQ(collationOrder(list.views()), (std::vector<int>{2, 1, 3, 4, 0}));
}
