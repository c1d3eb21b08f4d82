#include "core/files/SafeWrite.h"

#include "core/files/Paths.h"
#include "core/lines/LineError.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace linnery {

namespace {

std::atomic<bool> unnamedAllowed{true};

struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    // Closes now, reporting what close reports (some file systems report write errors only here).
    bool close() {
        const int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }
};

// ---- signals during a save -------------------------------------------------------------------------
//
// State a signal handler may read: plain flags and a fixed buffer, set before the flag that publishes
// them. One save runs at a time (saveMutex).

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = 3;
struct sigaction previousAction[kSignalCount];
volatile sig_atomic_t installed[kSignalCount];
volatile sig_atomic_t armed = 0; // a named file to remove if the program is ended now
volatile sig_atomic_t armedDir = -1;
char armedName[NAME_MAX + 1];
volatile sig_atomic_t deferring = 0; // the target is being rewritten: a signal waits for the end
volatile sig_atomic_t pendingSignal = 0;
std::mutex saveMutex;

void restorePreviousActions() {
    for (int i = 0; i < kSignalCount; ++i)
        if (installed[i]) {
            installed[i] = 0;
            ::sigaction(kSignals[i], &previousAction[i], nullptr);
        }
}

// Ends the program as the signal would have, without leaving the named file behind.
void endBySignal(int sig) {
    if (armed)
        ::unlinkat(armedDir, armedName, 0);
    restorePreviousActions();
    ::raise(sig);
}

void onSignal(int sig) {
    const int savedErrno = errno;
    if (deferring)
        pendingSignal = sig;
    else
        endBySignal(sig);
    errno = savedErrno;
}

// Installed for the length of one save.
class SignalGuard {
  public:
    SignalGuard() {
        pendingSignal = 0;
        for (int i = 0; i < kSignalCount; ++i) {
            struct sigaction now {};
            // An ignored signal stays ignored (nohup, background jobs).
            if (::sigaction(kSignals[i], nullptr, &now) != 0 || now.sa_handler == SIG_IGN)
                continue;
            struct sigaction ours {};
            ours.sa_handler = onSignal;
            ::sigemptyset(&ours.sa_mask);
            for (int s : kSignals)
                ::sigaddset(&ours.sa_mask, s);
            ours.sa_flags = SA_RESTART;
            if (::sigaction(kSignals[i], &ours, &previousAction[i]) == 0)
                installed[i] = 1;
        }
    }
    ~SignalGuard() {
        disarm();
        endDefer();
        restorePreviousActions();
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    void arm(int dir, const std::string& name) {
        armed = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        std::memcpy(armedName, name.c_str(), name.size() + 1);
        armedDir = dir;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        armed = 1;
    }
    void disarm() {
        armed = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    // Between these two, a signal only takes note; endDefer acts on it.
    void beginDefer() {
        deferring = 1;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    void endDefer() {
        deferring = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (const int sig = pendingSignal) {
            pendingSignal = 0;
            endBySignal(sig);
        }
    }
};

// ---- temporary files -------------------------------------------------------------------------------

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
int createNamed(int dir, Fd& file, std::string& name, SignalGuard& guard) {
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

struct Temporary {
    Fd file;
    std::string name; // empty while the file has no name
};

// Unnamed where the file system allows it: then nothing is left behind, whatever ends the program.
int createTemporary(int dir, mode_t mode, Temporary& temp, SignalGuard& guard) {
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

// Gives an unnamed temporary file a short name, for the rename.
int nameTemporary(int dir, Temporary& temp, SignalGuard& guard) {
    const std::string self = "/proc/self/fd/" + std::to_string(temp.file.fd);
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

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// ---- what the new file keeps of the old one --------------------------------------------------------

// The names of a file's extended attributes; nothing when they cannot be listed.
template <class List> std::optional<std::vector<std::string>> attributeNames(List list) {
    for (;;) {
        ssize_t n = list(nullptr, 0);
        if (n < 0)
            return errno == ENOTSUP ? std::optional(std::vector<std::string>()) : std::nullopt;
        std::string names(static_cast<std::size_t>(n), '\0');
        n = list(names.data(), names.size());
        if (n < 0 && errno == ERANGE)
            continue; // they changed in between
        if (n < 0)
            return std::nullopt;
        std::vector<std::string> out;
        for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
            const std::size_t end = names.find('\0', at);
            out.push_back(names.substr(at, end - at));
            at = end + 1;
        }
        return out;
    }
}

// Gives `file` exactly the extended attributes of `source`; POSIX ACLs are among them.
bool copyAttributes(const std::string& source, int file) {
    const auto wanted =
        attributeNames([&](char* b, std::size_t n) { return ::listxattr(source.c_str(), b, n); });
    // A folder's default ACL may have given the new file attributes the old one does not have.
    const auto present = attributeNames([&](char* b, std::size_t n) { return ::flistxattr(file, b, n); });
    if (!wanted || !present)
        return false;
    for (const std::string& name : *present)
        if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() &&
            ::fremovexattr(file, name.c_str()) != 0)
            return false;
    for (const std::string& name : *wanted) {
        std::string value;
        ssize_t n;
        do {
            n = ::getxattr(source.c_str(), name.c_str(), nullptr, 0);
            if (n >= 0) {
                value.resize(static_cast<std::size_t>(n));
                n = ::getxattr(source.c_str(), name.c_str(), value.data(), value.size());
            }
        } while (n < 0 && errno == ERANGE);
        if (n < 0 && errno == ENODATA)
            continue; // removed in between
        if (n < 0 || ::fsetxattr(file, name.c_str(), value.data(), static_cast<std::size_t>(n), 0) != 0)
            return false;
    }
    return true;
}

bool keepOwnerAndAttributes(int file, const std::string& source, const struct stat& old) {
    struct stat now {};
    if (::fstat(file, &now) != 0)
        return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::fchown(file, now.st_uid != old.st_uid ? old.st_uid : static_cast<uid_t>(-1),
                 now.st_gid != old.st_gid ? old.st_gid : static_cast<gid_t>(-1)) != 0)
        return false;
    return copyAttributes(source, file);
}

// Copies from the current offset of `from` to that of `to`.
bool copyAll(int from, int to) {
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
        if (n == 0)
            return true;
        if (n > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        break; // not between these two files: copy through a buffer
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        for (const char* p = buffer.data(); n > 0;) {
            const ssize_t w = ::write(to, p, static_cast<std::size_t>(n));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            p += w;
            n -= w;
        }
    }
}

// ---- the three ways to write -----------------------------------------------------------------------

struct Target {
    const std::string& path; // as given, for the messages
    std::string file;        // the file really written (symlinks followed)
    int dir;                 // its folder
    std::string base;        // its name in the folder
    bool exists;
    struct stat old;
};

enum class Outcome { Done, WriteInPlace };

Outcome replaceByRename(const Target& t, const ContentWriter& write, SignalGuard& guard) {
    Temporary temp;
    if (const int error = createTemporary(t.dir, t.exists ? 0600 : 0666, temp, guard)) {
        if (t.exists && (error == EACCES || error == EPERM))
            return Outcome::WriteInPlace; // a folder we may not write
        throw LineError::create(t.path, systemReason(error));
    }
    auto discard = [&] {
        if (!temp.name.empty()) {
            guard.disarm();
            ::unlinkat(t.dir, temp.name.c_str(), 0);
        }
    };
    if (t.exists && !keepOwnerAndAttributes(temp.file.fd, t.file, t.old)) {
        discard();
        return Outcome::WriteInPlace;
    }
    try {
        write(temp.file.fd);
    } catch (...) {
        discard();
        throw;
    }
    // The mode last, since writing clears the set-user-ID and set-group-ID bits. An unnamed new file got
    // the umask (or the folder's default ACL) when it was created; a named one is created private.
    const bool setMode = t.exists || !temp.name.empty();
    const mode_t mode = t.exists ? (t.old.st_mode & 07777) : newFileMode();
    if ((setMode && ::fchmod(temp.file.fd, mode) != 0) || ::fsync(temp.file.fd) != 0) {
        const int error = errno;
        discard();
        throw LineError::write(t.path, systemReason(error));
    }
    if (temp.name.empty())
        if (const int error = nameTemporary(t.dir, temp, guard))
            throw LineError::create(t.path, systemReason(error));
    if (!temp.file.close()) {
        const int error = errno;
        discard();
        throw LineError::write(t.path, systemReason(error));
    }
    if (::renameat(t.dir, temp.name.c_str(), t.dir, t.base.c_str()) != 0) {
        const int error = errno;
        discard();
        // A sticky folder, or a file that may not be replaced: in place works or says why.
        if (t.exists && (error == EPERM || error == EACCES))
            return Outcome::WriteInPlace;
        throw LineError::create(t.path, systemReason(error));
    }
    guard.disarm();
    // So that a crash right after the save cannot lose the new name. A folder opened only as a path
    // cannot be flushed; the rename has still happened.
    ::fsync(t.dir);
    return Outcome::Done;
}

// A test hook, inert unless LINNERY_TEST_KILL_AT names a step of an in-place save: the process then
// ends there by SIGKILL, so that tests can see what such an end leaves on the disk.
void killPoint(const char* step) {
    const char* wanted = std::getenv("LINNERY_TEST_KILL_AT");
    if (wanted && std::strcmp(wanted, step) == 0)
        ::raise(SIGKILL);
}

// ---- safety copies ---------------------------------------------------------------------------------

constexpr std::string_view kCopySuffix = ".linnery-backup";

// $XDG_STATE_HOME/linnery, by default ~/.local/state/linnery; empty when there is no home.
std::string stateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::string(state) + "/linnery";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    return home.empty() ? std::string() : home + "/.local/state/linnery";
}

// The file's absolute path, with "%" and "/" written as %25 and %2F; a name too long for the folder
// keeps its end behind a hash of the whole path.
std::string stateCopyName(const std::string& absolute) {
    std::string name;
    for (const char c : absolute)
        name += c == '%' ? std::string("%25") : c == '/' ? std::string("%2F") : std::string(1, c);
    if (name.size() + kCopySuffix.size() + 2 > NAME_MAX) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (const unsigned char c : absolute)
            hash = (hash ^ c) * 1099511628211ull;
        std::size_t from = name.size() - 200;
        while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80)
            ++from; // not inside a character
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        std::string shortened(hex);
        shortened += '~';
        shortened.append(name, from);
        name = std::move(shortened);
    }
    return name + std::string(kCopySuffix);
}

// Where a file's safety copy may be, in the order tried: beside it, then in the state folder; in each
// a second name for when a copy an earlier save left is still there.
struct CopyPlace {
    std::string folder, name;
    bool stateFolder;
};

std::vector<CopyPlace> copyPlaces(const std::string& file) {
    const PathParts parts = splitPath(file);
    const std::string base(parts.name), folder(parts.folder);
    std::vector<CopyPlace> places{{folder, base + std::string(kCopySuffix), false},
                                  {folder, base + std::string(kCopySuffix) + "-2", false}};
    const std::string state = stateFolder();
    if (state.empty())
        return places;
    std::string absolute;
    if (char* real = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr)) {
        absolute = real;
        std::free(real);
    } else if (file[0] == '/') {
        absolute = folder;
    } else if (char* cwd = ::getcwd(nullptr, 0)) {
        absolute = std::string(cwd) + "/" + folder;
        std::free(cwd);
    }
    if (!absolute.empty() && absolute.back() != '/')
        absolute += '/';
    const std::string name = stateCopyName(absolute + base);
    places.push_back({state + "/", name, true});
    places.push_back({state + "/", name + "-2", true});
    return places;
}

// Makes the folder and those above it, private where it makes them.
int makeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at)
        if (at == folder.size() || folder[at] == '/')
            if (::mkdir(folder.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST)
                return errno;
    return 0;
}

// The copy of the old content an in-place save keeps until the new content is on the disk.
struct SafetyCopy {
    Fd folder;
    Fd file;
    std::string name, path;
};

// Copies `in` under `name` in `folder`: into a temporary file first, flushed, and only then linked
// under the name, so that the name never stands for a partial copy and an earlier copy of that name
// is kept (EEXIST). `whileCopying` tells a failure to copy from one to create the file.
int takeCopy(const std::string& folderPath, const std::string& name, int in, SafetyCopy& copy,
             SignalGuard& guard, bool& whileCopying) {
    whileCopying = false;
    if (name.size() > NAME_MAX)
        return ENAMETOOLONG;
    Fd folder(::open(folderPath.empty() ? "." : folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0)
        return errno;
    Temporary temp;
    if (const int error = createTemporary(folder.fd, 0600, temp, guard))
        return error;
    auto dropTemporary = [&] {
        if (!temp.name.empty()) {
            guard.disarm();
            ::unlinkat(folder.fd, temp.name.c_str(), 0);
        }
    };
    if (::lseek(in, 0, SEEK_SET) != 0 || !copyAll(in, temp.file.fd) || ::fsync(temp.file.fd) != 0) {
        const int error = errno;
        dropTemporary();
        whileCopying = true;
        return error;
    }
    killPoint("copying");
    const std::string self = "/proc/self/fd/" + std::to_string(temp.file.fd);
    const int linked = temp.name.empty()
                           ? ::linkat(AT_FDCWD, self.c_str(), folder.fd, name.c_str(), AT_SYMLINK_FOLLOW)
                           : ::linkat(folder.fd, temp.name.c_str(), folder.fd, name.c_str(), 0);
    const int error = linked == 0 ? 0 : errno;
    dropTemporary();
    if (error)
        return error;
    // The name on the disk before the target changes.
    ::fsync(folder.fd);
    guard.arm(folder.fd, name); // a signal before the target changes takes the copy away again
    copy.folder.fd = std::exchange(folder.fd, -1);
    copy.file.fd = std::exchange(temp.file.fd, -1);
    copy.name = name;
    copy.path = folderPath + name;
    return 0;
}

// Beside the file, or in the state folder where the file's folder refuses it; under the second name
// where an earlier copy is in the way.
void takeSafetyCopy(const Target& t, int in, SafetyCopy& copy, SignalGuard& guard) {
    int error = 0;
    bool whileCopying = false, refused = false;
    std::string inTheWay;
    for (const CopyPlace& place : copyPlaces(t.file)) {
        if (refused && place.name.ends_with("-2"))
            continue; // the folder refused the first name already
        if (place.stateFolder && place.name.ends_with(kCopySuffix))
            if (const int made = makeFolders(place.folder)) {
                error = made;
                break;
            }
        error = takeCopy(place.folder, place.name, in, copy, guard, whileCopying);
        if (error == 0)
            return;
        refused = error != EEXIST;
        if (!refused)
            inTheWay += (inTheWay.empty() ? "" : ", ") + place.folder + place.name;
    }
    if (error == EEXIST)
        throw LineError::create(t.path, "safety copies that earlier saves did not finish are in the way: " +
                                            inTheWay);
    throw whileCopying ? LineError::write(t.path, systemReason(error))
                       : LineError::create(t.path, systemReason(error));
}

// The same file written over: its links, owner and attributes stay as they are.
void writeInPlace(const Target& t, const ContentWriter& write, SignalGuard& guard) {
    Fd out(::open(t.file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    Fd in(out.fd < 0 ? -1 : ::open(t.file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (in.fd < 0)
        throw LineError::create(t.path, systemReason(errno));

    // Whole and on the disk before the first byte of the target changes.
    SafetyCopy copy;
    takeSafetyCopy(t, in.fd, copy, guard);
    killPoint("copied");

    // From here until the file is whole again (new or old content), a signal waits.
    guard.beginDefer();
    guard.disarm();
    try {
        write(out.fd);
        killPoint("written");
        const off_t end = ::lseek(out.fd, 0, SEEK_CUR);
        if (end < 0 || ::ftruncate(out.fd, end) != 0 || ::fsync(out.fd) != 0)
            throw LineError::write(t.path, systemReason(errno));
        killPoint("synced");
    } catch (...) {
        // The file was not truncated first, so putting the old content back needs no new space.
        const bool restored = ::lseek(out.fd, 0, SEEK_SET) == 0 && ::lseek(copy.file.fd, 0, SEEK_SET) == 0 &&
                              copyAll(copy.file.fd, out.fd) && ::ftruncate(out.fd, t.old.st_size) == 0 &&
                              ::fsync(out.fd) == 0;
        if (restored)
            ::unlinkat(copy.folder.fd, copy.name.c_str(), 0);
        guard.endDefer();
        if (restored)
            throw;
        try {
            throw;
        } catch (const LineError& e) {
            throw e.withReason(e.reason() + " (the old content is kept in " + copy.path + ")");
        }
    }
    ::unlinkat(copy.folder.fd, copy.name.c_str(), 0);
    guard.endDefer();
}

// Pipes and devices (/dev/null, /dev/stdout): written as they are.
void writeToDevice(const std::string& path, const ContentWriter& write) {
    // Without O_NONBLOCK, opening a FIFO nobody reads would wait for ever; it fails with ENXIO instead.
    Fd out(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (out.fd < 0)
        throw LineError::create(path, systemReason(errno));
    const int flags = ::fcntl(out.fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(out.fd, F_SETFL, flags & ~O_NONBLOCK);
    write(out.fd);
}

// The file a save really replaces: a symlink is followed, so the link itself stays a link. A symlink
// loop is the create error.
std::string resolveSymlinks(const std::string& path) {
    if (std::optional<std::string> file = followSymlinks(path))
        return std::move(*file);
    throw LineError::create(path, systemReason(ELOOP));
}

} // namespace

void useUnnamedTemporaries(bool on) {
    unnamedAllowed = on;
}

std::vector<std::string> leftoverSafetyCopies(const std::string& path) {
    std::string file;
    try {
        file = resolveSymlinks(path);
    } catch (const LineError&) {
        return {};
    }
    std::vector<std::string> found;
    struct stat st {};
    for (const CopyPlace& place : copyPlaces(file))
        if (const std::string copy = place.folder + place.name;
            ::lstat(copy.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            found.push_back(copy);
    return found;
}

bool sameSaveTarget(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    const bool hasA = ::stat(a.c_str(), &sa) == 0, hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB)
        return S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA || hasB)
        return false;
    // Neither is there yet: the same name in the same folder.
    std::string fa, fb;
    try {
        fa = resolveSymlinks(a);
        fb = resolveSymlinks(b);
    } catch (const LineError&) {
        return false;
    }
    const PathParts partsA = splitPath(fa), partsB = splitPath(fb);
    return partsA.name == partsB.name && ::stat(folderToOpen(partsA).c_str(), &sa) == 0 &&
           ::stat(folderToOpen(partsB).c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::vector<std::string> writeFileSafely(const std::string& path, const ContentWriter& write) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw LineError::create(path, systemReason(EISDIR));
        if (!S_ISREG(st.st_mode)) {
            writeToDevice(path, write);
            return {};
        }
    } else if (errno != ENOENT) {
        throw LineError::create(path, systemReason(errno)); // a symlink loop among others
    }

    Target t{path, resolveSymlinks(path), -1, {}, false, {}};
    const PathParts parts = splitPath(t.file);
    t.base = parts.name;
    const std::string folder = folderToOpen(parts);
    if (t.base.empty())
        throw LineError::create(path, systemReason(EISDIR));
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) // a folder we may search but not read
        dir.fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd < 0)
        throw LineError::create(path, systemReason(errno));
    t.dir = dir.fd;
    t.exists = ::fstatat(t.dir, t.base.c_str(), &t.old, AT_SYMLINK_NOFOLLOW) == 0;
    if (t.exists && !S_ISREG(t.old.st_mode))
        throw LineError::create(path, "not a regular file");
    // Replacing a file we may not write would take it from its owner.
    if (t.exists && ::faccessat(t.dir, t.base.c_str(), W_OK, AT_EACCESS) != 0)
        throw LineError::create(path, systemReason(errno));

    std::vector<std::string> leftovers = leftoverSafetyCopies(path);
    std::lock_guard lock(saveMutex);
    {
        SignalGuard guard;
        // Renaming a new file over one with several links would cut it loose from the others.
        if ((t.exists && t.old.st_nlink > 1) || replaceByRename(t, write, guard) == Outcome::WriteInPlace)
            writeInPlace(t, write, guard);
    }
    // The file holds what the user saved now: the old content an unfinished save kept is not needed.
    for (const std::string& copy : leftovers)
        ::unlink(copy.c_str());
    return leftovers;
}

} // namespace linnery
