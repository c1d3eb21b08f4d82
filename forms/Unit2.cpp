#include "forms/Unit2.h"

#include "core/commands/LineReplacer.h"
#include "forms/Unit4.h"
#include "widgets/CommandRunner.h"
#include "widgets/Dialogs.h"
#include "widgets/FileDrops.h"
#include "widgets/Fonts.h"
#include "widgets/OneLineValidator.h"
#include "widgets/TextCodec.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace linnery {

namespace {

// Rewriting a file that holds a NUL byte would cut it there, so it is left whole; the user hears which
// files those were. The box names the first few, its details every one.
void tellLeftAtNul(const std::vector<std::string>& paths) {
    constexpr std::size_t kNamedInText = 10;
    if (paths.empty())
        return;
    QString text = QString::fromStdString(leftAtNulNotice(static_cast<int>(paths.size())));
    QString detail;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (i < kNamedInText)
            text += QLatin1Char('\n') + pathText(paths[i]);
        detail += pathText(paths[i]) + QLatin1Char('\n');
    }
    if (paths.size() > kNamedInText)
        text += QStringLiteral("\n…");
    else
        detail.clear();
    Dialogs::instance().informationBox(text, detail);
}

} // namespace

TForm2::TForm2(TForm4* report, TextSettings settings, QWidget* parent)
    : QWidget(parent, Qt::Window), report_(report), settings_(std::move(settings)) {
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
    // Only a drop of local files starts a run; dragged text or web links are refused.
    acceptDrag(event, DropRule::LocalFilesOnly);
}

void TForm2::dragMoveEvent(QDragMoveEvent* event) {
    acceptDrag(event, DropRule::LocalFilesOnly);
}

void TForm2::dropEvent(QDropEvent* event) {
    takeDrop(event, DropRule::LocalFilesOnly, this, [this](const auto& paths) { replaceDropped(paths); });
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
        runner_->run([&] { replaceLinesInFiles(paths, typedTexts(search, replacement), settings_, result); });
    } catch (const std::exception& e) {
        reportError(e);
        return;
    }
    report_->setReport(result);
    Dialogs::instance().showModal(report_);
    tellLeftAtNul(result.leftAtNul);
    raise();
    activateWindow();
}

} // namespace linnery
