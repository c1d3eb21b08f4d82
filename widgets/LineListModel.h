#pragma once

#include "core/lines/LineList.h"

#include <QAbstractListModel>
#include <QStringList>

namespace linnery {

// A list view's rows over a line list: only the rows the view shows are decoded, so a list of millions
// of lines scrolls like a short one. Changes to the list are announced with reset().
class LineListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit LineListModel(const LineList* lines, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Around a change of the list: the view asks for nothing in between.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

    // Before the list is changed on another thread: from here on the model answers from a picture of
    // the rows first..last (decoded now) and reads the list no more; other rows are empty. thaw() shows
    // the list as it is then.
    void freeze(int first, int last);
    void thaw();

  private:
    const LineList* lines_;
    bool frozen_ = false;
    int frozenCount_ = 0;
    int frozenFirst_ = 0;
    QStringList frozenRows_;
};

} // namespace linnery
