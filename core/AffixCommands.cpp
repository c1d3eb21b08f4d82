#include "core/AffixCommands.h"

#include "core/ByteBuffer.h"

#include "core/LineError.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace linnery {

namespace {

enum class Side { Start, End };

bool addText(Editor& editor, std::string_view text, Side side) {
    if (text.empty())
        return false;
    editor.takeUndoCopy();
    const LineViews& views = editor.doc.lines().views();
    const std::size_t n = views.size();
    std::size_t total = n * text.size();
    for (std::string_view line : views)
        total += line.size();

    // All new lines in one buffer: one allocation for the whole document.
    ByteBuffer buffer;
    LineViews lines;
    try {
        buffer = ByteBuffer(total);
        lines.reserve(n);
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
    char* out = buffer.data();
    for (std::string_view line : views) {
        const std::string_view first = side == Side::Start ? text : line;
        const std::string_view second = side == Side::Start ? line : text;
        // copy_n, not memcpy: an empty line's view may carry a null pointer
        std::copy_n(first.data(), first.size(), out);
        std::copy_n(second.data(), second.size(), out + first.size());
        lines.emplace_back(out, first.size() + second.size());
        out += first.size() + second.size();
    }
    if (n >= 2)
        editor.progress.showSteps(0, static_cast<std::int64_t>(n) - 1, static_cast<std::int64_t>(n) - 1);

    LineList result;
    result.assignBuffer(buffer.share(), total, std::move(lines));
    // Each line is replaced where it stands: the view stays where it was, no line stays selected.
    editor.doc.reorder(std::move(result));
    editor.progress.end();
    return true;
}

} // namespace

bool addPrefix(Editor& editor, std::string_view text) {
    return addText(editor, text, Side::Start);
}

bool addSuffix(Editor& editor, std::string_view text) {
    return addText(editor, text, Side::End);
}

} // namespace linnery
