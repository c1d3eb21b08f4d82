#include "core/TextFile.h"
#include "core/LineError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
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

TEST(TextFile, OpenErrorNamesThePathAndLeavesTheListAlone) {
    TempDir dir;
    LineList list = listOf({"kept"});
    for (const std::string& path : {dir.file("missing.txt"), dir.path()}) {
        try {
            loadFile(list, path);
            FAIL() << "no error for " << path;
        } catch (const LineError& e) {
            EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " は開けません");
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
