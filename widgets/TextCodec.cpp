#include "widgets/TextCodec.h"

#include "core/text/CodePage.h"

#include <QFile>

namespace linnery {

QString fromCodePage(std::string_view bytes, const CodePage& cp) {
    if (cp.kind() == CodePage::Kind::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string utf8 = cp.toUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toCodePage(QString text, const CodePage& cp) {
    const QByteArray utf8 = text.toUtf8();
    text = QString(); // a pasted text may be hundreds of megabytes: one form of it at a time
    if (cp.kind() == CodePage::Kind::Utf8)
        return utf8.toStdString();
    return cp.fromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::optional<std::string> typedInCodePage(const QString& text, const CodePage& cp, QString* missing) {
    const QByteArray utf8 = text.toUtf8();
    std::string lost;
    std::optional<std::string> bytes =
        cp.fromUtf8Exactly(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), &lost);
    if (missing)
        *missing = QString::fromStdString(lost);
    return bytes;
}

QString pathText(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace linnery
