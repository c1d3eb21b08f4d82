#include "widgets/AppIcon.h"

#include <QApplication>

namespace linnery {

QIcon programIcon() {
    return QIcon::fromTheme(QStringLiteral("linnery"), QIcon(QStringLiteral(":/linnery/linnery.svg")));
}

void installProgramIcon() {
    QApplication::setWindowIcon(programIcon());
}

} // namespace linnery
