#include "core/commands/ClipboardTransfer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linnery;
using namespace linnery::test;

namespace {

struct ImportCase {
    std::string text;
    std::vector<std::string> lines;
};

class ClipboardImportTest : public ::testing::TestWithParam<ImportCase> {};

TEST_P(ClipboardImportTest, Lines) {
    Editor editor;
    importClipboardText(editor, GetParam().text, textIn("utf-8"));
    EXPECT_EQ(linesOf(editor.doc), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClipboardImportTest,
    ::testing::Values(ImportCase{"a\r\nb", {"a", "b"}}, ImportCase{"a\r\nb\r\n", {"a", "b", ""}},
                      ImportCase{"", {""}}, ImportCase{"a\r\n\r\nb", {"a", "", "b"}},
                      ImportCase{"a\rb\nc", {"a", "b", "c"}}, ImportCase{"a\n", {"a", ""}},
                      ImportCase{"a\r", {"a", ""}}, ImportCase{"a\r\r\nb", {"a", "", "b"}},
                      ImportCase{"\n\r", {"", "", ""}}, ImportCase{std::string("a\0b\r\nc", 6), {"a"}},
                      ImportCase{std::string("\0x", 2), {""}},
                      ImportCase{std::string(10000, 'x'), {std::string(10000, 'x')}}));

TEST(ClipboardTransferTest, ImportMakesUndoImpossibleAndClearsSelection) {
    Editor editor;
    setLines(editor, {"x", "y", "z"});
    editor.takeUndoCopy();
    editor.doc.setSelected(-1, true);
    importClipboardText(editor, "p\r\nq", textIn("utf-8"));
    EXPECT_EQ(editor.undoState, UndoState::None);
    EXPECT_EQ(editor.doc.selectedCount(), 0);
    EXPECT_EQ(linesOf(editor.doc), (std::vector<std::string>{"p", "q"}));
}

TEST(ClipboardTransferTest, ExportTakesSelectionOfMoreThanOneLineElseAll) {
    struct Case {
        std::vector<std::string> lines;
        std::vector<int> selected;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{"a", "b"}, {}, "a\r\nb\r\n"},
        {{"a", "b", "c", "d", "e"}, {3, 1}, "b\r\nd\r\n"},
        {{"a", "b", "c"}, {1}, "a\r\nb\r\nc\r\n"}, // one selected line does not restrict
        {{}, {}, ""},
        {{"", ""}, {}, "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        Editor editor;
        setLines(editor, c.lines);
        for (int i : c.selected)
            editor.doc.setSelected(i, true);
        EXPECT_EQ(exportClipboardText(editor.doc), c.text);
        EXPECT_EQ(editor.doc.selectedCount(), static_cast<int>(c.selected.size()));
    }
}

TEST(ClipboardTransferTest, ExportedTextImportsWithOneMoreLine) {
    Editor editor;
    setLines(editor, {"a", "b"});
    importClipboardText(editor, exportClipboardText(editor.doc), textIn("utf-8"));
    EXPECT_EQ(linesOf(editor.doc), (std::vector<std::string>{"a", "b", ""}));
}

} // namespace
