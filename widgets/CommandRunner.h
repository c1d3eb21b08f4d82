#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class QEventLoop;

namespace linnery {

// Runs a command's work on a thread of its own and returns when it is done, so that the windows stay
// alive while a long command runs and take no input meanwhile.
//
// Work that is done within kQuietMs looks exactly as if it ran on the GUI thread: nothing but the
// progress captions is drawn in between, so short commands do not flicker. Longer work gets the GUI
// thread's event loop: the windows repaint and answer the window manager, while an application-wide
// filter discards every input event (keys, clicks, wheel, drops, shortcuts, context menus). A close
// request from the window system is held and carried out once the work is done. Input that arrived
// while the work ran is dropped in either case, never acted on later.
//
// While the work runs, the GUI thread must not read what the work changes; the caller shows a picture
// taken before (see LineListModel::freeze).
class CommandRunner : public QObject {
    Q_OBJECT
  public:
    using CaptionSink = std::function<void(const std::string& caption)>;

    // showCaption: shows one progress caption, on the GUI thread, in the order the work gave them.
    explicit CommandRunner(CaptionSink showCaption = {}, QObject* parent = nullptr);
    ~CommandRunner() override;

    // Runs work and returns when it is done; what the work threw is thrown here, on the GUI thread.
    void run(const std::function<void()>& work);
    // A progress caption from the work, on any thread.
    void caption(const std::string& text);

    // True while any runner's work runs. Commands reached meanwhile through the event loop (a timer, a
    // drop queued before) must not start.
    static bool busy();
    // Called on the worker thread before each work starts: tests hold a command open with it, so that
    // what happens meanwhile does not depend on the machine's speed. Empty in the program.
    static void setWorkStartHook(std::function<void()> hook);

    // How long work may run before the windows are kept alive through the event loop.
    static constexpr int kQuietMs = 100;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Posted from the worker thread by name (see caption()).
    Q_INVOKABLE void showCaptions();
    Q_INVOKABLE void quitLoop();
    // Waits up to kQuietMs for the work, showing its captions; true when it is done.
    bool waitQuietly();
    // Closes the windows whose close request was held, once control is back in the event loop.
    void replayHeldCloses();

    CaptionSink showCaption_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> captions_;
    bool active_ = false;   // a worker runs
    bool done_ = false;     // its work has ended
    bool looping_ = false;  // the GUI thread runs its event loop until done_
    bool notified_ = false; // a call to showCaptions is on its way to the GUI thread
    std::exception_ptr failure_;
    QEventLoop* loop_ = nullptr;
    std::vector<QPointer<QWidget>> heldCloses_;
};

} // namespace linnery
