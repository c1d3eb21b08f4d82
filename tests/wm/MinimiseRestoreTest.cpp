// Minimising and restoring the program under a real window manager. Run by with-window-manager,
// which gives it an X display of its own with openbox.

#include "app/Unit1.h"
#include "forms/Unit2.h"
#include "forms/Unit4.h"
#include "widgets/AnimWnd.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace linnery;

namespace {

QString windowId(QWidget* window) {
    return QString::number(window->winId());
}

// How the window manager keeps the window: "Normal" or "Iconic".
QString wmState(QWidget* window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), windowId(window), QStringLiteral("WM_STATE")});
    xprop.waitForFinished(5000);
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("window state: (\\w+)"))
                                              .match(QString::fromLatin1(xprop.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1) : QString();
}

// What a taskbar, a pager or the user's own keys ask of the window manager.
int xdotool(const QString& command, QWidget* window) {
    return QProcess::execute(QStringLiteral("xdotool"), {command, windowId(window)});
}

} // namespace

class MinimiseRestoreTest : public QObject {
    Q_OBJECT
  private slots:
    void minimiseTakesEveryWindowAndRestoreBringsThemBack_data() {
        QTest::addColumn<bool>("throughForm2");
        QTest::newRow("restored through the main window") << false;
        QTest::newRow("restored through the replacement window") << true;
    }

    void minimiseTakesEveryWindowAndRestoreBringsThemBack() {
        QFETCH(bool, throughForm2);
        TForm1 form1({"linnery"});
        TForm4 form4;
        TForm2 form2(&form4);
        form1.setWindows(&form2, nullptr, nullptr);
        form1.show();
        form1.N7Click();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        QVERIFY(QTest::qWaitForWindowExposed(&form2));
        QVERIFY(!form1.findChild<TAnimateHookWnd*>()->isVisible());
        QTRY_COMPARE(wmState(&form1), QStringLiteral("Normal"));
        QTRY_COMPARE(wmState(&form2), QStringLiteral("Normal"));
        const QRect geometry = form1.geometry();

        QCOMPARE(xdotool(QStringLiteral("windowminimize"), &form1), 0);
        QTRY_COMPARE(wmState(&form1), QStringLiteral("Iconic"));
        QTRY_COMPARE(wmState(&form2), QStringLiteral("Iconic"));
        QVERIFY(form1.isMinimized());
        QVERIFY(form2.isMinimized());

        QCOMPARE(
            xdotool(QStringLiteral("windowactivate"), throughForm2 ? static_cast<QWidget*>(&form2) : &form1),
            0);
        QTRY_COMPARE(wmState(&form1), QStringLiteral("Normal"));
        QTRY_COMPARE(wmState(&form2), QStringLiteral("Normal"));
        QTRY_COMPARE(form1.geometry(), geometry);
        QVERIFY(!form1.isMinimized());
        QVERIFY(!form2.isMinimized());
        QTRY_VERIFY(form1.isActiveWindow());
    }
};

QTEST_MAIN(MinimiseRestoreTest)
#include "MinimiseRestoreTest.moc"
