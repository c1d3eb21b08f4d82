#pragma once

#include <functional>
#include <string>
#include <vector>

namespace linnery {

// Writes the new content of a file to the descriptor it is given; throws (the write error) on failure.
using ContentWriter = std::function<void(int fd)>;

// Replaces the content of the file at `path` so that the old content is never lost, whatever fails:
//
// - A symlink is followed to its file; a symlink loop is the create error.
// - Normally the content goes to a temporary file in the target's folder (see TemporaryFile), which
//   gets the old file's owner, group, extended attributes (ACLs included) and mode, is flushed, and is
//   renamed over the target; the folder is flushed after the rename.
// - A file with several hard links, a writable file in a folder we may not write, and a file whose
//   owner or attributes a new file could not keep are written in place: a safety copy of the old
//   content is taken first (see SafetyCopies for where), whole and on the disk before the file
//   changes; it is put back if the write fails, and removed once the new content is on the disk.
//   A signal that would end the program waits until the file is whole again (see SignalGuard); a kill
//   leaves the old file, the new one, or the file beside its safety copy.
// - A pipe or device is written as it is, opened without waiting for a reader.
//
// The create error when nothing could be written (the safety-copy folder error when an in-place save
// finds no folder for its copy), the write error when the content could not; each carries the system's
// reason, and in every case the old file is as it was. After a save that succeeded,
// the file's leftover safety copies are no longer needed: they are removed, and returned.
std::vector<std::string> writeFileSafely(const std::string& path, const ContentWriter& write);

// Whether saves to the two paths would write the same regular file: the same device and inode,
// through hard links and symlinks; for files not there yet, the same name in the same folder.
bool sameSaveTarget(const std::string& a, const std::string& b);

} // namespace linnery
