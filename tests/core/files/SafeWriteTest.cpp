#include "core/files/SafeWrite.h"
#include "core/files/TemporaryFile.h"
#include "core/files/TextFile.h"
#include "core/lines/LineError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace linnery;
using namespace linnery::test;

namespace {

// Unnamed temporary files are used where the file system has them; off, the named fallback runs.
struct UnnamedTemporaries {
    explicit UnnamedTemporaries(bool on) { useUnnamedTemporaries(on); }
    ~UnnamedTemporaries() { useUnnamedTemporaries(true); }
};

} // namespace

// Each way of writing (unnamed or named temporary file, in place over a hard link), when the content
// cannot be written: the old file stays whole, nothing is left beside it. When it can: the mode is kept
// or, for a new file, what the umask gives.
TEST(SafeWrite, EachWayKeepsTheModeOrTheOldContent) {
    const mode_t mask = ::umask(022);
    for (const bool unnamed : {true, false})
        for (const bool linked : {false, true}) {
            const UnnamedTemporaries scope(unnamed);
            TempDir dir;
            const std::string f = dir.file("f", "old content\n");
            ::chmod(f.c_str(), 0640);
            if (linked)
                fs::create_hard_link(f, dir.file("g"));
            const std::vector<std::string> before = namesIn(dir.path());
            for (const std::size_t written : {std::size_t{3}, std::size_t{100}}) {
                try {
                    writeFileSafely(f, [written](int fd) {
                        ASSERT_EQ(::write(fd, std::string(written, 'p').data(), written), ssize_t(written));
                        throw LineError::write("f", "broken");
                    });
                    ADD_FAILURE() << "no error";
                } catch (const LineError& e) {
                    EXPECT_EQ(e.detail(), "f: broken");
                }
                EXPECT_EQ(readBytes(f), "old content\n") << unnamed << linked << written;
                EXPECT_EQ(namesIn(dir.path()), before);
            }
            saveFile(listOf({"a"}), f);
            saveFile(listOf({"b"}), dir.file("new"));
            struct stat st {};
            ::stat(f.c_str(), &st);
            EXPECT_EQ(st.st_mode & 07777, 0640u);
            ::stat(dir.file("new").c_str(), &st);
            EXPECT_EQ(st.st_mode & 07777, 0644u);
            EXPECT_EQ(readBytes(linked ? dir.file("g") : f), "a\r\n");
        }
    ::umask(mask);
}

// SIGINT during a save: the folder holds what it held, the file its old or new content, whole. A named
// temporary file is removed (SIGINT once it exists); a linked file written in place is finished first
// (SIGINT once it has begun to change).
TEST(SafeWrite, InterruptedSaveLeavesNothingBehind) {
    LineList big;
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += std::string(98, 'x') + "\n";
    splitLines(big, text);
    for (const bool linked : {false, true}) {
        TempDir dir;
        const std::string f = dir.file("f", "old\n");
        if (linked)
            fs::create_hard_link(f, dir.file("g"));
        const std::vector<std::string> before = namesIn(dir.path());
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            useUnnamedTemporaries(false);
            saveFile(big, f);
            ::_exit(0);
        }
        interruptWhen(child, [&] {
            std::error_code ec;
            if (linked)
                return fs::file_size(f, ec) > 4;
            for (const auto& e : fs::directory_iterator(dir.path(), ec))
                if (e.path().filename().string().rfind(".linnery-", 0) == 0)
                    return true;
            return false;
        });
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGINT : WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(namesIn(dir.path()), before) << linked;
        const auto size = fs::file_size(f);
        EXPECT_TRUE(size == 20000000 || (!linked && size == 4)) << linked << " " << size;
    }
}
