#include "core/commands/Editor.h"

#include "core/files/TextFile.h"
#include "core/lines/LineError.h"

#include <ctime>
#include <new>

namespace linnery {

const char* undoCaption(UndoState state) {
    switch (state) {
    case UndoState::Undo:
        return "取り消し";
    case UndoState::Redo:
        return "やり直し";
    case UndoState::None:
        break;
    }
    return "取り消し不可";
}

std::uint32_t systemTickCount() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

Editor::Editor() : Editor(TextSettings::read()) {}

Editor::Editor(TextSettings settings) : doc(settings.contextForNewText()), settings_(std::move(settings)) {}

void Editor::run(const std::function<void()>& command) {
    // What the command may change besides the lines, kept aside; the lines themselves are in the undo
    // copy once the command has taken it, and unchanged before that.
    std::vector<std::uint8_t> selection;
    try {
        if (doc.selectedCount() > 0)
            selection = doc.selection();
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
    const int focus = doc.focus(), top = doc.topIndex();
    const std::uint64_t copies = undoCopiesTaken_;
    try {
        command();
    } catch (const std::bad_alloc&) {
        // The command's own memory is free again by now.
        try {
            if (undoCopiesTaken_ != copies && keepsUndoCopy)
                doc.restore(undoCopy, std::move(selection), focus, top);
        } catch (const std::bad_alloc&) {
        }
        progress.end();
        throw LineError::insert();
    }
}

void Editor::takeUndoCopy() {
    if (keepsUndoCopy) {
        LineList copy = doc.lines(); // may run out of memory before anything changed
        undoCopy = std::move(copy);
    }
    undoState = UndoState::Undo;
    ++undoCopiesTaken_;
}

void Editor::undoRedo() {
    // The exchange of the two lists; swapping storage gives the same lines as copying three times.
    doc.exchange(undoCopy);
    undoState = undoState == UndoState::Redo ? UndoState::Undo : UndoState::Redo;
}

void Editor::loadDocument(const std::string& path) {
    LineList lines;
    TextContextPtr text;
    try {
        loadFile(
            lines, path, [&](std::string_view bytes) { text = settings_.contextFor(bytes); },
            settings_.pool());
    } catch (...) {
        if (!lines.empty()) {
            doc.assign(std::move(lines));
            if (text)
                doc.setText(std::move(text));
        }
        throw;
    }
    doc.assign(std::move(lines));
    // A judgement that ran out of memory tells nothing: the text is read as a new one.
    doc.setText(text ? std::move(text) : settings_.contextForNewText());
}

} // namespace linnery
