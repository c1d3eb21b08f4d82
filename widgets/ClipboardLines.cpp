#include "widgets/ClipboardLines.h"

#include "core/commands/ClipboardTransfer.h"
#include "widgets/TextCodec.h"

namespace linnery {

namespace {
const QString kPlainText = QStringLiteral("text/plain");
} // namespace

QStringList ClipboardLines::formats() const {
    return {kPlainText};
}

QVariant ClipboardLines::retrieveData(const QString& mimeType, QMetaType) const {
    if (mimeType != kPlainText)
        return {};
    return fromCodePage(clipboardText(lines_), *codePage_);
}

} // namespace linnery
