#include "core/commands/LineReplacer.h"

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

using namespace linnery::test;

namespace {

class ReplaceCli : public ::testing::Test {
  protected:
    std::string file(const std::string& name, const std::string& bytes) { return dir_.file(name, bytes); }

    TempDir dir_;
};

TEST_F(ReplaceCli, PrintsSummaryAndRewrittenPaths) {
    const std::string a = file("a.txt", "keep\n");
    const std::string b = file("b.txt", "old\nkeep");
    const CliResult r = runCli({"replace-lines", "old", "new", a, b});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The window's summary, without its leading blank.
    EXPECT_EQ(r.out, "2 個のファイルのうち、以下の 1 個のファイルに対して行単位置き換えを実行しました。\n" +
                         b + "\n");
    EXPECT_EQ(readBytes(a), "keep\n");
    EXPECT_EQ(readBytes(b), "new\r\nkeep\r\n");
}

TEST_F(ReplaceCli, SummaryInTheTerminalsEncodingWhateverTheCodePage) {
    const std::string a = file("a.txt", "\x82\xa0\n"); // "あ" in Shift-JIS
    const CliResult r = runCli({"--codepage", "cp932", "replace-lines", "あ", "", a});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, linnery::replacementSummary(1, 1).substr(1) + "\n" + a + "\n"); // the tests run in UTF-8
    EXPECT_EQ(readBytes(a), "\r\n");
}

TEST_F(ReplaceCli, UnopenableItemStopsWithTheOpenErrorAfterNamingTheRewrittenFiles) {
    const std::string a = file("a.txt", "x\n");
    const std::string nul = file("nul.txt", std::string("x\n\0", 3));
    const std::string folder = dir_.file("sub");
    fs::create_directory(folder);
    const std::string c = file("c.txt", "x\n");
    const CliResult r = runCli({"replace-lines", "x", "y", a, nul, folder, c});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "linnery-cli: warning: " + nul + " holds a NUL byte; left unchanged\n" +
                         "linnery-cli: rewritten before the error:\n" + a + "\n" + "linnery-cli: ﾌｧｲﾙ " +
                         folder + " は開けません: " + std::strerror(EISDIR) + "\n");
    EXPECT_EQ(readBytes(a), "y\r\n");
    EXPECT_EQ(readBytes(c), "x\n");
}

} // namespace
