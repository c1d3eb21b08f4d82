#include "core/Editor.h"

#include "core/CodePage.h"
#include "core/TextFile.h"

#include <ctime>

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

Editor::Editor() = default;

void Editor::takeUndoCopy() {
    if (keepsUndoCopy)
        undoCopy.copyFrom(doc.lines());
    undoState = UndoState::Undo;
}

void Editor::undoRedo() {
    // The exchange of the two lists; swapping storage gives the same lines as copying three times.
    LineList previous = doc.lines();
    doc.assign(std::move(undoCopy));
    undoCopy = std::move(previous);
    undoState = undoState == UndoState::Redo ? UndoState::Undo : UndoState::Redo;
}

void Editor::loadDocument(const std::string& path) {
    LineList lines;
    try {
        loadFile(lines, path);
    } catch (...) {
        if (!lines.empty())
            doc.assign(std::move(lines));
        throw;
    }
    doc.assign(std::move(lines));
}

std::string titleCaption(std::string_view openName, int lineCount) {
    const CodePage& cp = CodePage::current();
    std::size_t nameStart = 0;
    for (std::size_t pos = 0; pos < openName.size(); pos += cp.charLength(openName, pos))
        if (openName[pos] == '/')
            nameStart = pos + 1;
    return cp.toUtf8(openName.substr(nameStart)) + " - (" + std::to_string(lineCount) + "行) - Linnery";
}

} // namespace linnery
