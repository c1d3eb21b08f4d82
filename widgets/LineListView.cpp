#include "widgets/LineListView.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStylePainter>

#include <cstdlib>

namespace linnery {

namespace {

// Rows this many pixels or more above or below the screen are one pixel tall and one pixel apart, so
// that every row's rectangle has edges an int holds, and the item view, which selects from one row's
// rectangle to another's, still finds each row from its place.
constexpr long long kNear = 1LL << 28;

long long floorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

LineListView::LineListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem);
}

int LineListView::rows() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QSize LineListView::rowSize() const {
    const QModelIndex first = indexOfRow(0);
    return first.isValid() ? sizeHintForIndex(first) : QSize(0, 1);
}

int LineListView::pageRows() const {
    return std::max(1, viewport()->height() / rowHeight());
}

int LineListView::top() const {
    return verticalScrollBar()->value();
}

long long LineListView::rowAt(int y) const {
    const int height = rowHeight();
    const long long nearRows = kNear / height, nearPixels = nearRows * height;
    const long long rows =
        std::abs(y) < nearPixels
            ? floorDiv(y, height)
            : (y < 0 ? -1 : 1) * (nearRows + std::abs(static_cast<long long>(y)) - nearPixels);
    return top() + rows;
}

long long LineListView::yOfRow(long long rows, int height) {
    const long long near = kNear / height; // rows in full height on either side
    const long long far = std::abs(rows) - near;
    return far <= 0 ? rows * height : (rows < 0 ? -1 : 1) * (near * height + far);
}

QModelIndex LineListView::indexOfRow(long long row) const {
    if (!model() || row < 0 || row >= model()->rowCount(rootIndex()))
        return {};
    return model()->index(static_cast<int>(row), modelColumn(), rootIndex());
}

void LineListView::doItemsLayout() {
    // Nothing to lay out: the scroll bars and the screen are all there is. QListView's own would lay
    // out every row, which is what this view is for not doing.
    // NOLINTNEXTLINE(bugprone-parent-virtual-call)
    QAbstractItemView::doItemsLayout();
}

QRect LineListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        index.column() != modelColumn())
        return {};
    const QSize size = rowSize();
    const long long rows = static_cast<long long>(index.row()) - top();
    const long long y = yOfRow(rows, std::max(1, size.height()));
    const bool near = y == rows * std::max(1, size.height());
    // Rows are as wide as the screen, or as the first row where that is wider.
    return {-horizontalOffset(), static_cast<int>(y), std::max(size.width(), viewport()->width()),
            near ? size.height() : 1};
}

QModelIndex LineListView::indexAt(const QPoint& point) const {
    const QModelIndex index = indexOfRow(rowAt(point.y()));
    return index.isValid() && visualRect(index).contains(point) ? index : QModelIndex();
}

void LineListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return;
    const int row = index.row(), page = pageRows(), first = top();
    int value = first;
    switch (hint) {
    case EnsureVisible:
        if (row < first)
            value = row;
        else if (row >= first + page)
            value = row - page + 1;
        break;
    case PositionAtTop:
        value = row;
        break;
    case PositionAtBottom:
        value = row - page + 1;
        break;
    case PositionAtCenter:
        value = row - page / 2;
        break;
    }
    if (value != first)
        verticalScrollBar()->setValue(value);
    else
        viewport()->update(visualRect(index));
}

QModelIndex LineListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const QModelIndex current = currentIndex();
    const int count = rows();
    if (!current.isValid())
        return indexOfRow(0);
    const int row = current.row(), page = pageRows();
    // Rows no taller than the screen step a page less one row, so the row left behind stays in sight.
    const int pageStep = rowHeight() >= viewport()->height() ? 1 : page - 1;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        return row > 0 ? indexOfRow(row - 1) : current;
    case MoveDown:
    case MoveNext:
        return row + 1 < count ? indexOfRow(row + 1) : current;
    case MovePageUp:
        return indexOfRow(std::max(0, row - std::max(1, pageStep)));
    case MovePageDown:
        return indexOfRow(std::min(count - 1, row + std::max(1, pageStep)));
    case MoveHome:
        return indexOfRow(0);
    case MoveEnd:
        return indexOfRow(count - 1);
    case MoveLeft:
    case MoveRight:
        break;
    }
    return current;
}

int LineListView::horizontalOffset() const {
    return isRightToLeft() ? horizontalScrollBar()->maximum() - horizontalScrollBar()->value()
                           : horizontalScrollBar()->value();
}

int LineListView::verticalOffset() const {
    // In pixels, for the item view's bookkeeping of a press while the list scrolls (a drag that scrolls);
    // far down a very long list it stops growing, so that a press position plus the offset stays in an int.
    return static_cast<int>(std::min(static_cast<long long>(top()) * rowHeight(), kNear * 4));
}

void LineListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!selectionModel())
        return;
    const long long count = rows();
    long long first = rowAt(std::min(rect.top(), rect.bottom()));
    long long last = rowAt(std::max(rect.top(), rect.bottom()));
    QItemSelection selection;
    if (state() == DragSelectingState) {
        // Every row the dragged rectangle touches.
        first = std::max(0LL, first);
        last = std::min(count - 1, last);
    } else if (first < 0 || last >= count) {
        first = 1, last = 0; // a click or a key selects rows only between two rows
    }
    if (rect.width() == 1 && rect.height() == 1)
        last = first;
    if (first <= last && first >= 0 && last < count)
        selection.select(indexOfRow(first), indexOfRow(last));
    selectionModel()->select(selection, command);
}

QRegion LineListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect screen = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const QRect rect(visualRect(range.topLeft()).topLeft(),
                         visualRect(range.bottomRight()).bottomRight());
        if (screen.intersects(rect))
            region += rect.intersected(screen);
    }
    return region;
}

void LineListView::paintEvent(QPaintEvent* event) {
    if (!itemDelegate() || !model())
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QStylePainter painter(viewport());
    const QModelIndex current = currentIndex();
    const QItemSelectionModel* selections = selectionModel();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const bool enabled = (state & QStyle::State_Enabled) != 0;
    const int width = std::max(viewport()->width(), rowSize().width());
    const QRect area = event->rect();
    const long long end = std::min<long long>(rows(), rowAt(area.bottom()) + 1);
    for (long long row = std::max(0LL, rowAt(area.top())); row < end; ++row) {
        const QModelIndex index = indexOfRow(row);
        option.rect = visualRect(index);
        option.rect.setWidth(std::min(width, option.rect.width()));
        option.state = state;
        if (selections && selections->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            const bool rowEnabled = (model()->flags(index) & Qt::ItemIsEnabled) != 0;
            option.state.setFlag(QStyle::State_Enabled, rowEnabled);
            option.palette.setCurrentColorGroup(rowEnabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && current == index)
            option.state |= QStyle::State_HasFocus;
        option.state.setFlag(QStyle::State_MouseOver, index == hover_);
        if (alternatingRowColors()) {
            option.features.setFlag(QStyleOptionViewItem::Alternate, (row & 1) != 0);
            const QStyle::State withSelection = option.state;
            option.state &= ~QStyle::State_Selected;
            painter.drawPrimitive(QStyle::PE_PanelItemViewRow, option);
            option.state = withSelection;
        }
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void LineListView::updateGeometries() {
    const int count = rows();
    if (geometry().isEmpty() || count <= 0) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
    } else {
        const QSize size = rowSize();
        // As QListView: where every row fits, the page is one step longer than the list.
        const bool fits = static_cast<long long>(count) * rowHeight() <= viewport()->height();
        const int page = fits ? count + 1 : pageRows();
        verticalScrollBar()->setSingleStep(1);
        verticalScrollBar()->setPageStep(page);
        verticalScrollBar()->setRange(0, std::max(0, count - page));
        horizontalScrollBar()->setSingleStep(std::max(1, size.width()));
        horizontalScrollBar()->setPageStep(viewport()->width());
        horizontalScrollBar()->setRange(0, std::max(0, size.width() - viewport()->width()));
    }
    // QListView's own reads the layout this view does not make.
    // NOLINTNEXTLINE(bugprone-parent-virtual-call)
    QAbstractItemView::updateGeometries();
}

void LineListView::scrollContentsBy(int dx, int dy) {
    const long long pixels = static_cast<long long>(dy) * rowHeight();
    if (std::abs(pixels) < viewport()->height())
        viewport()->scroll(isRightToLeft() ? -dx : dx, static_cast<int>(pixels));
    else
        viewport()->update();
}

bool LineListView::viewportEvent(QEvent* event) {
    // The row under the mouse, drawn as such where the style wants it.
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        hover_ = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        hover_ = QModelIndex();
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

void LineListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
#endif
    // NOLINTNEXTLINE(bugprone-parent-virtual-call): told above, without QListView's layout
    QAbstractItemView::currentChanged(current, previous);
}

void LineListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
#if QT_CONFIG(accessibility)
    // The first row of each change, as QListView tells it, without listing every row of a range.
    if (QAccessible::isActive()) {
        for (const auto& [ranges, type] : {std::pair{&selected, QAccessible::SelectionAdd},
                                           std::pair{&deselected, QAccessible::SelectionRemove}}) {
            if (ranges->isEmpty() || !ranges->first().isValid())
                continue;
            QAccessibleEvent event(this, type);
            event.setChild(ranges->first().top());
            QAccessible::updateAccessibility(&event);
        }
    }
#endif
    // NOLINTNEXTLINE(bugprone-parent-virtual-call): told above, without QListView's layout
    QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace linnery
