// End-to-end runs of linnery-cli's deleting, duplicate and affix commands.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace linnery::test;

namespace {

TEST(EditCli, Commands) {
    const TempDir dir;
    const struct {
        Args args;
        std::string input, output, progress;
    } cases[] = {
        {{"--focus", "2", "delete"}, "a\nb\nc\n", "a\r\nc\r\n", ""},
        {{"--select", "1,3-4", "delete"}, "a\nb\nc\nd\ne\n", "b\r\ne\r\n", ""},
        {{"--progress", "delete-matching", "abc"},
         "abc\nABC\nabc \n",
         "ABC\r\nabc \r\n",
         "0%\n50%\n100%\n-\n"},
        {{"delete-matching", "--", "-x"}, "-x\ny\n", "y\r\n", ""},
        {{"--progress", "delete-matching", ""}, "a\n\n", "a\r\n\r\n", ""},
        {{"--progress", "delete-empty"}, "a\n\n \n", "a\r\n \r\n", "0%\n50%\n100%\n-\n"},
        {{"--progress", "--removed", dir.file("removed"), "uniq"},
         "x\nx\ny\n\n\n",
         "x\r\ny\r\n\r\n",
         "0%\n25%\n50%\n75%\n-\n"},
        {{"prefix", "a b"}, "x\n\n", "a bx\r\na b\r\n", ""},
        {{"suffix", "ab"}, "x\r\n\r\ny", "xab\r\nab\r\nyab\r\n", ""},
    };
    for (const auto& c : cases) {
        Args args = c.args;
        args.push_back(dir.file("in", c.input));
        const CliResult r = runCli(args);
        EXPECT_TRUE(r.exitCode == 0) << joined(c.args) << ": " << r.err;
        EXPECT_EQ(r.out, c.output) << joined(c.args);
        EXPECT_EQ(r.err, c.progress) << joined(c.args);
    }
    EXPECT_EQ(readBytes(dir.file("removed")), "x\r\n\r\n"); // by the save rules
}

} // namespace
