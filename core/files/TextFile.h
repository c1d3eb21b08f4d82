#pragma once

#include "core/lines/ByteBuffer.h"
#include "core/lines/LineList.h"
#include "core/parallel/ThreadPool.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace linnery {

struct LoadInfo {
    // The file held a NUL byte at `nulOffset`: everything from it on was not loaded (not even read).
    bool stoppedAtNul = false;
    std::uint64_t nulOffset = 0;
    // The loaded bytes, up to the NUL: what the list's lines were cut from. Valid while the list keeps them.
    std::string_view text;
};

// Replaces the list with the lines of the file: CR LF, CR or LF end a line, the first NUL ends the
// text, bytes are taken as they are. Reading stops at the first NUL. Only regular files are read: a
// file that cannot be opened or read (missing, a folder, a pipe or device, no permission) raises the
// open error with the path and the reason, without waiting, and leaves the list as it was.
// `alongside`, when given, gets the loaded text while the text is split into lines, beside the splitting
// where the pool has threads (judging its code page costs no time that way); it must not throw. A large
// text is split on the pool's threads.
using TextReader = std::function<void(std::string_view text)>;
LoadInfo loadFile(LineList& list, const std::string& path, const TextReader& alongside = {},
                  const ThreadPool& pool = ThreadPool::single());
// The same rules for an already open stream of any kind (standard input); `name` is used in errors.
LoadInfo loadStream(LineList& list, int fd, const std::string& name, const TextReader& alongside = {},
                    const ThreadPool& pool = ThreadPool::single());

// Splits text by the same rules into the list, which keeps `buffer` alive (text must point into it).
LoadInfo splitLines(LineList& list, std::shared_ptr<const char[]> buffer, std::string_view text);
// Copies text and splits it.
LoadInfo splitLines(LineList& list, std::string_view text);

// Every line followed by CR LF, built in one piece.
ByteBuffer joinLines(const LineList& list);
// The same bytes written to `fd` in large chunks, without the whole text in memory. The write error
// with `name` and the reason when they cannot all be written.
void writeLines(int fd, const LineList& list, std::string_view name);

// Writes the list as a text file (CR LF after every line) without ever losing the old file; see
// writeFileSafely, which also tells the leftover safety copies the save made needless and removed.
std::vector<std::string> saveFile(const LineList& list, const std::string& path);

} // namespace linnery
