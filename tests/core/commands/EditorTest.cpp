#include "core/commands/Editor.h"
#include "core/commands/DeleteCommands.h"
#include "core/commands/OrderCommands.h"
#include "core/lines/LineError.h"
#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

using namespace linnery;
using namespace linnery::test;

TEST(Undo, AlternatesBetweenUndoAndRedo) {
    Editor editor;
    editor.doc.assign(listOf({"b", "a"}));
    EXPECT_STREQ(undoCaption(editor.undoState), "取り消し不可");

    editor.takeUndoCopy();
    editor.doc.assign(listOf({"a", "b"})); // the command's work
    EXPECT_STREQ(undoCaption(editor.undoState), "取り消し");

    const std::vector<std::vector<std::string>> documents = {{"b", "a"}, {"a", "b"}, {"b", "a"}};
    const std::vector<std::string> captions = {"やり直し", "取り消し", "やり直し"};
    for (std::size_t i = 0; i < documents.size(); ++i) {
        editor.doc.setSelected(-1, true);
        editor.undoRedo();
        EXPECT_EQ(linesOf(editor.doc.lines()), documents[i]);
        EXPECT_EQ(undoCaption(editor.undoState), captions[i]);
        EXPECT_EQ(editor.doc.selectedCount(), 0);
    }
}

TEST(Undo, TheNextCommandReplacesTheCopy) {
    Editor editor;
    editor.doc.assign(listOf({"1", "2", "3"}));
    editor.takeUndoCopy();
    editor.doc.remove(0);
    editor.takeUndoCopy();
    editor.doc.remove(0);
    editor.undoRedo();
    EXPECT_EQ(linesOf(editor.doc.lines()), (std::vector<std::string>{"2", "3"}));
    editor.documentReplaced();
    EXPECT_STREQ(undoCaption(editor.undoState), "取り消し不可");
}

TEST(Editor, FailedLoadKeepsTheDocument) {
    Editor editor;
    editor.doc.assign(listOf({"kept"}));
    EXPECT_THROW(editor.loadDocument("/nonexistent/file.txt"), LineError);
    EXPECT_EQ(linesOf(editor.doc.lines()), std::vector<std::string>{"kept"});
}

// Running out of memory part-way ends a command at its boundary: the insert error, and the document as
// the command found it, though the command had already changed it.
TEST(Editor, OutOfMemoryLeavesTheDocumentAsItWas) {
    const struct {
        const char* label;
        std::function<void(Editor&)> work; // what happened before memory ran out
    } cases[] = {
        {"before the undo copy", [](Editor&) {}},
        {"sorting the selection", [](Editor& e) { collationSort(e); }},
        {"reversing the document",
         [](Editor& e) {
             e.doc.setSelected(-1, false);
             reverseOrder(e);
         }},
        {"deleting empty lines", [](Editor& e) { deleteEmpty(e); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Editor editor;
        setLines(editor, {"c", "b", "a", "d"});
        editor.doc.setSelected(0, true);
        editor.doc.setSelected(2, true);
        editor.doc.setFocus(2);
        editor.progress.showPercent(37);
        try {
            editor.run([&] {
                c.work(editor);
                throw std::bad_alloc();
            });
            ADD_FAILURE() << "no error";
        } catch (const LineError& e) {
            EXPECT_STREQ(e.what(), LineError::insert().what());
        }
        EXPECT_EQ(linesOf(editor.doc), (Lines{"c", "b", "a", "d"}));
        EXPECT_EQ(selectedOf(editor.doc), (std::vector<int>{0, 2}));
        EXPECT_EQ(editor.doc.focus(), 2);
        EXPECT_EQ(editor.progress.caption(), "-");
    }
    Editor editor; // other errors pass as they are
    EXPECT_THROW(editor.run([] { throw LineError::listIndex(-1); }), LineError);
}

TEST(Progress, CaptionChangesOnlyWhenThePercentDoes) {
    Progress progress;
    std::vector<std::string> seen;
    progress.setListener([&](const std::string& caption) { seen.push_back(caption); });
    for (int s = 0; s < 3; ++s)
        progress.show(s, 2);
    progress.end();
    progress.end();
    EXPECT_EQ(seen, (std::vector<std::string>{"0%", "50%", "100%", "-"}));

    // Stepping a whole loop at once gives the same captions as one show() per step.
    for (const auto& [steps, d, scale, offset] : std::vector<std::tuple<int, int, int, int>>{
             {11, 10, 100, 0}, {2, 10, 100, 0}, {1000, 999, 100, 0}, {7, 3, 50, 50}, {250, 249, 50, 0}}) {
        Progress a, b;
        std::vector<std::string> one, all;
        a.setListener([&](const std::string& c) { one.push_back(c); });
        b.setListener([&](const std::string& c) { all.push_back(c); });
        for (int s = 0; s < steps; ++s)
            a.showPercent(static_cast<std::int64_t>(s) * scale / d + offset);
        b.showSteps(0, steps - 1, d, scale, offset);
        EXPECT_EQ(one, all) << steps << "/" << d;
    }
}

TEST(Progress, LargeStepsDoNotOverflow) {
    Progress progress;
    progress.show(30'000'000, 30'000'001);
    EXPECT_EQ(progress.caption(), "99%");
}
