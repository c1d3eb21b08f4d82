#include "core/AffixCommands.h"
#include "core/CodePage.h"
#include "core/DeleteCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace linnery;

namespace {

using Lines = std::vector<std::string>;
using Captions = std::vector<std::string>;

Lines linesOf(const LineList& list) {
    return Lines(list.views().begin(), list.views().end());
}

std::vector<int> selectedLines(const Document& doc) {
    std::vector<int> out;
    for (int i = 0; i < doc.count(); ++i)
        if (doc.isSelected(i))
            out.push_back(i);
    return out;
}

// An editor holding the lines, recording every change of the progress caption.
struct Fixture {
    Editor editor;
    Captions captions;

    explicit Fixture(const Lines& lines, const std::vector<int>& selected = {}) {
        LineList list;
        for (const std::string& line : lines)
            list.add(line);
        editor.doc.assign(std::move(list));
        for (int i : selected)
            editor.doc.setSelected(i, true);
        editor.progress.setListener([this](const std::string& c) { captions.push_back(c); });
    }
};

// The captions of one show() per step, as the commands' loops would produce them.
Captions stepCaptions(long long first, long long last, long long d) {
    Captions out;
    for (long long s = first; s <= last; ++s) {
        const std::string c = std::to_string(s * 100 / d) + "%";
        if (out.empty() || out.back() != c)
            out.push_back(c);
    }
    out.push_back("-");
    return out;
}

enum class Command { Matching, Empty, Uniq, Prefix, Suffix };

struct WholeCase {
    std::string label;
    Command command;
    std::string text;
    Lines before;
    Lines after;
    Captions captions;
    Lines removed = {}; // Uniq only
};

void PrintTo(const WholeCase& c, std::ostream* os) {
    *os << c.label;
}

LineList run(Editor& editor, Command command, const std::string& text) {
    switch (command) {
    case Command::Matching:
        EXPECT_TRUE(deleteMatching(editor, text));
        break;
    case Command::Empty:
        deleteEmpty(editor);
        break;
    case Command::Uniq:
        return removeConsecutiveDuplicates(editor);
    case Command::Prefix:
        EXPECT_TRUE(addPrefix(editor, text));
        break;
    case Command::Suffix:
        EXPECT_TRUE(addSuffix(editor, text));
        break;
    }
    return {};
}

class WholeDocumentTest : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeDocumentTest, ResultProgressAndUndo) {
    const WholeCase& c = GetParam();
    Fixture f(c.before);
    const LineList removed = run(f.editor, c.command, c.text);
    EXPECT_EQ(linesOf(f.editor.doc.lines()), c.after);
    EXPECT_EQ(f.captions, c.captions);
    EXPECT_EQ(f.editor.progress.caption(), "-");
    EXPECT_EQ(linesOf(removed), c.removed);

    // The undo copy is taken even when nothing changed, and undo/redo alternate.
    EXPECT_EQ(f.editor.undoState, UndoState::Undo);
    EXPECT_EQ(linesOf(f.editor.undoCopy), c.before);
    f.editor.undoRedo();
    EXPECT_EQ(linesOf(f.editor.doc.lines()), c.before);
    f.editor.undoRedo();
    EXPECT_EQ(linesOf(f.editor.doc.lines()), c.after);
}

const Captions k3Lines{"0%", "50%", "100%", "-"};
const Captions kNone{}; // the caption stays "-": nothing is redrawn

INSTANTIATE_TEST_SUITE_P(
    Parts, WholeDocumentTest,
    ::testing::Values(
        // Exact matching: case, surrounding spaces and empty lines are not equal.
        WholeCase{"MatchingExact",
                  Command::Matching,
                  "abc",
                  {"abc", "ABC", "abc ", " abc", "", "abc"},
                  {"ABC", "abc ", " abc", ""},
                  {"0%", "20%", "40%", "60%", "80%", "100%", "-"}},
        WholeCase{"MatchingThreeLines", Command::Matching, "x", {"x", "y", "x"}, {"y"}, k3Lines},
        WholeCase{"MatchingNothing", Command::Matching, "q", {"a", "b", "c"}, {"a", "b", "c"}, k3Lines},
        WholeCase{"MatchingOneLine", Command::Matching, "a", {"a"}, {}, kNone},
        WholeCase{"MatchingEmptyDoc", Command::Matching, "a", {}, {}, kNone},
        WholeCase{"EmptyLines",
                  Command::Empty,
                  "",
                  {"", "a", " ", "", "\t", "b", ""},
                  {"a", " ", "\t", "b"},
                  {"0%", "16%", "33%", "50%", "66%", "83%", "100%", "-"}},
        WholeCase{"EmptyThreeLines", Command::Empty, "", {"a", "", "b"}, {"a", "b"}, k3Lines},
        WholeCase{"EmptyNoneToRemove", Command::Empty, "", {"a", "b", "c"}, {"a", "b", "c"}, k3Lines},
        WholeCase{"EmptyOneLine", Command::Empty, "", {""}, {}, kNone},
        WholeCase{"EmptyDoc", Command::Empty, "", {}, {}, kNone},
        WholeCase{
            "UniqRunOfThree", Command::Uniq, "", {"a", "a", "a"}, {"a"}, {"0%", "50%", "-"}, {"a", "a"}},
        WholeCase{"UniqRuns",
                  Command::Uniq,
                  "",
                  {"x", "x", "y", "y", "y", "x"},
                  {"x", "y", "x"},
                  {"0%", "20%", "40%", "60%", "80%", "-"},
                  {"x", "y", "y"}},
        WholeCase{"UniqApart", Command::Uniq, "", {"a", "b", "a"}, {"a", "b", "a"}, {"0%", "50%", "-"}, {}},
        WholeCase{"UniqCase", Command::Uniq, "", {"A", "a"}, {"A", "a"}, {"0%", "-"}, {}},
        WholeCase{"UniqTrailingSpace", Command::Uniq, "", {"a", "a "}, {"a", "a "}, {"0%", "-"}, {}},
        WholeCase{"UniqEmptyLines", Command::Uniq, "", {"", "", "z"}, {"", "z"}, {"0%", "50%", "-"}, {""}},
        WholeCase{"UniqOneLine", Command::Uniq, "", {"a"}, {"a"}, kNone, {}},
        WholeCase{"UniqEmptyDoc", Command::Uniq, "", {}, {}, kNone, {}},
        WholeCase{"Prefix", Command::Prefix, "ab", {"x", "", "y"}, {"abx", "ab", "aby"}, k3Lines},
        WholeCase{"Suffix", Command::Suffix, "ab", {"x", "", "y"}, {"xab", "ab", "yab"}, k3Lines},
        WholeCase{"SuffixSpace", Command::Suffix, " ", {"a", "b c"}, {"a ", "b c "}, {"0%", "100%", "-"}},
        WholeCase{"PrefixOneLine", Command::Prefix, "> ", {"q"}, {"> q"}, kNone},
        WholeCase{"PrefixEmptyDoc", Command::Prefix, "p", {}, {}, kNone}),
    [](const auto& info) { return info.param.label; });

// Progress of the long commands at sizes where truncation and repeated percentages matter.
TEST(EditCommandsProgress, CaptionsMatchOneShowPerStep) {
    for (int n : {2, 3, 7, 99, 100, 101, 150, 257}) {
        Lines lines;
        for (int i = 0; i < n; ++i)
            lines.push_back(i % 3 == 0 ? "" : "dup");
        struct {
            Command command;
            long long last;
        } runs[] = {{Command::Empty, n - 1},
                    {Command::Matching, n - 1},
                    {Command::Prefix, n - 1},
                    {Command::Uniq, n - 2}};
        for (const auto& r : runs) {
            Fixture f(lines);
            run(f.editor, r.command, "dup");
            EXPECT_EQ(f.captions, stepCaptions(0, r.last, n - 1))
                << "n=" << n << " command=" << int(r.command);
        }
    }
}

// An empty entry changes nothing: no undo copy, no progress, selection kept.
TEST(EditCommandsEmptyText, ChangesNothing) {
    const std::function<bool(Editor&, std::string_view)> commands[] = {deleteMatching, addPrefix, addSuffix};
    for (const auto& command : commands) {
        Fixture f({"a", "", "b"}, {1});
        f.editor.undoCopy.add("older");
        EXPECT_FALSE(command(f.editor, ""));
        EXPECT_EQ(linesOf(f.editor.doc.lines()), (Lines{"a", "", "b"}));
        EXPECT_EQ(selectedLines(f.editor.doc), std::vector<int>{1});
        EXPECT_EQ(f.editor.undoState, UndoState::None);
        EXPECT_EQ(linesOf(f.editor.undoCopy), Lines{"older"});
        EXPECT_TRUE(f.captions.empty());
    }
}

// Whole-list replacements leave no line selected; prefix and suffix keep the scroll position.
TEST(EditCommandsSelection, ClearedAfterReplacement) {
    const Lines lines{"a", "", "b", "c", "", "d"};
    for (Command command : {Command::Matching, Command::Empty, Command::Prefix, Command::Suffix}) {
        Fixture f(lines, {0, 2, 3});
        f.editor.doc.setTopIndex(2);
        run(f.editor, command, "c");
        EXPECT_EQ(f.editor.doc.selectedCount(), 0) << int(command);
        const bool keepsView = command == Command::Prefix || command == Command::Suffix;
        EXPECT_EQ(f.editor.doc.topIndex(), keepsView ? 2 : 0) << int(command);
    }
}

// Each removed copy is deleted on its own: the lines that stay keep their selected flags.
TEST(EditCommandsSelection, UniqKeepsFlagsOfRemainingLines) {
    Fixture f({"a", "a", "b", "c", "c", "d"}, {0, 2, 4, 5});
    const LineList removed = removeConsecutiveDuplicates(f.editor);
    EXPECT_EQ(linesOf(f.editor.doc.lines()), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(selectedLines(f.editor.doc), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(linesOf(removed), (Lines{"a", "c"}));
}

struct DeleteCase {
    std::string label;
    Lines before;
    std::vector<int> selected;
    int focus;
    Lines after;
    std::vector<int> selectedAfter;
};

void PrintTo(const DeleteCase& c, std::ostream* os) {
    *os << c.label;
}

class DeleteSelectedTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteSelectedTest, RemovesSelectionOrFocusLine) {
    const DeleteCase& c = GetParam();
    Fixture f(c.before, c.selected);
    f.editor.doc.setFocus(c.focus);
    deleteSelected(f.editor);
    EXPECT_EQ(linesOf(f.editor.doc.lines()), c.after);
    EXPECT_EQ(selectedLines(f.editor.doc), c.selectedAfter);
    EXPECT_TRUE(f.captions.empty()); // no progress for this command
    EXPECT_EQ(f.editor.undoState, UndoState::Undo);
    f.editor.undoRedo();
    EXPECT_EQ(linesOf(f.editor.doc.lines()), c.before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeleteSelectedTest,
    ::testing::Values(DeleteCase{"NoneSelectedRemovesFocus", {"a", "b", "c"}, {}, 1, {"a", "c"}, {}},
                      // One selected line: the focus line goes, the selected one stays selected.
                      DeleteCase{"OneSelectedRemovesFocus", {"a", "b", "c"}, {0}, 2, {"a", "b"}, {0}},
                      DeleteCase{"OneSelectedIsFocus", {"a", "b", "c"}, {1}, 1, {"a", "c"}, {}},
                      DeleteCase{"SeveralSelected", {"a", "b", "c", "d", "e"}, {0, 2, 3}, 4, {"b", "e"}, {}},
                      DeleteCase{"AllSelected", {"a", "b"}, {0, 1}, 0, {}, {}},
                      DeleteCase{"EqualLinesOnlySelectedGo", {"x", "x", "x"}, {0, 2}, 0, {"x"}, {}},
                      DeleteCase{"EmptyDocument", {}, {}, 0, {}, {}}),
    [](const auto& info) { return info.param.label; });

TEST(DeleteSelectedEmpty, TakesUndoCopyOfEmptyDocument) {
    Fixture f({});
    f.editor.undoCopy.add("stale");
    deleteSelected(f.editor);
    EXPECT_EQ(f.editor.doc.count(), 0);
    EXPECT_EQ(f.editor.undoState, UndoState::Undo);
    EXPECT_TRUE(f.editor.undoCopy.empty());
}

// Lines and entered text are bytes: matching and joining never convert, also in cp932 where 0x5C can
// be the second byte of a character.
TEST(EditCommandsCp932, ByteExact) {
    CodePage::setCurrent("cp932");
    const std::string so = "\x83\x5c";        // ソ
    const std::string hyou = "\x95\x5c";      // 表
    const std::string fullSpace = "\x81\x40"; // full-width space
    const std::string halfKana = "\xb1";      // ｱ (single byte)
    const std::string fullA = "\x83\x41";     // ア
    Fixture f({so, hyou, so + " ", fullSpace, so, halfKana, fullA, so});
    EXPECT_TRUE(deleteMatching(f.editor, so));
    EXPECT_EQ(linesOf(f.editor.doc.lines()), (Lines{hyou, so + " ", fullSpace, halfKana, fullA}));

    EXPECT_TRUE(addSuffix(f.editor, "\\" + hyou));
    EXPECT_EQ(f.editor.doc.at(0), hyou + "\\" + hyou);
    EXPECT_TRUE(addPrefix(f.editor, fullSpace));
    EXPECT_EQ(f.editor.doc.at(2), fullSpace + fullSpace + "\\" + hyou);

    Fixture g({so, so, "\x83", hyou + "\x5c", hyou, fullSpace, ""});
    deleteEmpty(g.editor); // a full-width space is not empty
    EXPECT_EQ(g.editor.doc.count(), 6);
    const LineList removed = removeConsecutiveDuplicates(g.editor);
    EXPECT_EQ(linesOf(removed), Lines{so});
    EXPECT_EQ(linesOf(g.editor.doc.lines()), (Lines{so, "\x83", hyou + "\x5c", hyou, fullSpace}));
    CodePage::setCurrent("utf-8");
}

} // namespace
