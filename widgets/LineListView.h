#pragma once

#include <QListView>
#include <QPersistentModelIndex>

#include <algorithm>

namespace linnery {

// A list view of rows that are all as tall as the first, scrolled a row at a time, whose geometry is
// worked out from the row number alone. QListView lays out every row in advance, on the GUI thread,
// two ints a row: seconds and hundreds of megabytes at a hundred million lines, and pixel positions past
// the range of an int. This view does nothing per row but paint the rows on screen; it behaves as
// QListView in list mode with uniform item sizes does (keys, clicks, drags, selection, scrolling,
// accessibility), and is one to the program.
class LineListView : public QListView {
    Q_OBJECT

  public:
    explicit LineListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

  private:
    int rows() const;
    QSize rowSize() const; // the first row's size, every row's
    int rowHeight() const { return std::max(1, rowSize().height()); }
    int pageRows() const; // rows wholly on screen, at least one
    int top() const;      // the first row on screen
    // The row number at viewport height y, whether or not there is such a row (above the screen, below
    // the last row).
    long long rowAt(int y) const;
    QModelIndex indexOfRow(long long row) const;
    // The top of the row `rows` rows below the first on screen (above for a negative number), relative to it.
    static long long yOfRow(long long rows, int height);

    QPersistentModelIndex hover_;
};

} // namespace linnery
