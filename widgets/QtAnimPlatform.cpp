#include "widgets/QtAnimPlatform.h"

#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <functional>
#include <utility>

namespace linnery {

namespace {

AnimPlatform* installed = nullptr;

// The windows that make up the program on screen; menus, tool tips and the like come and go with them.
bool isProgramWindow(const QWidget* widget) {
    return widget->isWindow() && (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog);
}

bool wasMinimised(QEvent* event) {
    return static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
}

AnimRect toRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

} // namespace

AnimPlatform& AnimPlatform::instance() {
    static QtAnimPlatform qtPlatform;
    return installed ? *installed : qtPlatform;
}

void AnimPlatform::setInstance(AnimPlatform* platform) {
    installed = platform;
}

// Watches events without ever taking one: every event goes on to its window afterwards.
class QtAnimPlatform::Filter : public QObject {
  public:
    explicit Filter(std::function<void(QObject*, QEvent*)> watch) : watch_(std::move(watch)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::WindowStateChange:
        case QEvent::Show:
        case QEvent::ZOrderChange:
        case QEvent::Expose:
        case QEvent::Hide:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            watch_(watched, event);
            break;
        default:
            break;
        }
        return false;
    }

  private:
    std::function<void(QObject*, QEvent*)> watch_;
};

// Marks the changes the adapter makes itself, so that their events are not taken for commands.
struct OwnChange {
    explicit OwnChange(int& count) : count_(count) { ++count_; }
    ~OwnChange() { --count_; }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;
    int& count_;
};

QtAnimPlatform::QtAnimPlatform()
    : applicationFilter_(std::make_unique<Filter>([this](QObject* w, QEvent* e) { applicationEvent(w, e); })),
      formFilter_(std::make_unique<Filter>([this](QObject* w, QEvent* e) { formEvent(w, e); })) {
    placement_.showCommand = kShowNormal;
    wayland_ = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QtAnimPlatform::~QtAnimPlatform() = default;

void QtAnimPlatform::installProcedure(AnimWindow window, AnimProcedure* procedure) {
    if (window.isApplication()) {
        applicationProcedure_ = procedure;
        qApp->installEventFilter(applicationFilter_.get());
    } else {
        formProcedures_.insert(window.form, procedure);
        window.form->installEventFilter(formFilter_.get());
    }
}

void QtAnimPlatform::removeProcedure(AnimWindow window, AnimProcedure* procedure) {
    if (window.isApplication()) {
        if (applicationProcedure_ != procedure)
            return;
        applicationProcedure_ = nullptr;
        qApp->removeEventFilter(applicationFilter_.get());
    } else if (formProcedures_.value(window.form) == procedure) {
        formProcedures_.remove(window.form);
        window.form->removeEventFilter(formFilter_.get());
    }
}

void QtAnimPlatform::applicationEvent(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose) {
        if (watched->isWindowType() && !wayland_)
            windowExposed(static_cast<QWindow*>(watched));
        return;
    }
    if (!watched->isWidgetType())
        return;
    QWidget* window = static_cast<QWidget*>(watched);
    if (!isProgramWindow(window))
        return;
    if (wayland_) {
        waylandEvent(window, event);
        return;
    }
    if (event->type() == QEvent::WindowActivate)
        bringModalForward(window);
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
        return;
    // A window the program hides is no longer one the window manager has put away.
    if (event->type() == QEvent::Hide && !event->spontaneous()) {
        offScreen_.removeAll(window);
        return;
    }
    if (ownChanges_ || !applicationProcedure_)
        return;
    if (!iconic_) {
        // A modal window without a component of its own goes to the taskbar with the whole program.
        if (event->type() == QEvent::WindowStateChange && window->isMinimized() && !wasMinimised(event) &&
            window->windowModality() != Qt::NonModal && !formProcedures_.contains(window)) {
            minimisedThrough_ = window;
            postSysCommand(AnimWindow::application(), kScMinimize);
        }
        return;
    }
    if (event->type() == QEvent::WindowStateChange && wasMinimised(event) && !window->isMinimized())
        restoreThrough(window);
}

// Whether a window is on screen is the one fact here that the window manager alone decides: Qt's
// window states run ahead of it (a minimise shows at once, long before the window goes) and fall
// behind it (a quick restore can pass unnoticed), and a window that is still up may be repainted after
// Qt has marked it minimised. So a window the window manager took off screen and puts back while
// the program is minimised is a restore, whatever Qt's state says.
void QtAnimPlatform::windowExposed(QWindow* handle) {
    QWidget* window = QWidget::find(handle->winId());
    if (!window || !isProgramWindow(window))
        return;
    offScreen_.removeAll(nullptr);
    if (!handle->isExposed()) {
        if (window->isVisible() && !offScreen_.contains(window))
            offScreen_ << window;
        return;
    }
    if (offScreen_.removeAll(window) && iconic_ && !ownChanges_ && applicationProcedure_)
        restoreThrough(window);
}

// Qt's own window states say nothing here: a minimise shows as minimised for a moment and then as not
// minimised again, whatever the compositor does. What holds is the request, and that the compositor
// activates only a window it shows.
void QtAnimPlatform::waylandEvent(QWidget* window, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        watchStates(window);
        break;
    case QEvent::WindowActivate:
        if (window == showing_) {
            showing_ = nullptr;
            showNextOnWayland();
        }
        minimisedAlone_.removeAll(window);
        minimisedAlone_.removeAll(nullptr);
        if (iconic_ && !ownChanges_ && applicationProcedure_ && window->isVisible()) {
            if (doubtful_)
                waiting_ = window;
            else
                restoreThrough(window);
        }
        break;
    case QEvent::WindowDeactivate:
        if (iconic_ && doubtful_ && window == mainForm_)
            settleOnWayland(true);
        break;
    default:
        break;
    }
}

// A minimise request reaches only the window's QWindow (the title-bar button asks it directly).
void QtAnimPlatform::watchStates(QWidget* window) {
    QWindow* handle = window->windowHandle();
    const char* const watched = "linneryStatesWatched";
    if (!handle || handle->property(watched).toBool())
        return;
    handle->setProperty(watched, true);
    QObject::connect(handle, &QWindow::windowStateChanged, applicationFilter_.get(),
                     [this, target = QPointer<QWidget>(window)](Qt::WindowState state) {
                         if (target && state == Qt::WindowMinimized)
                             minimiseRequested(target);
                     });
}

// As under X: a form with a component minimises through it, a modal window takes the program with it,
// any other window goes alone.
void QtAnimPlatform::minimiseRequested(QWidget* window) {
    if (ownChanges_ || iconic_)
        return;
    if (AnimProcedure* procedure = formProcedures_.value(window)) {
        minimisedThrough_ = window;
        procedure->message({AnimMessage::SysCommand, kScMinimize});
    } else if (window->windowModality() != Qt::NonModal && applicationProcedure_) {
        minimisedThrough_ = window;
        postSysCommand(AnimWindow::application(), kScMinimize);
    } else if (!minimisedAlone_.contains(window)) {
        minimisedAlone_ << window;
    }
}

void QtAnimPlatform::restoreThrough(QWidget* window) {
    restoredThrough_ = window;
    applicationProcedure_->message({AnimMessage::SysCommand, kScRestore});
}

void QtAnimPlatform::formEvent(QObject* watched, QEvent* event) {
    if (ownChanges_)
        return;
    QWidget* form = static_cast<QWidget*>(watched);
    AnimProcedure* procedure = formProcedures_.value(form);
    if (!procedure)
        return;
    switch (event->type()) {
    case QEvent::WindowStateChange:
        // On Wayland the request itself is seen (watchStates).
        if (!wayland_ && form->isMinimized() && !wasMinimised(event)) {
            minimisedThrough_ = form;
            procedure->message({AnimMessage::SysCommand, kScMinimize});
        }
        break;
    case QEvent::Show:
        // Qt's own notices of what the window manager did (a restore, or a repaint of a window that is
        // still up after Qt has marked it minimised) are no showing of the form: the window
        // manager's own putting back is seen on its own.
        if (event->spontaneous())
            break;
        [[fallthrough]];
    case QEvent::ZOrderChange:
        procedure->message({AnimMessage::PositionChanging, kSwpNoSize | kSwpNoMove});
        break;
    default:
        break;
    }
}

// A position change goes on as it is; a system command gets the window's default handling, which for
// the application window minimises only a program that is not minimised, and restores only one that is.
void QtAnimPlatform::callPrevious(AnimWindow window, const AnimMessage& message) {
    if (message.kind == AnimMessage::SysCommand)
        defaultSysCommand(window, message.word);
}

// The record takes every command: Qt blocks input per window while a modal one runs, never through a
// window of the whole program.
bool QtAnimPlatform::isEnabled(AnimWindow window) {
    return window.isApplication() || window.form->isEnabled();
}

void QtAnimPlatform::enable(AnimWindow window) {
    if (!window.isApplication())
        window.form->setEnabled(true);
}

AnimRect QtAnimPlatform::windowRect(AnimWindow window) {
    return window.isApplication() ? rect_ : toRect(window.form->frameGeometry());
}

// The record is never on screen; the program comes forward when its restore activates the main form.
void QtAnimPlatform::setForeground(AnimWindow window) {
    if (!window.isApplication())
        window.form->activateWindow();
}

void QtAnimPlatform::moveAndSize(AnimWindow window, int x, int y, int width, int height) {
    if (window.isApplication()) {
        rect_ = {x, y, x + width, y + height};
        if (!iconic_)
            placement_.normal = rect_;
        return;
    }
    OwnChange own(ownChanges_);
    window.form->move(x, y);
    window.form->resize(width, height);
}

void QtAnimPlatform::defaultSysCommand(AnimWindow window, std::uint32_t command) {
    if (window.isApplication()) {
        if (command == kScMinimize)
            minimiseProgram();
        else if (command == kScRestore)
            restoreProgram();
        return;
    }
    OwnChange own(ownChanges_);
    if (command == kScMinimize && !window.form->isMinimized())
        window.form->showMinimized();
    else if (command == kScRestore && window.form->isMinimized())
        window.form->showNormal();
}

void QtAnimPlatform::showWindow(AnimWindow window, AnimShow show) {
    if (window.isApplication()) {
        if (show == AnimShow::Minimize)
            minimiseProgram();
        else
            restoreProgram();
        return;
    }
    OwnChange own(ownChanges_);
    if (show == AnimShow::Minimize)
        window.form->showMinimized();
    else
        window.form->showNormal();
}

void QtAnimPlatform::getPlacement(AnimWindow window, AnimPlacement& placement) {
    if (window.isApplication()) {
        const std::uint32_t length = placement.length, flags = placement.flags;
        placement = placement_;
        placement.length = length;
        placement.flags = flags;
        return;
    }
    const QWidget* form = window.form;
    placement.showCommand = form->isMinimized()   ? kShowMinimized
                            : form->isMaximized() ? kShowMaximized
                                                  : kShowNormal;
    placement.minPosition = placement.maxPosition = AnimPoint{-1, -1};
    // The frame around the normal geometry, which Qt keeps for the client area only.
    const QRect frame = form->frameGeometry(), client = form->geometry();
    const QRect normal = form->normalGeometry().isValid() ? form->normalGeometry() : client;
    placement.normal =
        toRect(normal.adjusted(frame.left() - client.left(), frame.top() - client.top(),
                               frame.right() - client.right(), frame.bottom() - client.bottom()));
}

void QtAnimPlatform::setPlacement(AnimWindow window, const AnimPlacement& placement) {
    if (!window.isApplication()) {
        OwnChange own(ownChanges_);
        const AnimRect& r = placement.normal;
        window.form->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        return;
    }
    placement_ = placement;
    if (!iconic_)
        rect_ = placement.normal;
}

bool QtAnimPlatform::isIconic(AnimWindow window) {
    return window.isApplication() ? iconic_ : window.form->isMinimized();
}

void QtAnimPlatform::postSysCommand(AnimWindow window, std::uint32_t command) {
    const bool application = window.isApplication();
    const QPointer<QWidget> form = window.form;
    QMetaObject::invokeMethod(
        applicationFilter_.get(),
        [this, application, form, command] {
            if (application || form) // a form may be gone by now
                deliver(AnimWindow{application ? nullptr : form.data()}, {AnimMessage::SysCommand, command});
        },
        Qt::QueuedConnection);
}

void QtAnimPlatform::deliver(AnimWindow window, const AnimMessage& message) {
    AnimProcedure* procedure =
        window.isApplication() ? applicationProcedure_ : formProcedures_.value(window.form);
    if (procedure)
        procedure->message(message);
    else
        callPrevious(window, message);
}

void QtAnimPlatform::minimiseProgram() {
    if (iconic_)
        return;
    OwnChange own(ownChanges_);
    minimised_.clear();
    // A window the user minimised on its own before stays so when the program comes back; the one
    // whose minimise this is comes back with the others.
    const QPointer<QWidget> through = std::exchange(minimisedThrough_, nullptr);
    if (wayland_) {
        minimiseOnWayland(through);
    } else {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!isProgramWindow(window) || !window->isVisible() ||
                (window->isMinimized() && window != through))
                continue;
            minimised_ << window;
            if (!window->isMinimized())
                window->showMinimized();
        }
    }
    iconic_ = true;
    placement_.showCommand = kShowMinimized;
}

// The main form stands for the program in the taskbar: a window the compositor minimised can be brought
// back only there, and a dialog, which has a parent, is not listed by every window switcher. The others
// are hidden; a window the compositor minimised and the program hid comes back normal.
void QtAnimPlatform::minimiseOnWayland(QWidget* through) {
    QWidget* const anchor = mainForm_ && mainForm_->isVisible() ? mainForm_.data() : through;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!isProgramWindow(window) || !window->isVisible() || minimisedAlone_.contains(window))
            continue;
        minimised_ << window;
        if (window != anchor) {
            // QWidget's own hiding: a modal window keeps its modal run, to be shown again.
            window->QWidget::setVisible(false);
            hidden_ << window;
        } else if (window != through) {
            window->windowHandle()->setWindowState(Qt::WindowMinimized);
        }
    }
    doubtful_ = true;
    waiting_ = nullptr;
    const int minimise = ++minimises_;
    QTimer::singleShot(300, applicationFilter_.get(), [this, minimise] {
        if (minimise == minimises_ && iconic_ && doubtful_)
            settleOnWayland(false);
    });
}

void QtAnimPlatform::restoreProgram() {
    if (!iconic_)
        return;
    if (wayland_) {
        restoreOnWayland();
        return;
    }
    OwnChange own(ownChanges_);
    // Out of the taskbar in the state each had: a maximised window comes back maximised.
    for (const QPointer<QWidget>& window : std::as_const(minimised_))
        if (window && window->isVisible())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    minimised_.clear();
    iconic_ = false;
    placement_.showCommand = kShowNormal;
    // The main form comes forward, a modal window above it, since only it takes input; otherwise the
    // window the user brought back is the active one.
    QWidget* front = std::exchange(restoredThrough_, nullptr);
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        front = modal;
    if (mainForm_ && mainForm_->isVisible()) {
        mainForm_->raise();
        if (!front || front->isMinimized() || !front->isVisible())
            front = mainForm_;
    }
    if (front) {
        front->raise();
        front->activateWindow();
    }
}

// A window that a modal window blocks, activated (the window manager restoring it, a click on it): the
// modal window comes above it and takes the focus, since only it takes input. The window manager may
// stack the activated window only after the program raised the modal one on restoring, so this is
// asked again once the activation has arrived.
void QtAnimPlatform::bringModalForward(QWidget* window) {
    // Not a modal window the window manager has taken off screen: activating another window is then
    // the window manager's next step in minimising, and activating the modal one would undo it.
    const auto onScreen = [this](QWidget* modal) {
        return modal && modal->windowModality() == Qt::ApplicationModal && modal->isVisible() &&
               !modal->isMinimized() && modal->windowHandle() && modal->windowHandle()->isExposed() &&
               !offScreen_.contains(modal) && !iconic_;
    };
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == window || !onScreen(modal))
        return;
    QTimer::singleShot(0, modal, [modal, onScreen] {
        if (!onScreen(modal) || QApplication::activeModalWidget() != modal)
            return;
        modal->raise();
        modal->activateWindow();
    });
}

// The compositor stacks a window it maps above the others and activates it, and a program cannot ask
// it to activate one: so the windows the program hid come back one by one, each once the one before is
// activated (or after a while, where the compositor activates none), and the one that must be in front
// (a modal window, or else the main form) comes back last, mapped again if it never went.
void QtAnimPlatform::restoreOnWayland() {
    QWidget* front = mainForm_ && minimised_.contains(mainForm_) ? mainForm_.data() : restoredThrough_.data();
    for (const QPointer<QWidget>& window : std::as_const(minimised_))
        if (window && window->windowModality() != Qt::NonModal)
            front = window;
    toShow_.clear();
    for (const QPointer<QWidget>& window : std::as_const(hidden_))
        if (window && window != front)
            toShow_ << window;
    // In front already when nothing comes back above it and the compositor brought back this one; a
    // main form still minimised (the user brought back a window minimised alone) is mapped anew.
    if (front && (hidden_.contains(front) || !toShow_.isEmpty() || front != restoredThrough_))
        toShow_ << front;
    hidden_.clear();
    minimised_.clear();
    restoredThrough_ = nullptr;
    iconic_ = false;
    placement_.showCommand = kShowNormal;
    showing_ = nullptr;
    showNextOnWayland();
}

void QtAnimPlatform::showNextOnWayland() {
    toShow_.removeAll(nullptr);
    if (toShow_.isEmpty() || iconic_)
        return;
    QWidget* window = toShow_.takeFirst();
    OwnChange own(ownChanges_);
    if (window->isVisible())
        window->QWidget::setVisible(false);
    window->QWidget::setVisible(true);
    showing_ = window;
    const int showing = ++showings_;
    QTimer::singleShot(1000, applicationFilter_.get(), [this, showing] {
        if (showing == showings_ && showing_) {
            showing_ = nullptr;
            showNextOnWayland();
        }
    });
}

// Once the main form has been deactivated, an activation before was the compositor's late word on the
// click that minimised it; otherwise it was a restore, and the window is still active.
void QtAnimPlatform::settleOnWayland(bool anchorLeft) {
    doubtful_ = false;
    QWidget* window = std::exchange(waiting_, nullptr);
    if (!anchorLeft && window && window->isVisible() && window->isActiveWindow() && applicationProcedure_)
        restoreThrough(window);
}

} // namespace linnery
