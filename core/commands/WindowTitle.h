#pragma once

#include <string>
#include <string_view>

namespace linnery {

// The text of the main window's caption (UTF-8): the name part of the open name as the window shows
// it, " - (", the line count, "行) - Linnery".
std::string titleCaption(std::string_view shownName, int lineCount);

// The open name after a clipboard import and after an open dialog left it empty.
inline constexpr std::string_view kClipboardName = "ClipBoard";

} // namespace linnery
