// Minimising and restoring the program on Wayland, where the compositor tells a program neither that
// its window was minimised nor that it came back. Run by with-wayland-compositor (weston).

#include "app/Unit1.h"
#include "forms/Unit2.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

using namespace linnery;

namespace {

// The compositor's window switcher, which lists minimised windows too: Super+Tab, then Super let go.
void switchWindows() {
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("keydown"), QStringLiteral("super"), QStringLiteral("key"),
                       QStringLiteral("Tab"), QStringLiteral("keyup"), QStringLiteral("super")});
}

enum Window { None = -1, Main, Replacement, ColumnSort };

constexpr int kPatience = 10000;

} // namespace

class MinimiseRestoreWaylandTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            QSKIP("not on Wayland");
    }

    void minimiseTakesEveryWindowAndRestoreBringsThemBack_data() {
        QTest::addColumn<int>("minimised"); // the window whose title-bar button the user presses
        QTest::addColumn<int>("modal");     // the window open modal, if any
        QTest::newRow("main window") << int(Main) << int(None);
        QTest::newRow("main window under the modal column sort window") << int(Main) << int(ColumnSort);
        QTest::newRow("modal column sort window") << int(ColumnSort) << int(ColumnSort);
    }

    void minimiseTakesEveryWindowAndRestoreBringsThemBack() {
        QFETCH(int, minimised);
        QFETCH(int, modal);
        TForm1 form1({"linnery"});
        TForm4 form4;
        TForm2 form2(&form4);
        TForm5 form5;
        QWidget* const windows[] = {&form1, &form2, &form5};
        form1.setWindows(&form2, nullptr, &form5);
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), form1.windowHandle(), kPatience);
        form1.N7Click();
        QVERIFY(QTest::qWaitForWindowExposed(&form2));
        QWidget* const dialog = modal == None ? nullptr : windows[modal];
        if (dialog) { // as the program's modal run shows it
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
        }
        // The compositor has activated the window last shown, as the user's click on it would.
        QWidget* const last = dialog ? dialog : &form2;
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), last->windowHandle(), kPatience);

        // What Qt's own title-bar button does.
        windows[minimised]->windowHandle()->setWindowState(Qt::WindowMinimized);
        // No window stays up alone: the main form, which stands for the program in the taskbar, is in
        // the compositor's hands, the others are hidden.
        QTRY_VERIFY_WITH_TIMEOUT(!form2.isVisible(), kPatience);
        if (dialog)
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), kPatience);
        QTRY_VERIFY_WITH_TIMEOUT(!QGuiApplication::focusWindow(), kPatience);

        QSignalSpy activated(qApp, &QGuiApplication::focusWindowChanged);
        switchWindows();
        // Every window is back, each one mapped (and so activated) by the compositor before the one in
        // front, which is active last: the modal window above the others, or else the main form.
        QWidget* const front = dialog ? dialog : &form1;
        const auto activatedSince = [&](QWidget* window, qsizetype from) {
            for (qsizetype i = from; i < activated.size(); ++i)
                if (activated.at(i).at(0).value<QWindow*>() == window->windowHandle())
                    return i;
            return qsizetype(-1);
        };
        QTRY_VERIFY_WITH_TIMEOUT(activatedSince(&form2, 0) >= 0 &&
                                     activatedSince(front, activatedSince(&form2, 0)) >= 0,
                                 kPatience);
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), front->windowHandle(), kPatience);
        for (QWidget* window : std::initializer_list<QWidget*>{&form1, &form2, dialog})
            QVERIFY(!window || window->isVisible());
        if (dialog)
            QCOMPARE(QApplication::activeModalWidget(), dialog); // it still blocks the others
    }
};

QTEST_MAIN(MinimiseRestoreWaylandTest)
#include "MinimiseRestoreWaylandTest.moc"
