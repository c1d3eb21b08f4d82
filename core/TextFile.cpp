#include "core/TextFile.h"

#include "core/LineError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace linnery {

namespace {

// Closes a descriptor on every path out.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file a save really replaces: a symlink is followed, so the link itself stays a link.
std::string resolveTarget(const std::string& path) {
    std::string target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0)
            return target;
        link.resize(static_cast<std::size_t>(n));
        if (link[0] == '/') {
            target = link;
        } else {
            const auto slash = target.rfind('/');
            target = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
        }
    }
    return target;
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

LoadInfo splitLines(LineList& list, std::shared_ptr<const char[]> buffer, std::string_view text) {
    LoadInfo info;
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
        info.stoppedAtNul = true;
    }
    LineViews lines;
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* lf = p; // next LF at or after p, kept so a CR-only file is not rescanned per line
    try {
        lines.reserve(text.size() / 32 + 1);
        while (p < end) {
            if (lf < p || (lf < end && *lf != '\n')) {
                const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
                lf = found ? static_cast<const char*>(found) : end;
            }
            const void* crFound = std::memchr(p, '\r', static_cast<std::size_t>(lf - p));
            const char* stop = crFound ? static_cast<const char*>(crFound) : lf;
            lines.emplace_back(p, static_cast<std::size_t>(stop - p));
            p = stop;
            if (p < end && *p == '\r')
                ++p;
            if (p < end && *p == '\n')
                ++p;
            if (lines.size() >= static_cast<std::size_t>(INT_MAX - 1) && p < end)
                throw std::bad_alloc();
        }
    } catch (const std::bad_alloc&) {
        // The list keeps the lines read so far.
        list.assignBuffer(std::move(buffer), text.size(), std::move(lines));
        throw LineError::insert();
    }
    list.assignBuffer(std::move(buffer), text.size(), std::move(lines));
    return info;
}

LoadInfo splitLines(LineList& list, std::string_view text) {
    std::shared_ptr<char[]> copy(new char[text.size() + 1]);
    std::copy_n(text.data(), text.size(), copy.get());
    return splitLines(list, copy, std::string_view(copy.get(), text.size()));
}

LoadInfo loadFile(LineList& list, const std::string& path) {
    Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || S_ISDIR(st.st_mode))
        throw LineError::open(path);
    // The size is a hint: files that grow, shrink or report no size (pipes, /proc) are read to the end.
    ByteBuffer buffer;
    try {
        buffer = ByteBuffer(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 64 * 1024);
        for (;;) {
            if (buffer.size() == buffer.capacity()) {
                ByteBuffer bigger(buffer.capacity() * 2);
                std::copy_n(buffer.data(), buffer.size(), bigger.data());
                bigger.setSize(buffer.size());
                buffer = std::move(bigger);
            }
            const ssize_t n =
                ::read(file.fd, buffer.data() + buffer.size(), buffer.capacity() - buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw LineError::open(path);
            if (n == 0)
                break;
            buffer.setSize(buffer.size() + static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
    return splitLines(list, buffer.share(), buffer.view());
}

ByteBuffer joinLines(const LineList& list) {
    std::size_t total = 0;
    for (std::string_view line : list.views())
        total += line.size() + 2;
    ByteBuffer text(total);
    char* out = text.data();
    for (std::string_view line : list.views()) {
        out = std::copy_n(line.data(), line.size(), out); // an empty line's view may be null
        *out++ = '\r';
        *out++ = '\n';
    }
    text.setSize(total);
    return text;
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = resolveTarget(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw LineError::create(path);
    if (exists && !S_ISREG(old.st_mode)) {
        // A device or pipe cannot be replaced by a rename; write to it in place.
        Fd out(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (out.fd < 0)
            throw LineError::create(path);
        if (!writeAll(out.fd, bytes))
            throw LineError::write();
        return;
    }
    // A file we may not write to must not be replaced behind its owner's back.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        throw LineError::create(path);

    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "." + base + ".linnery-XXXXXX";
    Fd out(::mkstemp(temp.data()));
    if (out.fd < 0)
        throw LineError::create(path);
    ::fcntl(out.fd, F_SETFD, FD_CLOEXEC);
    const mode_t mode = exists ? (old.st_mode & 07777) : newFileMode();
    const bool written = writeAll(out.fd, bytes) && ::fchmod(out.fd, mode) == 0 && ::fsync(out.fd) == 0;
    const bool closed = ::close(out.fd) == 0;
    out.fd = -1;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        throw LineError::write();
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw LineError::create(path);
    }
}

void saveFile(const LineList& list, const std::string& path) {
    writeFileAtomically(path, joinLines(list).view());
}

} // namespace linnery
