#pragma once

#include "core/commands/Editor.h"

#include <string>
#include <string_view>

namespace linnery {

// Replaces the document by the lines of a clipboard text (bytes in the code page of `context`, which the
// document takes): CR LF, lone CR and lone LF end lines; a final line break gives one empty last line;
// an empty text gives one empty line. The undo copy can no longer be reached. The lines are kept in the
// text's own storage, so a text of millions of lines is not copied again.
void importClipboardText(Editor& editor, std::string text, TextContextPtr context);
// The lines the export takes: the selected lines (more than one selected) or all lines. They share the
// document's bytes, so taking them costs no copy of the text.
LineList exportedLines(const Document& doc);
// Every line followed by CR LF.
std::string clipboardText(const LineList& lines);
// clipboardText(exportedLines(doc)).
std::string exportClipboardText(const Document& doc);

} // namespace linnery
