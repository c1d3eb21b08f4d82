#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linnery {

// Paths are file-system bytes: "/" is always a separator byte, since no file-system encoding in use has
// it inside a character, whatever the code page of the lines.

// A path cut at its last "/": the folder keeps that "/" and is empty when there is none; the name is
// what follows it (empty for a path that ends in "/").
struct PathParts {
    std::string_view folder;
    std::string_view name;
};
PathParts splitPath(std::string_view path);

// The folder part as a path that can be opened: "." where the path has none.
std::string folderToOpen(const PathParts& parts);

// A path as it will still name the same file after the working folder changes: a relative one is put
// behind the working folder, without its "." steps (".." stays, since the folder before it may be a
// link). Absolute and empty paths, and every path while the working folder is gone, stay as they are;
// a trailing "/" stays too, as it makes the path name a folder only.
std::string absolutePath(std::string_view path);

// The name part of a path, as the title shows it: its last step, the bytes behind its last "/" once the
// "/" a folder's path may end in is set aside ("/" for the root).
std::string_view fileNamePart(std::string_view path);

// The file a path leads to once its symlinks are followed (the link itself stays a link when that file
// is replaced); nothing for a symlink loop.
std::optional<std::string> followSymlinks(const std::string& path);

} // namespace linnery
