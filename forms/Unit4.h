#pragma once

#include <QDialog>
#include <QMargins>

class QLabel;
class QListWidget;

namespace linnery {

struct ReplacementReport;

// The replacement report: the summary of the last run and the files it rewrote. Shown modally by the
// line replacement window, centred on the screen every time.
class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    // Empties the list of rewritten files (the summary stays until the next report).
    void clearReport();
    // The summary line and the rewritten paths (file-system bytes), in processing order.
    void setReport(const ReplacementReport& report);

    QLabel* Label1;
    QListWidget* ListBox1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void FormResize();
    void FormShow();
    void centreOnScreen();

    // Until the window manager's frame is known, the window was centred without it.
    bool awaitingFrame_ = false;
    QMargins centredFrame_;
};

} // namespace linnery
