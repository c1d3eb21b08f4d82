#include "core/files/FileAttributes.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace linnery {

namespace {

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

} // namespace

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

} // namespace linnery
