#pragma once

#include "core/commands/Editor.h"

namespace linnery {

// The four orders of the Edit menu. Each works in the selection scope (SelectionScope.h), takes the undo
// copy and shows its progress as the main window's commands do; none refreshes the title.

// Collation order ("５０音順ソート"): undo copy always, no progress.
void collationSort(Editor& editor);
// Reverse order ("逆並びソート"): nothing at all with fewer than 2 lines.
void reverseOrder(Editor& editor);
// Shortest first by bytes, stable ("長さ順ソート"): nothing at all with fewer than 2 lines.
void lengthSort(Editor& editor);
// Random order with the editor's generator and tick count ("ランダムソート"): nothing at all with fewer than
// 2 lines.
void randomOrder(Editor& editor);

} // namespace linnery
