// End-to-end runs of linnery-cli's order commands.

#include "core/commands/OrderCommands.h"
#include "core/files/TextFile.h"

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace linnery::test;

namespace {

class OrderCliTest : public ::testing::Test {
  protected:
    std::string input(const std::string& bytes) { return dir_.file("in.txt", bytes); }

    TempDir dir_;
};

struct CliCase {
    const char* label;
    Args options; // before the command
    std::string command;
    std::string input;
    std::string output;
};

TEST_F(OrderCliTest, Commands) {
    const CliCase cases[] = {
        {"sort", {}, "sort", "cherry\nBanana\napple\n", "apple\r\nBanana\r\ncherry\r\n"},
        {"reverse-selection", {"--select", "2,4"}, "reverse", "a\nb\nc\nd\ne\n", "a\r\nd\r\nb\r\nc\r\ne\r\n"},
        {"length-sort", {}, "length-sort", "ccc\na\nbb\n\nd\n", "\r\na\r\nd\r\nbb\r\nccc\r\n"},
        {"shuffle", {"--ticks", "1000"}, "shuffle", "L1\nL2\nL3\n", "L2\r\nL3\r\nL1\r\n"},
        {"shuffle-selection",
         {"--ticks", "1000", "--select", "2,4"},
         "shuffle",
         "L1\nL2\nL3\nL4\nL5\n",
         "L1\r\nL2\r\nL4\r\nL3\r\nL5\r\n"},
        {"empty", {}, "sort", "", ""},
    };
    for (const CliCase& c : cases) {
        SCOPED_TRACE(c.label);
        Args args = c.options;
        args.push_back(c.command);
        args.push_back(input(c.input));
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.output);
    }
}

TEST_F(OrderCliTest, ProgressOnStandardError) {
    const struct {
        Args args;
        std::string err;
    } cases[] = {
        {{"--progress", "reverse"}, "0%\n50%\n100%\n-\n"},
        {{"--progress", "--ticks", "5", "shuffle"}, "0%\n50%\n100%\n-\n"},
        {{"--progress", "--select", "1,3", "length-sort"}, "0%\n50%\n-\n"},
        {{"--progress", "sort"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.args));
        Args args = c.args;
        args.push_back(input("a\nbb\nc\n"));
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(OrderCliTest, StateContinuesTheGenerator) {
    // --state starts where an earlier run left the generator, as a second use in the window does.
    linnery::Editor e;
    e.random.setState(870078620u);
    e.tickCount = [] { return 1000u; };
    e.doc.assign(listOf({"L1", "L2", "L3"}));
    linnery::randomOrder(e);
    const std::string expected(linnery::joinLines(e.doc.lines()).view());

    const std::string path = input("L1\nL2\nL3\n");
    const CliResult later = runCli({"--ticks", "1000", "--state", "870078620", "shuffle", path});
    EXPECT_EQ(later.exitCode, 0);
    EXPECT_EQ(later.out, expected);
    EXPECT_NE(later.out, "L2\r\nL3\r\nL1\r\n");
}

TEST_F(OrderCliTest, Errors) {
    const CliResult missing = runCli({"sort", dir_.file("no-such-file")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir_.file("no-such-file")), std::string::npos);
    EXPECT_EQ(missing.out, "");

    const CliResult badSelect = runCli({"--select", "9", "reverse", input("a\nb\n")});
    EXPECT_EQ(badSelect.exitCode, 2);
    const CliResult extra = runCli({"sort", input("a\n"), input("b\n")});
    EXPECT_EQ(extra.exitCode, 2);
}

} // namespace
