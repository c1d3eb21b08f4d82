#pragma once

#include "core/lines/LineList.h"
#include "core/text/CodePage.h"

#include <QMimeData>

#include <memory>

namespace linnery {

// Clipboard contents made of lines: the text (each line followed by CR LF, decoded from the code page)
// is built only when a program asks for it, so exporting millions of lines returns at once. The lines
// keep the code page they were exported in, whatever document is opened later.
class ClipboardLines : public QMimeData {
    Q_OBJECT
  public:
    ClipboardLines(LineList lines, std::shared_ptr<const CodePage> codePage)
        : lines_(std::move(lines)), codePage_(std::move(codePage)) {}

    QStringList formats() const override;

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

  private:
    LineList lines_;
    std::shared_ptr<const CodePage> codePage_;
};

} // namespace linnery
