#include "core/lines/SelectionScope.h"

#include "core/lines/LineError.h"

#include <string_view>
#include <vector>

namespace linnery {

GatheredLines gatherSelection(Document& doc) {
    GatheredLines gathered;
    const LineViews& lines = doc.lines().views();
    const std::vector<std::uint8_t>& selected = doc.selection();
    const int n = doc.count();

    // The walk from the bottom, in one pass: selected lines collect bottom-up, the others keep their order.
    LineViews taken;
    LineViews kept;
    taken.reserve(static_cast<std::size_t>(doc.selectedCount()));
    kept.reserve(static_cast<std::size_t>(n - doc.selectedCount()));
    for (int i = n - 1; i >= 0; --i) {
        if (selected[static_cast<std::size_t>(i)]) {
            taken.push_back(lines, static_cast<std::size_t>(i));
            gathered.anchor = i;
        }
    }
    for (int i = 0; i < n; ++i)
        if (!selected[static_cast<std::size_t>(i)])
            kept.push_back(lines, static_cast<std::size_t>(i));

    gathered.lines.assignViews(std::move(taken), doc.lines());
    LineList rest;
    rest.assignViews(std::move(kept), doc.lines());
    doc.reorder(std::move(rest));
    return gathered;
}

void reinsertBlock(Document& doc, int anchor, const LineList& block) {
    const int n = doc.count();
    if (anchor == -1)
        anchor = n;
    if (anchor < 0 || anchor > n)
        throw LineError::insert();
    const LineViews& lines = doc.lines().views();
    const LineViews& blockLines = block.views();

    LineViews merged;
    merged.reserve(lines.size() + blockLines.size());
    const auto at = static_cast<std::size_t>(anchor);
    merged.append(lines, 0, at);
    merged.append(blockLines, 0, blockLines.size());
    merged.append(lines, at, lines.size());

    // The copy keeps the document's buffers alive; assignViews adds the block's.
    LineList result = doc.lines();
    result.assignViews(std::move(merged), block);
    doc.reorder(std::move(result));
    for (int k = 0; k < block.count(); ++k)
        doc.setSelected(anchor + k, true);
    if (!block.empty())
        doc.setFocus(anchor);
}

} // namespace linnery
