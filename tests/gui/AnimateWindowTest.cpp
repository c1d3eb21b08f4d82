// The minimise and restore component against a window system that records every call.

#include "widgets/AnimWnd.h"

#include <QHash>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

using namespace linnery;

namespace {

QString hex(std::uint32_t word) {
    return QString::number(word, 16).toUpper();
}
QString text(const QString& s) {
    return s;
}
QString text(long long n) {
    return QString::number(n);
}

class RecordingPlatform : public AnimPlatform {
  public:
    QStringList log;
    QWidget* main = nullptr;
    bool enabled = true, iconic = false;
    AnimPlacement formPlacement{0, 0, kShowNormal, {-1, -1}, {-1, -1}, {50, 60, 690, 540}};
    AnimPlacement applicationPlacement{0, 0, kShowMinimized, {-32000, -32000}, {-1, -1}, {0, 0, 0, 0}};
    QHash<QWidget*, AnimProcedure*> procedures; // the application window's under nullptr

    RecordingPlatform() { setInstance(this); }
    ~RecordingPlatform() override { setInstance(nullptr); }

    // A message as the window system delivers it: to the procedure in front, else to the window.
    void send(AnimWindow window, AnimMessage message) {
        if (AnimProcedure* procedure = procedures.value(window.form))
            procedure->message(message);
        else
            callPrevious(window, message);
    }

    // "call window arguments..."
    template <class... Args> void record(const char* call, AnimWindow w, const Args&... args) {
        log << (QStringList{call, w.isApplication() ? "app" : w.form->objectName()} << ... << text(args))
                   .join(' ');
    }

    QWidget* mainForm() const override { return main; }
    void setMainForm(QWidget* form) override { main = form; }
    void installProcedure(AnimWindow w, AnimProcedure* procedure) override {
        record("install", w);
        procedures.insert(w.form, procedure);
    }
    void removeProcedure(AnimWindow w, AnimProcedure* procedure) override {
        record("remove", w);
        QCOMPARE(procedures.take(w.form), procedure);
    }
    void callPrevious(AnimWindow w, const AnimMessage& m) override {
        record("previous", w, m.kind == AnimMessage::SysCommand ? "command" : "position", hex(m.word));
    }
    bool isEnabled(AnimWindow w) override { return record("isEnabled", w), enabled; }
    void enable(AnimWindow w) override { record("enable", w); }
    AnimRect windowRect(AnimWindow w) override { return record("windowRect", w), AnimRect{10, 20, 310, 220}; }
    void setForeground(AnimWindow w) override { record("foreground", w); }
    void moveAndSize(AnimWindow w, int x, int y, int width, int height) override {
        record("moveAndSize", w, x, y, width, height);
    }
    void defaultSysCommand(AnimWindow w, std::uint32_t command) override {
        record("default", w, hex(command));
    }
    void showWindow(AnimWindow w, AnimShow show) override {
        record("show", w, show == AnimShow::Minimize ? "minimize" : "restore");
    }
    void getPlacement(AnimWindow w, AnimPlacement& p) override {
        record("getPlacement", w, p.length, p.flags);
        const AnimPlacement& stored = w.isApplication() ? applicationPlacement : formPlacement;
        p = {p.length, p.flags, stored.showCommand, stored.minPosition, stored.maxPosition, stored.normal};
    }
    // length, show command, minimised position, normal rectangle
    void setPlacement(AnimWindow w, const AnimPlacement& p) override {
        record("setPlacement", w, p.length, p.showCommand, p.minPosition.x, p.minPosition.y, p.normal.left,
               p.normal.top, p.normal.right, p.normal.bottom);
    }
    bool isIconic(AnimWindow w) override { return record("isIconic", w), iconic; }
    void postSysCommand(AnimWindow w, std::uint32_t command) override { record("post", w, hex(command)); }
};

// A form whose native window the test can take away and give back.
struct Form : QWidget {
    using QWidget::create;
    using QWidget::destroy;
};

// The main form with its component, placed as the main window places it, and a second form.
struct Scene {
    RecordingPlatform platform;
    std::unique_ptr<Form> form1 = std::make_unique<Form>();
    std::unique_ptr<Form> form2 = std::make_unique<Form>();
    TAnimateWindow* component;

    Scene() {
        form1->setObjectName("Form1");
        form2->setObjectName("Form2");
        component = new TAnimateWindow(form1.get());
        component->setParentComponent(form1.get());
        platform.main = form1.get();
        form1->winId(); // the form gets its native window
        component->OnMinimize = [this](QObject* sender) { event("OnMinimize", sender); };
        component->OnRestore = [this](QObject* sender) { event("OnRestore", sender); };
    }
    void event(const char* name, QObject* sender) {
        platform.log << QString("%1 from %2").arg(name, sender == qApp ? "application" : "elsewhere");
    }
};

const AnimWindow app = AnimWindow::application();

struct Case {
    const char* name;
    std::function<void(Scene&)> act;
    QStringList expected; // the calls after the main component hooked the application and Form1
};

const Case cases[] = {
    {"minimise from the main form: the application window takes the form's place, height 0",
     [](Scene& s) {
         s.platform.enabled = false;
         s.platform.send({s.form1.get()}, {AnimMessage::SysCommand, kScMinimize});
     },
     {"isEnabled app", "enable app", "windowRect Form1", "foreground app", "moveAndSize app 10 20 300 0",
      "default app F020", "show app minimize", "OnMinimize from application", "previous Form1 command F020"}},
    {"restore from the taskbar: the main form's normal rectangle, height 0; then 0 x 0; a hidden main "
     "form is shown",
     [](Scene& s) {
         s.platform.send(app, {AnimMessage::SysCommand, kScRestore});
         s.platform.log << QString("Form1 visible %1").arg(s.form1->isVisible());
     },
     {"getPlacement Form1 44 0", "getPlacement app 44 0", "setPlacement app 44 2 -32000 -32000 50 60 690 60",
      "foreground app", "default app F120", "show app restore", "moveAndSize app 0 0 0 0",
      "show Form1 restore", "OnRestore from application", "previous app command F120", "Form1 visible 1"}},
    {"restore with the main form visible leaves it alone",
     [](Scene& s) {
         s.form1->show();
         s.platform.log.clear();
         s.platform.send(app, {AnimMessage::SysCommand, kScRestore});
         s.platform.log.removeIf([](const QString& call) { return call.startsWith("getPlacement"); });
     },
     {"setPlacement app 44 2 -32000 -32000 50 60 690 60", "foreground app", "default app F120",
      "show app restore", "moveAndSize app 0 0 0 0", "OnRestore from application",
      "previous app command F120"}},
    {"command words with low bits set fall through",
     [](Scene& s) {
         s.platform.send({s.form1.get()}, {AnimMessage::SysCommand, kScMinimize | 2});
         s.platform.send(app, {AnimMessage::SysCommand, kScRestore | 2});
         s.platform.send(app, {AnimMessage::SysCommand, kScMinimize | 1});
     },
     {"previous Form1 command F022", "previous app command F122", "previous app command F021"}},
    {"a second form's minimise is posted to the application window",
     [](Scene& s) {
         auto* second = new TAnimateWindow(s.form2.get());
         second->setParentComponent(s.form2.get());
         s.form2->winId();
         s.platform.send({s.form2.get()}, {AnimMessage::SysCommand, kScMinimize});
     },
     {"install Form2", "post app F020", "previous Form2 command F020"}},
    {"a no-move, no-size change while minimised posts a restore; other changes do not",
     [](Scene& s) {
         s.platform.send({s.form1.get()}, {AnimMessage::PositionChanging, kSwpNoSize | kSwpNoMove});
         s.platform.iconic = true;
         s.platform.send({s.form1.get()}, {AnimMessage::PositionChanging, kSwpNoSize | kSwpNoMove});
         s.platform.send({s.form1.get()},
                         {AnimMessage::PositionChanging, kSwpNoSize | kSwpNoMove | kSwpNoZOrder});
     },
     {"isIconic app", "previous Form1 position 3", "isIconic app", "post app F120",
      "previous Form1 position 3", "previous Form1 position 7"}},
    {"a second component on one form is refused and installs nothing",
     [](Scene& s) {
         const auto before = AnimatedForms();
         try {
             new TAnimateWindow(s.form1.get());
             s.platform.log << "accepted";
         } catch (const std::runtime_error& error) {
             s.platform.log << QString::fromLocal8Bit(error.what());
         }
         s.platform.log << QString("forms unchanged %1").arg(AnimatedForms() == before);
     },
     {"AnimateWindowはフォームに一つしか置けません", "forms unchanged 1"}},
    {"a component made in code never hooks its form, and restores nothing",
     [](Scene& s) {
         auto* loose = new TAnimateWindow(s.form2.get());
         s.form2->winId();
         delete loose;
     },
     {}},
    {"deleting the main component restores what it hooked",
     [](Scene& s) {
         delete s.component;
         s.platform.log << QString("Form1 listed %1").arg(AnimatedForms().size());
     },
     {"remove app", "remove Form1", "Form1 listed 0"}},
    {"deleting the main form unhooks both",
     [](Scene& s) { s.form1.reset(); },
     {"remove app", "remove Form1"}},
    {"a recreated native window is hooked again",
     [](Scene& s) {
         s.form1->destroy();
         s.form1->create();
     },
     {"remove Form1", "install Form1"}},
};

} // namespace

class AnimateWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void edgeCases() {
        for (const Case& c : cases) {
            Scene scene;
            QCOMPARE(scene.platform.log, QStringList({"install app", "install Form1"}));
            scene.platform.log.clear();
            c.act(scene);
            QVERIFY2(scene.platform.log == c.expected,
                     qPrintable(QString("%1:\n  got      %2\n  expected %3")
                                    .arg(c.name, scene.platform.log.join(" | "), c.expected.join(" | "))));
        }
    }
};

QTEST_MAIN(AnimateWindowTest)
#include "AnimateWindowTest.moc"
