#include "forms/Unit2.h"

#include "core/LineReplacer.h"
#include "forms/Unit4.h"
#include "widgets/CommandRunner.h"
#include "widgets/Dialogs.h"
#include "widgets/Fonts.h"
#include "widgets/OneLineValidator.h"
#include "widgets/TextCodec.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace linnery {

namespace {

// Only a drop of local files starts a run; dragged text or web links are refused.
bool holdsLocalFiles(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

TForm2::TForm2(TForm4* report, QWidget* parent) : QWidget(parent, Qt::Window), report_(report) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("行単位置き換え"));
    resize(488, 347);
    // Closing the main window ends the program even while this window is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    Edit1 = new QLineEdit(QStringLiteral("置換前"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(QStringLiteral("置換後"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    // Named by the texts they start with, which the user types over.
    Edit1->setAccessibleName(QStringLiteral("置換前"));
    Edit2->setAccessibleName(QStringLiteral("置換後"));
    for (QLineEdit* edit : {Edit1, Edit2}) {
        edit->setFont(msGothic(16));
        // A file dropped on an edit box is meant for the window, not pasted as text.
        edit->setAcceptDrops(false);
        OneLineValidator::install(edit);
    }

    Panel1 = new QLabel(
        QStringLiteral("このウィンドウにファイルをドロップすると、置換が始まります。複数可。"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setWordWrap(true);

    // Drops anywhere on the window reach it for its whole life.
    setAcceptDrops(true);
    runner_ = new CommandRunner({}, this);
    FormResize();
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The texts are there to be replaced: typing into a box that just got the focus overwrites them.
    Edit1->selectAll();
    Edit2->selectAll();
}

void TForm2::FormResize() {
    const int w = width();
    Edit1->setGeometry(0, 0, w, 24);
    Edit2->setGeometry(0, 24, w, 24);
    Panel1->setGeometry(0, 48, w, std::max(0, height() - 48));
}

void TForm2::dragEnterEvent(QDragEnterEvent* event) {
    if (holdsLocalFiles(event->mimeData()))
        event->acceptProposedAction();
}

void TForm2::dragMoveEvent(QDragMoveEvent* event) {
    if (holdsLocalFiles(event->mimeData()))
        event->acceptProposedAction();
}

void TForm2::dropEvent(QDropEvent* event) {
    if (!holdsLocalFiles(event->mimeData()))
        return;
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.push_back(pathBytes(url.toLocalFile()));
    event->acceptProposedAction();
    // The run shows modal windows; start it once the drop is finished, so the file manager that
    // dragged the files is not kept waiting for the report to be closed.
    QTimer::singleShot(0, this, [this, paths] { replaceDropped(paths); });
}

void TForm2::replaceDropped(const std::vector<std::string>& paths) {
    // Files dropped while a run (or a command of the main window) is under way are not processed.
    if (CommandRunner::busy())
        return;
    report_->clearReport();
    ReplacementReport result;
    const std::string search = Edit1->text().toStdString(), replacement = Edit2->text().toStdString();
    try {
        // On a thread of its own: the windows repaint meanwhile and take no input. Each file gets the
        // texts in its own code page.
        runner_->run([&] { replaceLinesInFiles(paths, typedTexts(search, replacement), result); });
    } catch (const std::exception& e) {
        reportError(e);
        return;
    }
    report_->setReport(result);
    Dialogs::instance().showModal(report_);
    raise();
    activateWindow();
}

} // namespace linnery
