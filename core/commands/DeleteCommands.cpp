#include "core/commands/DeleteCommands.h"

#include "core/lines/LineError.h"

#include <new>
#include <vector>

namespace linnery {

namespace {

// The kept lines as a list sharing the document's buffers: no line is copied.
LineList viewsOf(LineViews views, const LineList& from) {
    LineList list;
    list.assignViews(std::move(views), from);
    return list;
}

// Every line for which keep(line) holds, in order, then the document replaced as a whole (no line
// selected, back at the top). Progress after each line examined, while there are at least 2 lines.
template <typename Keep> void keepLines(Editor& editor, Keep keep) {
    const LineList& lines = editor.doc.lines();
    const LineViews& views = lines.views();
    const auto n = static_cast<std::int64_t>(views.size());
    LineViews kept;
    try {
        kept.reserve(views.size());
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
    for (std::string_view line : views)
        if (keep(line))
            kept.push_back(line);
    if (n >= 2)
        editor.progress.showSteps(0, n - 1, n - 1);
    editor.doc.assign(viewsOf(std::move(kept), lines));
    editor.progress.end();
}

} // namespace

void deleteSelected(Editor& editor) {
    editor.takeUndoCopy();
    Document& doc = editor.doc;
    if (doc.selectedCount() <= 1) {
        doc.remove(doc.focus()); // -1 on an empty document: nothing to remove
        return;
    }
    // Removing every selected line leaves none selected; the list scrolls no further than it must.
    const LineViews& views = doc.lines().views();
    const std::vector<std::uint8_t>& selected = doc.selection();
    LineViews kept;
    kept.reserve(views.size() - static_cast<std::size_t>(doc.selectedCount()));
    for (std::size_t i = 0; i < views.size(); ++i)
        if (!selected[i])
            kept.push_back(views, i);
    doc.reorder(viewsOf(std::move(kept), doc.lines()));
}

bool deleteMatching(Editor& editor, std::string_view text) {
    if (text.empty())
        return false;
    editor.takeUndoCopy();
    keepLines(editor, [text](std::string_view line) { return line != text; });
    return true;
}

void deleteEmpty(Editor& editor) {
    editor.takeUndoCopy();
    keepLines(editor, [](std::string_view line) { return !line.empty(); });
}

LineList removeConsecutiveDuplicates(Editor& editor) {
    editor.takeUndoCopy();
    Document& doc = editor.doc;
    const LineViews& views = doc.lines().views();
    const std::vector<std::uint8_t>& selected = doc.selection();
    const std::size_t n = views.size();
    LineViews kept, removed;
    std::vector<int> keptSelected;
    kept.reserve(n);
    // Of each pair of equal neighbours the earlier line goes, so a run keeps its last line. The lines
    // that stay keep their selected flags, as when each copy is deleted on its own.
    for (std::size_t a = 0; a < n; ++a) {
        if (a + 1 < n && views[a] == views[a + 1]) {
            removed.push_back(views, a);
            continue;
        }
        if (selected[a])
            keptSelected.push_back(static_cast<int>(kept.size()));
        kept.push_back(views, a);
    }
    if (n >= 2)
        editor.progress.showSteps(0, static_cast<std::int64_t>(n) - 2, static_cast<std::int64_t>(n) - 1);
    editor.progress.end();

    LineList removedLines = viewsOf(std::move(removed), doc.lines());
    if (!removedLines.empty()) {
        doc.reorder(viewsOf(std::move(kept), doc.lines()));
        for (int i : keptSelected)
            doc.setSelected(i, true);
    }
    return removedLines;
}

} // namespace linnery
