#include "widgets/ListRowDelegate.h"

#include <QApplication>
#include <QPainter>

namespace linnery {

ListRowDelegate::ListRowDelegate(int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), rowHeight_};
}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    // The style draws the background, the selection and the focus; the text is drawn here.
    opt.text.clear();
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QPalette::ColorRole role =
        opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setClipRect(opt.rect);
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, role));
    // A line may be megabytes long; no glyph is narrower than a pixel once zero-width marks are set
    // aside, so a few times the row's width in characters covers everything that can show.
    const qsizetype shown = qsizetype(opt.rect.width()) * 4 + 64;
    painter->drawText(QPoint(opt.rect.left() + kTextIndent, opt.rect.top() + opt.fontMetrics.ascent()),
                      text.size() > shown ? text.left(shown) : text);
    painter->restore();
}

} // namespace linnery
