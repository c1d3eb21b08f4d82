#pragma once

#include <functional>
#include <string>

namespace linnery {

// Writes the new content of a file to the descriptor it is given; throws (the write error) on failure.
using ContentWriter = std::function<void(int fd)>;

// Replaces the content of the file at `path` so that the old content is never lost, whatever fails:
//
// - A symlink is followed to its file; a symlink loop is the create error.
// - Normally the content goes to a temporary file in the target's folder (unnamed where the system
//   offers it, otherwise under a short name removed again on SIGINT, SIGTERM or SIGHUP), which gets the
//   old file's owner, group, extended attributes (ACLs included) and mode, is flushed, and is renamed
//   over the target; the folder is flushed after the rename.
// - A file with several hard links, a writable file in a folder we may not write, and a file whose
//   owner or attributes a new file could not keep are written in place: a safety copy of the old
//   content is taken first, put back if the write fails, and removed afterwards. A signal that would
//   end the program waits until the file is whole again.
// - A pipe or device is written as it is, opened without waiting for a reader.
//
// The create error when nothing could be written, the write error when the content could not; both
// carry the system's reason, and in both cases the old file is as it was.
void writeFileSafely(const std::string& path, const ContentWriter& write);

// Off, saves use only named temporary files, as on file systems without unnamed ones.
void useUnnamedTemporaries(bool on);

} // namespace linnery
