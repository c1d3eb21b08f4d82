#pragma once

#include "widgets/AnimPlatform.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace linnery {

class TAnimateHookWnd;

// Put on a form, takes over the minimise and restore commands of that form and of the application
// window, so that the whole program goes to the taskbar and comes back as one, and the window system
// can animate it between the main form's place and the taskbar. One per form.
class TAnimateWindow : public QObject {
    Q_OBJECT
  public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    // Fails with "AnimateWindowはフォームに一つしか置けません" when `owner` already carries one; nothing
    // is installed then. The first component made before the program has a main form takes over the
    // application window.
    explicit TAnimateWindow(QWidget* owner);
    ~TAnimateWindow() override;

    // Places the component on `parent`, as a form does with its own components: from then on it
    // follows the native window of that form. A component that is never placed leaves its form alone.
    void setParentComponent(QWidget* parent);

    QWidget* ownerForm() const { return ownerForm_; }

    // After an animated minimise or restore; the sender is the application object.
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    // The form's native window has been created, or is about to be destroyed.
    void HookForm();
    void UnhookForm();

  private:
    class Entry;
    void ApplicationWindowProc(const AnimMessage& message);
    void FormWindowProc(const AnimMessage& message);
    void AnimateMinimize();
    void AnimateRestore();

    QWidget* ownerForm_;
    AnimPlatform& platform_;
    std::unique_ptr<Entry> formEntry_;
    std::unique_ptr<Entry> applicationEntry_;
    QPointer<TAnimateHookWnd> hookWindow_;
};

// An invisible child of the form that tells its component when the form's native window comes and
// goes.
class TAnimateHookWnd : public QWidget {
    Q_OBJECT
  public:
    explicit TAnimateHookWnd(TAnimateWindow* component);
    ~TAnimateHookWnd() override;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void follow(QWidget* form);
    void created();
    void destroying();

    TAnimateWindow* component_;
    QPointer<QWidget> form_;
    bool hooked_ = false;
};

// The forms that carry a TAnimateWindow.
std::vector<const QWidget*>& AnimatedForms();

} // namespace linnery
