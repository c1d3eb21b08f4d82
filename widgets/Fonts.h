#pragma once

#include <QFont>

namespace linnery {

// The fonts the windows ask for by their Japanese names, mapped to the IPA Gothic fonts on Linux.
void installFontSubstitutes();
QFont msGothic(int pixelSize);  // "ＭＳ ゴシック"
QFont msPGothic(int pixelSize); // "ＭＳ Ｐゴシック"

} // namespace linnery
