#include "core/commands/OrderCommands.h"

#include "core/collation/Collation.h"
#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using namespace linnery;
using namespace linnery::test;

namespace {

using Command = std::function<void(Editor&)>;

void load(Editor& e, const Lines& lines, const std::vector<int>& selected = {}) {
    setLines(e, lines);
    e.documentReplaced();
    for (int i : selected)
        e.doc.setSelected(i, true);
}

Lines numbered(const char* prefix, int n) {
    Lines lines;
    for (int i = 1; i <= n; ++i)
        lines.push_back(prefix + std::to_string(i));
    return lines;
}

void holdTicks(Editor& e, std::uint32_t ticks) {
    e.tickCount = [ticks] { return ticks; };
}

struct OrderCase {
    std::string label;
    Command command;
    Lines lines;
    std::vector<int> selected;
    Lines expected;
    std::vector<int> selectedAfter;
};

class OrderResultTest : public ::testing::TestWithParam<OrderCase> {};

// On every thread count, each pass cut into parts of single lines.
TEST_P(OrderResultTest, ReordersTheScope) {
    const OrderCase& c = GetParam();
    for (unsigned threads : kThreadCounts) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        Editor e(settingsWithThreads(threads, true));
        holdTicks(e, 1000);
        load(e, c.lines, c.selected);
        c.command(e);
        EXPECT_EQ(linesOf(e.doc.lines()), c.expected);
        EXPECT_EQ(selectedOf(e.doc), c.selectedAfter);
        EXPECT_EQ(linesOf(e.undoCopy), c.lines);
        EXPECT_EQ(e.undoState, UndoState::Undo);
        EXPECT_EQ(e.progress.caption(), "-");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OrderResultTest,
    ::testing::Values(
        // Collation: case ignored, syllabary order, equal lines in the order they were fed.
        OrderCase{"SortIgnoresCase",
                  collationSort,
                  {"cherry", "Banana", "apple"},
                  {},
                  {"apple", "Banana", "cherry"},
                  {}},
        OrderCase{
            "SortKana", collationSort, {"さくら", "カメ", "あさひ"}, {}, {"あさひ", "カメ", "さくら"}, {}},
        OrderCase{"SortSelection",
                  collationSort,
                  {"k", "b", "m", "a", "n"},
                  {1, 3},
                  {"k", "a", "b", "m", "n"},
                  {1, 2}},
        OrderCase{"SortEqualTopDown", collationSort, {"b", "B", "a", "b"}, {}, {"a", "b", "B", "b"}, {}},
        OrderCase{
            "SortEqualBottomUp", collationSort, {"x", "b", "y", "B"}, {1, 3}, {"x", "B", "b", "y"}, {1, 2}},
        OrderCase{"SortOneSelectedIsWhole", collationSort, {"b", "a"}, {0}, {"a", "b"}, {}},
        OrderCase{"SortSingleLine", collationSort, {"a"}, {}, {"a"}, {}},
        // Reverse.
        OrderCase{"ReverseWhole", reverseOrder, {"a", "b", "c"}, {}, {"c", "b", "a"}, {}},
        OrderCase{"ReverseSelection",
                  reverseOrder,
                  {"a", "b", "c", "d", "e"},
                  {1, 3},
                  {"a", "d", "b", "c", "e"},
                  {1, 2}},
        OrderCase{"ReverseOneSelectedIsWhole", reverseOrder, {"a", "b", "c"}, {1}, {"c", "b", "a"}, {}},
        // Length: by bytes, stable; equal lengths bottom-up in the selection.
        OrderCase{
            "LengthWhole", lengthSort, {"ccc", "a", "bb", "", "d"}, {}, {"", "a", "d", "bb", "ccc"}, {}},
        OrderCase{
            "LengthCountsBytes", lengthSort, {"abc", "\x82\xa0", "ab"}, {}, {"\x82\xa0", "ab", "abc"}, {}},
        OrderCase{"LengthSelection",
                  lengthSort,
                  {"x1", "long-line", "x2"},
                  {0, 2},
                  {"x2", "x1", "long-line"},
                  {0, 1}},
        OrderCase{"LengthOneSelectedIsWhole", lengthSort, {"bb", "a"}, {0}, {"a", "bb"}, {}},
        // Random, the tick count held at 1000 and a fresh generator.
        OrderCase{"ShuffleThree", randomOrder, numbered("L", 3), {}, {"L2", "L3", "L1"}, {}},
        OrderCase{"ShuffleFive", randomOrder, numbered("L", 5), {}, {"L2", "L3", "L4", "L1", "L5"}, {}},
        OrderCase{"ShuffleSelection",
                  randomOrder,
                  numbered("L", 5),
                  {1, 3},
                  {"L1", "L2", "L4", "L3", "L5"},
                  {1, 2}}),
    [](const auto& test) { return test.param.label; });

struct GuardCase {
    std::string label;
    Command command;
    Lines lines;
    bool takesUndoCopy;
};

class GuardTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(GuardTest, FewerThanTwoLines) {
    const GuardCase& c = GetParam();
    Editor e;
    std::vector<std::string> captions;
    e.progress.setListener([&](const std::string& s) { captions.push_back(s); });
    load(e, c.lines);
    e.undoCopy.add("older");
    c.command(e);
    EXPECT_EQ(linesOf(e.doc.lines()), c.lines);
    EXPECT_TRUE(captions.empty());
    EXPECT_EQ(e.random.state(), 0u);
    if (c.takesUndoCopy) {
        EXPECT_EQ(e.undoState, UndoState::Undo);
        EXPECT_EQ(linesOf(e.undoCopy), c.lines);
    } else {
        EXPECT_EQ(e.undoState, UndoState::None);
        EXPECT_EQ(linesOf(e.undoCopy), Lines{"older"});
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GuardTest,
                         ::testing::Values(GuardCase{"SortEmpty", collationSort, {}, true},
                                           GuardCase{"SortOne", collationSort, {"a"}, true},
                                           GuardCase{"ReverseEmpty", reverseOrder, {}, false},
                                           GuardCase{"ReverseOne", reverseOrder, {"a"}, false},
                                           GuardCase{"LengthEmpty", lengthSort, {}, false},
                                           GuardCase{"LengthOne", lengthSort, {"a"}, false},
                                           GuardCase{"ShuffleEmpty", randomOrder, {}, false},
                                           GuardCase{"ShuffleOne", randomOrder, {"a"}, false}),
                         [](const auto& test) { return test.param.label; });

struct ProgressCase {
    std::string label;
    Command command;
    int lines;
    std::vector<int> selected;
    Lines captions;
};

class ProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTest, CaptionSequence) {
    const ProgressCase& c = GetParam();
    for (unsigned threads : kThreadCounts) {
        Editor e(settingsWithThreads(threads, true));
        holdTicks(e, 1000);
        Lines captions;
        e.progress.setListener([&](const std::string& s) { captions.push_back(s); });
        load(e, numbered("line", c.lines), c.selected);
        c.command(e);
        EXPECT_EQ(captions, c.captions) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressTest,
    ::testing::Values(
        ProgressCase{"ReverseTwo", reverseOrder, 2, {}, {"0%", "100%", "-"}},
        ProgressCase{"ReverseThree", reverseOrder, 3, {}, {"0%", "50%", "100%", "-"}},
        ProgressCase{"ReverseTwoOfEleven", reverseOrder, 11, {3, 7}, {"0%", "10%", "-"}},
        ProgressCase{"ReverseAllOfThree", reverseOrder, 3, {0, 1, 2}, {"0%", "50%", "100%", "-"}},
        ProgressCase{"LengthThree", lengthSort, 3, {}, {"0%", "50%", "100%", "-"}},
        ProgressCase{"LengthTwoOfEleven", lengthSort, 11, {0, 10}, {"0%", "10%", "-"}},
        ProgressCase{"ShuffleTwo", randomOrder, 2, {}, {"0%", "100%", "-"}},
        ProgressCase{"ShuffleThreeOfFive", randomOrder, 5, {0, 2, 4}, {"0%", "25%", "50%", "-"}},
        ProgressCase{"SortShowsNothing", collationSort, 5, {}, {}},
        ProgressCase{"SortSelectionShowsNothing", collationSort, 5, {1, 2}, {}}),
    [](const auto& test) { return test.param.label; });

TEST(ProgressTest, EveryPercentOnceOnALongRun) {
    Editor e;
    Lines captions;
    e.progress.setListener([&](const std::string& s) { captions.push_back(s); });
    load(e, numbered("line", 201)); // denominator 200: every percentage for two steps
    reverseOrder(e);
    ASSERT_EQ(captions.size(), 102u);
    for (int p = 0; p <= 100; ++p)
        EXPECT_EQ(captions[static_cast<std::size_t>(p)], std::to_string(p) + "%");
    EXPECT_EQ(captions.back(), "-");
}

TEST(RandomOrderTest, WorkedExampleStates) {
    Editor e;
    holdTicks(e, 1000);
    load(e, numbered("L", 3));
    randomOrder(e);
    EXPECT_EQ(e.random.state(), 870078620u);
    // Draws the lines from the state the first run left: state 870078620 advanced by n + 1 steps.
    RandomGenerator expected(870078620u);
    for (int i = 0; i < 4; ++i)
        expected.draw(1000);
    randomOrder(e);
    EXPECT_EQ(e.random.state(), expected.state());
}

// The draws as the window program makes them: remove the drawn line from the middle of the source.
Lines drawnOneByOne(Lines source, RandomGenerator& random, const std::function<std::uint32_t()>& ticks) {
    random.draw(ticks());
    Lines drawn;
    while (!source.empty()) {
        const std::uint32_t r = static_cast<std::uint32_t>(source.size());
        const std::uint32_t v = random.draw(ticks());
        drawn.push_back(source[v % r]);
        source.erase(source.begin() + (v % r));
    }
    return drawn;
}

struct TickCase {
    std::string label;
    std::uint32_t firstTick;
    std::uint32_t tickStep;
    std::uint32_t state;
    int lines;
};

class RandomDrawTest : public ::testing::TestWithParam<TickCase> {};

TEST_P(RandomDrawTest, SameAsDrawingOneByOne) {
    const TickCase& c = GetParam();
    auto clock = [c, tick = c.firstTick]() mutable {
        const std::uint32_t now = tick;
        tick += c.tickStep;
        return now;
    };
    Editor e;
    e.random.setState(c.state);
    e.tickCount = clock;
    const Lines lines = numbered("line", c.lines);
    load(e, lines);
    RandomGenerator reference(c.state);
    const Lines expected = drawnOneByOne(lines, reference, clock);
    randomOrder(e);
    EXPECT_EQ(linesOf(e.doc.lines()), expected);
    EXPECT_EQ(e.random.state(), reference.state());
}

INSTANTIATE_TEST_SUITE_P(Cases, RandomDrawTest,
                         ::testing::Values(TickCase{"HeldTicks", 1000, 0, 0, 50},
                                           TickCase{"HighTicks", 0x80000000u, 0, 7, 37},
                                           TickCase{"MaxTicks", 0xFFFFFFFFu, 0, 0, 64},
                                           TickCase{"ZeroTicksAlwaysFirst", 0, 0, 0, 9},
                                           TickCase{"WrappingClock", 0xFFFFFF00u, 17, 12345, 300},
                                           TickCase{"NotAPowerOfTwo", 1u << 31, 3, 99, 1000}),
                         [](const auto& test) { return test.param.label; });

// Placing each line in front of the first strictly longer placed line, as the window program does.
Lines insertedByLength(const Lines& source) {
    Lines placed;
    for (const std::string& s : source) {
        auto pos = std::find_if(placed.begin(), placed.end(),
                                [&](const std::string& p) { return s.size() < p.size(); });
        placed.insert(pos, s);
    }
    return placed;
}

TEST(LengthSortTest, SameAsInsertion) {
    Lines manyEqual;
    RandomGenerator random(42);
    for (int i = 0; i < 500; ++i)
        manyEqual.push_back(std::string(random.draw(6), 'a' + static_cast<char>(i % 26)) +
                            std::to_string(i % 3));
    // Lengths far beyond the line count take the comparison sort instead of counting; lines too long for
    // an entry of their own are placed apart when counting.
    const Lines veryLong{std::string(20000, 'x'), "b", std::string(9000, 'y'), "a", std::string(20000, 'z')};
    Lines longAmongMany(70000, "ab");
    longAmongMany[7] = longAmongMany[69000] = std::string(70000, 'l');
    longAmongMany[3] = longAmongMany[50000] = "c";
    for (const Lines& lines : {manyEqual, veryLong, longAmongMany}) {
        Lines expected = lines;
        if (lines.size() < 1000)
            expected = insertedByLength(lines);
        else // the insertions would take minutes
            std::stable_sort(expected.begin(), expected.end(),
                             [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
        for (unsigned threads : kThreadCounts) {
            Editor e(settingsWithThreads(threads, lines.size() < 1000));
            load(e, lines);
            lengthSort(e);
            EXPECT_EQ(linesOf(e.doc.lines()), expected)
                << lines.size() << " lines, " << threads << " threads";
        }
    }
}

TEST(OrderScrollTest, OnlyTheCollationSortKeepsTheFirstVisibleLine) {
    const std::vector<std::pair<Command, int>> cases{
        {collationSort, 5}, {reverseOrder, 0}, {lengthSort, 0}, {randomOrder, 0}};
    for (const auto& [command, top] : cases) {
        Editor e;
        load(e, numbered("line", 20));
        e.doc.setTopIndex(5);
        command(e);
        EXPECT_EQ(e.doc.topIndex(), top);
    }
}

TEST(UndoTest, UndoAndRedoAlternate) {
    Editor e;
    const Lines loaded{"c", "a", "b"};
    const Lines sorted{"a", "b", "c"};
    load(e, loaded);
    EXPECT_STREQ(undoCaption(e.undoState), "取り消し不可");
    collationSort(e);
    EXPECT_STREQ(undoCaption(e.undoState), "取り消し");
    const std::vector<std::pair<Lines, const char*>> steps{
        {loaded, "やり直し"}, {sorted, "取り消し"}, {loaded, "やり直し"}};
    for (const auto& [lines, caption] : steps) {
        e.undoRedo();
        EXPECT_EQ(linesOf(e.doc.lines()), lines);
        EXPECT_STREQ(undoCaption(e.undoState), caption);
    }
}

TEST(UndoTest, OneLevelOnly) {
    Editor e;
    load(e, {"b", "c", "a"});
    reverseOrder(e); // a c b
    lengthSort(e);   // unchanged, but a new undo copy
    collationSort(e);
    e.undoRedo();
    EXPECT_EQ(linesOf(e.doc.lines()), (Lines{"a", "c", "b"}));
    EXPECT_STREQ(undoCaption(e.undoState), "やり直し");
}

TEST(OrderCp932Test, SortCollatesShiftJisBytes) {
    Editor e;
    e.doc.setText(textIn("cp932"));
    // さくら, かめ, あさひ in Shift-JIS.
    const std::string sakura = "\x82\xb3\x82\xad\x82\xe7", kame = "\x82\xa9\x82\xdf",
                      asahi = "\x82\xa0\x82\xb3\x82\xd0";
    load(e, {sakura, kame, asahi});
    collationSort(e);
    EXPECT_EQ(linesOf(e.doc.lines()), (Lines{asahi, kame, sakura}));
}

} // namespace
