#include "widgets/OneLineValidator.h"

#include "core/lines/LineList.h"

#include <QLineEdit>

namespace linnery {

QValidator::State OneLineValidator::validate(QString& input, int& pos) const {
    qsizetype kept = 0;
    int cursor = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (!endsLine(input[i].unicode()))
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
