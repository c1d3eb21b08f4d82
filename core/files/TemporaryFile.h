#pragma once

#include "core/files/UniqueFd.h"

#include <string>
#include <sys/types.h>

namespace linnery {

class SignalGuard;

// A new file in a save's folder that takes the content before it gets a name of its own. Unnamed where
// the file system allows it: then nothing is left behind, whatever ends the program. Otherwise under a
// short name (".linnery-" and six letters or digits, so that a name of up to NAME_MAX bytes can still be
// saved beside it), which the guard removes should the program be ended.
struct TemporaryFile {
    UniqueFd file;
    std::string name; // empty while the file has no name
};

// Creates it in the folder `dir` with `mode` (a named one is created private); an errno value on
// failure.
int createTemporaryFile(int dir, mode_t mode, TemporaryFile& temp, SignalGuard& guard);
// Gives an unnamed temporary file a short name, for a rename; an errno value on failure.
int nameTemporaryFile(int dir, TemporaryFile& temp, SignalGuard& guard);
// Links the file, named or not, under `name` in `dir` as well; an errno value on failure (EEXIST when
// that name is taken).
int linkTemporaryFile(int dir, const TemporaryFile& temp, const std::string& name);
// Takes a named temporary file's name away again.
void removeTemporaryFile(int dir, const TemporaryFile& temp, SignalGuard& guard);

// The mode a new file gets from the umask.
mode_t newFileMode();

// Off, saves use only named temporary files, as on file systems without unnamed ones.
void useUnnamedTemporaries(bool on);

} // namespace linnery
