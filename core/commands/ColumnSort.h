#pragma once

#include "core/commands/Editor.h"

#include <string>
#include <vector>

namespace linnery {

// The fields of the document's first line; the list-index error for 0 on an empty document.
std::vector<std::string> firstLineFields(const Document& doc);
// Sorts the whole document by field k (0-based) in collation order of the key-first forms, every line
// normalised by splitting and joining. With fewer than 2 lines nothing happens (no undo copy). On an
// error nothing is left half done: the document is unchanged and the progress caption is "-".
void columnSort(Editor& editor, int k);

} // namespace linnery
