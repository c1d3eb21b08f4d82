#include "core/commands/LineReplacer.h"
#include "core/lines/LineError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using linnery::LineError;
using linnery::replaceLinesInFiles;
using linnery::replacementSummary;
using linnery::test::readBytes;
using linnery::test::TempDir;
using linnery::test::writeBytes;

namespace fs = std::filesystem;

namespace {

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

struct OneFileCase {
    const char* name;
    std::string content;
    std::string search;
    std::string replacement;
    bool rewritten;
    std::string expected; // the file afterwards
};

class ReplaceOneFile : public ::testing::TestWithParam<OneFileCase> {};

TEST_P(ReplaceOneFile, RewritesOnlyMatchedFiles) {
    const OneFileCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("f.txt", c.content);
    const auto report = replaceLinesInFiles({path}, c.search, c.replacement);
    EXPECT_EQ(report.fileCount, 1);
    EXPECT_EQ(report.rewritten, c.rewritten ? std::vector<std::string>{path} : std::vector<std::string>{});
    EXPECT_EQ(readBytes(path), c.expected);
    EXPECT_EQ(entries(dir.path()), 1u) << "no temporary file may be left behind";
}

const std::string kNul("abc\n\0abc\nz", 10);

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceOneFile,
    ::testing::Values(
        OneFileCase{"UnmatchedLfKeepsBytes", "a\nb\n", "z", "Z", false, "a\nb\n"},
        OneFileCase{"UnmatchedCrNoFinalBreak", "a\rb\r\rc", "z", "Z", false, "a\rb\r\rc"},
        OneFileCase{"UnmatchedMixedBreaks", "a\r\n\nb\n\r", "z", "Z", false, "a\r\n\nb\n\r"},
        OneFileCase{"EmptyFileNeverWritten", "", "", "E", false, ""},
        OneFileCase{"MatchedLfBecomesCrLf", "a\nabc\nb", "abc", "XYZ", true, "a\r\nXYZ\r\nb\r\n"},
        OneFileCase{"MatchedCrOnly", "abc\rq\r", "abc", "x", true, "x\r\nq\r\n"},
        OneFileCase{"EveryMatchReplaced", "abc\nabc\nq\nabc", "abc", "R", true, "R\r\nR\r\nq\r\nR\r\n"},
        OneFileCase{"EmptySearchReplacesEmptyLines", "a\n\nb\r\n\r\n", "", "E", true, "a\r\nE\r\nb\r\nE\r\n"},
        OneFileCase{"EmptyReplacementKeepsLineCount", "abc\nq\nabc", "abc", "", true, "\r\nq\r\n\r\n"},
        OneFileCase{"SearchEqualsReplacementNormalises", "abc\nq", "abc", "abc", true, "abc\r\nq\r\n"},
        OneFileCase{"WholeLineExactCaseSensitive", "abc \nABC\nxabc\nabcd\n ab", "abc", "X", false,
                    "abc \nABC\nxabc\nabcd\n ab"},
        // The replacement is not compared again, so "a" -> "" -> ... does not cascade.
        OneFileCase{"ReplacementNotRematched", "a\n\n", "a", "", true, "\r\n\r\n"},
        // A Shift-JIS line whose second byte is 0x5C is compared as bytes like any other.
        OneFileCase{"DoubleByteLine", "\x95\x5c\n\x95\x5c\x5c\n", "\x95\x5c", "Y", true,
                    "Y\r\n\x95\x5c\x5c\r\n"},
        OneFileCase{"NulFileLeftWholeEvenWhenMatched", kNul, "abc", "X", false, kNul}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(LineReplacer, CountsEveryItemAndListsRewrittenInOrder) {
    TempDir dir;
    const std::string a = dir.file("a", "no\n");
    const std::string b = dir.file("b", "hit\n");
    const std::string c = dir.file("c", "hit");
    const auto report = replaceLinesInFiles({a, b, a, c}, "hit", "done");
    EXPECT_EQ(report.fileCount, 4);
    EXPECT_EQ(report.rewritten, (std::vector<std::string>{b, c}));
    EXPECT_EQ(readBytes(a), "no\n");
    EXPECT_EQ(readBytes(c), "done\r\n");
}

TEST(LineReplacer, SameFileTwiceIsProcessedTwice) {
    TempDir dir;
    const std::string f = dir.file("f", "old\nold\n");
    // The second pass sees the rewritten file: nothing matches any more.
    auto report = replaceLinesInFiles({f, f}, "old", "new");
    EXPECT_EQ(report.fileCount, 2);
    EXPECT_EQ(report.rewritten, std::vector<std::string>{f});
    EXPECT_EQ(readBytes(f), "new\r\nnew\r\n");
    // With search == replacement it matches again and is listed again.
    report = replaceLinesInFiles({f, f}, "new", "new");
    EXPECT_EQ(report.rewritten, (std::vector<std::string>{f, f}));
}

TEST(LineReplacer, UnopenableItemStopsTheRunAfterEarlierFilesWereRewritten) {
    TempDir dir;
    const std::string first = dir.file("1", "x\n");
    const std::string folder = dir.file("sub");
    fs::create_directory(folder);
    const std::string last = dir.file("3", "x\n");
    const std::string missing = dir.file("missing");
    for (const std::string& bad : {folder, missing}) {
        dir.file("1", "x\n");
        try {
            replaceLinesInFiles({first, bad, last}, "x", "y");
            FAIL() << "no error for " << bad;
        } catch (const LineError& e) {
            EXPECT_STREQ(e.what(), LineError::open(bad).what());
        }
        EXPECT_EQ(readBytes(first), "y\r\n");
        EXPECT_EQ(readBytes(last), "x\n");
    }
}

TEST(LineReplacer, FailedSaveLeavesTheOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    TempDir dir;
    const fs::path locked = dir.file("locked");
    fs::create_directory(locked);
    const std::string f = (locked / "f").string();
    writeBytes(f, "x\nkeep");
    // A writable file there would be written in place.
    fs::permissions(f, fs::perms::owner_read);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    try {
        replaceLinesInFiles({f}, "x", "y");
        FAIL() << "the save into a read-only folder succeeded";
    } catch (const LineError& e) {
        EXPECT_STREQ(e.what(), LineError::create(f).what());
    }
    EXPECT_EQ(readBytes(f), "x\nkeep");
    EXPECT_EQ(entries(locked), 1u);
}

TEST(LineReplacer, KeepsPermissionsAndTakesLongPathsWhole) {
    TempDir dir;
    fs::path deep = dir.path();
    for (int i = 0; i < 6; ++i)
        deep /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const std::string f = (deep / "file.txt").string();
    ASSERT_GT(f.size(), 300u);
    writeBytes(f, "x\n");
    fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto report = replaceLinesInFiles({f}, "x", "y");
    EXPECT_EQ(report.rewritten, std::vector<std::string>{f});
    EXPECT_EQ(readBytes(f), "y\r\n");
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(LineReplacer, Summary) {
    EXPECT_EQ(replacementSummary(3, 1),
              " 3 個のファイルのうち、以下の 1 個のファイルに対して行単位置き換えを実行しました。");
    EXPECT_EQ(replacementSummary(12, 0),
              " 12 個のファイルのうち、以下の 0 個のファイルに対して行単位置き換えを実行しました。");
}

} // namespace
