#pragma once

#include "widgets/CommandRunner.h"

#include <chrono>
#include <future>

namespace linnery {

// Holds the next commands' work before it starts until release(), so a test can act while a command
// runs however fast the machine is. Released at the latest when it goes out of scope.
class HeldCommand {
  public:
    HeldCommand() {
        std::shared_future<void> released = released_.get_future().share();
        CommandRunner::setWorkStartHook([released] { released.wait_for(std::chrono::seconds(30)); });
    }
    ~HeldCommand() {
        release();
        CommandRunner::setWorkStartHook({});
    }
    HeldCommand(const HeldCommand&) = delete;
    HeldCommand& operator=(const HeldCommand&) = delete;

    void release() {
        if (!done_)
            released_.set_value();
        done_ = true;
    }

  private:
    std::promise<void> released_;
    bool done_ = false;
};

} // namespace linnery
