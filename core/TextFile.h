#pragma once

#include "core/ByteBuffer.h"
#include "core/LineList.h"

#include <string>
#include <string_view>

namespace linnery {

struct LoadInfo {
    // The file held a NUL byte: everything from it on was not loaded.
    bool stoppedAtNul = false;
};

// Replaces the list with the lines of the file: CR LF, CR or LF end a line, the first NUL ends the
// text, bytes are taken as they are. One read of the whole file. A file that cannot be opened or read
// (missing, a folder, no permission) raises the open error with the path and leaves the list as it was.
LoadInfo loadFile(LineList& list, const std::string& path);

// Splits text by the same rules into the list, which keeps `buffer` alive (text must point into it).
LoadInfo splitLines(LineList& list, std::shared_ptr<const char[]> buffer, std::string_view text);
// Copies text and splits it.
LoadInfo splitLines(LineList& list, std::string_view text);

// Every line followed by CR LF, built in one piece.
ByteBuffer joinLines(const LineList& list);

// Writes the list as a text file (CR LF after every line) without ever emptying the old file first:
// a temporary file beside the target is written, flushed, given the old file's permissions and renamed
// over it (a symlink is followed to its target). Create error when it cannot be created, write error
// when the bytes cannot all be written; the old file stays whole in both cases.
void saveFile(const LineList& list, const std::string& path);
void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace linnery
