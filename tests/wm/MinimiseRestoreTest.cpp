// Minimising and restoring the program under a real window manager. Run by with-window-manager,
// which gives it an X display of its own with openbox.

#include "app/Unit1.h"
#include "forms/Unit2.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"
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

// Where the window sits in the window manager's stacking order, bottom first; -1 when not listed.
int stackingPlace(QWidget* window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    xprop.waitForFinished(5000);
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
    const QStringList ids = out.mid(out.indexOf(QLatin1Char('#')) + 1).split(QLatin1Char(','));
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (ids[i].trimmed().toULongLong(nullptr, 16) == window->winId())
            return int(i);
    return -1;
}

enum Window { None = -1, Main, Replacement, ColumnSort, Report };

// Long enough for a machine busy with other work; a passing run waits only as long as the window
// manager takes.
constexpr int kPatience = 10000;

} // namespace

class MinimiseRestoreTest : public QObject {
    Q_OBJECT
  private slots:
    void minimiseTakesEveryWindowAndRestoreBringsThemBack_data() {
        QTest::addColumn<int>("minimised"); // the window whose minimise the user chooses
        QTest::addColumn<int>("restored");  // the window the user brings back
        QTest::addColumn<int>("modal");     // the window open modal, if any
        QTest::addColumn<bool>("alone");    // the replacement window was minimised on its own first
        QTest::newRow("restored through the main window") << int(Main) << int(Main) << int(None) << false;
        QTest::newRow("restored through the replacement window")
            << int(Main) << int(Replacement) << int(None) << false;
        QTest::newRow("modal column sort window minimised")
            << int(ColumnSort) << int(Main) << int(ColumnSort) << false;
        QTest::newRow("modal column sort window restored")
            << int(Main) << int(ColumnSort) << int(ColumnSort) << false;
        QTest::newRow("window minimised alone stays so") << int(Main) << int(Main) << int(None) << true;
    }

    void minimiseTakesEveryWindowAndRestoreBringsThemBack() {
        QFETCH(int, minimised);
        QFETCH(int, restored);
        QFETCH(int, modal);
        QFETCH(bool, alone);
        TForm1 form1({"linnery"});
        TForm4 form4;
        TForm2 form2(&form4);
        TForm5 form5;
        QWidget* const windows[] = {&form1, &form2, &form5, &form4};
        form1.setWindows(&form2, nullptr, &form5);
        form1.show();
        form1.N7Click();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        QVERIFY(QTest::qWaitForWindowExposed(&form2));
        QWidget* const dialog = modal == None ? nullptr : windows[modal];
        if (dialog) { // as the program's modal run shows it
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTRY_COMPARE_WITH_TIMEOUT(wmState(dialog), QStringLiteral("Normal"), kPatience);
        }
        QVERIFY(!form1.findChild<TAnimateHookWnd*>()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(wmState(&form1), QStringLiteral("Normal"), kPatience);
        QTRY_COMPARE_WITH_TIMEOUT(wmState(&form2), QStringLiteral("Normal"), kPatience);
        const QRect geometry = form1.geometry();
        if (alone) {
            QCOMPARE(xdotool(QStringLiteral("windowminimize"), &form2), 0);
            QTRY_COMPARE_WITH_TIMEOUT(wmState(&form2), QStringLiteral("Iconic"), kPatience);
            QTest::qWait(200);
            QCOMPARE(wmState(&form1), QStringLiteral("Normal")); // a modeless window goes alone
        }

        QCOMPARE(xdotool(QStringLiteral("windowminimize"), windows[minimised]), 0);
        QTRY_COMPARE_WITH_TIMEOUT(wmState(&form1), QStringLiteral("Iconic"), kPatience);
        QTRY_COMPARE_WITH_TIMEOUT(wmState(&form2), QStringLiteral("Iconic"), kPatience);
        if (dialog)
            QTRY_COMPARE_WITH_TIMEOUT(wmState(dialog), QStringLiteral("Iconic"), kPatience);
        QTRY_VERIFY_WITH_TIMEOUT(form1.isMinimized(), kPatience);
        QTRY_VERIFY_WITH_TIMEOUT(form2.isMinimized(), kPatience);

        QCOMPARE(xdotool(QStringLiteral("windowactivate"), windows[restored]), 0);
        QTRY_COMPARE_WITH_TIMEOUT(wmState(&form1), QStringLiteral("Normal"), kPatience);
        QTRY_COMPARE_WITH_TIMEOUT(form1.geometry(), geometry, kPatience);
        QTRY_VERIFY_WITH_TIMEOUT(!form1.isMinimized(), kPatience);
        if (dialog) { // above every other window, since only it takes input
            QTRY_COMPARE_WITH_TIMEOUT(wmState(dialog), QStringLiteral("Normal"), kPatience);
            QTRY_VERIFY_WITH_TIMEOUT(stackingPlace(dialog) > stackingPlace(&form1), kPatience);
            QTRY_VERIFY_WITH_TIMEOUT(stackingPlace(dialog) > stackingPlace(&form2), kPatience);
            QTRY_VERIFY_WITH_TIMEOUT(dialog->isActiveWindow(), kPatience);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(windows[restored]->isActiveWindow(), kPatience);
        }
        if (alone) {
            QTest::qWait(300);
            QCOMPARE(wmState(&form2), QStringLiteral("Iconic"));
            QVERIFY(form2.isMinimized());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(wmState(&form2), QStringLiteral("Normal"), kPatience);
            QTRY_VERIFY_WITH_TIMEOUT(!form2.isMinimized(), kPatience);
        }
    }
};

QTEST_MAIN(MinimiseRestoreTest)
#include "MinimiseRestoreTest.moc"
