#include "core/lines/SelectionScope.h"

#include "core/lines/LineError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linnery;
using namespace linnery::test;

namespace {

Document documentOf(const Lines& lines, const std::vector<int>& selected) {
    Document doc;
    for (const std::string& line : lines)
        doc.add(line);
    for (int i : selected)
        doc.setSelected(i, true);
    return doc;
}

struct GatherCase {
    std::string label;
    Lines lines;
    std::vector<int> selected;
    Lines gathered; // bottom-up
    int anchor;
    Lines rest;
};

class GatherTest : public ::testing::TestWithParam<GatherCase> {};

TEST_P(GatherTest, TakesSelectedLinesBottomUp) {
    const GatherCase& c = GetParam();
    Document doc = documentOf(c.lines, c.selected);
    const GatheredLines g = gatherSelection(doc);
    EXPECT_EQ(linesOf(g.lines), c.gathered);
    EXPECT_EQ(g.anchor, c.anchor);
    EXPECT_EQ(linesOf(doc.lines()), c.rest);
    EXPECT_EQ(doc.selectedCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GatherTest,
    ::testing::Values(
        GatherCase{"TwoApart", {"p", "s1", "q", "s2", "r"}, {1, 3}, {"s2", "s1"}, 1, {"p", "q", "r"}},
        GatherCase{"All", {"a", "b", "c"}, {0, 1, 2}, {"c", "b", "a"}, 0, {}},
        GatherCase{"FirstAndLast", {"a", "b", "c", "d"}, {0, 3}, {"d", "a"}, 0, {"b", "c"}},
        GatherCase{"RunAtEnd", {"a", "b", "c", "d"}, {2, 3}, {"d", "c"}, 2, {"a", "b"}},
        GatherCase{"NoneSelected", {"a", "b"}, {}, {}, -1, {"a", "b"}},
        GatherCase{"EqualLines", {"x", "x", "y", "x"}, {1, 3}, {"x", "x"}, 1, {"x", "y"}}),
    [](const auto& test) { return test.param.label; });

TEST(ReinsertTest, AnchorBeyondTheListIsTheInsertError) {
    Document doc = documentOf({"p"}, {});
    LineList block;
    block.add("B");
    EXPECT_THROW(reinsertBlock(doc, 2, block), LineError);
    EXPECT_EQ(linesOf(doc.lines()), Lines{"p"});
}

TEST(SelectionScopeTest, BlockOutlivesTheDocumentsOldLines) {
    // The gathered lines are views into the document's buffers; they must stay valid after the
    // document has let go of them.
    Document doc = documentOf({"keep", "moved-1", "moved-2"}, {1, 2});
    GatheredLines g = gatherSelection(doc);
    doc.assign(LineList{});
    doc.add("other");
    doc.setSelected(0, true);
    reinsertBlock(doc, 1, g.lines);
    EXPECT_EQ(linesOf(doc.lines()), (Lines{"other", "moved-2", "moved-1"}));
    EXPECT_EQ(selectedOf(doc), (std::vector<int>{1, 2}));
    EXPECT_EQ(doc.focus(), 1);
}

} // namespace
