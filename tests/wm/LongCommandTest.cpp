// A command long enough to matter, under a real window manager: the window answers pings and repaints
// while it runs, input sent meanwhile is dropped, and a close request is carried out afterwards.
// Run by with-window-manager, which gives it an X display of its own with openbox.

#include "../gui/HeldCommand.h"
#include "app/Unit1.h"
#include "core/commands/OrderCommands.h"
#include "widgets/CommandRunner.h"

#include <QApplication>
#include <QFile>
#include <QListView>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

using namespace linnery;
using Clock = std::chrono::steady_clock;

namespace {

// Another client of the X server: pings, an overlapping window, a close request through the window
// manager.
class XClient {
  public:
    XClient() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY; // where the toolkit sends ping answers
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~XClient() { xcb_disconnect(c_); }

    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    void clientMessage(xcb_window_t to, xcb_window_t about, const char* type, uint32_t d0, uint32_t d1,
                       uint32_t mask) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = about;
        e.type = atom(type);
        e.data.data32[0] = d0;
        e.data.data32[1] = d1;
        e.data.data32[2] = about;
        xcb_send_event(c_, 0, to, mask, reinterpret_cast<const char*>(&e));
        xcb_flush(c_);
    }
    // Waits up to timeoutMs for the window's answer to one ping; true when it came.
    bool ping(xcb_window_t window, int timeoutMs) {
        const xcb_atom_t pingAtom = atom("_NET_WM_PING");
        const uint32_t stamp = 4242;
        clientMessage(window, window, "WM_PROTOCOLS", pingAtom, stamp, XCB_EVENT_MASK_NO_EVENT);
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < end) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                const bool answer = (e->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                                    m->data.data32[0] == pingAtom && m->data.data32[1] == stamp;
                std::free(e);
                if (answer)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // A window of another program over `area`, in a colour the list never shows.
    void cover(const QRect& area) {
        overlay_ = xcb_generate_id(c_);
        const uint32_t values[] = {0xff00ff, 1};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, overlay_, root_, area.x(), area.y(), area.width(),
                          area.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c_, overlay_);
        xcb_flush(c_);
    }
    void uncover() {
        xcb_destroy_window(c_, overlay_);
        xcb_flush(c_);
    }
    // What the title bar's close button asks of the window manager.
    void requestClose(xcb_window_t window) {
        clientMessage(root_, window, "_NET_CLOSE_WINDOW", XCB_CURRENT_TIME, 2,
                      XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
    }

  private:
    xcb_connection_t* c_;
    xcb_window_t root_ = 0, overlay_ = 0;
};

// Input from outside the program, through the X server.
void xdotool(const QStringList& arguments) {
    QProcess::startDetached(QStringLiteral("xdotool"), arguments);
}

void clickAt(QWidget* widget, const QPoint& local) {
    const QPoint at = widget->mapToGlobal(local);
    xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

QImage picture(QWidget* widget, const QRect& area) {
    return widget->screen()
        ->grabWindow(widget->winId(), area.x(), area.y(), area.width(), area.height())
        .toImage();
}

std::vector<std::string> linesOf(const LineList& list) {
    std::vector<std::string> out;
    for (std::string_view line : list.views())
        out.emplace_back(line);
    return out;
}

} // namespace

class LongCommandTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;
    std::vector<std::string> original_;

    std::unique_ptr<TForm1> openWindow() {
        auto form1 = std::make_unique<TForm1>(std::vector<std::string>{"linnery", path_.toStdString()});
        form1->show();
        if (QTest::qWaitForWindowExposed(form1.get())) {
            form1->activateWindow();
            (void)QTest::qWaitFor([&] { return form1->isActiveWindow(); }, 5000);
        }
        return form1;
    }

  private slots:
    // Lines of Japanese syllables, many: the view shows a picture of them while the sort changes them.
    // LINNERY_TEST_LINES makes fewer for a sanitizer build, as long as the sort still takes two threads.
    void initTestCase() {
        static const char* const syllables[] = {"あ", "ア", "ｱ", "ぁ", "ァ", "か", "カ", "ｶ", "が", "ガ"};
        std::mt19937 random(17);
        QByteArray text;
        const int count = qEnvironmentVariableIntValue("LINNERY_TEST_LINES");
        for (int i = 0; i < (count > 0 ? count : 1'000'000); ++i) {
            std::string line;
            for (int k = 0; k < 12; ++k)
                line += syllables[random() % std::size(syllables)];
            original_.push_back(line);
            text += QByteArray::fromStdString(line) + '\n';
        }
        path_ = dir_.filePath(QStringLiteral("big.txt"));
        QFile file(path_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void aliveAndDeafWhileSorting() {
        auto form1 = openWindow();
        QVERIFY(form1->isActiveWindow());
        QCOMPARE(form1->editor().doc.count(), int(original_.size()));
        const QRect help = form1->menuBar()->actionGeometry(form1->Help1);
        // The same input works while nothing runs: Delete takes a line, a click opens the menu.
        form1->ListBox1->setCurrentIndex(form1->ListBox1->model()->index(0, 0));
        xdotool({"key", "Delete"});
        QTRY_COMPARE(form1->editor().doc.count(), int(original_.size()) - 1);
        form1->N5Click();
        clickAt(form1->menuBar(), help.center());
        QTRY_VERIFY(QApplication::activePopupWidget());
        QApplication::activePopupWidget()->close();
        QTRY_VERIFY(form1->isActiveWindow());
        QTest::qWait(200);

        const QRect area(10, 10, 200, 100); // rows of the list
        const QImage before = picture(form1->ListBox1->viewport(), area);
        XClient x;
        std::atomic<bool> answered{false};
        Clock::time_point answeredAt;
        std::thread pinger;
        bool busyAtStart = false, busyAtEnd = false;
        QImage during;
        HeldCommand held;
        QTimer::singleShot(200, form1.get(), [&] {
            busyAtStart = CommandRunner::busy();
            pinger = std::thread([&, window = form1->winId()] {
                XClient own;
                if (own.ping(window, 3000)) {
                    answeredAt = Clock::now();
                    answered = true;
                }
            });
            x.cover(QRect(form1->ListBox1->viewport()->mapToGlobal(area.topLeft()), area.size()));
            xdotool({"key", "Delete"});
            clickAt(form1->menuBar(), help.center());
            QTimer::singleShot(200, form1.get(), [&] {
                x.uncover();
                QTimer::singleShot(300, form1.get(), [&] {
                    during = picture(form1->ListBox1->viewport(), area);
                    busyAtEnd = CommandRunner::busy();
                    held.release();
                });
            });
        });
        form1->N1->trigger();
        const Clock::time_point ended = Clock::now();
        if (pinger.joinable())
            pinger.join();
        QVERIFY(busyAtStart && busyAtEnd);
        QVERIFY(answered);
        QVERIFY(answeredAt < ended);
        QCOMPARE(during, before); // repainted after the overlap, with the rows it showed at the start

        QTest::qWait(500); // anything queued would act now
        QVERIFY(!QApplication::activePopupWidget());
        Editor reference;
        reference.doc.assign(LineList(form1->editor().undoCopy));
        collationSort(reference);
        QCOMPARE(linesOf(form1->editor().doc.lines()), linesOf(reference.doc.lines()));
        QCOMPARE(linesOf(form1->editor().undoCopy), original_); // Delete took no undo copy
        QCOMPARE(form1->N5->text(), QStringLiteral("取り消し"));
        QCOMPARE(form1->N12->text(), QStringLiteral("-"));
    }

    void closeRequestWaitsForTheCommand() {
        auto form1 = openWindow();
        QVERIFY(form1->isActiveWindow());
        XClient x;
        bool openDuring = false;
        HeldCommand held;
        QTimer::singleShot(200, form1.get(), [&] {
            x.requestClose(form1->winId());
            QTimer::singleShot(400, form1.get(), [&] {
                openDuring = form1->isVisible() && CommandRunner::busy();
                held.release();
            });
        });
        form1->N1->trigger();
        QVERIFY(openDuring);
        QCOMPARE(form1->editor().doc.count(), int(original_.size()));
        QCOMPARE(form1->editor().undoState, UndoState::Undo);
        QTRY_VERIFY(!form1->isVisible());
    }
};

QTEST_MAIN(LongCommandTest)
#include "LongCommandTest.moc"
