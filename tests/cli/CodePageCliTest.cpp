// Typed texts are the terminal's; lines keep the bytes of their file's own code page.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace linnery::test;

namespace {

// う, あ, い in cp932 and EUC-JP.
const std::string kSjis = "\x82\xa4\n\x82\xa0\n\x82\xa2\n";
const std::string kEuc = "\xa4\xa6\n\xa4\xa2\n\xa4\xa4\n";

TEST(CodePageCli, TypedTextsMeetEachInputInItsCodePage) {
    const RunEnv noSetting{{"LINNERY_CODEPAGE="}};
    const RunEnv cLocale{{"LINNERY_CODEPAGE=", "LC_ALL=C"}};
    const CliCase cases[] = {
        {"cp932 judged",
         {"prefix", "・"},
         kSjis,
         noSetting,
         0,
         "\x81\x45\x82\xa4\r\n\x81\x45\x82\xa0\r\n\x81\x45\x82\xa2\r\n",
         ""},
        {"cp932 sorts in syllabary order",
         {"--locale", "ja", "sort"},
         kSjis,
         noSetting,
         0,
         "\x82\xa0\r\n\x82\xa2\r\n\x82\xa4\r\n",
         ""},
        {"EUC-JP judged",
         {"suffix", "・"},
         kEuc + kEuc,
         noSetting,
         0,
         "\xa4\xa6\xa1\xa6\r\n\xa4\xa2\xa1\xa6\r\n\xa4\xa4\xa1\xa6\r\n\xa4\xa6\xa1\xa6\r\n\xa4\xa2\xa1\xa6\r"
         "\n"
         "\xa4\xa4\xa1\xa6\r\n",
         ""},
        {"UTF-8 judged",
         {"prefix", "・"},
         "a\n",
         noSetting,
         0,
         "\xe3\x83\xbb"
         "a\r\n",
         ""},
        {"valid as none: the locale's", {"prefix", "・"}, "\xff\n", noSetting, 0, "\xe3\x83\xbb\xff\r\n", ""},
        {"set code page",
         {"--codepage", "cp932", "delete-matching", "あ"},
         kSjis,
         {},
         0,
         "\x82\xa4\r\n\x82\xa2\r\n",
         ""},
        {"field texts for the terminal",
         {"csv-fields"},
         "\x82\xa0,\x95\x5c\n" + kSjis,
         noSetting,
         0,
         "あ\r\n表\r\n",
         ""},
        {"unencodable",
         {"prefix", "a😀"},
         kSjis,
         noSetting,
         2,
         "",
         "linnery-cli: prefix: \"😀\" (U+1F600) is not in the code page cp932"},
        {"no text in the terminal's charset",
         {"--codepage", "cp932", "prefix", "\x81\x45"},
         "a\n",
         {},
         2,
         "",
         "linnery-cli: \""},
        {"C locale: bytes as typed",
         {"prefix", "\x81\x45"},
         kSjis,
         cLocale,
         0,
         "\x81\x45\x82\xa4\r\n\x81\x45\x82\xa0\r\n\x81\x45\x82\xa2\r\n",
         ""},
        {"C locale: field bytes as they are",
         {"csv-fields"},
         "\x82\xa0,b\n",
         cLocale,
         0,
         "\x82\xa0\r\nb\r\n",
         ""},
    };
    expectCliCases(cases);
}

TEST(CodePageCli, ReplaceLinesEncodesTheTextsPerFile) {
    const TempDir dir;
    const std::string sjis = dir.file("s.txt", kSjis), utf8 = dir.file("u.txt", "あ\n");
    const RunEnv noSetting{{"LINNERY_CODEPAGE="}};
    CliResult r = runCli({"replace-lines", "あ", "・", sjis, utf8}, {}, noSetting);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readBytes(sjis), "\x82\xa4\r\n\x81\x45\r\n\x82\xa2\r\n");
    EXPECT_EQ(readBytes(utf8), "・\r\n");
    // A text one file's code page cannot hold leaves that file alone; with a set code page it is a
    // usage error before any file is touched.
    r = runCli({"replace-lines", "・", "😀", sjis, utf8}, {}, noSetting);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(sjis + " (cp932) left unchanged"), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(sjis), "\x82\xa4\r\n\x81\x45\r\n\x82\xa2\r\n");
    EXPECT_EQ(readBytes(utf8), "😀\r\n");
    r = runCli({"--codepage", "cp932", "replace-lines", "😀", "x", utf8});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(readBytes(utf8), "😀\r\n");
}

} // namespace
