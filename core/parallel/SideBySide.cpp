#include "core/parallel/SideBySide.h"

#include <exception>
#include <system_error>
#include <thread>

namespace linnery {

void runSideBySide(const std::function<void()>& here, const std::function<void()>& beside, bool parallel) {
    if (!parallel) {
        here();
        beside();
        return;
    }
    std::exception_ptr besideFailed, hereFailed;
    bool started = false;
    {
        std::jthread thread;
        try {
            thread = std::jthread([&] {
                try {
                    beside();
                } catch (...) {
                    besideFailed = std::current_exception();
                }
            });
            started = true;
        } catch (const std::system_error&) {
        }
        try {
            here();
        } catch (...) {
            hereFailed = std::current_exception();
        }
    } // joins
    if (hereFailed)
        std::rethrow_exception(hereFailed);
    if (besideFailed)
        std::rethrow_exception(besideFailed);
    if (!started)
        beside();
}

} // namespace linnery
