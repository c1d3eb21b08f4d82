// Loading and splitting by the text-file rules, and saving: load(save(load(x))) = load(x).

#include "FuzzSupport.h"

#include "core/files/TextFile.h"
#include "core/parallel/ThreadPool.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

using namespace linnery;
using namespace linnery::fuzz;

namespace {

const char* tempPath() {
    static char name[] = "/tmp/linnery-fuzz-XXXXXX";
    static const bool made = [] {
        ::close(::mkstemp(name));
        std::atexit([] { ::unlink(name); });
        return true;
    }();
    (void)made;
    return name;
}

void writeFile(const char* path, std::string_view bytes) {
    const int fd = ::open(path, O_WRONLY | O_TRUNC);
    FUZZ_CHECK(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);

    LineList split;
    const LoadInfo info = splitLines(split, text);
    const std::vector<std::string> lines = linesOf(split);
    FUZZ_CHECK(lines == modelLines(text));
    FUZZ_CHECK(info.stoppedAtNul == (text.find('\0') != std::string_view::npos));

    // The same through a real file, then saved and loaded again.
    LineList loaded;
    writeFile(tempPath(), text);
    loadFile(loaded, tempPath());
    FUZZ_CHECK(linesOf(loaded) == lines);
    const ByteBuffer saved = joinLines(loaded);
    writeFile(tempPath(), saved.view());
    LineList reloaded;
    loadFile(reloaded, tempPath());
    FUZZ_CHECK(linesOf(reloaded) == lines);
    // Split on several threads, cut into parts of a few bytes, beside a reader of the whole text.
    static const ThreadPool three(3, true);
    LineList inParts;
    writeFile(tempPath(), text);
    std::string_view seen;
    loadFile(
        inParts, tempPath(), [&](std::string_view all) { seen = all; }, three);
    FUZZ_CHECK(linesOf(inParts) == lines);
    FUZZ_CHECK(seen == text.substr(0, std::min(text.size(), text.find('\0'))));
    return 0;
}
