#include "core/files/TextFile.h"

#include "core/files/SafeWrite.h"
#include "core/files/UniqueFd.h"
#include "core/lines/LineError.h"
#include "core/parallel/LineFeedParts.h"
#include "core/parallel/ThreadPool.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace linnery {

namespace {

// The first CR or LF at or after p, or end. Lines are short: sixteen bytes are looked at at once
// rather than two searches a line.
const char* nextBreak(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (hits != 0)
            return p + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// Calls line(view, more) for each line of [p, end), where p starts a line; `more`: text follows it.
template <class F> void eachLine(const char* p, const char* const end, F line) {
    while (p < end) {
        const char* const stop = nextBreak(p, end);
        const std::string_view view(p, static_cast<std::size_t>(stop - p));
        p = stop;
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;
        line(view, p < end);
    }
}

// Splits text that holds no NUL.
void splitText(LineList& list, std::shared_ptr<const char[]> buffer, std::string_view text) {
    LineViews lines;
    try {
        lines.reserve(text.size() / 32 + 1);
        eachLine(text.data(), text.data() + text.size(), [&](std::string_view line, bool more) {
            lines.push_back(line);
            if (lines.size() >= static_cast<std::size_t>(INT_MAX - 1) && more)
                throw std::bad_alloc();
        });
    } catch (const std::bad_alloc&) {
        // The list keeps the lines read so far.
        list.assignBuffer(std::move(buffer), text.size(), std::move(lines));
        throw LineError::insert();
    }
    list.assignBuffer(std::move(buffer), text.size(), std::move(lines));
}

// From this size on the text is split on the pool's threads, in parts of at least kSplitGrain bytes.
constexpr std::size_t kParallelBytes = 4 << 20;
constexpr std::size_t kSplitGrain = 1 << 20;

// The lines of text[from, to), where `from` starts a line and `to` ends one (or the text): one for each
// CR, each LF that is not the second byte of CR LF, and one for unterminated bytes at the end.
std::size_t countLines(std::string_view text, std::size_t from, std::size_t to) {
    if (from == to)
        return 0;
    const char* p = text.data() + from;
    const char* const end = text.data() + to;
    std::size_t count = 0;
    unsigned crBefore = 0; // `from` starts a line: no CR before it belongs to this part
#ifdef __SSE2__
    // Sixteen bytes at a time: every CR, and every LF that does not follow a CR. Each byte's lane counts
    // its hits (at most one a step) and is summed before it could pass 255.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    __m128i before = zero; // the previous sixteen bytes' CRs
    while (end - p >= 16) {
        __m128i lanes = zero;
        for (int step = 0; step < 255 && end - p >= 16; ++step, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i crs = _mm_cmpeq_epi8(v, cr);
            const __m128i afterCr = _mm_or_si128(_mm_slli_si128(crs, 1), _mm_srli_si128(before, 15));
            lanes = _mm_sub_epi8(lanes, crs);
            lanes = _mm_sub_epi8(lanes, _mm_andnot_si128(afterCr, _mm_cmpeq_epi8(v, lf)));
            before = crs;
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    crBefore = static_cast<unsigned>(_mm_movemask_epi8(before)) >> 15;
#endif
    for (; p < end; ++p) {
        count += static_cast<std::size_t>(*p == '\r') + static_cast<std::size_t>(*p == '\n' && crBefore == 0);
        crBefore = *p == '\r' ? 1 : 0;
    }
    return count + static_cast<std::size_t>(end[-1] != '\r' && end[-1] != '\n');
}

// The same lines as splitText, cut apart on the pool's threads: the text is cut after LFs, each part's
// lines counted, then written into their places in one table, so no part keeps a table of its own.
// False when that does not pay or cannot be done (too many lines, no memory): splitText then decides.
bool splitInParts(LineList& list, const std::shared_ptr<const char[]>& buffer, std::string_view text,
                  const ThreadPool& pool) {
    if (!pool.shares(text.size(), kParallelBytes))
        return false;
    const auto cut = lineFeedParts(text, pool.grain(kSplitGrain));
    std::vector<std::size_t> first(cut.size() + 1, 0);
    pool.run(cut.size(), [&](std::size_t part, std::size_t) {
        first[part + 1] = countLines(text, cut[part].first, cut[part].second);
    });
    for (std::size_t p = 0; p < cut.size(); ++p)
        first[p + 1] += first[p];
    if (first.back() >= static_cast<std::size_t>(INT_MAX - 1))
        return false;
    try {
        LineViews lines(first.back());
        std::vector<std::vector<std::pair<std::size_t, std::string_view>>> longLines(cut.size());
        pool.run(cut.size(), [&](std::size_t part, std::size_t) {
            std::size_t at = first[part];
            eachLine(text.data() + cut[part].first, text.data() + cut[part].second,
                     [&](std::string_view line, bool) {
                         if (!lines.trySet(at, line))
                             longLines[part].emplace_back(at, line);
                         ++at;
                     });
        });
        for (const auto& part : longLines)
            for (const auto& [at, line] : part)
                lines.set(at, line);
        list.assignBuffer(buffer, text.size(), std::move(lines));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

constexpr std::size_t kMaxRead = 16 * 1024 * 1024; // scanned for NUL while still in the cache
// From this size on a file of known size is read in parts on the pool's threads: the kernel's copy,
// and its zeroing of the fresh pages it copies into, then run on every core. At gigabytes that was
// most of loading.
constexpr std::size_t kParallelRead = 32 << 20;
constexpr std::size_t kReadGrain = 8 << 20;

// One read of up to `count` bytes into `into`, at `offset` or, when it is negative, where the descriptor
// stands; tried again when a signal interrupts it. 0 at the end.
std::size_t readSome(int fd, char* into, std::size_t count, off_t offset, const std::string& name) {
    for (;;) {
        const ssize_t n = offset < 0 ? ::read(fd, into, count) : ::pread(fd, into, count, offset);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            throw LineError::open(name, systemReason(errno));
    }
}

// Reads `size` bytes from offset `base` of fd into `into`, in parts on the pool's threads. Returns
// how many bytes from the start came whole: up to the first part that came short (the file shrank
// meanwhile) or held a NUL, which info then records. Parts after one that met a NUL stop reading, so
// a huge file with an early NUL costs little more than the bytes before it.
std::size_t readInParts(int fd, off_t base, char* into, std::size_t size, const std::string& name,
                        const ThreadPool& pool, LoadInfo& info) {
    const auto parts = ThreadPool::ranges(size, pool.grain(kReadGrain));
    std::vector<std::size_t> ends(parts.size());
    std::vector<char> nul(parts.size(), 0);
    std::atomic<std::size_t> firstNul{parts.size()};
    pool.run(parts.size(), [&](std::size_t part, std::size_t) {
        auto [at, to] = parts[part];
        while (at < to && part < firstNul.load(std::memory_order_relaxed)) {
            const std::size_t n =
                readSome(fd, into + at, std::min(to - at, kMaxRead), base + static_cast<off_t>(at), name);
            if (n == 0)
                break;
            if (const void* found = std::memchr(into + at, '\0', n)) {
                at = static_cast<std::size_t>(static_cast<const char*>(found) - into);
                nul[part] = 1;
                std::size_t seen = firstNul.load();
                while (part < seen && !firstNul.compare_exchange_weak(seen, part)) {
                    // `seen` is now what another part stored: ours goes in while it is lower
                }
                break;
            }
            at += n;
        }
        ends[part] = at;
    });
    for (std::size_t part = 0; part < parts.size(); ++part) {
        if (nul[part] != 0) {
            info.stoppedAtNul = true;
            info.nulOffset = ends[part];
        }
        if (nul[part] != 0 || ends[part] < parts[part].second)
            return ends[part];
    }
    return size;
}

// Reads up to the first NUL or the end. The buffer starts small and doubles (large blocks grow without
// a copy), so a huge file with an early NUL costs only what was read; `sizeHint` (the file's size, 0
// when unknown) caps the doubling so a file of known size ends in one block of its size. A large file
// of known size is read at once, in parts; reading then goes on from where that ended, to the end.
LoadInfo readText(LineList& list, int fd, std::size_t sizeHint, const std::string& name,
                  const TextReader& alongside, const ThreadPool& pool) {
    constexpr std::size_t kFirstRead = 64 * 1024;
    LoadInfo info;
    ByteBuffer buffer;
    try {
        // A descriptor handed over (standard input) may stand past its start.
        const off_t base = pool.shares(sizeHint, kParallelRead) ? ::lseek(fd, 0, SEEK_CUR) : -1;
        const std::size_t left = base >= 0 && static_cast<std::size_t>(base) < sizeHint
                                     ? sizeHint - static_cast<std::size_t>(base)
                                     : 0;
        bool whole = false;
        if (pool.shares(left, kParallelRead)) {
            try {
                buffer = ByteBuffer(left + 1);
                whole = true;
            } catch (const std::bad_alloc&) {
                // Too large to hold at once (a memory limit): read in steps, as far as there is room.
            }
        }
        if (whole) {
            buffer.setSize(readInParts(fd, base, buffer.data(), left, name, pool, info));
            if (!info.stoppedAtNul && ::lseek(fd, base + static_cast<off_t>(buffer.size()), SEEK_SET) < 0)
                throw LineError::open(name, systemReason(errno));
        } else {
            buffer = ByteBuffer(sizeHint > 0 ? std::min(sizeHint + 1, kFirstRead) : kFirstRead);
        }
        while (!info.stoppedAtNul) {
            if (buffer.size() == buffer.capacity()) {
                std::size_t next = buffer.capacity() * 2;
                if (buffer.size() <= sizeHint)
                    next = std::min(next, sizeHint + 1);
                buffer.grow(next);
            }
            char* at = buffer.data() + buffer.size();
            const std::size_t n =
                readSome(fd, at, std::min(buffer.capacity() - buffer.size(), kMaxRead), -1, name);
            if (n == 0)
                break;
            if (const void* nul = std::memchr(at, '\0', n)) {
                buffer.setSize(buffer.size() + static_cast<std::size_t>(static_cast<const char*>(nul) - at));
                info.stoppedAtNul = true;
                info.nulOffset = buffer.size();
                break;
            }
            buffer.setSize(buffer.size() + n);
        }
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
    info.text = buffer.view();
    const auto read = [&] {
        try {
            if (alongside)
                alongside(info.text);
        } catch (...) {
            // What it would have told is merely not known; the reader's caller decides without it.
        }
    };
    if (splitInParts(list, buffer.share(), info.text, pool)) {
        read(); // the judgement takes the pool's threads in turn
    } else {
        // On one thread, or a text too small to cut: the judgement beside the splitting, if a second
        // thread is there.
        pool.run(2, [&](std::size_t part, std::size_t) {
            if (part == 0)
                read();
            else
                splitText(list, buffer.share(), info.text);
        });
    }
    return info;
}

bool writeAll(int fd, const char* p, std::size_t left) {
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

LoadInfo splitLines(LineList& list, std::shared_ptr<const char[]> buffer, std::string_view text) {
    LoadInfo info;
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
        info.stoppedAtNul = true;
        info.nulOffset = text.size();
    }
    info.text = text;
    splitText(list, std::move(buffer), text);
    return info;
}

LoadInfo splitLines(LineList& list, std::string_view text) {
    std::shared_ptr<char[]> copy(new char[text.size() + 1]);
    std::copy_n(text.data(), text.size(), copy.get());
    return splitLines(list, copy, std::string_view(copy.get(), text.size()));
}

LoadInfo loadFile(LineList& list, const std::string& path, const TextReader& alongside,
                  const ThreadPool& pool) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer for ever.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0)
        throw LineError::open(path, systemReason(errno));
    if (S_ISDIR(st.st_mode))
        throw LineError::open(path, systemReason(EISDIR));
    if (!S_ISREG(st.st_mode))
        throw LineError::open(path, "not a regular file");
    // The size is a hint: files that grow, shrink or report no size (/proc) are read to the end.
    return readText(list, file.fd, static_cast<std::size_t>(st.st_size), path, alongside, pool);
}

LoadInfo loadStream(LineList& list, int fd, const std::string& name, const TextReader& alongside,
                    const ThreadPool& pool) {
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    return readText(list, fd, regular ? static_cast<std::size_t>(st.st_size) : 0, name, alongside, pool);
}

ByteBuffer joinLines(const LineList& list) {
    std::size_t total = 0;
    for (std::string_view line : list.views())
        total += line.size() + 2;
    ByteBuffer text(total);
    char* out = text.data();
    for (std::string_view line : list.views()) {
        out = std::copy_n(line.data(), line.size(), out); // an empty line's view may be null
        *out++ = '\r';
        *out++ = '\n';
    }
    text.setSize(total);
    return text;
}

void writeLines(int fd, const LineList& list, std::string_view name) {
    // Lines are gathered in a buffer that stays in the cache; one that would not fit goes out directly.
    constexpr std::size_t kChunk = 1024 * 1024;
    const std::unique_ptr<char[]> chunk(new char[kChunk]);
    std::size_t used = 0;
    auto flush = [&](const char* p, std::size_t n) {
        if (!writeAll(fd, p, n))
            throw LineError::write(name, systemReason(errno));
    };
    for (std::string_view line : list.views()) {
        if (line.size() + 2 > kChunk - used) {
            flush(chunk.get(), used);
            used = 0;
            if (line.size() + 2 > kChunk) {
                flush(line.data(), line.size());
                flush("\r\n", 2);
                continue;
            }
        }
        std::copy_n(line.data(), line.size(), chunk.get() + used); // an empty line's view may be null
        chunk[used + line.size()] = '\r';
        chunk[used + line.size() + 1] = '\n';
        used += line.size() + 2;
    }
    flush(chunk.get(), used);
}

std::vector<std::string> saveFile(const LineList& list, const std::string& path) {
    return writeFileSafely(path, [&](int fd) { writeLines(fd, list, path); });
}

} // namespace linnery
