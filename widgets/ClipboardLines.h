#pragma once

#include "core/LineList.h"

#include <QMimeData>

namespace linnery {

// Clipboard contents made of lines: the text (each line followed by CR LF, decoded from the code page)
// is built only when a program asks for it, so exporting millions of lines returns at once.
class ClipboardLines : public QMimeData {
    Q_OBJECT
  public:
    explicit ClipboardLines(LineList lines) : lines_(std::move(lines)) {}

    QStringList formats() const override;

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

  private:
    LineList lines_;
};

} // namespace linnery
