// The plain read/split/write reference: the least any line tool must do to load a file and save it with
// CR LF line ends. linnery-cli's times are compared with it to see what the document model costs.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "reference: %s: %s\n", what, std::strerror(errno));
    return 1;
}

// Finds the next CR or LF. Each byte value is searched with memchr and the hit is kept until passed,
// so the whole file is scanned once per byte value rather than once per line.
class BreakFinder {
  public:
    BreakFinder(const char* begin, const char* end)
        : end_(end), cr_(find(begin, '\r')), lf_(find(begin, '\n')) {}

    const char* next(const char* from) {
        refresh(cr_, from, '\r');
        refresh(lf_, from, '\n');
        return cr_ < lf_ ? cr_ : lf_;
    }

  private:
    const char* find(const char* from, char c) const {
        const void* p = std::memchr(from, c, static_cast<std::size_t>(end_ - from));
        return p ? static_cast<const char*>(p) : end_;
    }

    void refresh(const char*& hit, const char* from, char c) const {
        if (hit < from)
            hit = find(from, c);
    }

    const char* end_;
    const char* cr_;
    const char* lf_;
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: reference FILE\n", stderr);
        return 2;
    }
    int fd = ::open(argv[1], O_RDONLY);
    if (fd < 0)
        return fail(argv[1]);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(argv[1]);

    // One read for a regular file; the loop only covers short reads.
    // Buffers are left uninitialised: zero-filling them would be time no real loader spends.
    const auto size = static_cast<std::size_t>(st.st_size);
    auto data = std::make_unique_for_overwrite<char[]>(size);
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, data.get() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(argv[1]);
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);

    // A NUL ends the text, as in the editor's loader.
    const char* p = data.get();
    const void* nul = std::memchr(p, '\0', got);
    const char* const end = nul ? static_cast<const char*>(nul) : p + got;
    std::vector<std::string_view> lines;
    BreakFinder breaks(p, end);
    while (p < end) {
        const char* br = breaks.next(p);
        lines.emplace_back(p, static_cast<std::size_t>(br - p));
        if (br == end)
            break;
        p = br + 1;
        if (*br == '\r' && p < end && *p == '\n')
            ++p;
    }

    std::size_t total = 0;
    for (std::string_view line : lines)
        total += line.size() + 2;
    auto out = std::make_unique_for_overwrite<char[]>(total);
    char* o = out.get();
    for (std::string_view line : lines) {
        std::memcpy(o, line.data(), line.size());
        o += line.size();
        *o++ = '\r';
        *o++ = '\n';
    }
    if (!writeAll(STDOUT_FILENO, out.get(), total))
        return fail("standard output");
    return 0;
}
