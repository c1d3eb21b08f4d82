// linnery-cli's messages as GNU tools write them: the program's name first, the path once, the reason
// last, and words the terminal can show.

#include "CliTestSupport.h"
#include "core/lines/LineError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

using namespace linnery::test;

namespace {

TEST(MessageCli, FormsInEveryLocale) {
    const TempDir dir;
    const std::string missing = dir.file("nosuchfile"), japanese = dir.file("無い.txt");
    const std::string list = dir.file("list.txt", "a,b\n"), sub = dir.file("sub.txt", "old\n");
    const std::string nul = dir.file("nul.txt", std::string("x\0y", 3));
    const std::string noFile = linnery::systemReason(ENOENT), full = linnery::systemReason(ENOSPC);
    const std::string toFull = "exec >/dev/full; exec"; // standard output on a full device
    const auto check = [](const char* label, const Args& args, const std::string& locale,
                          const std::string& shellPrefix, int exitCode, const std::string& out,
                          const std::string& err) {
        SCOPED_TRACE(label);
        const CliResult r = runCli(args, "", RunEnv{{"LC_ALL=" + locale}, 0, shellPrefix});
        EXPECT_EQ(r.exitCode, exitCode);
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, err);
    };
    check("open error", {"sort", missing}, "C.UTF-8", "", 1, "",
          "linnery-cli: ﾌｧｲﾙ " + missing + " は開けません: " + noFile + "\n");
    check("open error, ASCII", {"sort", missing}, "C", "", 1, "",
          "linnery-cli: cannot open file " + missing + ": " + noFile + "\n");
    // The path stays the bytes it was given; only the words change.
    check("open error, ASCII, path beyond it", {"cat", japanese}, "POSIX", "", 1, "",
          "linnery-cli: cannot open file " + japanese + ": " + noFile + "\n");
    check("create error, ASCII", {"-o", dir.file("no/f"), "cat", list}, "C", "", 1, "",
          "linnery-cli: cannot create file " + dir.file("no/f") + ": " + noFile + "\n");
    // Written in place (a hard link), with no folder for the safety copy: beside it the name is too
    // long, and the state folder's parent is a file.
    const std::string linked = dir.file(std::string(245, 'n'), "old\n");
    std::filesystem::create_hard_link(linked, dir.file("link"));
    check("safety copy folder error, ASCII", {"-o", linked, "cat", list}, "C",
          "export XDG_STATE_HOME='" + linked + "'; exec", 1, "",
          "linnery-cli: cannot create the copy of the old content in folder " + linked +
              "/linnery: " + linnery::systemReason(ENOTDIR) + "\n");
    check("full output", {"cat", list}, "C.UTF-8", toFull, 1, "",
          "linnery-cli: ｽﾄﾘｰﾑへの書き込みｴﾗｰ: standard output: " + full + "\n");
    check("full output, ASCII", {"cat", list}, "C", toFull, 1, "",
          "linnery-cli: write error: standard output: " + full + "\n");
    check("full output of a command that prints", {"csv-fields", list}, "C", toFull, 1, "",
          "linnery-cli: write error: standard output: " + full + "\n");
    // Help that cannot be written is no success either.
    check("full output of --help", {"--help"}, "C", toFull, 1, "",
          "linnery-cli: write error: standard output: " + full + "\n");
    check("summary, ASCII", {"replace-lines", "old", "new", sub}, "C", "", 0,
          "rewrote 1 of 1 files:\n" + sub + "\n", "");
    check("warning, ASCII", {"cat", nul}, "C", "", 0, "x\r\n",
          "linnery-cli: warning: " + nul +
              ": reading stopped at the NUL byte at offset 1; the rest is not loaded\n");
}

} // namespace
