#include "widgets/Fonts.h"

#include <QStringList>

namespace linnery {

namespace {
const QString kGothic = QStringLiteral("ＭＳ ゴシック");
const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");

QFont pixelFont(const QString& family, int pixelSize) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}
} // namespace

void installFontSubstitutes() {
    QFont::insertSubstitutions(kGothic,
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Monospace")});
    QFont::insertSubstitutions(kPGothic, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAPゴシック"),
                                          QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Sans Serif")});
}

QFont msGothic(int pixelSize) {
    return pixelFont(kGothic, pixelSize);
}
QFont msPGothic(int pixelSize) {
    return pixelFont(kPGothic, pixelSize);
}

} // namespace linnery
