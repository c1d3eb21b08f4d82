// End-to-end runs of linnery-cli's csv-fields and csv-sort.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace linnery::test;

namespace {

class CsvCliTest : public ::testing::Test {
  protected:
    // Runs the command on a file holding `bytes`.
    CliResult run(Args args, const std::string& bytes) {
        args.push_back(dir_.file("in.txt", bytes));
        return runCli(args);
    }

    TempDir dir_;
};

TEST_F(CsvCliTest, FieldsOfTheFirstLine) {
    const CliResult r = run({"csv-fields"}, "name, \"a b\" ,x\nbob,25\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "name\r\na b\r\nx\r\n");
    EXPECT_EQ(run({"csv-fields"}, ",\n").out, "\r\n");
}

TEST_F(CsvCliTest, SortByField) {
    const CliResult r = run({"--progress", "csv-sort", "1"}, "k b\nx,a\n\"m\",c\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "x,a\r\nk,b\r\nm,c\r\n");
    EXPECT_EQ(r.err, "0%\n25%\n50%\n75%\n100%\n-\n");
}

TEST_F(CsvCliTest, Errors) {
    struct Case {
        Args args;
        std::string input;
        int exitCode;
        std::string errStart;
    };
    for (const Case& c : {
             Case{{"csv-fields"}, "", 1, "linnery-cli: ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)\n"},
             Case{{"csv-sort", "0"}, "", 1, "linnery-cli: ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)\n"},
             Case{{"csv-sort", "2"}, "a,b\nc\n", 2, "linnery-cli: "}, // no third field in line 1
             Case{{"csv-sort", "x"}, "a,b\n", 2, "linnery-cli: "},
         }) {
        const CliResult r = run(c.args, c.input);
        EXPECT_EQ(r.exitCode, c.exitCode) << joined(c.args);
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << joined(c.args) << ": " << r.err;
        EXPECT_EQ(r.out, "") << joined(c.args);
    }
}

} // namespace
