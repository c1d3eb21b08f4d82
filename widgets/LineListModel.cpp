#include "widgets/LineListModel.h"

#include "widgets/TextCodec.h"

#include <algorithm>

namespace linnery {

LineListModel::LineListModel(const LineList* lines, std::shared_ptr<const CodePage> codePage, QObject* parent)
    : QAbstractListModel(parent), lines_(lines), codePage_(std::move(codePage)) {}

int LineListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !lines_)
        return 0;
    return frozen_ ? frozenCount_ : lines_->count();
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!lines_ || !index.isValid() || role != Qt::DisplayRole)
        return {};
    const int row = index.row();
    if (frozen_) {
        const int i = row - frozenFirst_;
        return i >= 0 && i < frozenRows_.size() ? frozenRows_[i] : QString();
    }
    if (row >= lines_->count())
        return {};
    return fromCodePage(lines_->at(row), *codePage_);
}

void LineListModel::freeze(int first, int last) {
    frozenCount_ = lines_ ? lines_->count() : 0;
    frozenFirst_ = std::max(0, first);
    last = std::min(last, frozenCount_ - 1);
    frozenRows_.clear();
    for (int row = frozenFirst_; row <= last; ++row)
        frozenRows_ << fromCodePage(lines_->at(row), *codePage_);
    frozen_ = true;
}

void LineListModel::thaw(std::shared_ptr<const CodePage> codePage) {
    codePage_ = std::move(codePage);
    const int count = lines_ ? lines_->count() : 0;
    if (count > 0 && count == frozenCount_) {
        // Same rows, new texts: a reset would make the view lay out every row again, which takes a
        // while for millions of them.
        frozen_ = false;
        frozenRows_.clear();
        emit dataChanged(index(0), index(count - 1), {Qt::DisplayRole});
        return;
    }
    beginResetModel();
    frozen_ = false;
    frozenRows_.clear();
    endResetModel();
}

} // namespace linnery
