// Minimising and restoring the program under a real window manager. Run by with-window-manager,
// which gives it an X display of its own with openbox.

#include "app/Unit1.h"
#include "forms/Unit2.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"
#include "widgets/AnimWnd.h"

#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace linnery;

namespace {

QString windowId(QWidget* window) {
    return QString::number(window->winId());
}

// The X server's own record, read on a connection of the test's own: no helper process between a
// question and its answer.
xcb_connection_t* x() {
    static xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    return connection;
}

xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x(), xcb_intern_atom(x(), 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The 32-bit values of a window's property.
std::vector<std::uint32_t> property(xcb_window_t window, const char* name) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x(), xcb_get_property(x(), 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
    std::vector<std::uint32_t> values;
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

// How the window manager keeps the window: "Normal" or "Iconic".
QString wmState(QWidget* window) {
    const std::vector<std::uint32_t> state = property(xcb_window_t(window->winId()), "WM_STATE");
    if (state.empty())
        return {};
    // ICCCM's NormalState and IconicState.
    return state[0] == 1   ? QStringLiteral("Normal")
           : state[0] == 3 ? QStringLiteral("Iconic")
                           : QStringLiteral("Withdrawn");
}

// What a taskbar, a pager or the user's own keys ask of the window manager.
int xdotool(const QString& command, QWidget* window) {
    return QProcess::execute(QStringLiteral("xdotool"), {command, windowId(window)});
}

// Where the window sits in the window manager's stacking order, bottom first; -1 when not listed.
int stackingPlace(QWidget* window) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x())).data->root;
    const std::vector<std::uint32_t> ids = property(root, "_NET_CLIENT_LIST_STACKING");
    const auto it = std::find(ids.begin(), ids.end(), std::uint32_t(window->winId()));
    return it == ids.end() ? -1 : int(it - ids.begin());
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
        QTest::newRow("modal report window minimised, restored through another")
            << int(Report) << int(Replacement) << int(Report) << false;
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
