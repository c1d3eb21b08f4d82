// End-to-end runs of linnery-cli's deleting, duplicate and affix commands.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(EditCli, Commands) {
    char pattern[] = "/tmp/linnery-edit-cli-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const struct {
        std::string args, input, output, progress;
    } cases[] = {
        {"--focus 2 delete", "a\nb\nc\n", "a\r\nc\r\n", ""},
        {"--select 1,3-4 delete", "a\nb\nc\nd\ne\n", "b\r\ne\r\n", ""},
        {"--progress delete-matching abc", "abc\nABC\nabc \n", "ABC\r\nabc \r\n", "0%\n50%\n100%\n-\n"},
        {"delete-matching -x", "-x\ny\n", "y\r\n", ""},
        {"--progress delete-matching ''", "a\n\n", "a\r\n\r\n", ""},
        {"--progress delete-empty", "a\n\n \n", "a\r\n \r\n", "0%\n50%\n100%\n-\n"},
        {"--progress --removed " + dir + "/removed uniq", "x\nx\ny\n\n\n", "x\r\ny\r\n\r\n",
         "0%\n25%\n50%\n75%\n-\n"},
        {"prefix 'a b'", "x\n\n", "a bx\r\na b\r\n", ""},
        {"suffix ab", "x\r\n\r\ny", "xab\r\nab\r\nyab\r\n", ""},
    };
    for (const auto& c : cases) {
        std::ofstream(dir + "/in", std::ios::binary) << c.input;
        const std::string command = std::string(LINNERY_CLI_PATH) + " " + c.args + " " + dir + "/in >" + dir +
                                    "/out 2>" + dir + "/err";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.args << ": " << readAll(dir + "/err");
        EXPECT_EQ(readAll(dir + "/out"), c.output) << c.args;
        EXPECT_EQ(readAll(dir + "/err"), c.progress) << c.args;
    }
    EXPECT_EQ(readAll(dir + "/removed"), "x\r\n\r\n"); // by the save rules
    for (const char* name : {"/in", "/out", "/err", "/removed"})
        ::unlink((dir + name).c_str());
    ::rmdir(dir.c_str());
}

} // namespace
