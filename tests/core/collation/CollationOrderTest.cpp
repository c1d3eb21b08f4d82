#include "TestSupport.h"

#include "core/collation/Collation.h"
#include "core/collation/CollationOrder.h"
#include "core/text/CodePage.h"

#include <gtest/gtest.h>

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <tuple>

using namespace linnery;
using namespace linnery::test;

namespace {

// How ICU's own converter reads a line: the UTF-8 text of its longest decodable prefix, and the bytes
// from the first sequence it cannot decode on. Undecodable lines follow the lines equal to their prefix,
// ordered by those bytes. Independent of the character tables the collation reads lines with.
struct IcuReading {
    std::string prefix, rest;
    bool whole = true;
};
IcuReading icuReading(std::string_view line, const CodePage& cp) {
    if (cp.kind() == CodePage::Kind::Utf8)
        return {std::string(line), {}, true};
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> conv(
        ucnv_open(cp.sameAs(CodePage("cp932")) ? "windows-31j" : cp.name().c_str(), &err), ucnv_close);
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    std::u16string units(line.size() + 1, u'\0');
    UChar* target = units.data();
    const char* source = line.data();
    err = U_ZERO_ERROR;
    ucnv_toUnicode(conv.get(), &target, units.data() + units.size(), &source, line.data() + line.size(),
                   nullptr, true, &err);
    units.resize(static_cast<std::size_t>(target - units.data()));
    std::size_t bad = line.size();
    if (U_FAILURE(err)) {
        char invalid[32];
        int8_t length = sizeof invalid;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidChars(conv.get(), invalid, &length, &ignored);
        bad = static_cast<std::size_t>(source - line.data()) - static_cast<std::size_t>(length);
    }
    std::string utf8;
    icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())).toUTF8String(utf8);
    return {utf8, std::string(line.substr(bad)), bad == line.size()};
}

// The order the collation defines, one comparison of whole keys at a time, with lines read by ICU.
std::vector<int> referenceOrder(const LineList& list, const TextContext& text) {
    const CodePage utf8("utf-8");
    struct Key {
        std::string prefix;
        bool whole;
        std::string rest;
        bool operator<(const Key& o) const {
            return std::tie(prefix, o.whole, rest) < std::tie(o.prefix, whole, o.rest);
        }
    };
    std::vector<Key> keys;
    for (std::string_view line : list.views()) {
        const IcuReading read = icuReading(line, text.codePage());
        keys.push_back({text.collation().sortKey(read.prefix, utf8), read.whole, read.rest});
    }
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
    // Sizes on both sides of the point where the work is shared among threads, and runs of ties that
    // cross the places where it is cut, on every thread count.
    for (std::size_t count : {0u, 1u, 50u, 2000u, 60000u}) {
        const LineList list = listOf(mixedLines(count));
        const std::vector<int> expected = referenceOrder(list, *textIn("utf-8"));
        const bool splitting = count < 50000; // small inputs in small parts: every cut on a few lines
        for (unsigned threads : kThreadCounts)
            EXPECT_EQ(collationOrder(list.views(), *textIn("utf-8"),
                                     settingsWithThreads(threads, splitting).pool()),
                      expected)
                << count << " lines, " << threads << " threads";
    }
}

TEST(CollationOrder, EqualLinesKeepTheirInputOrder) {
    const LineList list = listOf({"b", "Apple", "a", "apple", "APPLE"});
    EXPECT_EQ(collationOrder(list.views(), *textIn("utf-8"), ThreadPool::single()),
              (std::vector<int>{2, 1, 3, 4, 0}));
}

namespace {

// Lines made of pieces where reading ranks is hard: case and width and kana variants, marks that
// weigh by what stands before them (the prolonged sound mark, iteration marks, the Catalan middle
// dot), combining marks, multi-character folds and expansions, characters beyond 16 bits, undecodable
// bytes, and long shared beginnings that outlast every round of ranks. `raw` pieces are bytes in the
// code page; the others are UTF-8 text to encode.
Lines hardLines(std::size_t count, const CodePage& cp) {
    const std::vector<std::string> text = {"a",  "A",  "b",  "ß",  "l",  "L",        "·",  "x",  " ",
                                           "\t", ",",  "-",  "1",  "9",  "10",       "あ", "ア", "ｱ",
                                           "ァ", "ぁ", "か", "が", "ガ", "か\u3099", "ー", "ゝ", "ゞ",
                                           "ヽ", "ﾞ",  "日", "本", "㈱", "가",       "😀",  "é",  "e\u0301"};
    // Broken sequences, and in cp932 the second bytes 0x5C and 0x7C, user-defined characters and the NEC and
    // IBM extensions; in EUC-JP lone SS2 and SS3, a cut JIS X 0212 character, half-width kana and JIS X 0212.
    const std::vector<std::string> raw =
        cp.kind() == CodePage::Kind::Utf8 ? std::vector<std::string>{"\xFF", "\xE3\x81", "\xC0\xAF"}
        : cp.kind() == CodePage::Kind::Cp932
            ? std::vector<std::string>{"\x81",     "\xFD",     "\x82\x20", "\x95\x5C", "\x83\x7C",
                                       "\xF0\x40", "\x87\x40", "\xFA\x40", "\xED\x40"}
            : std::vector<std::string>{"\x81",     "\xFD",     "\xA4\x20",     "\x8E",
                                       "\x8F\xB0", "\x8E\xB1", "\x8F\xB0\xA1", "\xF5\xA1"};
    std::string shared;
    for (int i = 0; i < 70; ++i)
        shared += cp.fromUtf8(text[15 + i % 6]);
    std::uint32_t state = 2024;
    auto next = [&](std::uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % n;
    };
    Lines lines;
    while (lines.size() < count) {
        std::string line = next(8) == 0 ? shared : std::string();
        for (std::uint32_t pieces = next(12); pieces > 0; --pieces)
            line += next(25) == 0 ? raw[next(static_cast<std::uint32_t>(raw.size()))]
                                  : cp.fromUtf8(text[next(static_cast<std::uint32_t>(text.size()))]);
        lines.push_back(line);
        if (next(10) == 0)
            lines.push_back(line); // exact repeats keep their order
    }
    return lines;
}

} // namespace

TEST(CollationOrder, RanksGiveTheOrderOfTheSortKeys) {
    struct Case {
        const char* locale;
        const char* codePage;
        std::size_t lines;
    };
    for (const Case& c :
         {Case{"ja", "utf-8", 4000}, Case{"", "utf-8", 4000}, Case{"ja", "cp932", 4000},
          Case{"ja", "euc-jp", 4000}, Case{"ja", "euc-jp", 60000}, Case{"ja", "utf-8", 60000}}) {
        const TextContext text(std::make_shared<const CodePage>(c.codePage),
                               std::make_shared<const Collation>(c.locale));
        const LineList list = listOf(hardLines(c.lines, text.codePage()));
        const std::vector<int> expected = referenceOrder(list, text);
        for (unsigned threads : kThreadCounts)
            EXPECT_EQ(
                collationOrder(list.views(), text, settingsWithThreads(threads).pool(), OrderMethod::Ranks),
                expected)
                << c.locale << " " << c.codePage << " " << c.lines << " lines, " << threads << " threads";
    }
}

TEST(CollationOrder, RanksFollowCanonicalOrder) {
    // The collation puts marks in canonical order first: marks with ranks of their own trade places
    // (U+0363 ranks like "a"), and a mark moving into a voiced kana changes what stands before "ー".
    const LineList list =
        listOf({"a\u0363\u0E38", "a\u0E38a", "a\u0E38\u0363", "a\u0E38", "a\u0E38\u0363b", "\u302B\u20EB",
                "\u302B\x01\u20EB", "が\u0316ー", "か\u0316\u3099ー", "がー", "が\u0316ア", "がア"});
    const TextContextPtr text = textIn("utf-8");
    EXPECT_EQ(collationOrder(list.views(), *text, ThreadPool::single(), OrderMethod::Ranks),
              referenceOrder(list, *text));
}

TEST(CollationOrder, NothingToSortTakesNoKeys) {
    // One line of 200 MB would take seconds and gigabytes to key.
    LineViews one;
    const std::string huge(200u << 20, 'z');
    one.push_back(huge);
    EXPECT_EQ(collationOrder(one, *textIn("utf-8"), settingsWithThreads(2).pool()), std::vector<int>{0});
}
