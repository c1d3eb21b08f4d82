#include "core/files/Paths.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace linnery {

PathParts splitPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string folderToOpen(const PathParts& parts) {
    return parts.folder.empty() ? std::string(".") : std::string(parts.folder);
}

std::string absolutePath(std::string_view path) {
    if (path.empty() || path.front() == '/')
        return std::string(path);
    std::error_code error;
    std::string result = std::filesystem::current_path(error).native();
    if (error || result.empty())
        return std::string(path);
    for (std::size_t pos = 0; pos <= path.size();) {
        const std::size_t end = std::min(path.find('/', pos), path.size());
        const std::string_view step = path.substr(pos, end - pos);
        if (!step.empty() && step != ".") {
            if (result.back() != '/')
                result += '/';
            result += step;
        }
        pos = end + 1;
    }
    if (path.back() == '/' && result.back() != '/')
        result += '/'; // still a folder's name
    return result;
}

std::string_view fileNamePart(std::string_view path) {
    const std::size_t last = path.find_last_not_of('/');
    if (last == std::string_view::npos)
        return path.substr(0, 1); // the root, or nothing
    return splitPath(path.substr(0, last + 1)).name;
}

std::optional<std::string> followSymlinks(const std::string& path) {
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
        target = link[0] == '/' ? link : std::string(splitPath(target).folder) + link;
    }
    return std::nullopt;
}

} // namespace linnery
