#include "widgets/AnimWnd.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPlatformSurfaceEvent>
#include <QString>

#include <algorithm>
#include <stdexcept>

namespace linnery {

namespace {

// Refuses a second component before anything of it is built, so a refused one installs nothing.
QWidget* refuseSecondComponent(QWidget* owner) {
    const std::vector<const QWidget*>& forms = AnimatedForms();
    if (std::find(forms.begin(), forms.end(), owner) != forms.end())
        throw std::runtime_error(QStringLiteral("AnimateWindowはフォームに一つしか置けません").toStdString());
    return owner;
}

} // namespace

std::vector<const QWidget*>& AnimatedForms() {
    static std::vector<const QWidget*> forms;
    return forms;
}

// A window procedure bound to one method of one component.
class TAnimateWindow::Entry : public AnimProcedure {
  public:
    using Method = void (TAnimateWindow::*)(const AnimMessage&);
    Entry(TAnimateWindow* component, Method method) : component_(component), method_(method) {}
    void message(const AnimMessage& message) override { (component_->*method_)(message); }

  private:
    TAnimateWindow* component_;
    Method method_;
};

TAnimateWindow::TAnimateWindow(QWidget* owner)
    : QObject(refuseSecondComponent(owner)), ownerForm_(owner), platform_(AnimPlatform::instance()),
      hookWindow_(new TAnimateHookWnd(this)) {
    // Only the component of the first form, which becomes the main form, takes over the application
    // window; the others look after their own form only.
    if (!platform_.mainForm()) {
        applicationEntry_ = std::make_unique<Entry>(this, &TAnimateWindow::ApplicationWindowProc);
        platform_.installProcedure(AnimWindow::application(), applicationEntry_.get());
    }
    AnimatedForms().push_back(owner);
}

TAnimateWindow::~TAnimateWindow() {
    // Whatever this component installed comes off again, so no procedure outlives it.
    if (applicationEntry_)
        platform_.removeProcedure(AnimWindow::application(), applicationEntry_.get());
    std::vector<const QWidget*>& forms = AnimatedForms();
    if (auto it = std::find(forms.begin(), forms.end(), ownerForm_); it != forms.end())
        forms.erase(it);
    delete hookWindow_.data(); // takes the form's procedure off if it is still on
}

void TAnimateWindow::setParentComponent(QWidget* parent) {
    if (parent && hookWindow_)
        hookWindow_->setParent(parent);
}

void TAnimateWindow::HookForm() {
    formEntry_ = std::make_unique<Entry>(this, &TAnimateWindow::FormWindowProc);
    platform_.installProcedure(AnimWindow{ownerForm_}, formEntry_.get());
}

void TAnimateWindow::UnhookForm() {
    platform_.removeProcedure(AnimWindow{ownerForm_}, formEntry_.get());
    formEntry_.reset();
}

void TAnimateWindow::ApplicationWindowProc(const AnimMessage& message) {
    if (message.kind == AnimMessage::SysCommand) {
        if (message.word == kScMinimize)
            AnimateMinimize();
        else if (message.word == kScRestore)
            AnimateRestore();
    }
    // The program's own handling follows; after an animated minimise or restore it finds nothing left
    // to do.
    platform_.callPrevious(AnimWindow::application(), message);
}

void TAnimateWindow::FormWindowProc(const AnimMessage& message) {
    const AnimWindow application = AnimWindow::application();
    if (message.kind == AnimMessage::SysCommand && message.word == kScMinimize) {
        if (ownerForm_ == platform_.mainForm())
            AnimateMinimize();
        else
            platform_.postSysCommand(application, kScMinimize);
    } else if (message.kind == AnimMessage::PositionChanging && message.word == (kSwpNoSize | kSwpNoMove) &&
               platform_.isIconic(application)) {
        // Something brings the form forward while the program is in the taskbar: restore the program.
        platform_.postSysCommand(application, kScRestore);
    }
    platform_.callPrevious(AnimWindow{ownerForm_}, message);
}

// The window system animates a minimise from the window's rectangle to the taskbar, and a restore
// from the taskbar to its restore rectangle; the application window borrows the main form's place
// for both and takes no room of its own otherwise.
void TAnimateWindow::AnimateMinimize() {
    const AnimWindow application = AnimWindow::application();
    if (!platform_.isEnabled(application))
        platform_.enable(application);
    const AnimRect form = platform_.windowRect(AnimWindow{ownerForm_});
    platform_.setForeground(application);
    platform_.moveAndSize(application, form.left, form.top, form.right - form.left, 0);
    platform_.defaultSysCommand(application, kScMinimize); // hides the forms too
    platform_.showWindow(application, AnimShow::Minimize);
    if (OnMinimize)
        OnMinimize(QCoreApplication::instance());
}

void TAnimateWindow::AnimateRestore() {
    QWidget* mainForm = platform_.mainForm();
    if (!mainForm)
        return; // nothing to restore to yet
    const AnimWindow application = AnimWindow::application();
    AnimPlacement main;
    main.length = kPlacementLength;
    main.flags = 0;
    platform_.getPlacement(AnimWindow{mainForm}, main);
    AnimPlacement placement;
    placement.length = kPlacementLength;
    placement.flags = 0;
    platform_.getPlacement(application, placement);
    placement.normal = main.normal;
    placement.normal.bottom = placement.normal.top;
    platform_.setPlacement(application, placement);
    platform_.setForeground(application);
    platform_.defaultSysCommand(application, kScRestore); // shows the forms again
    platform_.showWindow(application, AnimShow::Restore);
    platform_.moveAndSize(application, 0, 0, 0, 0);
    if (!mainForm->isVisible()) {
        platform_.showWindow(AnimWindow{mainForm}, AnimShow::Restore);
        mainForm->setVisible(true);
    }
    if (OnRestore)
        OnRestore(QCoreApplication::instance());
}

TAnimateHookWnd::TAnimateHookWnd(TAnimateWindow* component) : component_(component) {
    setObjectName(QStringLiteral("AnimateHookWnd"));
    resize(0, 0);
    hide(); // stays hidden when its form is shown
}

TAnimateHookWnd::~TAnimateHookWnd() {
    if (hooked_)
        destroying();
    if (form_)
        form_->removeEventFilter(this);
}

bool TAnimateHookWnd::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange)
        follow(parentWidget());
    return QWidget::event(event);
}

// Hooks the form whenever it has a native window: the one it has now, and each one it gets later.
void TAnimateHookWnd::follow(QWidget* form) {
    if (form == form_)
        return;
    if (form_) {
        if (hooked_)
            destroying();
        form_->removeEventFilter(this);
    }
    form_ = form;
    if (!form_)
        return;
    form_->installEventFilter(this);
    if (form_->internalWinId())
        created();
}

bool TAnimateHookWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::PlatformSurface) {
        switch (static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType()) {
        case QPlatformSurfaceEvent::SurfaceCreated:
            if (!hooked_)
                created();
            break;
        case QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed:
            if (hooked_)
                destroying();
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TAnimateHookWnd::created() {
    hooked_ = true;
    component_->HookForm();
}

void TAnimateHookWnd::destroying() {
    component_->UnhookForm();
    hooked_ = false;
}

} // namespace linnery
