#pragma once

#include <unistd.h>

namespace linnery {

// A file descriptor closed when it goes out of scope.
struct UniqueFd {
    int fd = -1;
    explicit UniqueFd(int f = -1) : fd(f) {}
    ~UniqueFd() {
        if (fd >= 0)
            ::close(fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    // Closes now, reporting what close reports (some file systems report write errors only here).
    bool close() {
        const int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }
};

} // namespace linnery
