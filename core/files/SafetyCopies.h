#pragma once

#include "core/files/UniqueFd.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace linnery {

class SignalGuard;

// The safety copies that saves of `path` left behind: a save in place that was ended (killed, a crash,
// a power cut) before it could remove its copy, which holds the file's content from before that save.
// A copy is "<name>.linnery-backup" beside the file, or, where the folder refuses it (or holds an earlier
// copy), in $XDG_STATE_HOME/linnery/ (by default ~/.local/state/linnery/) under the file's absolute
// path with "%" and "/" written as %25 and %2F, plus ".linnery-backup"; in either place "-2" is added
// where an earlier copy is in the way. It stays until the user removes it or a save of the file
// succeeds.
std::vector<std::string> leftoverSafetyCopies(const std::string& path);

// The copy of the old content an in-place save keeps until the new content is on the disk.
struct SafetyCopy {
    UniqueFd folder;
    UniqueFd file;
    std::string name, path;

    // Writes the old content back over `out` (the file the save wrote to), cut to `size`, and flushes it;
    // false when it could not.
    bool putBack(int out, off_t size) const;
    // The copy is not needed any more.
    void remove() const;
};

// Copies the content of `in` (the file at `file`, saved under the name `path`) into a safety copy, whole
// and on the disk before the file changes: beside the file, or in the state folder where the file's
// folder refuses it, under the second name where an earlier copy is in the way. The guard removes it
// should the program be ended before the file begins to change. Raises the safety-copy folder error,
// naming the last folder that refused it, when no place takes it; the create error when earlier copies
// are in the way; the write error when it cannot be copied.
void takeSafetyCopy(const std::string& path, const std::string& file, int in, SafetyCopy& copy,
                    SignalGuard& guard);

// A test hook, inert unless LINNERY_TEST_KILL_AT names a step of an in-place save: the process then
// ends there by SIGKILL, so that tests can see what such an end leaves on the disk.
void killPoint(const char* step);

} // namespace linnery
