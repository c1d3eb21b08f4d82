#pragma once

#include <mutex>
#include <string>

namespace linnery {

// SIGINT, SIGTERM and SIGHUP for the length of one save (one save runs at a time: the guard holds a
// lock while it lives). A signal that ends the program first removes the file the guard is armed with,
// so that no temporary file or unneeded safety copy stays behind; between beginDefer and endDefer a
// signal only takes note, and endDefer ends the program as the signal would have. Signals that were
// ignored stay ignored (nohup, background jobs); the previous handlers are back when the guard goes.
class SignalGuard {
  public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    // The file `name` in the folder `dir` is removed if the program is ended now.
    void arm(int dir, const std::string& name);
    void disarm();
    void beginDefer();
    void endDefer();

  private:
    std::lock_guard<std::mutex> oneSaveAtATime_;
};

} // namespace linnery
