// End-to-end runs of linnery-cli's deleting, duplicate and affix commands.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Result {
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

class EditCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/linnery-edit-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const char* name : {"/in.txt", "/out", "/err", "/removed.txt"})
            std::remove((dir_ + name).c_str());
        ::rmdir(dir_.c_str());
    }

    std::string input(const std::string& bytes) {
        const std::string path = dir_ + "/in.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // args are shell words chosen by the test; quoting is written into them where needed.
    Result run(const std::string& args) {
        const std::string command =
            std::string(LINNERY_CLI_PATH) + " " + args + " >" + dir_ + "/out 2>" + dir_ + "/err";
        const int status = std::system(command.c_str());
        Result r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readAll(dir_ + "/out");
        r.err = readAll(dir_ + "/err");
        return r;
    }

    std::string dir_;
};

TEST_F(EditCliTest, Commands) {
    struct Case {
        const char* label;
        std::string options;
        std::string command;
        std::string input;
        std::string output;
        std::string progress;
    } cases[] = {
        {"DeleteFocus", "--focus 2", "delete", "a\nb\nc\n", "a\r\nc\r\n", ""},
        {"DeleteFirstLineByDefault", "", "delete", "a\nb\n", "b\r\n", ""},
        {"DeleteSelection", "--select 1,3-4", "delete", "a\nb\nc\nd\ne\n", "b\r\ne\r\n", ""},
        {"DeleteOneSelectedTakesFocus", "--select 1 --focus 3", "delete", "a\nb\nc\n", "a\r\nb\r\n", ""},
        {"DeleteEmptyInput", "", "delete", "", "", ""},
        {"Matching", "--progress", "delete-matching abc", "abc\nABC\nabc \n", "ABC\r\nabc \r\n",
         "0%\n50%\n100%\n-\n"},
        {"MatchingWithSpace", "", "delete-matching 'a b'", "a b\nab\na b\n", "ab\r\n", ""},
        {"MatchingDashText", "", "delete-matching -x", "-x\ny\n", "y\r\n", ""},
        {"MatchingEmptyTextChangesNothing", "--progress", "delete-matching ''", "a\n\nb\n", "a\r\n\r\nb\r\n",
         ""},
        {"Empty", "--progress", "delete-empty", "a\n\n \n", "a\r\n \r\n", "0%\n50%\n100%\n-\n"},
        {"EmptyOneLine", "--progress", "delete-empty", "\n", "", ""},
        {"Uniq", "--progress", "uniq", "x\nx\ny\ny\ny\nx\n", "x\r\ny\r\nx\r\n",
         "0%\n20%\n40%\n60%\n80%\n-\n"},
        {"UniqTwoLines", "--progress", "uniq", "a\na\n", "a\r\n", "0%\n-\n"},
        {"Prefix", "--progress", "prefix ab", "x\n\ny\n", "abx\r\nab\r\naby\r\n", "0%\n50%\n100%\n-\n"},
        {"Suffix", "", "suffix ab", "x\r\n\r\ny", "xab\r\nab\r\nyab\r\n", ""},
        {"SuffixSpace", "", "suffix ' '", "a\n", "a \r\n", ""},
    };
    for (const Case& c : cases) {
        const Result r = run(c.options + " " + c.command + " " + input(c.input));
        EXPECT_EQ(r.exitCode, 0) << c.label << ": " << r.err;
        EXPECT_EQ(r.out, c.output) << c.label;
        EXPECT_EQ(r.err, c.progress) << c.label;
    }
}

TEST_F(EditCliTest, UniqWritesRemovedLines) {
    const std::string removed = dir_ + "/removed.txt";
    Result r = run("--removed " + removed + " uniq " + input("a\na\na\n\n\nb\n"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "a\r\n\r\nb\r\n");
    EXPECT_EQ(readAll(removed), "a\r\na\r\n\r\n");

    // Nothing removed: the file is rewritten empty, keeping its permissions.
    ASSERT_EQ(::chmod(removed.c_str(), 0600), 0);
    r = run("--removed " + removed + " uniq " + input("a\nb\n"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(removed), "");
    struct stat st {};
    ASSERT_EQ(::stat(removed.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(EditCliTest, Errors) {
    // A removed-lines file that cannot be created is the create error, exit 1.
    Result r = run("--removed " + dir_ + "/missing/removed.txt uniq " + input("a\na\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("removed.txt"), std::string::npos) << r.err;
    // A missing TEXT is a usage error.
    r = run("prefix");
    EXPECT_EQ(r.exitCode, 2);
    r = run("--focus 4 delete " + input("a\nb\n"));
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(EditCliTest, Cp932BytesAsGiven) {
    // ソ is 0x83 0x5C in cp932: the text is matched and added as the bytes typed.
    const std::string so = "\x83\x5c";
    const Result r = run("--codepage cp932 delete-matching \"$(printf '\\203\\134')\" " +
                         input(so + "\n" + so + "\\\n\\\n"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, so + "\\\r\n\\\r\n");
}

} // namespace
