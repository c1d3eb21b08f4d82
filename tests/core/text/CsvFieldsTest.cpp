#include "core/text/CsvFields.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using linnery::CodePage;
using linnery::joinFields;
using linnery::splitFields;

namespace {

using Fields = std::vector<std::string>;

const CodePage utf8("utf-8");
const CodePage cp932("cp932");
const CodePage eucJp("EUC-JP");

struct SplitCase {
    std::string line;
    Fields fields;
};

class CsvSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CsvSplitTest, Utf8) {
    EXPECT_EQ(splitFields(GetParam().line, utf8), GetParam().fields) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CsvSplitTest,
    ::testing::Values(SplitCase{"a,b", {"a", "b"}}, SplitCase{"a,,b", {"a", "", "b"}},
                      SplitCase{",a", {"", "a"}}, SplitCase{"a,", {"a"}}, // a comma at the end adds nothing
                      SplitCase{"a,,", {"a", ""}}, SplitCase{"a b", {"a", "b"}},
                      SplitCase{" a , b ", {"a", "b"}}, SplitCase{"a, ,b", {"a", "", "b"}},
                      SplitCase{"a\tb\x01"
                                "c",
                                {"a", "b", "c"}},
                      SplitCase{"", {}}, SplitCase{" \t ", {}}, SplitCase{"\"a b\",c", {"a b", "c"}},
                      SplitCase{"\"a,b\"", {"a,b"}}, SplitCase{"\"a\"\"b\"", {"a\"b"}},
                      SplitCase{"\"\"", {""}}, SplitCase{"\"\",\"\"", {"", ""}},
                      SplitCase{"\"\"\"\"", {"\""}},
                      SplitCase{"\"a\"b", {"a", "b"}}, // text after a closing quote is a new field
                      SplitCase{"\"a\" , b", {"a", "b"}}, SplitCase{"ab\"c", {"ab\"c"}},
                      SplitCase{"\"abc, d", {"abc, d"}}, // never closed: to the end of the line
                      SplitCase{"\"ab\"\"", {"ab\""}},
                      SplitCase{"全角　空白,ｶﾅ", {"全角　空白", "ｶﾅ"}})); // U+3000 is no blank

struct JoinCase {
    Fields fields;
    std::string line;
};

class CsvJoinTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(CsvJoinTest, Utf8) {
    EXPECT_EQ(joinFields(GetParam().fields, utf8), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Rules, CsvJoinTest,
                         ::testing::Values(JoinCase{{""}, "\"\""}, JoinCase{{}, ""}, JoinCase{{"", ""}, ","},
                                           JoinCase{{"a", "b"}, "a,b"}, JoinCase{{"a", ""}, "a,"},
                                           JoinCase{{"", "a"}, ",a"}, JoinCase{{"a b"}, "\"a b\""},
                                           JoinCase{{"a\tb", "c"}, "\"a\tb\",c"},
                                           JoinCase{{"a,b"}, "\"a,b\""}, JoinCase{{"a\"b"}, "\"a\"\"b\""},
                                           JoinCase{{"\""}, "\"\"\"\""}, JoinCase{{"全角　"}, "全角　"}));

TEST(CsvFieldsTest, JoinedFieldsSplitBack) {
    for (const Fields& fields :
         std::vector<Fields>{{"a b", "c,d", "e\"f", "", "g"}, {"\"", " "}, {"", "", "x"}, {""}, {"x y"}}) {
        EXPECT_EQ(splitFields(joinFields(fields, utf8), utf8), fields) << joinFields(fields, utf8);
    }
}

TEST(CsvFieldsTest, SplittingIntoAUsedListReplacesIt) {
    Fields fields;
    std::string joined = "x";
    for (const SplitCase& c :
         std::vector<SplitCase>{{"long one,\"two\",three", {"long", "one", "two", "three"}},
                                {"\"q\"", {"q"}},
                                {"", {}},
                                {"a,b", {"a", "b"}}}) {
        linnery::splitFields(c.line, utf8, fields);
        EXPECT_EQ(fields, c.fields) << c.line;
        linnery::appendJoinedFields(fields, utf8, joined);
    }
    EXPECT_EQ(joined, "xlong,one,two,threeqa,b");
}

// Shift-JIS: a byte that looks like a separator or quote but is the second byte of a character is part
// of that character. 表 = 95 5C, ソ = 83 5C, ア = 83 41, 「 = 81 75. 0x22, 0x2C and 0x20 are never second
// bytes, so after a lone lead byte they still separate, and split(join(f)) gives f back.
TEST(CsvFieldsCp932Test, SecondBytesAreNoSeparators) {
    const std::vector<SplitCase> cases = {
        {"\x95\x5c,\x83\x5c", {"\x95\x5c", "\x83\x5c"}},
        {"\x83\x41 \x81\x75", {"\x83\x41", "\x81\x75"}},
        {"a\x81,b", {"a\x81", "b"}},             // a lone lead byte does not take the comma
        {"a\x81\"b", {"a\x81\"b"}},              // a quote inside a plain field
        {"a\x81 b,c", {"a\x81", "b", "c"}},      // nor the blank
        {"\"\x81\"x\",y", {"\x81", "x\"", "y"}}, // nor the closing quote
        {"\"\x95\x5c\"\"\"", {"\x95\x5c\""}},
        {"x,\x81", {"x", "\x81"}}, // a lead byte at the very end stands alone
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(splitFields(c.line, cp932), c.fields) << c.line;
}

TEST(CsvFieldsCp932Test, JoinSteppsByCharacter) {
    const std::vector<JoinCase> cases = {
        {{"\x95\x5c", "\x83\x5c"}, "\x95\x5c,\x83\x5c"},
        {{"a\x81,b"}, "\"a\x81,b\""}, // the comma is a character of its own: quoted
        {{"\x81\"", "x"}, "\"\x81\"\"\",x"},
        {{"\x95\x5c x"}, "\"\x95\x5c x\""},
        {{"\x83"}, "\x83"}, // a lone lead byte at a field's end keeps the separator after it
        {{"\x83", "", "z"}, "\x83,,z"},
    };
    for (const JoinCase& c : cases) {
        EXPECT_EQ(joinFields(c.fields, cp932), c.line);
        EXPECT_EQ(splitFields(c.line, cp932), c.fields) << c.line;
    }
}

// EUC-JP: no separator or quote is ever a second or third byte; a lone lead byte (SS2 0x8E, SS3 0x8F, or
// a double-byte lead) before one leaves it a separator. ｱ = 8E B1, 丂 = 8F B0 A1, 日 = C6 FC.
TEST(CsvFieldsEucJpTest, LeadBytesTakeNoSeparator) {
    const std::vector<SplitCase> cases = {
        {"\x8E\xB1,\x8F\xB0\xA1,\xC6\xFC", {"\x8E\xB1", "\x8F\xB0\xA1", "\xC6\xFC"}},
        {"\xC6,\x8E,\x8F\xB0,x", {"\xC6", "\x8E", "\x8F\xB0", "x"}},
        {"\"\xC6\",\"\x8F\"", {"\xC6", "\x8F"}},
        {"x,\xC6", {"x", "\xC6"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(splitFields(c.line, eucJp), c.fields) << c.line;
        EXPECT_EQ(splitFields(joinFields(c.fields, eucJp), eucJp), c.fields) << c.line;
    }
}

} // namespace
