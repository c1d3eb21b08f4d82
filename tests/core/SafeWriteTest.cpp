#include "core/SafeWrite.h"
#include "core/LineError.h"
#include "core/TextFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace linnery;
using namespace linnery::test;

namespace {

// Puts unnamed temporary files back on for the next test.
struct NamedTemporariesOnly {
    explicit NamedTemporariesOnly(bool on) { useUnnamedTemporaries(!on); }
    ~NamedTemporariesOnly() { useUnnamedTemporaries(true); }
};

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

TEST(SafeWrite, EachKindOfTemporaryGivesTheModeAndLeavesNothing) {
    for (const bool named : {false, true}) {
        const NamedTemporariesOnly scope(named);
        TempDir dir;
        const std::string old = dir.file("old", "x\n"), fresh = dir.file("new");
        ::chmod(old.c_str(), 0640);
        saveFile(listOf({"a"}), old);
        saveFile(listOf({"b"}), fresh);
        EXPECT_EQ(readBytes(old), "a\r\n");
        EXPECT_EQ(readBytes(fresh), "b\r\n");
        struct stat st {};
        ::stat(old.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << named;
        ::stat(fresh.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0666u & ~currentUmask()) << named;
        EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"new", "old"}));
    }
}

TEST(SafeWrite, FailedWriteLeavesTheOldFileWhole) {
    for (const bool linked : {false, true})
        for (const std::size_t written : {std::size_t{3}, std::size_t{100}}) {
            TempDir dir;
            const std::string f = dir.file("f", "old content\n");
            if (linked) // written in place: the old content has to be put back
                fs::create_hard_link(f, dir.file("g"));
            const auto failing = [written](int fd) {
                const std::string part(written, 'p');
                ASSERT_EQ(::write(fd, part.data(), part.size()), static_cast<ssize_t>(part.size()));
                throw LineError::write("f", "broken");
            };
            try {
                writeFileSafely(f, failing);
                ADD_FAILURE() << "no error";
            } catch (const LineError& e) {
                EXPECT_EQ(e.detail(), "f: broken");
            }
            EXPECT_EQ(readBytes(f), "old content\n") << linked << written;
            EXPECT_EQ(namesIn(dir.path()).size(), linked ? 2u : 1u);
        }
}

// SIGINT while a save is under way: the folder holds what it held, and the file has its old or its new
// content, whole. Named temporaries are the case that needs the cleanup (the signal comes once one
// exists); a linked file is written in place, where the signal (sent once the file has begun to
// change) waits for the write to end.
TEST(SafeWrite, InterruptedSaveLeavesNothingBehind) {
    std::string text;
    const std::string line = std::string(98, 'x') + "\n";
    for (int i = 0; i < 200000; ++i)
        text += line;
    LineList big;
    splitLines(big, text);
    const auto newSize = static_cast<std::uintmax_t>(big.count()) * 100;
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
        for (bool sent = false; !sent;) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid)
                break;
            std::error_code ec;
            if (linked) {
                sent = fs::file_size(f, ec) > 4;
            } else {
                for (const auto& e : fs::directory_iterator(dir.path(), ec))
                    sent = sent || e.path().filename().string().rfind(".linnery-", 0) == 0;
            }
            if (sent)
                ::kill(child, SIGINT);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) ||
                    (WIFEXITED(status) && !WEXITSTATUS(status)))
            << status;
        EXPECT_EQ(namesIn(dir.path()), before) << linked;
        const auto size = fs::file_size(f);
        if (linked) {
            EXPECT_EQ(size, newSize) << "the in-place write was cut short";
        } else {
            EXPECT_TRUE(size == 4 || size == newSize) << size;
        }
    }
}
