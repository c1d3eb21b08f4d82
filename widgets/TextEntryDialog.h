#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace linnery {

// The text-entry dialog: caption, prompt, a one-line edit box (at most 255 characters) holding the
// default text all selected, "OK" (Enter) and "ｷｬﾝｾﾙ" (Esc). Fixed frame, centred on the screen, laid
// out in dialog units of its font.
class TextEntryDialog : public QDialog {
    Q_OBJECT
  public:
    TextEntryDialog(QWidget* parent, const QString& caption, const QString& prompt,
                    const QString& defaultText);

    // The edit box's text after OK; the default text after any other way of closing.
    QString result() const;

    QLabel* promptLabel() const { return prompt_; }
    QLineEdit* edit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Shows the dialog modally and returns its result.
    static QString ask(QWidget* parent, const QString& caption, const QString& prompt,
                       const QString& defaultText);

  private:
    QLabel* prompt_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QString default_;
};

} // namespace linnery
