#pragma once

#include <QValidator>

class QLineEdit;

namespace linnery {

// Keeps an edit box's text on one line: CR, LF and NUL, which a paste or a drop can bring, are removed
// as they arrive, so an entered text never splits a line when it is saved.
class OneLineValidator : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

    // Gives the edit box such a validator.
    static void install(QLineEdit* edit);
};

} // namespace linnery
