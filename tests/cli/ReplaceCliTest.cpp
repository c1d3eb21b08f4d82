#include "core/CodePage.h"
#include "core/LineReplacer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
    int exitCode = -1;
    std::string out, err;
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ReplaceCli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "linnery-replace-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string file(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    Result run(const std::vector<std::string>& args) {
        std::string command = quoted(LINNERY_CLI_PATH);
        for (const std::string& a : args)
            command += " " + quoted(a);
        const fs::path err = dir_ / "stderr";
        command += " 2>" + quoted(err.string());
        Result r;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
            r.out.append(buf, n);
        const int status = ::pclose(pipe);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = readAll(err);
        fs::remove(err);
        return r;
    }

    fs::path dir_;
};

TEST_F(ReplaceCli, PrintsSummaryAndRewrittenPaths) {
    const std::string a = file("a.txt", "keep\n");
    const std::string b = file("b.txt", "old\nkeep");
    const Result r = run({"replace-lines", "old", "new", a, b});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, linnery::replacementSummary(2, 1) + "\n" + b + "\n");
    EXPECT_EQ(readAll(a), "keep\n");
    EXPECT_EQ(readAll(b), "new\r\nkeep\r\n");
}

TEST_F(ReplaceCli, SummaryInTheCodePage) {
    const std::string a = file("a.txt", "\x82\xa0\n"); // "あ" in Shift-JIS
    const Result r = run({"--codepage", "cp932", "replace-lines", "\x82\xa0", "", a});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    linnery::CodePage cp932("cp932");
    EXPECT_EQ(r.out, cp932.fromUtf8(linnery::replacementSummary(1, 1)) + "\n" + a + "\n");
    EXPECT_EQ(readAll(a), "\r\n");
}

TEST_F(ReplaceCli, UnopenableItemStopsWithTheOpenError) {
    const std::string a = file("a.txt", "x\n");
    const std::string folder = (dir_ / "sub").string();
    fs::create_directory(folder);
    const std::string c = file("c.txt", "x\n");
    const Result r = run({"replace-lines", "x", "y", a, folder, c});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ﾌｧｲﾙ " + folder + " は開けません.\n");
    EXPECT_EQ(readAll(a), "y\r\n");
    EXPECT_EQ(readAll(c), "x\n");
}

} // namespace
