#include "widgets/RowHeight.h"

#include "widgets/ListRowDelegate.h"

#include <QAbstractItemView>

namespace linnery {

void setRowHeight(QAbstractItemView* view, int pixels) {
    view->setItemDelegate(new ListRowDelegate(pixels, view));
}

} // namespace linnery
