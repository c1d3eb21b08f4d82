// End-to-end runs of linnery-cli's csv-fields and csv-sort.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
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

class CsvCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/linnery-csv-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const char* name : {"/in.txt", "/out", "/err"})
            std::remove((dir_ + name).c_str());
        ::rmdir(dir_.c_str());
    }

    // Runs the command on a file holding `bytes`; args are shell words the test controls.
    Outcome run(const std::string& args, const std::string& bytes) {
        const std::string in = dir_ + "/in.txt";
        std::ofstream(in, std::ios::binary) << bytes;
        const std::string command =
            std::string(LINNERY_CLI_PATH) + " " + args + " " + in + " >" + dir_ + "/out 2>" + dir_ + "/err";
        const int status = std::system(command.c_str());
        Outcome r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readAll(dir_ + "/out");
        r.err = readAll(dir_ + "/err");
        return r;
    }

    std::string dir_;
};

TEST_F(CsvCliTest, FieldsOfTheFirstLine) {
    const Outcome r = run("csv-fields", "name, \"a b\" ,x\nbob,25\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "name\r\na b\r\nx\r\n");
    EXPECT_EQ(run("csv-fields", ",\n").out, "\r\n");
}

TEST_F(CsvCliTest, SortByField) {
    const Outcome r = run("--progress csv-sort 1", "k b\nx,a\n\"m\",c\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "x,a\r\nk,b\r\nm,c\r\n");
    EXPECT_EQ(r.err, "0%\n25%\n50%\n75%\n100%\n-\n");
}

TEST_F(CsvCliTest, Errors) {
    struct Case {
        std::string args, input;
        int exitCode;
        std::string errStart;
    };
    for (const Case& c : {
             Case{"csv-fields", "", 1, "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)\n"},
             Case{"csv-sort 0", "", 1, "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)\n"},
             Case{"csv-sort 2", "a,b\nc\n", 2, "linnery-cli: "}, // no third field in line 1
             Case{"csv-sort x", "a,b\n", 2, "linnery-cli: "},
         }) {
        const Outcome r = run(c.args, c.input);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
}

} // namespace
