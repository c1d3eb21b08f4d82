#pragma once

#include "core/lines/LineList.h"
#include "core/text/CodePage.h"

#include <QAbstractListModel>
#include <QStringList>

#include <memory>

namespace linnery {

// A list view's rows over a line list: only the rows the view shows are decoded, so a list of millions
// of lines scrolls like a short one. Changes to the list are announced with reset(). The rows are
// decoded with the code page the model was last given, never with one a command is changing.
class LineListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    LineListModel(const LineList* lines, std::shared_ptr<const CodePage> codePage, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Around a change of the list: the view asks for nothing in between.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }
    // Between beginChange() and endChange(): the code page of the list's new lines.
    void setCodePage(std::shared_ptr<const CodePage> codePage) { codePage_ = std::move(codePage); }

    // Before the list is changed on another thread: from here on the model answers from a picture of
    // the rows first..last (decoded now) and reads the list no more; other rows are empty. thaw() shows
    // the list as it is then, decoded with `codePage` (the document's after the change).
    void freeze(int first, int last);
    void thaw(std::shared_ptr<const CodePage> codePage);

  private:
    const LineList* lines_;
    std::shared_ptr<const CodePage> codePage_;
    bool frozen_ = false;
    int frozenCount_ = 0;
    int frozenFirst_ = 0;
    QStringList frozenRows_;
};

} // namespace linnery
