#include "core/commands/AffixCommands.h"

#include "core/lines/ByteBuffer.h"

#include "core/lines/LineError.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace linnery {

namespace {

enum class Side { Start, End };

// Whether every line lies behind the one before it in memory (empty lines aside).
bool inAddressOrder(const LineViews& views) {
    const char* last = nullptr;
    for (std::string_view line : views) {
        if (line.empty())
            continue;
        if (line.data() < last)
            return false;
        last = line.data();
    }
    return true;
}

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
    // Without an undo copy the old lines are gone once the new ones stand. When they lie front to back
    // in a buffer nobody else holds (a file just loaded), the part already copied is given back as the
    // copying goes on, so the old and the new text are never both held whole.
    bool release = !editor.keepsUndoCopy && inAddressOrder(views);
    constexpr std::size_t kReleaseStep = 32 << 20;
    char* out = buffer.data();
    char* released = out;
    for (std::string_view line : views) {
        const std::string_view first = side == Side::Start ? text : line;
        const std::string_view second = side == Side::Start ? line : text;
        // copy_n, not memcpy: an empty line's view may carry a null pointer
        std::copy_n(first.data(), first.size(), out);
        std::copy_n(second.data(), second.size(), out + first.size());
        lines.emplace_back(out, first.size() + second.size());
        out += first.size() + second.size();
        if (release && !line.empty() && static_cast<std::size_t>(out - released) >= kReleaseStep) {
            release = editor.doc.releaseBytesBefore(line.data());
            released = out;
        }
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
