#include "core/files/TextFile.h"
#include "core/files/UniqueFd.h"
#include "core/lines/LineError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace linnery;
using namespace linnery::test;

TEST(TextFile, SplitsAtEveryKindOfLineEndAndStopsAtNul) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
        bool stoppedAtNul;
    };
    const std::vector<Case> cases = {
        {"a\r\nb", {"a", "b"}, false},
        {"a\r\nb\r\n", {"a", "b"}, false},
        {"a\rb\nc", {"a", "b", "c"}, false},
        {"a\n\rb", {"a", "", "b"}, false},
        {"a\r\r\nb", {"a", "", "b"}, false},
        {"\r\n", {""}, false},
        {"", {}, false},
        {std::string("ab\0cd\r\ne", 8), {"ab"}, true},
        {std::string("\r\n\0x", 4), {""}, true},
        {std::string("\0abc", 4), {}, true},
        {"\xEF\xBB\xBF"
         "bom\ttab",
         {"\xEF\xBB\xBF"
          "bom\ttab"},
         false},
        {"only cr\rlines\rhere", {"only cr", "lines", "here"}, false},
        {"x\n\n\ny", {"x", "", "", "y"}, false},
        {"a\r", {"a"}, false},
    };
    for (const Case& c : cases) {
        LineList list;
        const LoadInfo info = splitLines(list, c.bytes);
        EXPECT_EQ(linesOf(list), c.lines) << testing::PrintToString(c.bytes);
        EXPECT_EQ(info.stoppedAtNul, c.stoppedAtNul) << testing::PrintToString(c.bytes);
    }
}

TEST(TextFile, SavesCrLfAfterEveryLine) {
    EXPECT_EQ(joinLines(listOf({"a", "", "b"})).view(), "a\r\n\r\nb\r\n");
    EXPECT_EQ(joinLines(listOf({})).view(), "");
    EXPECT_EQ(joinLines(listOf({""})).view(), "\r\n");
}

// Saving writes in chunks of about a megabyte; lines below, at and above that size, and many of them.
TEST(TextFile, WritesInChunksTheBytesItWouldBuildWhole) {
    const std::string mega(1 << 20, 'm');
    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "twenty bytes of text\n" + std::string(i % 7 * 50, 'w') + "\n";
    TempDir dir;
    for (const std::string& text :
         {std::string(), std::string("\n"), many, "a\n" + mega + "\nb",
          mega.substr(2) + "\n" + mega.substr(1) + "\n" + mega.substr(3) + "\n\n"}) {
        LineList list;
        splitLines(list, text);
        saveFile(list, dir.file("out"));
        EXPECT_EQ(readBytes(dir.file("out")), joinLines(list).view()) << list.count() << " lines";
    }
    try {
        saveFile(listOf({"x"}), "/dev/full");
        FAIL() << "no write error";
    } catch (const LineError& e) {
        EXPECT_EQ(std::string(e.what()) + " " + e.detail(),
                  "ｽﾄﾘｰﾑへの書き込みｴﾗｰ /dev/full: " + systemReason(ENOSPC));
    }
}

// Reading grows its buffer in steps and stops at the first NUL: every size and NUL position gives what
// splitting the whole file at once gives, from a file and from a pipe (no size known).
TEST(TextFile, ReadsUpToTheFirstNulWhateverTheSize) {
    constexpr std::size_t none = std::string::npos;
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, none},
        {65535, none},
        {65536, none},
        {65537, none},
        {65537, 65536},
        {200000, 70000},
        {10 << 20, none},
        {10 << 20, 9 << 20},   // past the size where buffers are mapped
        {(6 << 20) + 1, none}, // lines too long for an entry of their own, split on several threads
    };
    TempDir dir;
    for (const auto& [size, nulAt] : cases) {
        // Every kind of line end, in a period no read boundary divides evenly.
        const std::string period = "a line\nanother\r\n\r\rlast\n" +
                                   std::string(size > 1000000 ? (size % 2 == 1 ? 70000 : 4000) : 0, 'z');
        std::string bytes;
        while (bytes.size() < size)
            bytes += period;
        bytes.resize(size);
        if (nulAt != none)
            bytes[nulAt] = '\0';
        LineList expected;
        const LoadInfo whole = splitLines(expected, bytes);
        const std::string path = dir.file("in", bytes);
        // Compared as saved text: one comparison instead of a million strings.
        const ByteBuffer saved = joinLines(expected);
        // Split on every thread count, in parts of a few bytes, beside a reader of the whole text.
        for (unsigned threads : kThreadCounts) {
            SCOPED_TRACE(std::to_string(size) + " " + std::to_string(nulAt) + ", " + std::to_string(threads));
            const ThreadPool& pool = settingsWithThreads(threads, size < (4 << 20)).pool();
            std::string_view seen;
            LineList fromFile;
            const LoadInfo info = loadFile(
                fromFile, path, [&](std::string_view all) { seen = all; }, pool);
            EXPECT_EQ(joinLines(fromFile).view(), saved.view());
            EXPECT_EQ(seen, whole.text);
            EXPECT_EQ(info.stoppedAtNul, whole.stoppedAtNul);
            EXPECT_EQ(info.nulOffset, whole.nulOffset);
        }
        LineList fromPipe;
        std::FILE* pipe = ::popen(("cat '" + path + "'").c_str(), "r");
        const LoadInfo piped = loadStream(fromPipe, ::fileno(pipe), "-", {}, settingsWithThreads(2).pool());
        ::pclose(pipe);
        EXPECT_EQ(joinLines(fromPipe).view(), saved.view()) << size << " " << nulAt;
        EXPECT_EQ(piped.nulOffset, whole.nulOffset);
        // Standard input redirected from the file and partly read already: the rest, from where it stands.
        const std::size_t skip = std::min<std::size_t>(size, 5);
        LineList rest, fromOffset;
        splitLines(rest, std::string_view(bytes).substr(skip));
        const UniqueFd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_EQ(::lseek(in.fd, static_cast<off_t>(skip), SEEK_SET), static_cast<off_t>(skip));
        loadStream(fromOffset, in.fd, "-", {}, settingsWithThreads(3, true).pool());
        EXPECT_EQ(joinLines(fromOffset).view(), joinLines(rest).view()) << size << " " << nulAt;
    }
}

TEST(TextFile, LoadAndSaveRoundTripNormalisesLineEnds) {
    TempDir dir;
    const std::string path = dir.file("a.txt");
    writeBytes(path, "a\n");
    LineList list;
    loadFile(list, path);
    saveFile(list, path);
    EXPECT_EQ(readBytes(path), "a\r\n");

    writeBytes(path, std::string("x\ny\0z", 5));
    loadFile(list, path);
    saveFile(list, path);
    EXPECT_EQ(readBytes(path), "x\r\ny\r\n");
}

TEST(TextFile, LongLinesAreKeptWhole) {
    TempDir dir;
    const std::string line(100000, 'x');
    writeBytes(dir.file("long.txt"), line + "\n" + line);
    LineList list;
    loadFile(list, dir.file("long.txt"));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.get(1), line);
}

TEST(TextFile, OpenErrorNamesThePathAndTheReasonAndLeavesTheListAlone) {
    TempDir dir;
    LineList list = listOf({"kept"});
    ::mkfifo(dir.file("fifo").c_str(), 0600); // nobody writes: opening must not wait
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("missing.txt"), systemReason(ENOENT)},
        {dir.path(), systemReason(EISDIR)},
        {dir.file("fifo"), "not a regular file"},
        {"/dev/null", "not a regular file"},
    };
    for (const auto& [path, reason] : cases) {
        try {
            loadFile(list, path);
            FAIL() << "no error for " << path;
        } catch (const LineError& e) {
            EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " は開けません");
            EXPECT_EQ(e.detail(), path + ": " + reason);
        }
        EXPECT_EQ(linesOf(list), std::vector<std::string>{"kept"});
    }
}

TEST(TextFile, SaveKeepsPermissionsAndFollowsSymlinks) {
    TempDir dir;
    const std::string target = dir.file("real.txt");
    writeBytes(target, "old\n");
    ::chmod(target.c_str(), 0640);
    const std::string link = dir.file("link.txt");
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);

    saveFile(listOf({"new"}), link);

    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link must stay a link";
    EXPECT_EQ(readBytes(target), "new\r\n");
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(TextFile, FailedSaveLeavesTheOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    TempDir dir;
    const std::string path = dir.file("keep.txt");
    writeBytes(path, "precious\n");
    ::chmod(path.c_str(), 0444); // a writable file there would be written in place
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_THROW(saveFile(listOf({"new"}), path), LineError);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readBytes(path), "precious\n");
}

TEST(TextFile, SaveIntoAMissingFolderRaisesTheCreateError) {
    TempDir dir;
    const std::string path = dir.file("no/such/folder.txt");
    try {
        saveFile(listOf({"x"}), path);
        FAIL();
    } catch (const LineError& e) {
        EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " を作成できません");
    }
    EXPECT_THROW(saveFile(listOf({"x"}), dir.path()), LineError) << "a folder cannot be replaced";
}

TEST(TextFile, NoTemporaryFileIsLeftBehind) {
    TempDir dir;
    saveFile(listOf({"a"}), dir.file("a.txt"));
    saveFile(listOf({"b"}), dir.file("a.txt"));
    const std::string listing = [&] {
        std::string out;
        FILE* p = ::popen(("ls -A '" + dir.path() + "'").c_str(), "r");
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        ::pclose(p);
        return out;
    }();
    EXPECT_EQ(listing, "a.txt\n");
}
