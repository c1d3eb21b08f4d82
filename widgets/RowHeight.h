#pragma once

class QAbstractItemView;

namespace linnery {

// Gives every row of a list the same fixed height in pixels, whatever its font reports, its text drawn
// from the row's top edge.
void setRowHeight(QAbstractItemView* view, int pixels);

} // namespace linnery
