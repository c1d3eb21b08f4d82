// linnery-cli against bad settings, hostile input and odd command lines: clear errors, never an abort.

#include "CliTestSupport.h"
#include "core/lines/LineError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

using namespace linnery::test;

namespace {

const std::string kUsageError = "linnery-cli: ";
const std::string kInsertError = "linnery-cli: 行を挿入できません\n";

TEST(HostileCli, ClearErrorsAndSoundResults) {
    const TempDir dir;
    const std::string missing = dir.file("無い.txt");
    const CliCase cases[] = {
        {"code page variable",
         {"sort"},
         "b\n",
         {{"LINNERY_CODEPAGE=nosuch"}},
         2,
         "",
         "linnery-cli: unknown code page \"nosuch\" in LINNERY_CODEPAGE;"},
        {"code page option",
         {"--codepage", "nosuch", "sort"},
         "b\n",
         {},
         2,
         "",
         "linnery-cli: unknown code page \"nosuch\" in --codepage;"},
        {"locale variable",
         {"sort"},
         "b\n",
         {{"LINNERY_LOCALE=!!!"}},
         2,
         "",
         "linnery-cli: unknown locale \"!!!\" in LINNERY_LOCALE;"},
        {"over-long locale",
         {"sort"},
         "b\n",
         {{"LINNERY_LOCALE=" + std::string(300, 'x')}},
         2,
         "",
         "linnery-cli: unknown locale"},
        {"locale option after the command",
         {"sort", "--locale", "nosuch"},
         "b\n",
         {},
         2,
         "",
         "linnery-cli: unknown locale \"nosuch\" in --locale;"},
        {"empty variables are unset",
         {"sort"},
         "b\na\n",
         {{"LINNERY_CODEPAGE=", "LINNERY_LOCALE="}},
         0,
         "a\r\nb\r\n",
         ""},
        {"root order by name", {"--locale", "C", "sort"}, "b\nA\n", {}, 0, "A\r\nb\r\n", ""},
        {"no threads",
         {"--threads", "0", "sort"},
         "b\n",
         {},
         2,
         "",
         "linnery-cli: bad thread count \"0\" in --threads;"},
        {"one thread from the variable", {"sort"}, "b\na\n", {{"LINNERY_THREADS=1"}}, 0, "a\r\nb\r\n", ""},
        {"a country variant", {"--locale=ja_JP", "sort"}, "b\na\n", {}, 0, "a\r\nb\r\n", ""},
        {"line break in TEXT", {"prefix", "a\nb"}, "x\n", {}, 2, "", kUsageError},
        {"carriage return in SEARCH", {"delete-matching", "x\ry"}, "x\n", {}, 2, "", kUsageError},
        // The lone lead byte 83 must not take the comma the join writes behind it.
        {"cp932 lone lead byte",
         {"csv-sort", "2"},
         "a,b,c\n\x83\nz\n",
         {{"LINNERY_CODEPAGE=cp932"}},
         0,
         "\x83,,\r\nz,,\r\na,b,c\r\n",
         ""},
        {"select one line, delete it", {"--select", "3", "delete"}, "a\nb\nc\n", {}, 0, "a\r\nb\r\n", ""},
        {"focus wins over selection",
         {"--select", "3", "--focus", "1", "delete"},
         "a\nb\nc\n",
         {},
         0,
         "b\r\nc\r\n",
         ""},
        {"overlapping ranges merged",
         {"--select", "2-3,1-2,2", "reverse"},
         "a\nb\nc\nd\n",
         {},
         0,
         "c\r\nb\r\na\r\nd\r\n",
         ""},
        {"empty output name", {"sort", "-o", ""}, "a\n", {}, 2, "", "linnery-cli: -o needs a file name"},
        {"empty removed name", {"--removed", "", "uniq"}, "a\n", {}, 2, "", "linnery-cli: --removed needs"},
        {"-- after the command", {"prefix", "--", "-x"}, "a\n", {}, 0, "-xa\r\n", ""},
        {"TEXT looking like an option", {"prefix", "-x"}, "a\n", {}, 2, "", "linnery-cli: unknown option -x"},
        // Messages are in the terminal's encoding (UTF-8 here), the path as it was given.
        {"message whatever the code page",
         {"cat", missing},
         "",
         {{"LINNERY_CODEPAGE=cp932"}},
         1,
         "",
         "linnery-cli: ﾌｧｲﾙ " + missing + " は開けません: " + linnery::systemReason(ENOENT) + "\n"},
    };
    expectCliCases(cases);
}

// Loading 6 million lines needs about 200 MB here, sorting them three times that: under a 400 MB limit
// the sort runs out of memory and must end as the insert error, not an abort, with nothing written.
TEST(HostileCli, OutOfMemoryIsTheInsertError) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit allows";
#endif
    const TempDir dir;
    const std::string big = dir.file("big.txt", [] {
        std::string text;
        for (int i = 0; i < 8'000'000; ++i) // sorting takes about five times the memory of loading
            text += "a\n";
        return text;
    }());
    const RunEnv limit{{}, 400'000};
    const CliResult cat = runCli({"cat", big, "-o", dir.file("copy.txt")}, {}, limit);
    ASSERT_EQ(cat.exitCode, 0) << "the limit leaves too little to load the file: " << cat.err;
    const CliResult sort = runCli({"sort", big}, {}, limit);
    EXPECT_EQ(sort.exitCode, 1);
    EXPECT_EQ(sort.err, kInsertError);
    EXPECT_EQ(sort.out, "");
}

TEST(HostileCli, HelpVersionAndOptionsAnywhere) {
    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    // One row per command and option, each with what it does and an example, in 80 columns: a long row
    // goes on over lines indented to the help column.
    std::vector<std::string> lines;
    std::istringstream text(help.out);
    for (std::string line; std::getline(text, line);) {
        EXPECT_LE(line.size(), 80u) << line;
        lines.push_back(line);
    }
    for (const std::string item : {"cat ",
                                   "csv-fields ",
                                   "csv-sort ",
                                   "delete ",
                                   "delete-empty ",
                                   "delete-matching ",
                                   "length-sort ",
                                   "prefix ",
                                   "replace-lines ",
                                   "reverse ",
                                   "shuffle ",
                                   "sort ",
                                   "suffix ",
                                   "uniq ",
                                   "    --select ",
                                   "    --focus ",
                                   "-o, --output ",
                                   "    --removed ",
                                   "    --codepage ",
                                   "    --locale ",
                                   "    --ticks ",
                                   "    --state ",
                                   "    --progress ",
                                   "-h, --help ",
                                   "    --version "}) {
        int found = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("  " + item, 0) != 0)
                continue;
            ++found;
            std::string row = lines[i];
            while (i + 1 < lines.size() && lines[i + 1].rfind(std::string(24, ' '), 0) == 0)
                row += lines[++i];
            EXPECT_NE(row.find(" e.g. "), std::string::npos) << row;
        }
        EXPECT_EQ(found, 1) << item;
    }
    const CliResult version = runCli({"sort", "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.substr(0, version.out.find('\n')), "linnery-cli 1.5");
    EXPECT_NE(version.out.find("\nCopyright (C) 2026 Linnery developers\nLicense MIT"), std::string::npos);

    const TempDir dir;
    const std::string in = dir.file("in.txt", "b\na\n");
    const CliResult after = runCli({"sort", in, "-o", in, "--progress"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(readBytes(in), "a\r\nb\r\n");
}

} // namespace
