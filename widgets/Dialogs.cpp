#include "widgets/Dialogs.h"

#include "core/lines/LineError.h"
#include "widgets/TextCodec.h"
#include "widgets/TextEntryDialog.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include <new>

namespace linnery {

namespace {
Dialogs* installed = nullptr;

const QString kTitle = QStringLiteral("Linnery");

bool runFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter, QString& fileName) {
    // Each dialog starts on its first filter and then on the one the user chose last in it.
    static QString lastFilter[2];
    QString& remembered = lastFilter[mode == QFileDialog::AcceptSave ? 1 : 0];
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile); // a name that does not exist is taken; the load then fails
    dialog.setNameFilters(qtFileFilter(filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(
        QString()); // the default extension text is handed over unchanged: no suffix logic
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!remembered.isEmpty())
        dialog.selectNameFilter(remembered);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    const bool confirmed = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    remembered = dialog.selectedNameFilter();
    if (!confirmed)
        return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}
void showBox(QMessageBox::Icon icon, const QString& text, const QString& detail) {
    QMessageBox box(icon, kTitle, text, QMessageBox::Ok);
    box.setDetailedText(detail);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

// The box's text and detail for an error.
void boxTexts(const LineError& error, QString& text, QString& detail) {
    const auto utf8 = [](std::string_view words) { return std::string(words); };
    const auto fileName = [](std::string_view path) { return pathText(path).toStdString(); };
    text = QString::fromStdString(errorBoxText(error, utf8, fileName));
    // The path is file-system bytes, the reason is in the locale's encoding.
    detail = QString::fromLocal8Bit(error.reason());
    if (!detail.isEmpty() && !error.path().empty())
        detail = pathText(error.path()) + QStringLiteral(": ") + detail;
}

} // namespace

Dialogs& Dialogs::instance() {
    static QtDialogs qtDialogs;
    return installed ? *installed : qtDialogs;
}

void Dialogs::setInstance(Dialogs* dialogs) {
    installed = dialogs;
}

bool QtDialogs::openFile(QWidget* parent, const QString& filter, QString& fileName) {
    return runFileDialog(parent, QFileDialog::AcceptOpen, filter, fileName);
}

bool QtDialogs::saveFile(QWidget* parent, const QString& filter, QString& fileName) {
    return runFileDialog(parent, QFileDialog::AcceptSave, filter, fileName);
}

void QtDialogs::errorBox(const QString& text, const QString& detail) {
    showBox(QMessageBox::Critical, text, detail);
}

void QtDialogs::informationBox(const QString& text, const QString& detail) {
    showBox(QMessageBox::Information, text, detail);
}

void QtDialogs::messageBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, parent);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

QString QtDialogs::textEntry(QWidget* parent, const QString& caption, const QString& prompt,
                             const QString& defaultText) {
    return TextEntryDialog::ask(parent, caption, prompt, defaultText);
}

void QtDialogs::showModal(QDialog* window) {
    window->exec();
}

void QtDialogs::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" means every file, also those without an extension.
        for (QString& p : patterns)
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        const QString joined = patterns.join(QLatin1Char(' '));
        const QString shown = QLatin1Char('(') + parts[i + 1] + QLatin1Char(')');
        // A name that already shows its patterns keeps them in Qt's form; others get them appended.
        if (name.endsWith(shown))
            name.chop(shown.size());
        else
            name += QLatin1Char(' ');
        filters << name + QLatin1Char('(') + joined + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

void reportError(const std::exception& error) {
    QString text, detail;
    if (const auto* lineError = dynamic_cast<const LineError*>(&error)) {
        boxTexts(*lineError, text, detail);
    } else if (dynamic_cast<const std::bad_alloc*>(&error)) {
        text = QString::fromStdString(errorBoxText(LineError::insert().what()));
    } else {
        text = QString::fromUtf8(error.what());
    }
    Dialogs::instance().errorBox(text, detail);
}

void reportInformation(const LineError& news) {
    QString text, detail;
    boxTexts(news, text, detail);
    Dialogs::instance().informationBox(text, detail);
}

} // namespace linnery
