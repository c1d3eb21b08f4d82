#include "core/commands/ColumnSort.h"

#include "core/collation/Collation.h"
#include "core/lines/LineError.h"
#include "core/text/CodePage.h"
#include "core/text/CsvFields.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using namespace linnery;
using namespace linnery::test;

namespace {

struct SortCase {
    std::string label;
    Lines input;
    int k;
    Lines expected;
};

class ColumnSortCaseTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(ColumnSortCaseTest, Result) {
    Editor editor;
    setLines(editor, GetParam().input);
    columnSort(editor, GetParam().k);
    EXPECT_EQ(linesOf(editor.doc), GetParam().expected);
    EXPECT_EQ(editor.progress.caption(), "-");
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ColumnSortCaseTest,
    ::testing::Values(
        SortCase{"bySecondField", {"k,b", "x,a", "m,c"}, 1, {"x,a", "k,b", "m,c"}},
        SortCase{"firstLineIsNoHeader", {"name,age", "bob,25", "al,31"}, 0, {"al,31", "bob,25", "name,age"}},
        // Short records get empty fields up to the key.
        SortCase{"paddedToKey", {"p", "a,b,c"}, 2, {"p,,", "a,b,c"}},
        SortCase{"emptyLineByField0", {"", "b"}, 0, {"\"\"", "b"}},
        SortCase{"emptyLineByField1", {"", "b"}, 1, {",", "b,"}},
        SortCase{"blankBecomesComma0", {"a b,c", "a b,c"}, 0, {"a,b,c", "a,b,c"}},
        SortCase{"blankBecomesComma1", {"a b,c", "a b,c"}, 1, {"a,b,c", "a,b,c"}},
        SortCase{"blankBecomesComma2", {"a b,c", "a b,c"}, 2, {"a,b,c", "a,b,c"}},
        SortCase{"quotesOnlyWhereNeeded", {"\"ab\",2", "\"x y\",1"}, 1, {"\"x y\",1", "ab,2"}},
        SortCase{"quoteInsideDoubled", {"ab\"c,1", "a,2"}, 1, {"\"ab\"\"c\",1", "a,2"}},
        SortCase{"unclosedQuoteKept", {"b", "\"abc, d"}, 0, {"\"abc, d\"", "b"}},
        SortCase{"trailingCommaLost", {"b,", "a,"}, 0, {"a", "b"}},
        // Equal keys: the rest of the key-first form decides.
        SortCase{"restDecidesOnEqualKey", {"y,b,1", "x,a,1"}, 2, {"x,a,1", "y,b,1"}},
        // Forms equal under the collation keep their document order.
        SortCase{"stableLowerFirst", {"b,1", "a", "B,1"}, 0, {"a", "b,1", "B,1"}},
        SortCase{"stableUpperFirst", {"B,1", "a", "b,1"}, 0, {"a", "B,1", "b,1"}}),
    [](const auto& test) { return test.param.label; });

TEST(ColumnSortTest, FewerThanTwoLinesChangeNothing) {
    for (const Lines& lines : {Lines{}, Lines{"a b"}}) {
        Editor editor;
        setLines(editor, lines);
        std::vector<std::string> heard;
        editor.progress.setListener([&](const std::string& caption) { heard.push_back(caption); });
        columnSort(editor, 0);
        EXPECT_EQ(linesOf(editor.doc), lines); // not even normalised
        EXPECT_EQ(editor.undoState, UndoState::None);
        EXPECT_TRUE(heard.empty());
    }
}

TEST(ColumnSortTest, ProgressRunsThroughBothPasses) {
    struct Case {
        int lines;
        std::vector<std::string> heard;
    };
    for (const Case& c : {Case{2, {"0%", "50%", "100%", "-"}}, // 50% twice in a row is heard once
                          Case{3, {"0%", "25%", "50%", "75%", "100%", "-"}}}) {
        Editor editor;
        setLines(editor, Lines(static_cast<std::size_t>(c.lines), "x,y"));
        std::vector<std::string> heard;
        editor.progress.setListener([&](const std::string& caption) { heard.push_back(caption); });
        columnSort(editor, 1);
        EXPECT_EQ(heard, c.heard) << c.lines;
    }
}

TEST(ColumnSortTest, UndoRestoresTheOriginalText) {
    Editor editor;
    const Lines original = {"\"b\" 2", "a,1,", " c , 3"};
    setLines(editor, original);
    editor.doc.setSelected(1, true);
    columnSort(editor, 0);
    EXPECT_EQ(linesOf(editor.doc), (Lines{"a,1", "b,2", "c,3"}));
    EXPECT_EQ(editor.doc.selectedCount(), 0);
    EXPECT_EQ(editor.undoState, UndoState::Undo);
    editor.undoRedo();
    EXPECT_EQ(linesOf(editor.doc), original);
}

TEST(ColumnSortTest, FailurePartWayLeavesDocumentAndCaption) {
    Editor editor;
    const Lines original = {"b,2", "a,1", "c,3"};
    setLines(editor, original);
    bool thrown = false;
    editor.progress.setListener([&](const std::string& caption) {
        if (caption == "75%" && !thrown) {
            thrown = true;
            throw LineError::insert();
        }
    });
    EXPECT_THROW(columnSort(editor, 0), LineError);
    EXPECT_EQ(linesOf(editor.doc), original);
    EXPECT_EQ(editor.progress.caption(), "-");
    EXPECT_EQ(editor.undoState, UndoState::Undo); // the undo copy was already taken
    EXPECT_EQ(editor.undoCopy.count(), 3);
}

TEST(ColumnSortTest, FirstLineFields) {
    Editor editor;
    try {
        firstLineFields(editor.doc);
        ADD_FAILURE() << "no error on an empty document";
    } catch (const LineError& e) {
        EXPECT_STREQ(e.what(), LineError::listIndex(0).what());
    }
    setLines(editor, {"name, \"a b\" ,x", "y"});
    EXPECT_EQ(firstLineFields(editor.doc), (Lines{"name", "a b", "x"}));
    setLines(editor, {"", "y"});
    EXPECT_TRUE(firstLineFields(editor.doc).empty());
}

// The sort as first written: every record split, given its key in front and joined; those forms put in
// collation order; each split again, its key put back and joined.
Lines splitTwiceAndJoin(const Lines& records, std::size_t k, const CodePage& cp) {
    const Collation& coll = *testSettings().collation();
    std::vector<std::pair<std::string, std::string>> forms; // sort key, key-first form
    for (const std::string& record : records) {
        std::vector<std::string> fields = splitFields(record, cp);
        fields.resize(std::max(fields.size(), k + 1));
        std::rotate(fields.begin(), fields.begin() + static_cast<long>(k),
                    fields.begin() + static_cast<long>(k) + 1);
        const std::string form = joinFields(fields, cp);
        forms.emplace_back(coll.sortKey(form, cp), form);
    }
    std::stable_sort(forms.begin(), forms.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Lines out;
    for (const auto& [sortKey, form] : forms) {
        std::vector<std::string> fields = splitFields(form, cp);
        fields.resize(std::max(fields.size(), k + 1));
        std::rotate(fields.begin(), fields.begin() + 1, fields.begin() + static_cast<long>(k) + 1);
        out.push_back(joinFields(fields, cp));
    }
    return out;
}

// Records in joined form are read without splitting, the others split once; the result must be what
// splitting twice gives, also for quotes, blanks, empty and missing fields, and in cp932 and EUC-JP with
// second bytes 0x5C and 0x7C, half-width kana, JIS X 0212 and lone lead bytes. On every thread count the
// same lines, progress captions and undo copy; the byte rules of a record do not depend on how the lines
// are cut, so the other code pages run on one cut of each size.
TEST(ColumnSortTest, OnePassGivesWhatSplittingTwiceGave) {
    const std::vector<std::string> text = {"a",  "B",   "b",       "9",       "10",         ",",
                                           ",",  " ",   "\t",      "\"",      "\"\"",       "あ",
                                           "ア", "x y", "\"p,q\"", "\"r s\"", "\"t\"\"u\"", "ー"};
    const struct {
        const char* codePage;
        std::vector<std::string> raw;
    } pages[] = {{"utf-8", {}},
                 {"cp932", {"\x95\x5C", "\x83\x7C", "\xB1", "\x81", "\x81\"", "\xF0\x40"}},
                 {"euc-jp", {"\x8E\xB1", "\x8F\xB0\xA1", "\xA4", "\x8E", "\x8F\xB0", "\xA4\""}}};
    for (const auto& page : pages) {
        const TextContextPtr context = textIn(page.codePage);
        std::vector<std::string> tokens = page.raw;
        for (const std::string& t : text)
            tokens.push_back(context->codePage().fromUtf8(t));
        const bool utf8 = page.raw.empty();
        std::uint32_t state = 7;
        auto next = [&](std::uint32_t n) {
            state = state * 1103515245u + 12345u;
            return (state >> 8) % n;
        };
        for (std::size_t count : {3000u, 60000u}) {
            Lines records;
            for (std::size_t i = 0; i < count; ++i) {
                std::string record;
                for (std::uint32_t t = next(9); t > 0; --t)
                    record += tokens[next(static_cast<std::uint32_t>(tokens.size()))];
                records.push_back(record);
            }
            for (int k : {0, 1, 3}) {
                const Lines expected =
                    splitTwiceAndJoin(records, static_cast<std::size_t>(k), context->codePage());
                std::vector<std::string> firstHeard;
                for (unsigned threads : kThreadCounts) {
                    if (!utf8 && threads != (count < 50000 ? 3u : 2u))
                        continue;
                    Editor editor(settingsWithThreads(threads, count < 50000));
                    editor.doc.setText(context);
                    setLines(editor, records);
                    std::vector<std::string> heard;
                    editor.progress.setListener(
                        [&](const std::string& caption) { heard.push_back(caption); });
                    columnSort(editor, k);
                    SCOPED_TRACE(std::string(page.codePage) + ": " + std::to_string(count) +
                                 " records by field " + std::to_string(k) + ", " + std::to_string(threads) +
                                 " threads");
                    EXPECT_EQ(linesOf(editor.doc), expected);
                    EXPECT_EQ(linesOf(editor.undoCopy), records);
                    if (firstHeard.empty())
                        firstHeard = heard;
                    EXPECT_EQ(heard, firstHeard);
                }
            }
        }
    }
}

TEST(ColumnSortTest, Cp932SecondBytes) {
    Editor editor;
    editor.doc.setText(textIn("cp932"));
    // 表 = 95 5C, ソ = 83 5C; a lead byte before a comma makes the comma part of the character.
    setLines(editor, {"\x95\x5c,b", "\x83\x5c,a", "x\x81,c,\x95\x5c z"});
    columnSort(editor, 1);
    EXPECT_EQ(linesOf(editor.doc), (Lines{"\x83\x5c,a", "\x95\x5c,b", "x\x81,c,\x95\x5c,z"}));
}

} // namespace
