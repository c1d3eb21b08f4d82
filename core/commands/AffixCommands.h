#pragma once

#include "core/commands/Editor.h"

#include <string_view>

namespace linnery {

// "行頭に文字列を追加" / "行末に文字列を追加": text before or after every line. An empty text changes
// nothing and takes no undo copy. Returns whether the command ran.
bool addPrefix(Editor& editor, std::string_view text);
bool addSuffix(Editor& editor, std::string_view text);

} // namespace linnery
