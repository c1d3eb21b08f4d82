#include "widgets/LineListModel.h"

#include "widgets/TextCodec.h"

namespace linnery {

LineListModel::LineListModel(const LineList* lines, QObject* parent)
    : QAbstractListModel(parent), lines_(lines) {}

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !lines_ ? 0 : lines_->count();
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!lines_ || !index.isValid() || index.row() >= lines_->count())
        return {};
    if (role == Qt::DisplayRole)
        return fromCodePage(lines_->at(index.row()));
    return {};
}

void LineListModel::setLines(const LineList* lines) {
    beginResetModel();
    lines_ = lines;
    endResetModel();
}

} // namespace linnery
