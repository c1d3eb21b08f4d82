#include "core/commands/AffixCommands.h"
#include "core/commands/DeleteCommands.h"
#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linnery;
using namespace linnery::test;

namespace {

// An editor holding the lines, with some selected, recording every change of the progress caption.
struct Fixture {
    Editor editor;
    Lines captions;
    explicit Fixture(const Lines& lines, const std::vector<int>& selected = {}) {
        setLines(editor, lines);
        for (int i : selected)
            editor.doc.setSelected(i, true);
        editor.progress.setListener([this](const std::string& c) { captions.push_back(c); });
    }
};

enum Command { Matching, Empty, Uniq, Prefix, Suffix, Delete };

// Runs a command; the removed lines for Uniq, none for the others.
LineList run(Editor& e, Command command, const std::string& text) {
    if (command == Uniq)
        return removeConsecutiveDuplicates(e);
    if (command == Matching)
        deleteMatching(e, text);
    else if (command == Empty)
        deleteEmpty(e);
    else if (command == Prefix)
        addPrefix(e, text);
    else if (command == Suffix)
        addSuffix(e, text);
    else
        deleteSelected(e);
    return {};
}

struct Case {
    Command command;
    std::string text;
    Lines before, after, captions;
    std::vector<int> selected = {}, selectedAfter = {};
    Lines removed = {};
};

const Lines k3{"0%", "50%", "100%", "-"};

TEST(EditCommands, ResultProgressSelectionAndUndo) {
    const Case cases[] = {
        {Matching,
         "abc",
         {"abc", "ABC", "abc ", " abc", "", "abc"},
         {"ABC", "abc ", " abc", ""},
         {"0%", "20%", "40%", "60%", "80%", "100%", "-"},
         {1, 2}},
        {Matching, "q", {"a", "b", "c"}, {"a", "b", "c"}, k3},
        {Matching, "a", {"a"}, {}, {}}, // one line: no percentage, the caption stays "-"
        {Empty, "", {"", "a", " ", "\t"}, {"a", " ", "\t"}, {"0%", "33%", "66%", "100%", "-"}, {0, 1}},
        {Empty, "", {}, {}, {}},
        {Uniq, "", {"a", "a", "a"}, {"a"}, {"0%", "50%", "-"}, {}, {}, {"a", "a"}},
        {Uniq,
         "",
         {"x", "x", "y", "y", "y", "x"},
         {"x", "y", "x"},
         {"0%", "20%", "40%", "60%", "80%", "-"},
         {1, 2},
         {0},
         {"x", "y", "y"}}, // the last of a run stays, with its flag
        {Uniq, "", {"a", "b", "a"}, {"a", "b", "a"}, {"0%", "50%", "-"}, {1}, {1}},
        {Uniq, "", {"A", "a", "a "}, {"A", "a", "a "}, {"0%", "50%", "-"}},
        {Uniq, "", {"", "", "z"}, {"", "z"}, {"0%", "50%", "-"}, {}, {}, {""}},
        {Uniq, "", {"a"}, {"a"}, {}},
        {Prefix, "ab", {"x", "", "y"}, {"abx", "ab", "aby"}, k3, {0, 2}},
        {Suffix, " ", {"x", "", "y"}, {"x ", " ", "y "}, k3, {1}},
        {Prefix, "p", {}, {}, {}},
        {Delete, "", {"a", "b", "c"}, {"a", "c"}, {}},           // focus line 1 (set below)
        {Delete, "", {"a", "b", "c"}, {"a", "c"}, {}, {0}, {0}}, // one selected: still the focus line
        {Delete, "", {"a", "b", "c", "d", "e"}, {"b", "e"}, {}, {0, 2, 3}},
        {Delete, "", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << ", " << c.before.size() << " lines");
        Fixture f(c.before, c.selected);
        f.editor.doc.setFocus(1);
        f.editor.undoCopy.add("stale");
        EXPECT_EQ(linesOf(run(f.editor, c.command, c.text)), c.removed);
        EXPECT_EQ(linesOf(f.editor.doc.lines()), c.after);
        EXPECT_EQ(f.captions, c.captions);
        std::vector<int> selected;
        for (int i = 0; i < f.editor.doc.count(); ++i)
            if (f.editor.doc.isSelected(i))
                selected.push_back(i);
        EXPECT_EQ(selected, c.selectedAfter);
        // The undo copy is taken even when nothing changed; undo and redo alternate.
        EXPECT_EQ(linesOf(f.editor.undoCopy), c.before);
        f.editor.undoRedo();
        EXPECT_EQ(linesOf(f.editor.doc.lines()), c.before);
        f.editor.undoRedo();
        EXPECT_EQ(linesOf(f.editor.doc.lines()), c.after);
    }
}

TEST(EditCommands, EmptyTextChangesNothing) {
    for (Command command : {Matching, Prefix, Suffix}) {
        Fixture f({"a", ""}, {1});
        run(f.editor, command, "");
        EXPECT_EQ(linesOf(f.editor.doc.lines()), (Lines{"a", ""}));
        EXPECT_TRUE(f.editor.doc.isSelected(1));
        EXPECT_EQ(f.editor.undoState, UndoState::None);
        EXPECT_TRUE(f.editor.undoCopy.empty());
        EXPECT_TRUE(f.captions.empty());
    }
}

// Bytes are compared and joined as they are, also where 0x5C is the second byte of a cp932 character.
TEST(EditCommands, Cp932ByteExact) {
    const std::string so = "\x83\x5c", hyou = "\x95\x5c", fullSpace = "\x81\x40";
    Fixture f({so, hyou, so + " ", fullSpace, so, "\x83", so + so});
    f.editor.doc.setText(textIn("cp932"));
    deleteMatching(f.editor, so);
    EXPECT_EQ(linesOf(f.editor.doc.lines()), (Lines{hyou, so + " ", fullSpace, "\x83", so + so}));
    addSuffix(f.editor, "\\" + hyou);
    EXPECT_EQ(f.editor.doc.at(0), hyou + "\\" + hyou);
}

// Without an undo copy, prefix and suffix give the pages of a loaded file back while they copy it: the
// lines still to be copied must stay whole (the buffer is mapped in pages from 8 MB on). With one, the
// pages are the undo copy's and must all stay.
TEST(EditCommands, AffixesOnABigFileKeepEveryLine) {
    TempDir dir;
    std::string text;
    Lines lines;
    for (int i = 0; text.size() < (9u << 20); ++i) {
        lines.push_back(std::to_string(i) + (i % 7 == 0 ? "" : " 行"));
        text += lines.back() + "\n";
    }
    const std::string path = dir.file("big.txt", text);
    for (const bool undo : {false, true}) {
        for (Command command : {Prefix, Suffix}) {
            Editor editor;
            editor.keepsUndoCopy = undo;
            editor.loadDocument(path);
            run(editor, command, "> ");
            ASSERT_EQ(editor.doc.count(), static_cast<int>(lines.size()));
            for (std::size_t i = 0; i < lines.size(); i += 997)
                EXPECT_EQ(editor.doc.get(static_cast<int>(i)),
                          command == Prefix ? "> " + lines[i] : lines[i] + "> ");
            EXPECT_EQ(editor.doc.lines().views()[lines.size() - 1],
                      command == Prefix ? "> " + lines.back() : lines.back() + "> ");
            EXPECT_EQ(editor.undoCopy.empty(), !undo);
            if (undo) {
                editor.undoRedo();
                EXPECT_EQ(linesOf(editor.doc), lines);
            }
        }
    }
}

} // namespace
