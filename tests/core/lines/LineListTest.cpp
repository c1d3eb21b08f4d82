#include "core/lines/LineList.h"
#include "core/lines/Document.h"
#include "core/lines/LineError.h"
#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace linnery;
using namespace linnery::test;

namespace {

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const LineError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(LineList, IndexErrorsCarryTheIndex) {
    LineList list = listOf({"a", "b"});
    EXPECT_EQ(messageOf([&] { list.get(-1); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)");
    EXPECT_EQ(messageOf([&] { list.get(2); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)");
    EXPECT_EQ(messageOf([&] { list.replace(5, "x"); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (5)");
    EXPECT_EQ(messageOf([&] { list.insert(3, "x"); }), "行を挿入できません");
    EXPECT_EQ(messageOf([&] { list.insert(-2, "x"); }), "行を挿入できません");
    list.remove(-1);
    list.remove(2);
    EXPECT_EQ(linesOf(list), (std::vector<std::string>{"a", "b"}));
}

TEST(LineList, InsertReplaceAndRemove) {
    LineList list = listOf({"a", "c"});
    list.insert(1, "b");
    list.insert(-1, "d");
    list.insert(4, "e");
    list.replace(0, "A");
    list.remove(4);
    EXPECT_EQ(linesOf(list), (std::vector<std::string>{"A", "b", "c", "d"}));
}

TEST(LineList, CopiesAreIndependent) {
    LineList original = listOf({"one", "two"});
    LineList copy = original;
    copy.replace(0, "changed");
    copy.add("three");
    original.add("other");
    EXPECT_EQ(linesOf(original), (std::vector<std::string>{"one", "two", "other"}));
    EXPECT_EQ(linesOf(copy), (std::vector<std::string>{"changed", "two", "three"}));
    copy.appendFrom(copy);
    EXPECT_EQ(copy.count(), 6);
}

TEST(Document, SelectionFollowsTheLines) {
    Document doc;
    LineList lines = listOf({"a", "b", "c"});
    doc.assign(lines);
    doc.setSelected(1, true);
    doc.insert(0, "new", true);
    EXPECT_EQ(doc.selectedCount(), 2);
    EXPECT_TRUE(doc.isSelected(0));
    EXPECT_TRUE(doc.isSelected(2));
    doc.replace(2, "B");
    EXPECT_FALSE(doc.isSelected(2)) << "a replaced line loses its flag";
    doc.remove(0);
    EXPECT_EQ(doc.selectedCount(), 0);
    doc.setSelected(-1, true);
    EXPECT_EQ(doc.selectedCount(), 3);
    // A range counts only the lines it newly selects.
    doc.setSelected(-1, false);
    doc.setSelected(1, true);
    doc.selectRange(0, 1);
    EXPECT_EQ(doc.selectedCount(), 2);
    EXPECT_EQ(messageOf([&] { doc.selectRange(1, 3); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (3)");
    EXPECT_EQ(doc.selectedCount(), 2);
    EXPECT_EQ(messageOf([&] { doc.setSelected(3, true); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (3)");
    EXPECT_EQ(messageOf([&] { doc.isSelected(-1); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)");
}

TEST(Document, WholeListChangesClearTheSelection) {
    Document doc;
    doc.assign(listOf({"c", "b", "a", "d"}));
    doc.setTopIndex(2);
    doc.setSelected(-1, true);
    doc.reorder(listOf({"a", "b", "c", "d"}));
    EXPECT_EQ(doc.selectedCount(), 0);
    EXPECT_EQ(doc.topIndex(), 2) << "a reordering keeps the first visible line";
    doc.setSelected(0, true);
    doc.assign(listOf({"x"}));
    EXPECT_EQ(doc.selectedCount(), 0);
    EXPECT_EQ(doc.topIndex(), 0);
    EXPECT_EQ(doc.focus(), 0);
    doc.clear();
    EXPECT_EQ(doc.focus(), -1);
}

TEST(LineError, ErrorBoxAppendsADotOnlyAfterCharactersAboveIt) {
    struct Case {
        std::string message, shown;
    };
    const std::vector<Case> cases = {
        {"行を挿入できません", "行を挿入できません."},
        {"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)"},
        {"ends with dot.", "ends with dot."},
        {"ends with a", "ends with a."},
        {"ends with -", "ends with -"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorBoxText(c.message), c.shown);
}

// The words go to the reader's encoding, the path as the reader's side shows file names.
TEST(LineError, ErrorBoxConvertsWordsAndPathApart) {
    const CodePage cp932("cp932");
    const auto words = [&](std::string_view utf8) { return cp932.fromUtf8(utf8); };
    const auto bracketed = [](std::string_view path) { return "[" + std::string(path) + "]"; };
    EXPECT_EQ(errorBoxText(LineError::open("/tmp/\xE7\x84\xA1.txt"), words, bracketed),
              cp932.fromUtf8("ﾌｧｲﾙ ") + "[/tmp/\xE7\x84\xA1.txt]" + cp932.fromUtf8(" は開けません") + ".");
    EXPECT_EQ(errorBoxText(LineError::listIndex(-1), words, bracketed),
              cp932.fromUtf8("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)"));
}
