#include "core/files/TemporaryFile.h"

#include "core/files/SignalGuard.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace linnery {

namespace {

std::atomic<bool> unnamedAllowed{true};

// Short, so that a name of up to NAME_MAX bytes can still be saved.
std::string shortName() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        const unsigned long long seed = static_cast<unsigned long long>(std::time(nullptr)) ^
                                        (static_cast<unsigned long long>(::getpid()) << 20) ^
                                        reinterpret_cast<std::uintptr_t>(&random);
        for (std::size_t i = 0; i < sizeof random; ++i)
            random[i] = static_cast<unsigned char>(seed >> (8 * i));
    }
    std::string name = ".linnery-";
    for (unsigned char r : random)
        name += kChars[r % (sizeof kChars - 1)];
    return name;
}

// A new file under a short name in `dir`, marked for removal should the program be ended. An errno
// value on failure.
int createNamed(int dir, UniqueFd& file, std::string& name, SignalGuard& guard) {
    // Armed while signals are deferred, so that no signal can come between creating and arming.
    guard.beginDefer();
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        name = shortName();
        file.fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        error = file.fd >= 0 ? 0 : errno;
    }
    if (error == 0)
        guard.arm(dir, name);
    guard.endDefer();
    return error;
}

bool procFdAvailable() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// An unnamed file is linked by name through /proc/self/fd.
std::string procPath(const TemporaryFile& temp) {
    return "/proc/self/fd/" + std::to_string(temp.file.fd);
}

} // namespace

int createTemporaryFile(int dir, mode_t mode, TemporaryFile& temp, SignalGuard& guard) {
    // Linking it by name later goes through /proc/self/fd.
    if (unnamedAllowed && procFdAvailable()) {
        temp.file.fd = ::openat(dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (temp.file.fd >= 0)
            return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
    }
    return createNamed(dir, temp.file, temp.name, guard);
}

int nameTemporaryFile(int dir, TemporaryFile& temp, SignalGuard& guard) {
    const std::string self = procPath(temp);
    guard.beginDefer();
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        temp.name = shortName();
        error = ::linkat(AT_FDCWD, self.c_str(), dir, temp.name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
    }
    if (error == 0)
        guard.arm(dir, temp.name);
    else
        temp.name.clear();
    guard.endDefer();
    return error;
}

int linkTemporaryFile(int dir, const TemporaryFile& temp, const std::string& name) {
    const int linked = temp.name.empty()
                           ? ::linkat(AT_FDCWD, procPath(temp).c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW)
                           : ::linkat(dir, temp.name.c_str(), dir, name.c_str(), 0);
    return linked == 0 ? 0 : errno;
}

void removeTemporaryFile(int dir, const TemporaryFile& temp, SignalGuard& guard) {
    if (!temp.name.empty()) {
        guard.disarm();
        ::unlinkat(dir, temp.name.c_str(), 0);
    }
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void useUnnamedTemporaries(bool on) {
    unnamedAllowed = on;
}

} // namespace linnery
