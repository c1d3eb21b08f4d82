#pragma once

#include "core/text/Settings.h"

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;

namespace linnery {

class CommandRunner;
class TForm4;

// The line replacement window: in every file dropped on it, each line equal to Edit1's text becomes
// Edit2's text; the report window then lists the rewritten files. Modeless; works on files only.
class TForm2 : public QWidget {
    Q_OBJECT
  public:
    // `settings` judge each dropped file's code page.
    explicit TForm2(TForm4* report, TextSettings settings = TextSettings::read(), QWidget* parent = nullptr);
    // The report window is created after this one at start-up.
    void setReportWindow(TForm4* report) { report_ = report; }

    // The replacement run over the dropped paths (bytes), in drop order.
    void replaceDropped(const std::vector<std::string>& paths);

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLabel* Panel1;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void FormResize();

    TForm4* report_;
    TextSettings settings_;
    CommandRunner* runner_;
};

} // namespace linnery
