#include "core/files/Paths.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace linnery;
using namespace linnery::test;

TEST(Paths, SplitAtTheLastSlashByteWhateverTheCodePage) {
    // `shown` is the title's name part: a folder's trailing "/" does not hide its name.
    const struct {
        std::string path, folder, name, shown;
    } cases[] = {
        {"/home/u/data/list.txt", "/home/u/data/", "list.txt", "list.txt"},
        {"ClipBoard", "", "ClipBoard", "ClipBoard"},
        {"", "", "", ""},
        {"/home/u/dir/", "/home/u/dir/", "", "dir"},
        {"dir//", "dir//", "", "dir"},
        {"/", "/", "", "/"},
        {"/tmp/\x95\x5C.txt", "/tmp/", "\x95\x5C.txt", "\x95\x5C.txt"},
        // UTF-8 "あ" (E3 81 82): its last byte is a cp932 lead byte in front of the "/".
        {"/d/\xE3\x81\x82/x.txt", "/d/\xE3\x81\x82/", "x.txt", "x.txt"},
    };
    for (const auto& c : cases) {
        const PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(fileNamePart(c.path), c.shown) << c.path;
        EXPECT_EQ(folderToOpen(parts), c.folder.empty() ? "." : c.folder) << c.path;
    }
}

TEST(Paths, RelativePathsAreTakenBehindTheWorkingFolder) {
    const std::string cwd = std::filesystem::current_path().native();
    const struct {
        std::string path, absolute;
    } cases[] = {
        {"samples/\xE6\x9E\x9C.txt", cwd + "/samples/\xE6\x9E\x9C.txt"},
        {"./a.txt", cwd + "/a.txt"},
        {"a/./../b//c/", cwd + "/a/../b/c/"}, // ".." stays: "a" may be a link
        {"/x/./y", "/x/./y"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(absolutePath(c.path), c.absolute) << c.path;
}
