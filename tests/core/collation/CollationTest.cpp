#include "core/collation/Collation.h"

#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

using linnery::CodePage;
using linnery::Collation;
using linnery::test::EnvVarScope;

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

// Sorts UTF-8 lines by their sort keys (stably, as the sort command does).
std::vector<std::string> sorted(const Collation& coll, std::vector<std::string> lines) {
    const CodePage utf8("utf-8");
    std::stable_sort(lines.begin(), lines.end(), [&](const std::string& a, const std::string& b) {
        return coll.sortKey(a, utf8) < coll.sortKey(b, utf8);
    });
    return lines;
}

struct SortCase {
    std::string label;
    std::string locale;
    std::vector<std::string> input;
    std::vector<std::string> expected;
};

class CollationSortTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(CollationSortTest, SortsByKey) {
    const Collation coll(GetParam().locale);
    EXPECT_EQ(sorted(coll, GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CollationSortTest,
    ::testing::Values(
        SortCase{"LatinIgnoresCaseJa", "ja", {"cherry", "Banana", "apple"}, {"apple", "Banana", "cherry"}},
        SortCase{"LatinIgnoresCaseRoot", "", {"cherry", "Banana", "apple"}, {"apple", "Banana", "cherry"}},
        // Equal under the collation: the input order stays.
        SortCase{"CaseOnlyKeepsInputOrder",
                 "ja",
                 {"b", "APPLE", "apple", "Apple"},
                 {"APPLE", "apple", "Apple", "b"}},
        SortCase{"HiraganaSyllabary",
                 "ja",
                 {"さくら", "かめ", "あさひ", "いぬ"},
                 {"あさひ", "いぬ", "かめ", "さくら"}},
        SortCase{"KatakanaSyllabary", "ja", {"サ", "カ", "ア"}, {"ア", "カ", "サ"}},
        // Hiragana and katakana interleave by syllable.
        SortCase{
            "MixedKana", "ja", {"さくら", "カメ", "いぬ", "アヒル"}, {"アヒル", "いぬ", "カメ", "さくら"}},
        SortCase{"VoicedAfterPlain", "ja", {"ぱん", "ばん", "はん"}, {"はん", "ばん", "ぱん"}},
        SortCase{"LatinBeforeKanaBeforeKanji", "ja", {"漢字", "かな", "abc"}, {"abc", "かな", "漢字"}}),
    [](const auto& test) { return test.param.label; });

struct PairCase {
    std::string a;
    std::string b;
    int expected; // sign of compare(a, b)
};

class CollationPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(CollationPairTest, CompareAgreesWithKeys) {
    const Collation coll("ja");
    const CodePage utf8("utf-8");
    const auto& c = GetParam();
    EXPECT_EQ(sign(coll.compare(c.a, c.b, utf8)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(sign(coll.compare(c.b, c.a, utf8)), -c.expected) << c.b << " vs " << c.a;
    const std::string ka = coll.sortKey(c.a, utf8);
    const std::string kb = coll.sortKey(c.b, utf8);
    EXPECT_EQ(sign(ka.compare(kb)), c.expected) << c.a << " vs " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Ja, CollationPairTest,
    ::testing::Values(PairCase{"Apple", "apple", 0}, PairCase{"APPLE", "apple", 0},
                      PairCase{"ａｂｃ", "ＡＢＣ", 0}, PairCase{"apple", "Banana", -1},
                      PairCase{"あ", "か", -1}, PairCase{"か", "さ", -1}, PairCase{"ア", "カ", -1},
                      PairCase{"あ", "カ", -1}, PairCase{"", "a", -1}, PairCase{"", "", 0},
                      PairCase{"a", "ab", -1},
                      // Kana type and width count.
                      PairCase{"あ", "ア", -1}, PairCase{"ｱ", "ア", 1}, PairCase{"A", "Ａ", -1},
                      PairCase{"a", "Ａ", -1}, PairCase{"か", "が", -1}, PairCase{"つ", "っ", 1},
                      // Only letter case is ignored: any other difference makes lines unequal.
                      PairCase{"a b", "ab", -1}, PairCase{"a-b", "ab", -1},
                      // Marks out of canonical order (not FCD), once with an ignorable control between.
                      PairCase{"\u302B\u20EB", "\u302B\x01\u20EB", -1},
                      PairCase{"\u302B\u20EB", "\u20EB\u302B", 0},
                      // U+0345 folds to a letter: canonically equivalent lines stay equal all the same.
                      PairCase{"\u03B1\u0345\u0301", "\u03B1\u0301\u0345", 0},
                      PairCase{"\u1FB3\u0301", "\u03B1\u0301\u0345", 0}));

TEST(CollationTest, EqualKeysOnlyForCaseDifferences) {
    const Collation coll("ja");
    const CodePage utf8("utf-8");
    EXPECT_EQ(coll.sortKey("Apple", utf8), coll.sortKey("apple", utf8));
    EXPECT_NE(coll.sortKey("あ", utf8), coll.sortKey("ア", utf8));
    EXPECT_NE(coll.sortKey("ｱ", utf8), coll.sortKey("ア", utf8));
    EXPECT_NE(coll.sortKey("ア", utf8), coll.sortKey("ァ", utf8));
}

TEST(CollationTest, LegacyCodePagesCollateLikeUtf8) {
    const Collation coll("ja");
    const CodePage utf8("utf-8");
    const std::vector<std::string> lines = {"",
                                            "apple",
                                            "Banana",
                                            "表示",
                                            "リネリー",
                                            "ｱｲｳ",
                                            "ひらがな、カタカナ。",
                                            "Linnery　リネリー",
                                            "５０音順ソート",
                                            "\\,\""};
    for (const char* name : {"cp932", "EUC-JP"}) {
        const CodePage legacy(name);
        for (const auto& line : lines) {
            const std::string encoded = legacy.fromUtf8(line);
            ASSERT_EQ(legacy.toUtf8(encoded), line);
            EXPECT_EQ(coll.sortKey(encoded, legacy), coll.sortKey(line, utf8)) << name << ": " << line;
        }
        for (const auto& a : lines)
            for (const auto& b : lines)
                EXPECT_EQ(sign(coll.compare(legacy.fromUtf8(a), legacy.fromUtf8(b), legacy)),
                          sign(coll.compare(a, b, utf8)))
                    << name << ": " << a << " vs " << b;
    }
}

TEST(CollationTest, AlternatingCodePagesReuseNoStaleDecoder) {
    const Collation coll("ja");
    const CodePage utf8("utf-8");
    const CodePage sjis("cp932");
    const CodePage latin1("ISO-8859-1");
    EXPECT_EQ(coll.sortKey("\x95\x5C", sjis), coll.sortKey("表", utf8));
    EXPECT_EQ(coll.sortKey("caf\xE9", latin1), coll.sortKey("café", utf8));
    EXPECT_EQ(coll.sortKey("\x95\x5C", sjis), coll.sortKey("表", utf8));
}

// A line the code page cannot decode whole comes right after its decodable prefix; the undecodable
// rest is then compared by byte values, so the order stays total and compare() agrees with the keys.
TEST(CollationTest, UndecodableLinesFollowTheirDecodablePrefix) {
    const Collation coll("ja");
    const struct {
        const char* codePage;
        std::vector<std::string> input, expected;
    } cases[] = {
        {"cp932",
         {"b", "a\x81", "ab", "a\x80z", "\xFF", "a\x80", "A\x80", "", "a", "\x80"},
         {"", "\x80", "\xFF", "a", "a\x80", "A\x80", "a\x80z", "a\x81", "ab", "b"}},
        {"euc-jp",
         {"b", "a\xA4", "ab", "a\x80z", "\xFF", "a\x80", "A\x80", "", "a", "\x8F\xB0"},
         // 0x80 is U+0080 here, which only the last level sees.
         {"", "\x8F\xB0", "\xFF", "a", "a\xA4", "a\x80", "A\x80", "ab", "a\x80z", "b"}},
        {"utf-8",
         {"b", "a\xE3\x81", "ab", "a\xFF", "a", "\xC3", "a\x80"},
         {"\xC3", "a", "a\x80", "a\xE3\x81", "a\xFF", "ab", "b"}},
    };
    for (const auto& c : cases) {
        const CodePage cp(c.codePage);
        std::vector<std::string> lines = c.input;
        std::stable_sort(lines.begin(), lines.end(), [&](const std::string& a, const std::string& b) {
            return coll.sortKey(a, cp) < coll.sortKey(b, cp);
        });
        EXPECT_EQ(lines, c.expected) << c.codePage;
        for (const std::string& a : c.input)
            for (const std::string& b : c.input)
                EXPECT_EQ(sign(coll.compare(a, b, cp)),
                          sign(coll.sortKey(a, cp).compare(coll.sortKey(b, cp))))
                    << c.codePage << ": " << a << " vs " << b;
    }
}

TEST(CollationTest, KeysHoldNoTerminatorAndSurviveTheNextCall) {
    const Collation coll("ja");
    const CodePage utf8("utf-8");
    const std::string key = coll.sortKey("かな", utf8);
    EXPECT_EQ(coll.keyOf("かな", utf8), key);
    ASSERT_FALSE(key.empty());
    EXPECT_EQ(key.find('\0'), std::string::npos) << "the collation order pads keys with zero bytes";
    coll.keyOf("別の行", utf8);
    EXPECT_EQ(coll.sortKey("かな", utf8), key);
}

TEST(CollationTest, LongLines) {
    const Collation coll("ja");
    const CodePage utf8("utf-8");
    const std::string a(100000, 'a');
    const std::string b = a + "b";
    EXPECT_LT(coll.sortKey(a, utf8), coll.sortKey(b, utf8));
    EXPECT_LT(coll.compare(a, b, utf8), 0);
}

TEST(CollationTest, LocaleName) {
    EXPECT_EQ(Collation("ja").locale(), "ja");
    EXPECT_EQ(Collation("ja_JP").locale(), "ja_JP");
    EXPECT_THROW(Collation(std::string(300, 'x')), std::invalid_argument);
}

// Judged by ICU's list of collation locales: the root order's names and a known language's regional
// variants are valid even though ICU would fall back to the root order for unknown ones as well.
TEST(CollationTest, KnownLocales) {
    for (const char* name : {"", "root", "C", "POSIX", "C.UTF-8", "en", "ja", "ja_JP", "ja_JP.UTF-8",
                             "de_DE@collation=phonebook", "zh_Hant_TW"})
        EXPECT_TRUE(Collation::isKnownLocale(name)) << name;
    for (const std::string& name : {std::string("nosuch"), std::string("!!!"), std::string("xx_JP"),
                                    std::string(300, 'x'), std::string("_JP")})
        EXPECT_FALSE(Collation::isKnownLocale(name)) << name;
}

class CollationEnvTest : public ::testing::Test {
  protected:
    void TearDown() override { std::setlocale(LC_COLLATE, "C"); }
    EnvVarScope locale_{"LINNERY_LOCALE"};
    EnvVarScope lcAll_{"LC_ALL"};
};

TEST_F(CollationEnvTest, EnvironmentOverridesLocale) {
    setenv("LINNERY_LOCALE", "ja", 1);
    EXPECT_EQ(Collation::defaultLocale(), "ja");
}

TEST_F(CollationEnvTest, CAndPosixLocalesMeanRoot) {
    unsetenv("LINNERY_LOCALE");
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        setenv("LC_ALL", name, 1);
        EXPECT_EQ(Collation::defaultLocale(), "") << name;
    }
}

TEST_F(CollationEnvTest, UnknownLocaleIsRefused) {
    EXPECT_EQ(Collation("ja").locale(), "ja");
    EXPECT_THROW(Collation(std::string(300, 'x')), std::invalid_argument);
}

} // namespace
