#include "widgets/CommandRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <system_error>
#include <thread>

namespace linnery {

namespace {

int running = 0;                     // runs in progress; touched on the GUI thread only
std::function<void()> workStartHook; // set on the GUI thread while no work runs

// The events a person causes. Paint, resize, expose, focus and the window manager's requests pass.
bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

} // namespace

CommandRunner::CommandRunner(CaptionSink showCaption, QObject* parent)
    : QObject(parent), showCaption_(std::move(showCaption)) {}

CommandRunner::~CommandRunner() = default;

bool CommandRunner::busy() {
    return running > 0;
}

void CommandRunner::setWorkStartHook(std::function<void()> hook) {
    workStartHook = std::move(hook);
}

void CommandRunner::caption(const std::string& text) {
    std::unique_lock lock(mutex_);
    if (!active_) {
        lock.unlock();
        if (showCaption_)
            showCaption_(text);
        return;
    }
    captions_.push_back(text);
    if (looping_ && !notified_) {
        notified_ = true;
        // By name, not as a functor: a functor would be allocated here and run and freed on the GUI
        // thread, handed over by Qt's event queue under a lock that ThreadSanitizer cannot see.
        QMetaObject::invokeMethod(this, "showCaptions", Qt::QueuedConnection);
    }
    changed_.notify_all();
}

void CommandRunner::showCaptions() {
    std::deque<std::string> captions;
    bool looping = false;
    {
        std::lock_guard lock(mutex_);
        captions.swap(captions_);
        notified_ = false;
        looping = looping_;
    }
    if (!showCaption_ || captions.empty())
        return;
    // While the event loop runs, captions that came faster than they could be drawn are skipped: drawing
    // each of a backlog would keep the loop from answering the window manager.
    if (looping)
        showCaption_(captions.back());
    else
        for (const std::string& caption : captions)
            showCaption_(caption);
}

bool CommandRunner::waitQuietly() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kQuietMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        const bool woken =
            changed_.wait_until(lock, deadline, [this] { return done_ || !captions_.empty(); });
        if (!captions_.empty()) {
            // Drawn at once, as a command on the GUI thread would draw them.
            lock.unlock();
            showCaptions();
            lock.lock();
            continue;
        }
        if (done_ || !woken)
            break;
    }
    if (!done_)
        looping_ = true; // from here the worker reports through the event loop
    return done_;
}

void CommandRunner::run(const std::function<void()>& work) {
    struct Running {
        Running() { ++running; }
        ~Running() { --running; }
    } counted;
    {
        std::lock_guard lock(mutex_);
        active_ = true;
        done_ = looping_ = notified_ = false;
        failure_ = nullptr;
    }
    std::thread worker;
    try {
        worker = std::thread([this, &work, hook = workStartHook] {
            std::exception_ptr failure;
            try {
                if (hook)
                    hook();
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard lock(mutex_);
            failure_ = failure;
            done_ = true;
            if (looping_)
                QMetaObject::invokeMethod(this, "quitLoop", Qt::QueuedConnection); // by name: see caption()
            changed_.notify_all();
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work runs here, as it always could, only without repainting.
        {
            std::lock_guard lock(mutex_);
            active_ = false;
        }
        work();
        return;
    }

    qApp->installEventFilter(this);
    if (!waitQuietly()) {
        QEventLoop loop;
        loop_ = &loop;
        showCaptions(); // those that came before the loop
        loop.exec();
        loop_ = nullptr;
    }
    worker.join();
    // Input that reached the queue while the work ran goes the same way as the rest.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);

    std::exception_ptr failure;
    {
        std::lock_guard lock(mutex_);
        active_ = false;
        failure = failure_;
        failure_ = nullptr;
    }
    showCaptions(); // the last ones
    replayHeldCloses();
    if (failure)
        std::rethrow_exception(failure);
}

void CommandRunner::quitLoop() {
    if (loop_)
        loop_->quit();
}

void CommandRunner::replayHeldCloses() {
    for (const QPointer<QWidget>& window : heldCloses_)
        if (window)
            QTimer::singleShot(0, window, [w = window.data()] { w->close(); });
    heldCloses_.clear();
}

bool CommandRunner::eventFilter(QObject* watched, QEvent* event) {
    if (isInput(event->type())) {
        event->ignore(); // a refused drag tells the dragging program so
        return true;
    }
    if (event->type() == QEvent::Close && event->spontaneous() && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
        QWidget* window = static_cast<QWidget*>(watched);
        bool held = false;
        for (const QPointer<QWidget>& w : heldCloses_)
            held = held || w == window;
        if (!held)
            heldCloses_.emplace_back(window);
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace linnery
