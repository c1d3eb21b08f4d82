#pragma once

class QAbstractItemView;

namespace linnery {

// Gives every row of a list the same fixed height in pixels, whatever its font reports.
void setRowHeight(QAbstractItemView* view, int pixels);

} // namespace linnery
