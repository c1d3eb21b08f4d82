// The clipboard import (cut into lines at every line break) and export (CR LF after every line).

#include "FuzzSupport.h"

#include "core/commands/ClipboardTransfer.h"

using namespace linnery;
using namespace linnery::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const auto selector = data.ConsumeIntegral<std::uint64_t>();
    const std::string text = data.ConsumeRemainingBytesAsString();

    // The text up to its NUL with one CR LF appended, cut by the text-file rules: a final line break
    // leaves one empty line, an empty text gives one empty line.
    static const TextSettings settings(nullptr, "");
    Editor editor(settings);
    importClipboardText(editor, text, settings.contextForNewText());
    const std::vector<std::string> lines = linesOf(editor.doc.lines());
    FUZZ_CHECK(lines == modelLines(text.substr(0, text.find('\0')) + "\r\n"));
    FUZZ_CHECK(editor.doc.selectedCount() == 0 && editor.undoState == UndoState::None);

    // Export writes every line with CR LF; imported again that gives one more, empty line.
    const std::string exported = exportClipboardText(editor.doc);
    std::string expected;
    for (const std::string& line : lines)
        expected += line + "\r\n";
    FUZZ_CHECK(exported == expected);
    Editor again(settings);
    importClipboardText(again, exported, settings.contextForNewText());
    std::vector<std::string> plusOne = lines;
    plusOne.emplace_back();
    FUZZ_CHECK(linesOf(again.doc.lines()) == plusOne);

    // More than one selected line: only those, in document order.
    std::string selected;
    for (int i = 0; i < editor.doc.count() && i < 64; ++i)
        if (selector >> i & 1) {
            editor.doc.setSelected(i, true);
            selected += lines[static_cast<std::size_t>(i)] + "\r\n";
        }
    if (editor.doc.selectedCount() > 1)
        FUZZ_CHECK(exportClipboardText(editor.doc) == selected);
    return 0;
}
