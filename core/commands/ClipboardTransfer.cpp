#include "core/commands/ClipboardTransfer.h"

#include "core/files/TextFile.h"

#include <cstring>
#include <memory>

namespace linnery {

void importClipboardText(Editor& editor, std::string text, TextContextPtr context) {
    editor.documentReplaced();
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    // The text is taken as one line with CR LF appended and cut at every line break; the empty piece
    // after that CR LF is not a line. So a final line break leaves one empty line and an empty text
    // gives one empty line. The file rules cut the same way and drop that last piece.
    text += "\r\n";
    const auto owner = std::make_shared<std::string>(std::move(text));
    const std::shared_ptr<char[]> buffer(owner, owner->data());
    LineList lines;
    splitLines(lines, buffer, std::string_view(*owner));
    editor.doc.assign(std::move(lines));
    editor.doc.setText(std::move(context));
}

LineList exportedLines(const Document& doc) {
    if (doc.selectedCount() <= 1)
        return doc.lines();
    const LineViews& lines = doc.lines().views();
    const auto& selected = doc.selection();
    LineViews taken;
    taken.reserve(static_cast<std::size_t>(doc.selectedCount()));
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (selected[i])
            taken.push_back(lines, i);
    LineList out;
    out.assignViews(std::move(taken), doc.lines());
    return out;
}

std::string clipboardText(const LineList& lines) {
    std::size_t size = 0;
    for (std::string_view line : lines.views())
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (std::string_view line : lines.views()) {
        text.append(line);
        text += "\r\n";
    }
    return text;
}

std::string exportClipboardText(const Document& doc) {
    return clipboardText(exportedLines(doc));
}

} // namespace linnery
