#pragma once

#include "core/lines/Document.h"
#include "core/lines/LineList.h"

namespace linnery {

// The order-changing commands work on the selected lines when more than one is selected, otherwise on
// the whole document.
inline bool usesSelectionScope(const Document& doc) {
    return doc.selectedCount() > 1;
}

struct GatheredLines {
    LineList lines;  // the selected lines, bottom-up (the last selected line first)
    int anchor = -1; // the index the topmost selected line had
};

// Takes the selected lines out of the document in one pass; the unselected lines keep their order.
GatheredLines gatherSelection(Document& doc);
// Puts the block back at the anchor index in one pass, its lines selected and no other line selected.
void reinsertBlock(Document& doc, int anchor, const LineList& block);

} // namespace linnery
