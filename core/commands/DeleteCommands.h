#pragma once

#include "core/commands/Editor.h"

#include <string_view>

namespace linnery {

// "削除": the selected lines when more than one is selected, else the focus line. Undo copy always.
void deleteSelected(Editor& editor);
// "指定文と一致する行を削除": every line equal (byte for byte) to text. An empty text changes nothing and
// takes no undo copy. Returns whether the command ran.
bool deleteMatching(Editor& editor, std::string_view text);
// "空行削除": every line of length 0. Undo copy always.
void deleteEmpty(Editor& editor);
// "連続する重複行を削除": collapses runs of equal adjacent lines to their last line; returns the removed
// lines in removal order. Undo copy always.
LineList removeConsecutiveDuplicates(Editor& editor);

} // namespace linnery
