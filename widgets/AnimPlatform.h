#pragma once

// What the minimise and restore component asks of the window system. The program uses the Qt adapter
// (QtAnimPlatform); the window tests install a recording one.

#include <cstdint>

class QWidget;

namespace linnery {

// A window as the component sees it: one of the program's forms, or the application window that
// stands for the whole program in the taskbar.
struct AnimWindow {
    QWidget* form = nullptr; // none: the application window

    static AnimWindow application() { return {}; }
    bool isApplication() const { return form == nullptr; }
    friend bool operator==(AnimWindow, AnimWindow) = default;
};

// A rectangle in screen coordinates; right and bottom lie just outside it.
struct AnimRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const AnimRect&, const AnimRect&) = default;
};

struct AnimPoint {
    int x = 0, y = 0;
    friend bool operator==(const AnimPoint&, const AnimPoint&) = default;
};

// A window's placement record.
struct AnimPlacement {
    std::uint32_t length = 0;
    std::uint32_t flags = 0;
    std::uint32_t showCommand = 0;
    AnimPoint minPosition, maxPosition;
    AnimRect normal; // where the window is, or would be, when neither minimised nor maximised
    friend bool operator==(const AnimPlacement&, const AnimPlacement&) = default;
};
inline constexpr std::uint32_t kPlacementLength = 44;
inline constexpr std::uint32_t kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3;

// The system commands, with their exact command words: a word with any of the low four bits set is
// a different command.
inline constexpr std::uint32_t kScMinimize = 0xF020;
inline constexpr std::uint32_t kScRestore = 0xF120;
// Position-change flags.
inline constexpr std::uint32_t kSwpNoSize = 1, kSwpNoMove = 2, kSwpNoZOrder = 4;

// The messages the component looks at.
struct AnimMessage {
    enum Kind {
        SysCommand,       // word: the command word
        PositionChanging, // word: the position-change flags
    };
    Kind kind;
    std::uint32_t word;
    friend bool operator==(const AnimMessage&, const AnimMessage&) = default;
};

enum class AnimShow { Minimize = 6, Restore = 9 };

// Called with each message of a window whose handling it has been put in front of.
class AnimProcedure {
  public:
    virtual ~AnimProcedure() = default;
    virtual void message(const AnimMessage& message) = 0;
};

class AnimPlatform {
  public:
    virtual ~AnimPlatform() = default;

    // The program's main form, the first window it creates; none before it exists.
    virtual QWidget* mainForm() const = 0;
    virtual void setMainForm(QWidget* form) = 0;

    // Puts `procedure` in front of the window's own handling, and takes it away again.
    virtual void installProcedure(AnimWindow window, AnimProcedure* procedure) = 0;
    virtual void removeProcedure(AnimWindow window, AnimProcedure* procedure) = 0;
    // The window's own handling of a message, as it would be without the procedure in front.
    virtual void callPrevious(AnimWindow window, const AnimMessage& message) = 0;

    virtual bool isEnabled(AnimWindow window) = 0;
    virtual void enable(AnimWindow window) = 0;
    virtual AnimRect windowRect(AnimWindow window) = 0;
    virtual void setForeground(AnimWindow window) = 0;
    // Moves and sizes the window; its place in the stacking order stays.
    virtual void moveAndSize(AnimWindow window, int x, int y, int width, int height) = 0;
    // The system's default handling of a system command.
    virtual void defaultSysCommand(AnimWindow window, std::uint32_t command) = 0;
    virtual void showWindow(AnimWindow window, AnimShow show) = 0;
    // Fills `placement`; its length and flags are set by the caller before.
    virtual void getPlacement(AnimWindow window, AnimPlacement& placement) = 0;
    virtual void setPlacement(AnimWindow window, const AnimPlacement& placement) = 0;
    virtual bool isIconic(AnimWindow window) = 0;
    // Queues a system command for the window; it is handled once the current event is done.
    virtual void postSysCommand(AnimWindow window, std::uint32_t command) = 0;

    // The platform in use; tests install their own.
    static AnimPlatform& instance();
    static void setInstance(AnimPlatform* platform);
};

} // namespace linnery
