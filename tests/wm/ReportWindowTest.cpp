// The report window centred on the screen by its outer size, the window manager's frame included.
// Run by with-window-manager, which gives it an X display of its own with openbox.

#include "forms/Unit4.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

using namespace linnery;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromLatin1(process.readAllStandardOutput());
}

int number(const QString& text, const QString& label) {
    const QRegularExpressionMatch m = QRegularExpression(label + QStringLiteral(":\\s*(-?\\d+)")).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -100000;
}

// The window with its frame, as the X server and the window manager report them.
QRect outerGeometry(QWidget* window) {
    const QString id = QString::number(window->winId());
    const QString client = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const QRegularExpressionMatch extents =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
            .match(run(QStringLiteral("xprop"),
                       {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}));
    if (!extents.hasMatch())
        return {};
    const int left = extents.captured(1).toInt(), right = extents.captured(2).toInt();
    const int top = extents.captured(3).toInt(), bottom = extents.captured(4).toInt();
    return QRect(number(client, QStringLiteral("Absolute upper-left X")) - left,
                 number(client, QStringLiteral("Absolute upper-left Y")) - top,
                 number(client, QStringLiteral("Width")) + left + right,
                 number(client, QStringLiteral("Height")) + top + bottom);
}

QPoint centred(const QRect& outer) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {(screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2};
}

} // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // The first show is the hard one: the frame is added only after the window is mapped.
    void centredWithItsFrameOnEveryShow() {
        TForm4 form4;
        form4.resize(401, 301);
        for (int shown = 0; shown < 2; ++shown) {
            form4.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form4));
            QTRY_VERIFY(outerGeometry(&form4).height() > form4.height());
            QTRY_COMPARE(outerGeometry(&form4).topLeft(), centred(outerGeometry(&form4)));
            form4.hide();
        }
    }
};

QTEST_MAIN(ReportWindowTest)
#include "ReportWindowTest.moc"
