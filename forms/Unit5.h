#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QFrame;
class QListWidget;
class QToolButton;

namespace linnery {

class CodePage;
class TLabel3D;

// The column sort window: the fields of the document's first line; the user picks the one to sort by.
// The sort itself is the main window's (it connects sortRequested, runs the sort and closes this window).
class TForm5 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);

    // Fields as bytes in the code page; replaces the list, and no field is chosen afterwards.
    // The fields are bytes in the code page `cp` (the document's).
    void setFields(const std::vector<std::string>& fields, const CodePage& cp);

    QFrame* Panel1;
    QToolButton* SpeedButton1;
    TLabel3D* Label3D1;
    QListWidget* ListBox1;

  signals:
    // k: the 0-based index of the chosen field.
    void sortRequested(int k);

  public slots:
    void SpeedButton1Click();

  private:
    void FormCreate();
};

} // namespace linnery
