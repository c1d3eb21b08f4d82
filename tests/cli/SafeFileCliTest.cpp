// linnery-cli on the files real systems have: owners, links, long names, pipes, full disks, signals.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
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
    [[maybe_unused]] static const char* const locale = std::setlocale(LC_ALL, "");
    return std::strerror(error);
}

// One case's folder and what it changed outside of it, undone afterwards whatever happens.
struct Fixture {
    TempDir dir;
    std::string target;      // the file whose folder and content are checked
    std::string skip;        // why the system does not allow the case
    std::string shellPrefix; // limits, timeouts and environment for the child
    bool attributes = false; // the file system keeps extended attributes
    std::vector<std::function<void()>> undo;
    ~Fixture() {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it)
            (*it)();
    }
    std::string file(const std::string& name, const std::string& bytes = "old\n") const {
        return dir.file(name, bytes);
    }
};

std::string lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(99, 'x') + "\n";
    return text;
}

struct Case {
    const char* name;
    std::function<Args(Fixture&)> setup; // makes the files, sets Fixture::target, gives the arguments
    int exitCode;
    std::string err;     // standard error, "@" standing for the target's path
    const char* content; // the target's bytes afterwards; null: not checked
    std::function<void(const Fixture&, const CliResult&)> more = nullptr;
    bool interrupt = false; // SIGINT once the program has a file of the folder open besides "in"
};

const Case kCases[] = {
    {"OwnerGroupModeAndAttributesKept",
     [](Fixture& f) {
         f.target = f.file("f");
         ::chmod(f.target.c_str(), 0640);
         if (::chown(f.target.c_str(), 65534, 65534) != 0)
             f.skip = "cannot give a file away here";
         f.attributes = ::setxattr(f.target.c_str(), "user.linnery", "kept", 4, 0) == 0;
         return Args{"-o", f.target, "prefix", "+", f.target};
     },
     0, "", "+old\r\n",
     [](const Fixture& f, const CliResult&) {
         struct stat st {};
         ::stat(f.target.c_str(), &st);
         EXPECT_EQ(st.st_uid * 100000 + st.st_gid, 65534u * 100000 + 65534u);
         EXPECT_EQ(st.st_mode & 07777, 0640u);
         char value[4] = {};
         EXPECT_EQ(::getxattr(f.target.c_str(), "user.linnery", value, 4), f.attributes ? 4 : -1);
     }},
    {"HardLinkKeptAndNoSafetyCopyLeft",
     [](Fixture& f) {
         fs::create_hard_link(f.file("f"), f.target = f.dir.file("g"));
         return Args{"-o", f.dir.file("f"), "prefix", "+", f.dir.file("f")};
     },
     0, "", "+old\r\n"},
    {"NameOf250Bytes",
     [](Fixture& f) {
         return Args{"replace-lines", "old", "new", f.target = f.file(std::string(250, 'n'))};
     },
     0, "", "new\r\n"},
    {"SymlinkLoopIsTheCreateError",
     [](Fixture& f) {
         fs::create_symlink("loop", f.target = f.dir.file("loop"));
         return Args{"-o", f.target, "cat", f.file("in")};
     },
     1, "linnery-cli: ﾌｧｲﾙ @ を作成できません: " + reason(ELOOP) + "\n", nullptr},
    {"FifoIsNotLoadedAndNotWaitedFor",
     [](Fixture& f) {
         ::mkfifo((f.target = f.dir.file("fifo")).c_str(), 0600);
         f.shellPrefix = "exec timeout 10"; // 124 if it waits for a writer
         return Args{"cat", f.target};
     },
     1, "linnery-cli: ﾌｧｲﾙ @ は開けません: not a regular file\n", nullptr},
    {"FifoWithoutReaderIsNotWaitedFor",
     [](Fixture& f) {
         ::mkfifo((f.target = f.dir.file("fifo")).c_str(), 0600);
         f.shellPrefix = "exec timeout 10";
         return Args{"-o", f.target, "cat", f.file("in")};
     },
     1, "linnery-cli: ﾌｧｲﾙ @ を作成できません: " + reason(ENXIO) + "\n", nullptr},
    {"WritableFileInReadOnlyFolder",
     [](Fixture& f) {
         const std::string folder = f.dir.file("ro"), tmp = f.dir.file("tmp");
         fs::create_directory(folder);
         fs::create_directory(tmp);
         f.target = f.file("ro/f");
         // The safety copy goes to the state folder when the file's own refuses it, never to /tmp.
         f.shellPrefix = "export XDG_STATE_HOME='" + tmp + "' TMPDIR='" + tmp + "'; exec";
         // Root writes anywhere, except into an immutable folder.
         const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
         int flags = 0;
         const bool set = ::geteuid() == 0
                              ? ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                                    (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0)
                              : ::chmod(folder.c_str(), 0555) == 0;
         f.skip = set ? "" : "no immutable folders here";
         f.undo.push_back([fd, flags] {
             const int unset = flags & ~FS_IMMUTABLE_FL;
             if (flags != unset)
                 ::ioctl(fd, FS_IOC_SETFLAGS, &unset);
             ::close(fd);
         });
         return Args{"-o", f.target, "prefix", "+", f.target};
     },
     0, "", "+old\r\n",
     [](const Fixture& f, const CliResult&) { EXPECT_EQ(namesIn(f.dir.file("tmp")), Args{"linnery"}); }},
    {"NoFolderTakesTheSafetyCopy",
     [](Fixture& f) {
         // Written in place (a hard link), the copy's name too long beside it, and a state folder that
         // cannot be made (its parent is a file): the message names that folder, not the target.
         f.target = f.file(std::string(245, 'n'));
         fs::create_hard_link(f.target, f.dir.file("link"));
         f.shellPrefix = "export XDG_STATE_HOME='" + f.target + "'; exec";
         return Args{"-o", f.target, "prefix", "+", f.target};
     },
     1, "linnery-cli: ﾌｫﾙﾀﾞ @/linnery に保存前の内容の控えを作成できません: " + reason(ENOTDIR) + "\n",
     "old\n"},
    {"InterruptedSaveLeavesNoTemporaryFile",
     [](Fixture& f) {
         return Args{"-o", f.target = f.file("out"), "cat", f.file("in", lines(200000))};
     },
     0, "", nullptr,
     [](const Fixture& f, const CliResult&) {
         const auto size = fs::file_size(f.target);
         EXPECT_TRUE(size == 4 || size == 200000 * 101) << size;
     },
     true},
    {"EarlyNulInAHugeFileUnderAMemoryLimit",
     [](Fixture& f) {
#if defined(__SANITIZE_ADDRESS__)
         f.skip = "the address sanitizer needs more address space than the limit";
#endif
         f.shellPrefix = "ulimit -v 200000; exec";
         // 4 GB, sparse: nothing on disk, but more than the limit if it were read whole.
         fs::resize_file(f.target = f.file("huge", std::string("ab\0cd", 5)), 4ull << 30);
         return Args{"cat", f.target};
     },
     0, "linnery-cli: warning: @: reading stopped at the NUL byte at offset 2; the rest is not loaded\n",
     nullptr, [](const Fixture&, const CliResult& r) { EXPECT_EQ(r.out, "ab\r\n"); }},
    {"FullDiskSaysWhy",
     [](Fixture& f) {
         const std::string mnt = f.dir.file("mnt");
         fs::create_directory(mnt);
         if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
             f.skip = "cannot mount a small file system here";
         else
             f.undo.push_back([mnt] { ::umount2(mnt.c_str(), MNT_DETACH); });
         return Args{"-o", f.target = f.file("mnt/f"), "cat", f.file("in", lines(2000))};
     },
     1, "linnery-cli: ｽﾄﾘｰﾑへの書き込みｴﾗｰ: @: " + reason(ENOSPC) + "\n", "old\n"},
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
    // Whatever happens, no temporary file or safety copy stays in the folder.
    const std::string folder = fs::path(f.target).parent_path();
    const std::vector<std::string> before = namesIn(folder);
    CliResult r;
    if (c.interrupt) {
        CliProcess p = startCli(args);
        const std::string fds = "/proc/" + std::to_string(p.pid) + "/fd", in = f.dir.file("in");
        interruptWhen(p.pid, [&] {
            std::error_code ec;
            for (const auto& fd : fs::directory_iterator(fds, ec)) {
                const std::string open = fs::read_symlink(fd.path(), ec).string();
                if (!ec && open.rfind(folder + "/", 0) == 0 && open != in)
                    return true;
            }
            return false;
        });
        r = finishCli(p);
        EXPECT_TRUE(r.signal == SIGINT || r.exitCode == 0) << r.exitCode << r.err;
    } else {
        r = runCli(args, {}, RunEnv{{}, 0, f.shellPrefix});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        std::string err = c.err;
        for (std::size_t at; (at = err.find('@')) != std::string::npos;)
            err.replace(at, 1, f.target);
        EXPECT_EQ(r.err, err);
    }
    if (c.content) {
        EXPECT_EQ(readBytes(f.target), c.content);
    }
    EXPECT_EQ(namesIn(folder), before);
    if (c.more)
        c.more(f, r);
}

INSTANTIATE_TEST_SUITE_P(Files, SafeFileCli, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

} // namespace

namespace {

// A save in place killed at each of its steps leaves the old file, the new one, or the file beside a
// safety copy of the old bytes (never a partial copy under the copy's name); the next load tells of
// the copy, the next save that succeeds removes it. Beside the file, and in the state folder when
// the copy's name would be too long for the file's own.
TEST(SafeFileCliKill, InPlaceSaveKilledAtEachStep) {
    std::string old, fresh;
    for (int i = 0; i < 20000; ++i) {
        old += "line " + std::to_string(i) + "\n\n\n";
        fresh += "line " + std::to_string(i) + "\r\n";
    }
    enum Content { Old, Neither, New };
    const struct {
        const char* step;
        Content content;
        bool copyLeft;
    } kSteps[] = {
        {"copying", Old, false}, {"copied", Old, true}, {"written", Neither, true}, {"synced", New, true}};
    for (const bool inStateFolder : {false, true})
        for (const auto& s : kSteps) {
            SCOPED_TRACE(std::string(s.step) + (inStateFolder ? " in the state folder" : " beside"));
            TempDir dir, stateDir;
            const std::string target = dir.file(inStateFolder ? std::string(245, 'n') : "t.txt", old);
            const std::string other = dir.file("other.txt");
            fs::create_hard_link(target, other); // written in place
            const std::string& state = stateDir.path();
            const std::string copies = inStateFolder ? state + "/linnery" : dir.path();
            const std::vector<std::string> before = namesIn(dir.path());
            const RunEnv env{{"XDG_STATE_HOME=" + state, std::string("LINNERY_TEST_KILL_AT=") + s.step}};
            const CliResult killed = runCli({"delete-empty", target, "-o", target}, {}, env);
            EXPECT_EQ(killed.signal, SIGKILL) << killed.err;

            const std::string now = readBytes(target);
            EXPECT_TRUE(s.content == Old   ? now == old
                        : s.content == New ? now == fresh
                                           : now != old && now != fresh)
                << now.size();
            EXPECT_TRUE(readBytes(other) == now);
            std::vector<std::string> left;
            if (fs::exists(copies))
                for (const std::string& name : namesIn(copies))
                    if (name.size() > 15 && name.ends_with(".linnery-backup"))
                        left.push_back(copies + "/" + name);
            ASSERT_EQ(left.size(), s.copyLeft ? 1u : 0u);
            std::vector<std::string> names = before;
            if (s.copyLeft && !inStateFolder)
                names = {"other.txt", "t.txt", "t.txt.linnery-backup"};
            EXPECT_EQ(namesIn(dir.path()), names); // and no temporary file
            if (!s.copyLeft)
                continue;
            EXPECT_TRUE(readBytes(left[0]) == old);
            // The file's whole path, readable in the name, behind a hash of it.
            EXPECT_TRUE(!inStateFolder || fs::path(left[0]).filename().string().ends_with(
                                              std::string(150, 'n') + ".linnery-backup"));

            const RunEnv plain{{"XDG_STATE_HOME=" + state}};
            const CliResult load = runCli({"cat", target}, {}, plain);
            EXPECT_EQ(load.exitCode, 0);
            EXPECT_EQ(load.err, "linnery-cli: warning: " + target +
                                    ": a save of it did not finish; its earlier content is kept in " +
                                    left[0] + "\n");
            const CliResult save = runCli({"cat", other, "-o", target}, {}, plain);
            EXPECT_EQ(save.exitCode, 0);
            EXPECT_EQ(save.err, "linnery-cli: warning: " + target + ": removed " + left[0] +
                                    ", the earlier content kept by a save that did not finish\n");
            EXPECT_FALSE(fs::exists(left[0]));
            EXPECT_EQ(runCli({"cat", target}, {}, plain).err, "");
        }
}

// The removed lines never go over the input or the result, whatever name reaches the file; the
// result may still go over the input.
TEST(SafeFileCliRemoved, RemovedPathIsNeitherInputNorOutput) {
    const struct {
        const char* name;
        Args args; // "@" is the folder
        int exitCode;
    } kRemovedCases[] = {
        {"input by name", {"uniq", "--removed", "@/a", "@/a"}, 2},
        {"input through a hard link", {"uniq", "--removed", "@/hard", "@/a"}, 2},
        {"input through a symlink", {"uniq", "--removed", "@/sym", "@/a"}, 2},
        {"input as standard input", {"uniq", "--removed", "@/sym"}, 2},
        {"output by name", {"uniq", "-o", "@/b", "--removed", "@/b", "@/a"}, 2},
        {"output through a hard link", {"uniq", "-o", "@/b", "--removed", "@/hardb", "@/a"}, 2},
        {"output not there yet, through a symlink",
         {"uniq", "-o", "@/new", "--removed", "@/symnew", "@/a"},
         2},
        {"output onto the input", {"uniq", "-o", "@/a", "--removed", "@/d", "@/a"}, 0},
    };
    for (const auto& c : kRemovedCases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string a = dir.file("a", "x\nx\ny\n"), b = dir.file("b", "old\n");
        fs::create_hard_link(a, dir.file("hard"));
        fs::create_hard_link(b, dir.file("hardb"));
        fs::create_symlink("a", dir.file("sym"));
        fs::create_symlink("new", dir.file("symnew"));
        Args args = c.args;
        for (std::string& arg : args)
            if (arg[0] == '@')
                arg.replace(0, 1, dir.path());
        const CliResult r = runCli(args, {}, RunEnv{{}, 0, args.size() == 3 ? "exec <'" + a + "'" : ""});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        const bool refused = c.exitCode == 2;
        EXPECT_EQ(readBytes(a), refused ? "x\nx\ny\n" : "x\r\ny\r\n");
        EXPECT_EQ(readBytes(b), "old\n");
        EXPECT_EQ(fs::exists(dir.file("new")) || fs::exists(dir.file("d")), !refused);
    }
}

} // namespace
