#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

using linnery::CodePage;
using linnery::test::EnvVarScope;

namespace {

// Splits text into its characters by stepping with charLength.
std::vector<std::string> characters(const CodePage& cp, std::string_view text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t n = cp.charLength(text, pos);
        EXPECT_GE(n, 1u);
        EXPECT_LE(pos + n, text.size());
        out.emplace_back(text.substr(pos, n));
        pos += n;
    }
    return out;
}

struct KindCase {
    std::string name;
    CodePage::Kind kind;
};

class CodePageKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(CodePageKindTest, NameGivesKind) {
    const CodePage cp(GetParam().name);
    EXPECT_EQ(cp.kind(), GetParam().kind) << GetParam().name;
    EXPECT_EQ(cp.name(), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CodePageKindTest,
    ::testing::Values(
        KindCase{"cp932", CodePage::Kind::Cp932}, KindCase{"CP932", CodePage::Kind::Cp932},
        KindCase{"shift_jis", CodePage::Kind::Cp932}, KindCase{"Shift-JIS", CodePage::Kind::Cp932},
        KindCase{"SJIS", CodePage::Kind::Cp932}, KindCase{"windows-31j", CodePage::Kind::Cp932},
        KindCase{"Windows_31J", CodePage::Kind::Cp932}, KindCase{"ms932", CodePage::Kind::Cp932},
        KindCase{"MS-932", CodePage::Kind::Cp932}, KindCase{"utf-8", CodePage::Kind::Utf8},
        KindCase{"UTF8", CodePage::Kind::Utf8}, KindCase{"utf_8", CodePage::Kind::Utf8},
        // The C locale's charset and an empty one are read as UTF-8.
        KindCase{"ANSI_X3.4-1968", CodePage::Kind::Utf8}, KindCase{"", CodePage::Kind::Utf8},
        KindCase{"ISO-8859-1", CodePage::Kind::SingleByte}, KindCase{"US-ASCII", CodePage::Kind::SingleByte},
        KindCase{"EUC-JP", CodePage::Kind::OtherMultiByte},
        KindCase{"GB18030", CodePage::Kind::OtherMultiByte}));

TEST(CodePageTest, UnknownNameThrows) {
    EXPECT_THROW(CodePage("no-such-codepage"), std::invalid_argument);
    EXPECT_THROW(CodePage("cp9320"), std::invalid_argument);
}

TEST(CodePageTest, Cp932LeadBytes) {
    const CodePage cp("cp932");
    for (int b = 0; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(cp.isLeadByte(static_cast<unsigned char>(b)), lead) << std::hex << b;
    }
}

struct SteppingCase {
    std::string label;
    std::string text;
    std::vector<std::string> chars;
};

class Cp932SteppingTest : public ::testing::TestWithParam<SteppingCase> {};

TEST_P(Cp932SteppingTest, StepsByCharacter) {
    const CodePage cp("cp932");
    const auto& c = GetParam();
    EXPECT_EQ(characters(cp, c.text), c.chars);
    if (!c.text.empty()) {
        EXPECT_EQ(cp.lastCharStart(c.text), c.text.size() - c.chars.back().size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Cp932SteppingTest,
    ::testing::Values(
        SteppingCase{"Ascii", "a,b", {"a", ",", "b"}},
        // 表 = 95 5C, ソ = 83 5C, 能 = 94 5C: the 0x5C ('\') is a second byte.
        SteppingCase{"BackslashSecondByte", "\x95\x5C\x83\x5C\x94\x5C", {"\x95\x5C", "\x83\x5C", "\x94\x5C"}},
        SteppingCase{"BackslashAlone", "\x95\x5C\x5C", {"\x95\x5C", "\x5C"}},
        // A lead byte pairs only with a byte that can follow it (40-7E, 80-FC): a comma, quote, blank or
        // control byte after a lone lead byte stays a character of its own.
        SteppingCase{
            "LoneLeadBeforeSeparators",
            "\x81\x2C\x81\x22\x83 \x83\x3F\x83\x7F\x83\xFD",
            {"\x81", ",", "\x81", "\"", "\x83", " ", "\x83", "\x3F", "\x83", "\x7F", "\x83", "\xFD"}},
        SteppingCase{"LeadBeforeTrailEdges", "\x83\x40\x83\xFC", {"\x83\x40", "\x83\xFC"}},
        // Half-width katakana ｱｲｳ (0xA1-0xDF) are single bytes.
        SteppingCase{"HalfWidthKatakana", "\xB1\xB2\xB3\xA1\xDF", {"\xB1", "\xB2", "\xB3", "\xA1", "\xDF"}},
        SteppingCase{"MixedWidth", "\xB1\x83\x41\xB1", {"\xB1", "\x83\x41", "\xB1"}},
        // 全角スペース 81 40, あ 82 A0 (second byte in the half-width range), 漢 8A BF, 熙 FB FC.
        SteppingCase{"DoubleByte",
                     "\x81\x40\x82\xA0\x8A\xBF\xFB\xFC",
                     {"\x81\x40", "\x82\xA0", "\x8A\xBF", "\xFB\xFC"}},
        SteppingCase{"LeadByteAtEnd", "a\x95", {"a", "\x95"}}, SteppingCase{"OnlyLeadByte", "\x95", {"\x95"}},
        SteppingCase{"LeadBytePairs", "\x95\x95\x95", {"\x95\x95", "\x95"}},
        // 0x80, 0xA0, 0xFD-0xFF are not lead bytes.
        SteppingCase{"NonLeadHighBytes", "\x80\xA0\xFD\xFE\xFF", {"\x80", "\xA0", "\xFD", "\xFE", "\xFF"}}),
    [](const auto& test) { return test.param.label; });

class Utf8SteppingTest : public ::testing::TestWithParam<SteppingCase> {};

TEST_P(Utf8SteppingTest, StepsByCharacter) {
    const CodePage cp("utf-8");
    const auto& c = GetParam();
    EXPECT_EQ(characters(cp, c.text), c.chars);
    if (!c.text.empty()) {
        EXPECT_EQ(cp.lastCharStart(c.text), c.text.size() - c.chars.back().size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8SteppingTest,
    ::testing::Values(SteppingCase{"Ascii", "a\\b", {"a", "\\", "b"}},
                      SteppingCase{"TwoThreeFour",
                                   "\xC3\xA9\xE8\xA1\xA8\xF0\x9F\x98\x80",
                                   {"\xC3\xA9", "\xE8\xA1\xA8", "\xF0\x9F\x98\x80"}},
                      SteppingCase{"HalfWidthKatakana",
                                   "\xEF\xBD\xB1"
                                   "a",
                                   {"\xEF\xBD\xB1", "a"}},
                      SteppingCase{"TruncatedAtEnd", "a\xE8\xA1", {"a", "\xE8", "\xA1"}},
                      SteppingCase{"TruncatedFour", "\xF0\x9F\x98", {"\xF0", "\x9F", "\x98"}},
                      SteppingCase{"TruncatedInMiddle",
                                   "\xE8\xA1"
                                   "a",
                                   {"\xE8", "\xA1", "a"}},
                      SteppingCase{"LoneContinuation", "\x80\xBF", {"\x80", "\xBF"}},
                      SteppingCase{
                          "InvalidLeads", "\xC0\xAF\xC1\xF5\xFF", {"\xC0", "\xAF", "\xC1", "\xF5", "\xFF"}},
                      SteppingCase{"OverlongAndSurrogate",
                                   "\xE0\x80\x80\xED\xA0\x80",
                                   {"\xE0", "\x80", "\x80", "\xED", "\xA0", "\x80"}},
                      SteppingCase{"AboveMax", "\xF4\x90\x80\x80", {"\xF4", "\x90", "\x80", "\x80"}}),
    [](const auto& test) { return test.param.label; });

TEST(CodePageTest, SingleByteStepsOneByte) {
    const CodePage cp("ISO-8859-1");
    EXPECT_FALSE(cp.isLeadByte(0xE9));
    EXPECT_EQ(characters(cp, "\xE9\x95\x5C"), (std::vector<std::string>{"\xE9", "\x95", "\x5C"}));
    EXPECT_EQ(cp.lastCharStart("\xE9\x95"), 1u);
}

// EUC-JP steps by its table as ICU's converter does: 日 = C6 FC, ｱ = 8E B1, 丂 (JIS X 0212) = 8F B0 A1.
// A lead byte takes no byte that cannot follow it, so a comma, quote or line end after it stays apart.
TEST(CodePageTest, EucJpStepsLikeItsConverter) {
    const CodePage cp("EUC-JP");
    ASSERT_TRUE(cp.characterTable());
    const struct {
        std::string text;
        std::vector<std::string> chars;
    } cases[] = {
        {"a\xC6\xFC\x8E\xB1\x8F\xB0\xA1z", {"a", "\xC6\xFC", "\x8E\xB1", "\x8F\xB0\xA1", "z"}},
        {"\xC6,\x8E\"\x8F\xB0,", {"\xC6", ",", "\x8E", "\"", "\x8F", "\xB0", ","}},
        {"\xC6", {"\xC6"}},
        {"\x8F\xB0", {"\x8F\xB0"}},
        {"\x80\xFF\xA0", {"\x80", "\xFF", "\xA0"}},
        {"\xF5\xA1\xFE\xFE", {"\xF5\xA1", "\xFE\xFE"}}, // user-defined rows
    };
    for (const auto& c : cases)
        EXPECT_EQ(characters(cp, c.text), c.chars) << c.text;
    EXPECT_EQ(cp.lastCharStart("a\xC6\xFC"), 1u);
    EXPECT_EQ(cp.toUtf8("\xC6\xFC\x8E\xB1\x8F\xB0\xA1"), "日ｱ丂");
}

TEST(CodePageTest, LastCharStartOfSingleCharacter) {
    EXPECT_EQ(CodePage("cp932").lastCharStart("a"), 0u);
    EXPECT_EQ(CodePage("cp932").lastCharStart("\x95\x5C"), 0u);
    EXPECT_EQ(CodePage("utf-8").lastCharStart("\xE8\xA1\xA8"), 0u);
}

TEST(CodePageTest, LastCharStartCountsFromTheStart) {
    const CodePage cp("cp932");
    // "表\" : the last character is the lone backslash, not "\x5C" of 表 nor "\x5C\x5C".
    EXPECT_EQ(cp.lastCharStart("\x95\x5C\x5C"), 2u);
    // "\x95\x95\x5C": 0x95 0x95 is one character, the 0x5C stands alone.
    EXPECT_EQ(cp.lastCharStart("\x95\x95\x5C"), 2u);
    // "\x95\x95 | \x95\x5C": the byte before the last 0x5C is a lead byte here, a second byte above.
    EXPECT_EQ(cp.lastCharStart("\x95\x95\x95\x5C"), 2u);
}

struct RoundTripCase {
    std::string utf8;
    std::string cp932;
};

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, Cp932) {
    const CodePage cp("cp932");
    EXPECT_EQ(cp.fromUtf8(GetParam().utf8), GetParam().cp932);
    EXPECT_EQ(cp.toUtf8(GetParam().cp932), GetParam().utf8);
}

TEST_P(RoundTripTest, Utf8) {
    const CodePage cp("utf-8");
    EXPECT_EQ(cp.fromUtf8(GetParam().utf8), GetParam().utf8);
    EXPECT_EQ(cp.toUtf8(GetParam().utf8), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Japanese, RoundTripTest,
    ::testing::Values(
        RoundTripCase{"", ""}, RoundTripCase{"abc,\"x\"\\", "abc,\"x\"\\"},
        RoundTripCase{"表示", "\x95\x5C\x8E\xA6"},
        RoundTripCase{"リネリー", "\x83\x8A\x83\x6C\x83\x8A\x81\x5B"},
        RoundTripCase{"Linnery　リネリー", "Linnery\x81\x40\x83\x8A\x83\x6C\x83\x8A\x81\x5B"},
        RoundTripCase{"ｱｲｳ", "\xB1\xB2\xB3"},
        RoundTripCase{"５０音順ソート", "\x82\x54\x82\x4F\x89\xB9\x8F\x87\x83\x5C\x81\x5B\x83\x67"},
        RoundTripCase{"ひらがな、カタカナ。",
                      "\x82\xD0\x82\xE7\x82\xAA\x82\xC8\x81\x41\x83\x4A\x83\x5E\x83\x4A\x83\x69\x81\x42"},
        // NEC and IBM extensions of cp932: ① and ⅰ, 髙.
        RoundTripCase{"①ⅰ髙", "\x87\x40\xFA\x40\xFB\xFC"}));

TEST(CodePageTest, Cp932UndecodableBytesBecomeReplacementCharacter) {
    const CodePage cp("cp932");
    EXPECT_EQ(cp.toUtf8("a\x80"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(cp.toUtf8("\xFF"), "\xEF\xBF\xBD");
    EXPECT_EQ(cp.toUtf8("\x85\x40"), "\xEF\xBF\xBD"); // unassigned double-byte code
    EXPECT_EQ(cp.toUtf8("a\x95"), "a\xEF\xBF\xBD");   // lead byte at the end
}

TEST(CodePageTest, Cp932UnmappableBecomesQuestionMark) {
    const CodePage cp("cp932");
    EXPECT_EQ(cp.fromUtf8("a😀b"), "a?b");
    EXPECT_EQ(cp.fromUtf8("한"), "?");
    EXPECT_EQ(cp.fromUtf8("a\xFF"), "a?"); // invalid UTF-8 input
    // Default-ignorable characters are not dropped: a typed "a<ZWSP>b" must not become "ab".
    for (const char* ignorable : {"\u200B", "\u00AD", "\uFEFF", "\uFE0F", "\u2060"})
        EXPECT_EQ(cp.fromUtf8(std::string("a") + ignorable + "b"), "a?b") << ignorable;
}

TEST(CodePageTest, Utf8InvalidSequencesBecomeReplacementCharacter) {
    const CodePage cp("utf-8");
    EXPECT_EQ(cp.toUtf8("a\xFF"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(cp.toUtf8("\x95\x5C"), "\xEF\xBF\xBD\\");                   // cp932 bytes read as UTF-8
    EXPECT_EQ(cp.toUtf8("\xE8\xA1"), "\xEF\xBF\xBD");                     // truncated
    EXPECT_EQ(cp.toUtf8("\xED\xA0\x80").find('\xED'), std::string::npos); // no surrogates pass through
}

TEST(CodePageTest, SingleByteConversion) {
    const CodePage cp("ISO-8859-1");
    EXPECT_EQ(cp.toUtf8("caf\xE9"), "café");
    EXPECT_EQ(cp.fromUtf8("café 表"), "caf\xE9 ?");
}

TEST(CodePageTest, ConversionsDoNotShareState) {
    // The cached converter must be reset between calls: a line ending with a lead byte must not
    // swallow the start of the next one.
    const CodePage cp("cp932");
    EXPECT_EQ(cp.toUtf8("a\x95"), "a\xEF\xBF\xBD");
    EXPECT_EQ(cp.toUtf8("\x5C"), "\\");
    EXPECT_EQ(cp.toUtf8("\x95\x5C"), "表");
}

TEST(CodePage, UnknownNameIsRefused) {
    EXPECT_THROW(CodePage("no-such-codepage"), std::invalid_argument);
}

} // namespace
