#pragma once

#include "core/lines/LineList.h"
#include "core/text/CodePage.h"

#include <QDialog>

#include <memory>

class QListView;
class QStatusBar;

namespace linnery {

class LineListModel;

// The removed-lines window: the lines the last consecutive-duplicate removal took out, in removal
// order, above a status bar with a fixed explanation. Created hidden at start-up, shown modally.
class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);

    // Replaces the list's content; it stays until the next call (closing the window keeps it).
    // The lines are bytes in `codePage` (the document's).
    void setRemovedLines(LineList lines, std::shared_ptr<const CodePage> codePage);
    const LineList& removedLines() const { return lines_; }

    QListView* ListBox1;
    QStatusBar* StatusBar1;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FormResize();

    LineList lines_;
    LineListModel* model_;
};

} // namespace linnery
