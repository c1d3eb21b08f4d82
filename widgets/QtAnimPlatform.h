#pragma once

#include "widgets/AnimPlatform.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class QEvent;
class QObject;
class QWindow;

namespace linnery {

// The minimise and restore component on Qt. Every top-level window has a taskbar entry of its own
// here, so the application window is a record (rectangle, placement, minimised or not) that stands
// for the program as a whole: minimising it minimises every visible window of the program, restoring
// it brings them back. The window manager plays its own animations.
//
// Window-system events reach the component as the commands it knows:
// - a form becoming minimised (its own request, or the window manager's iconify) is a minimise
//   command of that form; a modal window becoming minimised is one of the application window, since
//   the windows it blocks cannot be used without it;
// - while the program is minimised, any of its windows leaving the minimised state, or put back on
//   screen by the window manager (the taskbar, a pager, an activation), is a restore command of the
//   application window;
// - a form shown or raised by the program is a position change that neither moves nor sizes it.
// Changes the adapter makes itself are not commands.
//
// Wayland is read differently: the compositor tells a program neither that one of its windows was
// minimised nor that it came back, and gives it no request to bring back a window it minimised. There a
// window's own minimise request (Qt's title-bar button) is the command, and the program goes to the
// taskbar as its main form: the compositor minimises that, and the program hides its other windows,
// which it can show again. The main form being activated again (the taskbar, the window switcher) is
// the restore command, which shows the hidden windows.
class QtAnimPlatform : public AnimPlatform {
  public:
    QtAnimPlatform();
    ~QtAnimPlatform() override;

    QWidget* mainForm() const override { return mainForm_; }
    void setMainForm(QWidget* form) override { mainForm_ = form; }
    void installProcedure(AnimWindow window, AnimProcedure* procedure) override;
    void removeProcedure(AnimWindow window, AnimProcedure* procedure) override;
    void callPrevious(AnimWindow window, const AnimMessage& message) override;
    bool isEnabled(AnimWindow window) override;
    void enable(AnimWindow window) override;
    AnimRect windowRect(AnimWindow window) override;
    void setForeground(AnimWindow window) override;
    void moveAndSize(AnimWindow window, int x, int y, int width, int height) override;
    void defaultSysCommand(AnimWindow window, std::uint32_t command) override;
    void showWindow(AnimWindow window, AnimShow show) override;
    void getPlacement(AnimWindow window, AnimPlacement& placement) override;
    void setPlacement(AnimWindow window, const AnimPlacement& placement) override;
    bool isIconic(AnimWindow window) override;
    void postSysCommand(AnimWindow window, std::uint32_t command) override;

  private:
    class Filter;
    void applicationEvent(QObject* watched, QEvent* event);
    void waylandEvent(QWidget* window, QEvent* event);
    void watchStates(QWidget* window);
    void minimiseRequested(QWidget* window);
    void windowExposed(QWindow* handle);
    void restoreThrough(QWidget* window);
    void formEvent(QObject* watched, QEvent* event);
    void deliver(AnimWindow window, const AnimMessage& message);
    void minimiseProgram();
    void restoreProgram();
    void bringModalForward(QWidget* window);
    void minimiseOnWayland(QWidget* through);
    void restoreOnWayland();
    void showNextOnWayland();
    void settleOnWayland(bool anchorLeft);

    QPointer<QWidget> mainForm_;
    std::unique_ptr<Filter> applicationFilter_;
    std::unique_ptr<Filter> formFilter_;
    AnimProcedure* applicationProcedure_ = nullptr;
    QHash<QWidget*, AnimProcedure*> formProcedures_;
    // The application window.
    AnimRect rect_;
    AnimPlacement placement_;
    bool iconic_ = false;
    QList<QPointer<QWidget>> minimised_; // the windows that went with it
    QList<QPointer<QWidget>> offScreen_; // shown windows the window manager has taken off screen
    QPointer<QWidget> minimisedThrough_; // the window whose own minimise minimises the program
    QPointer<QWidget> restoredThrough_;  // the window the user brought back, which is activated
    int ownChanges_ = 0;                 // > 0 while the adapter itself changes windows
    bool wayland_ = false;
    QList<QPointer<QWidget>> hidden_;         // Wayland: the windows hidden while the program is minimised
    QList<QPointer<QWidget>> minimisedAlone_; // Wayland: windows minimised on their own, not active since
    QList<QPointer<QWidget>> toShow_;         // Wayland: the windows still to come back, in order
    QPointer<QWidget> showing_; // Wayland: the one shown last, until the compositor activates it
    int showings_ = 0;
    // Wayland: an activation the compositor sent before it took the minimise (the click on the title-bar
    // button activates the window first) is no restore. Until the main form has been deactivated, or a
    // moment has passed, an activation only waits.
    bool doubtful_ = false;
    QPointer<QWidget> waiting_;
    int minimises_ = 0;
};

} // namespace linnery
