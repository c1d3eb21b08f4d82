// linnery-cli on the files real systems have: owners, links, long names, pipes, full disks, signals.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace fs = std::filesystem;
using namespace linnery::test;

namespace {

// The system's reason as the program, in the same locale, reports it.
std::string reason(int error) {
    static const bool localised = std::setlocale(LC_ALL, "") != nullptr;
    (void)localised;
    return std::strerror(error);
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

// One case's folder and what it changed outside of it, undone afterwards whatever happens.
struct Fixture {
    TempDir dir;
    std::string skip;        // why the system does not allow the case
    bool marked = false;     // a case's own note from setup to check
    std::string shellPrefix; // limits, timeouts and environment for the child
    std::vector<std::function<void()>> undo;
    ~Fixture() {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it)
            (*it)();
    }
    std::string file(const std::string& name) const { return dir.file(name); }
    std::string file(const std::string& name, const std::string& bytes) const {
        return dir.file(name, bytes);
    }
};

// Sends SIGINT once the save has begun: when the program holds a file of the folder open besides its
// input (the temporary file, or the target itself).
CliResult runInterrupted(const Fixture& f, const Args& args) {
    CliProcess p = startCli(args);
    const std::string prefix = f.dir.path() + "/", input = f.file("in");
    const std::string fds = "/proc/" + std::to_string(p.pid) + "/fd";
    for (bool sent = false; !sent;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(p.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid)
            break; // ended before it was seen saving: the checks hold all the same
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator(fds, ec)) {
            const std::string target = fs::read_symlink(fd.path(), ec).string();
            if (!ec && target.rfind(prefix, 0) == 0 && target != input) {
                ::kill(p.pid, SIGINT);
                sent = true;
                break;
            }
        }
    }
    return finishCli(p);
}

struct Case {
    const char* name;
    // Prepares the files and gives the arguments; sets Fixture::skip where the system refuses.
    std::function<Args(Fixture&)> setup;
    std::function<void(const Fixture&, const CliResult&)> check;
    bool interrupt = false;
};

const std::string kBigLine(99, 'x'); // with LF, 100 bytes a line

const Case kCases[] = {
    {"OwnerGroupModeAndAttributesKept",
     [](Fixture& f) {
         const std::string p = f.file("f", "old\n");
         ::chmod(p.c_str(), 0640);
         if (::chown(p.c_str(), 65534, 65534) != 0)
             f.skip = "cannot give a file away here";
         f.marked = ::setxattr(p.c_str(), "user.linnery", "kept", 4, 0) == 0;
         return Args{"-o", p, "prefix", "+", p};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 0) << r.err;
         const std::string p = f.file("f");
         EXPECT_EQ(readBytes(p), "+old\r\n");
         const struct stat st = statOf(p);
         EXPECT_EQ(st.st_uid, 65534u);
         EXPECT_EQ(st.st_gid, 65534u);
         EXPECT_EQ(st.st_mode & 07777, 0640u);
         char value[8] = {};
         if (f.marked) {
             const ssize_t n = ::getxattr(p.c_str(), "user.linnery", value, sizeof value);
             EXPECT_EQ(std::string(value, static_cast<std::size_t>(std::max<ssize_t>(n, 0))), "kept");
         }
         EXPECT_EQ(namesIn(f.dir.path()), std::vector<std::string>{"f"});
     }},
    {"HardLinkKeptAndNoSafetyCopyLeft",
     [](Fixture& f) {
         const std::string p = f.file("f", "old\n");
         fs::create_hard_link(p, f.file("g"));
         return Args{"-o", p, "prefix", "+", p};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 0) << r.err;
         EXPECT_EQ(readBytes(f.file("g")), "+old\r\n");
         EXPECT_EQ(statOf(f.file("f")).st_ino, statOf(f.file("g")).st_ino);
         EXPECT_EQ(statOf(f.file("g")).st_nlink, 2u);
         EXPECT_EQ(namesIn(f.dir.path()), (std::vector<std::string>{"f", "g"}));
     }},
    {"NameOf250Bytes",
     [](Fixture& f) {
         return Args{"replace-lines", "old", "new", f.file(std::string(250, 'n'), "old\n")};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 0) << r.err;
         EXPECT_EQ(readBytes(f.file(std::string(250, 'n'))), "new\r\n");
         EXPECT_EQ(namesIn(f.dir.path()).size(), 1u);
     }},
    {"SymlinkLoopIsTheCreateError",
     [](Fixture& f) {
         fs::create_symlink("loop", f.file("loop"));
         return Args{"-o", f.file("loop"), "cat", f.file("in", "x\n")};
     },
     [](const Fixture& f, const CliResult& r) {
         const std::string p = f.file("loop");
         EXPECT_EQ(r.exitCode, 1);
         EXPECT_EQ(r.err, "ﾌｧｲﾙ " + p + " を作成できません. " + p + ": " + reason(ELOOP) + "\n");
         EXPECT_TRUE(S_ISLNK(statOf(p).st_mode));
     }},
    {"FifoIsNotLoaded",
     [](Fixture& f) {
         ::mkfifo(f.file("fifo").c_str(), 0600);
         f.shellPrefix = "exec timeout 10";
         return Args{"cat", f.file("fifo")};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 1) << "124: it waited for a writer";
         EXPECT_EQ(r.err,
                   "ﾌｧｲﾙ " + f.file("fifo") + " は開けません. " + f.file("fifo") + ": not a regular file\n");
     }},
    {"FifoWithoutReaderIsNotWaitedFor",
     [](Fixture& f) {
         ::mkfifo(f.file("fifo").c_str(), 0600);
         f.shellPrefix = "exec timeout 10";
         return Args{"-o", f.file("fifo"), "cat", f.file("in", "x\n")};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 1) << "124: it waited for a reader";
         EXPECT_EQ(r.err, "ﾌｧｲﾙ " + f.file("fifo") + " を作成できません. " + f.file("fifo") + ": " +
                              reason(ENXIO) + "\n");
     }},
    {"WritableFileInReadOnlyFolder",
     [](Fixture& f) {
         const std::string folder = f.file("ro"), tmp = f.file("tmp");
         fs::create_directory(folder);
         fs::create_directory(tmp);
         const std::string p = f.file("ro/f", "old\n");
         // The safety copy goes to the temporary folder when the file's own refuses it; this one is checked.
         f.shellPrefix = "export TMPDIR='" + tmp + "'; exec";
         if (::geteuid() != 0) {
             ::chmod(folder.c_str(), 0555);
         } else {
             // Root writes anywhere, except into an immutable folder.
             const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
             int flags = 0;
             if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
                 (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0))
                 f.skip = "no immutable folders here";
             else
                 f.undo.push_back([fd, flags] {
                     const int mutableFlags = flags & ~FS_IMMUTABLE_FL;
                     ::ioctl(fd, FS_IOC_SETFLAGS, &mutableFlags);
                     ::close(fd);
                 });
         }
         return Args{"-o", p, "prefix", "+", p};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 0) << r.err;
         EXPECT_EQ(readBytes(f.file("ro/f")), "+old\r\n");
         EXPECT_EQ(namesIn(f.file("ro")), std::vector<std::string>{"f"});
         EXPECT_EQ(namesIn(f.file("tmp")), std::vector<std::string>{}) << "the safety copy stayed";
     }},
    {"InterruptedSaveLeavesNoTemporaryFile",
     [](Fixture& f) {
         std::string big;
         for (int i = 0; i < 200000; ++i)
             big += kBigLine + "\n";
         f.file("in", big);
         return Args{"-o", f.file("out", "old\n"), "cat", f.file("in")};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_TRUE(r.signal == SIGINT || r.exitCode == 0) << r.exitCode << r.err;
         EXPECT_EQ(namesIn(f.dir.path()), (std::vector<std::string>{"in", "out"}));
         const auto size = fs::file_size(f.file("out"));
         EXPECT_TRUE(size == 4 || size == 200000 * (kBigLine.size() + 2)) << size;
     },
     true},
    {"EarlyNulInAHugeFileUnderAMemoryLimit",
     [](Fixture& f) {
#if defined(__SANITIZE_ADDRESS__)
         f.skip = "the address sanitizer needs more address space than the limit";
#endif
         // 4 GB, sparse: costs nothing on disk; reading it whole would exceed the limit.
         f.shellPrefix = "ulimit -v 200000; exec";
         const std::string p = f.file("huge", std::string("ab\0cd", 5));
         fs::resize_file(p, 4ull << 30);
         return Args{"cat", p};
     },
     [](const Fixture& f, const CliResult& r) {
         EXPECT_EQ(r.exitCode, 0) << r.err;
         EXPECT_EQ(r.out, "ab\r\n");
         EXPECT_EQ(r.err, "linnery-cli: warning: " + f.file("huge") +
                              ": reading stopped at the NUL byte at offset 2; the rest is not loaded\n");
     }},
    {"FullDiskSaysWhy",
     [](Fixture& f) {
         const std::string mnt = f.file("mnt");
         fs::create_directory(mnt);
         if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
             f.skip = "cannot mount a small file system here";
         else
             f.undo.push_back([mnt] { ::umount2(mnt.c_str(), MNT_DETACH); });
         std::string big;
         for (int i = 0; i < 2000; ++i)
             big += kBigLine + "\n";
         return Args{"-o", f.file("mnt/f", "old\n"), "cat", f.file("in", big)};
     },
     [](const Fixture& f, const CliResult& r) {
         const std::string p = f.file("mnt/f");
         EXPECT_EQ(r.exitCode, 1);
         EXPECT_EQ(r.err, "ｽﾄﾘｰﾑへの書き込みｴﾗｰ. " + p + ": " + reason(ENOSPC) + "\n");
         EXPECT_EQ(readBytes(p), "old\n");
         EXPECT_EQ(namesIn(f.file("mnt")), std::vector<std::string>{"f"});
     }},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class SafeFileCli : public ::testing::TestWithParam<Case> {};

TEST_P(SafeFileCli, Case) {
    const Case& c = GetParam();
    Fixture f;
    const Args args = c.setup(f);
    if (!f.skip.empty())
        GTEST_SKIP() << f.skip;
    c.check(f, c.interrupt ? runInterrupted(f, args) : runCli(args, {}, f.shellPrefix));
}

INSTANTIATE_TEST_SUITE_P(Files, SafeFileCli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
