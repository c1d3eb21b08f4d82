#pragma once

#include <QStyledItemDelegate>

namespace linnery {

// Rows of one fixed height whose text starts at the row's top edge, baseline at the font's ascent, as a
// plain list box draws it. Qt's own delegate centres the text: a font taller than the row then loses the
// top of its glyphs, and the first row loses them under the list's frame.
class ListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    ListRowDelegate(int rowHeight, QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Space between the row's left edge and its text.
    static constexpr int kTextIndent = 2;

  private:
    int rowHeight_;
};

} // namespace linnery
