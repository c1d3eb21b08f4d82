#include "core/files/SafetyCopies.h"

#include "core/files/Paths.h"
#include "core/files/SignalGuard.h"
#include "core/files/TemporaryFile.h"
#include "core/lines/LineError.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace linnery {

namespace {

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

// A copy's folder as a message names it: without the "/" the copy's name went behind, "." for none.
std::string folderName(const std::string& folder) {
    if (folder.empty())
        return ".";
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// Makes the folder and those above it, private where it makes them.
int makeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at)
        if (at == folder.size() || folder[at] == '/')
            if (::mkdir(folder.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST)
                return errno;
    return 0;
}

// Copies `in` under `name` in `folder`: into a temporary file first, flushed, and only then linked
// under the name, so that the name never stands for a partial copy and an earlier copy of that name
// is kept (EEXIST). `whileCopying` tells a failure to copy from one to create the file.
int takeCopy(const std::string& folderPath, const std::string& name, int in, SafetyCopy& copy,
             SignalGuard& guard, bool& whileCopying) {
    whileCopying = false;
    if (name.size() > NAME_MAX)
        return ENAMETOOLONG;
    UniqueFd folder(
        ::open(folderPath.empty() ? "." : folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0)
        return errno;
    TemporaryFile temp;
    if (const int error = createTemporaryFile(folder.fd, 0600, temp, guard))
        return error;
    if (::lseek(in, 0, SEEK_SET) != 0 || !copyAll(in, temp.file.fd) || ::fsync(temp.file.fd) != 0) {
        const int error = errno;
        removeTemporaryFile(folder.fd, temp, guard);
        whileCopying = true;
        return error;
    }
    killPoint("copying");
    const int error = linkTemporaryFile(folder.fd, temp, name);
    removeTemporaryFile(folder.fd, temp, guard);
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

} // namespace

void takeSafetyCopy(const std::string& path, const std::string& file, int in, SafetyCopy& copy,
                    SignalGuard& guard) {
    int error = 0;
    bool whileCopying = false, refused = false;
    std::string inTheWay, refusing;
    for (const CopyPlace& place : copyPlaces(file)) {
        if (refused && place.name.ends_with("-2"))
            continue; // the folder refused the first name already
        if (place.stateFolder && place.name.ends_with(kCopySuffix))
            if (const int made = makeFolders(place.folder)) {
                error = made;
                refusing = place.folder;
                break;
            }
        error = takeCopy(place.folder, place.name, in, copy, guard, whileCopying);
        if (error == 0)
            return;
        refused = error != EEXIST;
        if (refused)
            refusing = place.folder;
        else
            inTheWay += (inTheWay.empty() ? "" : ", ") + place.folder + place.name;
    }
    if (error == EEXIST)
        throw LineError::create(path, "safety copies that earlier saves did not finish are in the way: " +
                                          inTheWay);
    if (whileCopying)
        throw LineError::write(path, systemReason(error));
    // The target itself could be written: what the user can change is the folder that refused.
    throw LineError::safetyCopyFolder(folderName(refusing), systemReason(error));
}

bool SafetyCopy::putBack(int out, off_t size) const {
    // The file was not truncated first, so putting the old content back needs no new space.
    return ::lseek(out, 0, SEEK_SET) == 0 && ::lseek(file.fd, 0, SEEK_SET) == 0 && copyAll(file.fd, out) &&
           ::ftruncate(out, size) == 0 && ::fsync(out) == 0;
}

void SafetyCopy::remove() const {
    ::unlinkat(folder.fd, name.c_str(), 0);
}

std::vector<std::string> leftoverSafetyCopies(const std::string& path) {
    const std::optional<std::string> file = followSymlinks(path);
    if (!file)
        return {};
    std::vector<std::string> found;
    struct stat st {};
    for (const CopyPlace& place : copyPlaces(*file))
        if (const std::string copy = place.folder + place.name;
            ::lstat(copy.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            found.push_back(copy);
    return found;
}

void killPoint(const char* step) {
    const char* wanted = std::getenv("LINNERY_TEST_KILL_AT");
    if (wanted && std::strcmp(wanted, step) == 0)
        ::raise(SIGKILL);
}

} // namespace linnery
