#include "widgets/RowHeight.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace linnery {

namespace {

class FixedRowDelegate : public QStyledItemDelegate {
  public:
    FixedRowDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

  private:
    int height_;
};

} // namespace

void setRowHeight(QAbstractItemView* view, int pixels) {
    view->setItemDelegate(new FixedRowDelegate(pixels, view));
}

} // namespace linnery
