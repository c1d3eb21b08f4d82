#include "forms/Unit4.h"

#include "core/commands/LineReplacer.h"
#include "widgets/Fonts.h"
#include "widgets/RowHeight.h"
#include "widgets/TextCodec.h"
#include "widgets/WindowFrame.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace linnery {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("置換完了"));
    setSizeGripEnabled(true);
    resize(696, 480);
    setAttribute(Qt::WA_QuitOnClose, false);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(msGothic(13));
    Label1->move(0, 0);
    Label1->adjustSize();

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("行単位置き換えを実行したファイル"));
    ListBox1->setFont(msGothic(13));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    setRowHeight(ListBox1, 13);
    ListBox1->move(0, 16);
    FormResize();
}

void TForm4::clearReport() {
    ListBox1->clear();
}

void TForm4::setReport(const ReplacementReport& report) {
    Label1->setText(QString::fromStdString(
        replacementSummary(report.fileCount, static_cast<int>(report.rewritten.size()))));
    Label1->adjustSize();
    ListBox1->clear();
    for (const std::string& path : report.rewritten)
        ListBox1->addItem(pathText(path));
}

void TForm4::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TForm4::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TForm4::FormResize() {
    ListBox1->setGeometry(0, 16, width(), std::max(0, height() - 16));
}

void TForm4::FormShow() {
    centreOnScreen();
    // The first time the window is shown its frame is not known yet: the window manager adds it when
    // it maps the window. Centre again once the window is on screen.
    awaitingFrame_ = true;
    if (QWindow* window = windowHandle())
        window->installEventFilter(this);
    raise();
    activateWindow();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (awaitingFrame_ && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        awaitingFrame_ = false;
        if (windowFrameMargins(this) != centredFrame_)
            centreOnScreen();
    }
    return QDialog::eventFilter(watched, event);
}

void TForm4::centreOnScreen() {
    // Centred by the outer size; the division truncates toward zero, so a window larger than the screen
    // gets a negative position.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    centredFrame_ = windowFrameMargins(this);
    const QSize outer = size().grownBy(centredFrame_);
    const QPoint frameTopLeft(area.x() + (area.width() - outer.width()) / 2,
                              area.y() + (area.height() - outer.height()) / 2);
    // The client area is placed, so the result does not depend on what Qt believes the frame to be.
    setGeometry(QRect(frameTopLeft + QPoint(centredFrame_.left(), centredFrame_.top()), size()));
}

} // namespace linnery
