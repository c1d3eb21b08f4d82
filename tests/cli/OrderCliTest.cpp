// End-to-end runs of linnery-cli's order commands.

#include "core/OrderCommands.h"
#include "core/TextFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class OrderCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/linnery-order-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const char* name : {"/in.txt", "/out", "/err"})
            std::remove((dir_ + name).c_str());
        ::rmdir(dir_.c_str());
    }

    std::string input(const std::string& bytes) {
        const std::string path = dir_ + "/in.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // args are shell words; the test controls them, so no quoting is needed.
    CliRun runCli(const std::string& args) {
        const std::string command =
            std::string(LINNERY_CLI_PATH) + " " + args + " >" + dir_ + "/out 2>" + dir_ + "/err";
        const int status = std::system(command.c_str());
        CliRun r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readAll(dir_ + "/out");
        r.err = readAll(dir_ + "/err");
        return r;
    }

    std::string dir_;
};

struct CliCase {
    const char* label;
    std::string options; // before the command
    std::string command;
    std::string input;
    std::string output;
};

TEST_F(OrderCliTest, Commands) {
    const CliCase cases[] = {
        {"sort", "", "sort", "cherry\nBanana\napple\n", "apple\r\nBanana\r\ncherry\r\n"},
        {"reverse-selection", "--select 2,4", "reverse", "a\nb\nc\nd\ne\n", "a\r\nd\r\nb\r\nc\r\ne\r\n"},
        {"length-sort", "", "length-sort", "ccc\na\nbb\n\nd\n", "\r\na\r\nd\r\nbb\r\nccc\r\n"},
        {"shuffle", "--ticks 1000", "shuffle", "L1\nL2\nL3\n", "L2\r\nL3\r\nL1\r\n"},
        {"shuffle-selection", "--ticks 1000 --select 2,4", "shuffle", "L1\nL2\nL3\nL4\nL5\n",
         "L1\r\nL2\r\nL4\r\nL3\r\nL5\r\n"},
        {"empty", "", "sort", "", ""},
    };
    for (const CliCase& c : cases) {
        SCOPED_TRACE(c.label);
        const CliRun r = runCli(c.options + " " + c.command + " " + input(c.input));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.output);
    }
}

TEST_F(OrderCliTest, ProgressOnStandardError) {
    const struct {
        std::string args;
        std::string err;
    } cases[] = {
        {"--progress reverse", "0%\n50%\n100%\n-\n"},
        {"--progress --ticks 5 shuffle", "0%\n50%\n100%\n-\n"},
        {"--progress --select 1,3 length-sort", "0%\n50%\n-\n"},
        {"--progress sort", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = runCli(c.args + " " + input("a\nbb\nc\n"));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(OrderCliTest, StateContinuesTheGenerator) {
    // --state starts where an earlier run left the generator, as a second use in the window does.
    linnery::Editor e;
    e.random.setState(870078620u);
    e.tickCount = [] { return 1000u; };
    linnery::LineList lines;
    for (const char* s : {"L1", "L2", "L3"})
        lines.add(s);
    e.doc.assign(lines);
    linnery::randomOrder(e);
    const std::string expected(linnery::joinLines(e.doc.lines()).view());

    const std::string path = input("L1\nL2\nL3\n");
    const CliRun later = runCli("--ticks 1000 --state 870078620 shuffle " + path);
    EXPECT_EQ(later.exitCode, 0);
    EXPECT_EQ(later.out, expected);
    EXPECT_NE(later.out, "L2\r\nL3\r\nL1\r\n");
}

TEST_F(OrderCliTest, Errors) {
    const CliRun missing = runCli("sort " + dir_ + "/no-such-file");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir_ + "/no-such-file"), std::string::npos);
    EXPECT_EQ(missing.out, "");

    const CliRun badSelect = runCli("--select 9 reverse " + input("a\nb\n"));
    EXPECT_EQ(badSelect.exitCode, 2);
    const CliRun extra = runCli("sort " + input("a\n") + " " + input("b\n"));
    EXPECT_EQ(extra.exitCode, 2);
}

} // namespace
