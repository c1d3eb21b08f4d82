#include "core/files/SafeWrite.h"

#include "core/files/FileAttributes.h"
#include "core/files/Paths.h"
#include "core/files/SafetyCopies.h"
#include "core/files/SignalGuard.h"
#include "core/files/TemporaryFile.h"
#include "core/files/UniqueFd.h"
#include "core/lines/LineError.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace linnery {

namespace {

// The three ways to write: by a rename, in place, or to a device.

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
    TemporaryFile temp;
    if (const int error = createTemporaryFile(t.dir, t.exists ? 0600 : 0666, temp, guard)) {
        if (t.exists && (error == EACCES || error == EPERM))
            return Outcome::WriteInPlace; // a folder we may not write
        throw LineError::create(t.path, systemReason(error));
    }
    auto discard = [&] { removeTemporaryFile(t.dir, temp, guard); };
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
        if (const int error = nameTemporaryFile(t.dir, temp, guard))
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

// The same file written over: its links, owner and attributes stay as they are.
void writeInPlace(const Target& t, const ContentWriter& write, SignalGuard& guard) {
    UniqueFd out(::open(t.file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    UniqueFd in(out.fd < 0 ? -1 : ::open(t.file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (in.fd < 0)
        throw LineError::create(t.path, systemReason(errno));

    // Whole and on the disk before the first byte of the target changes.
    SafetyCopy copy;
    takeSafetyCopy(t.path, t.file, in.fd, copy, guard);
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
        const bool restored = copy.putBack(out.fd, t.old.st_size);
        if (restored)
            copy.remove();
        guard.endDefer();
        if (restored)
            throw;
        try {
            throw;
        } catch (const LineError& e) {
            throw e.withReason(e.reason() + " (the old content is kept in " + copy.path + ")");
        }
    }
    copy.remove();
    guard.endDefer();
}

// Pipes and devices (/dev/null, /dev/stdout): written as they are.
void writeToDevice(const std::string& path, const ContentWriter& write) {
    // Without O_NONBLOCK, opening a FIFO nobody reads would wait for ever; it fails with ENXIO instead.
    UniqueFd out(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (out.fd < 0)
        throw LineError::create(path, systemReason(errno));
    const int flags = ::fcntl(out.fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(out.fd, F_SETFL, flags & ~O_NONBLOCK);
    write(out.fd);
}

} // namespace

bool sameSaveTarget(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    const bool hasA = ::stat(a.c_str(), &sa) == 0, hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB)
        return S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA || hasB)
        return false;
    // Neither is there yet: the same name in the same folder.
    const std::optional<std::string> fa = followSymlinks(a), fb = followSymlinks(b);
    if (!fa || !fb)
        return false;
    const PathParts partsA = splitPath(*fa), partsB = splitPath(*fb);
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

    // The file a save really replaces: a symlink is followed, so the link itself stays a link.
    std::optional<std::string> file = followSymlinks(path);
    if (!file)
        throw LineError::create(path, systemReason(ELOOP));
    Target t{path, std::move(*file), -1, {}, false, {}};
    const PathParts parts = splitPath(t.file);
    t.base = parts.name;
    const std::string folder = folderToOpen(parts);
    if (t.base.empty())
        throw LineError::create(path, systemReason(EISDIR));
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
    // One save at a time, until the leftovers are gone: a save after this one may take a copy of the
    // same name.
    SignalGuard guard;
    // Renaming a new file over one with several links would cut it loose from the others.
    if ((t.exists && t.old.st_nlink > 1) || replaceByRename(t, write, guard) == Outcome::WriteInPlace)
        writeInPlace(t, write, guard);
    // The file holds what the user saved now: the old content an unfinished save kept is not needed.
    for (const std::string& copy : leftovers)
        ::unlink(copy.c_str());
    return leftovers;
}

} // namespace linnery
