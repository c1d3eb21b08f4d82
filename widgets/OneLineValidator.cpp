#include "widgets/OneLineValidator.h"

#include <QLineEdit>

namespace linnery {

QValidator::State OneLineValidator::validate(QString& input, int& pos) const {
    const auto breaksLine = [](QChar c) { return c == u'\r' || c == u'\n' || c == u'\0'; };
    qsizetype kept = 0;
    int cursor = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (!breaksLine(input[i]))
            input[kept++] = input[i];
        else if (i < pos)
            --cursor;
    }
    input.truncate(kept);
    pos = cursor;
    return Acceptable;
}

void OneLineValidator::install(QLineEdit* edit) {
    edit->setValidator(new OneLineValidator(edit));
}

} // namespace linnery
