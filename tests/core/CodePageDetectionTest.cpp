#include "core/CodePageDetection.h"

#include "core/LineReplacer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace linnery;
using namespace linnery::test;

namespace {

// "あいう" and "漢字" in cp932 and EUC-JP, long enough for the detector to tell the two apart.
const std::string kCp932Text = std::string("\x82\xa0\x82\xa2\x82\xa4\x8a\xbf\x8e\x9a\r\n") +
                               "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\r\n";
const std::string kEucJpText = std::string("\xa4\xa2\xa4\xa4\xa4\xa6\xb4\xc1\xbb\xfa\r\n") +
                               "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xc6\xa5\xad\xa5\xb9\xa5\xc8\r\n";

TEST(CodePageDetection, JudgesTextsOnTheirBytes) {
    struct Case {
        const char* label;
        std::string text;
        TextEncoding expected;
    };
    const Case cases[] = {
        {"empty", "", TextEncoding::Utf8},
        {"ASCII", "abc,def\r\n", TextEncoding::Utf8},
        {"UTF-8 kana", "\xe3\x81\x82\xe3\x82\xa2\r\n", TextEncoding::Utf8},
        {"UTF-8 BOM",
         "\xef\xbb\xbf"
         "abc",
         TextEncoding::Utf8},
        {"cp932 kana and kanji, with a 0x5C second byte", kCp932Text + "\x95\x5c\r\n", TextEncoding::Cp932},
        {"cp932 half-width katakana only", "\xb1\xb2\xb3\xb4\xb5\r\n\xb6\xb7\xb8\r\n", TextEncoding::Cp932},
        {"EUC-JP", kEucJpText + kEucJpText, TextEncoding::EucJp},
        {"cp932 cut short: a lead byte with no trail byte (not EUC-JP either)", kCp932Text + "\x82",
         TextEncoding::Unknown},
        {"valid as none", "\xff\xfe\x80\x81\r\n", TextEncoding::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judgeEncoding(c.text), c.expected) << c.label;
}

TEST(CodePageDetection, DocumentsBringTheirCodePageOnlyWhenNoneIsSet) {
    TempDir dir;
    const std::string sjis = dir.path() + "/sjis.txt", utf8 = dir.path() + "/utf8.txt";
    // Judged only up to the NUL: what follows is not loaded.
    writeBytes(sjis, kCp932Text + std::string("\0\xe3\x81\x82", 4));
    writeBytes(utf8, "\xe3\x81\x82\r\n");
    Editor editor;
    {
        CodePageScope set("utf-8");
        editor.loadDocument(sjis);
        EXPECT_EQ(CodePage::current().kind(), CodePage::Kind::Utf8) << "a set code page wins";
    }
    CodePage::followDocuments();
    editor.loadDocument(sjis);
    EXPECT_EQ(CodePage::current().kind(), CodePage::Kind::Cp932);
    const std::shared_ptr<const CodePage> exported = CodePage::currentShared();
    editor.loadDocument(utf8);
    EXPECT_EQ(CodePage::current().kind(), CodePage::Kind::Utf8);
    EXPECT_EQ(exported->kind(), CodePage::Kind::Cp932) << "what holds the old one keeps it";
    EXPECT_EQ(codePageForNewText()->name(), CodePage::localeCharset());
    CodePage::setCurrent("utf-8");
}

TEST(CodePageDetection, ReplacementTextsFollowEachFile) {
    TempDir dir;
    const std::string sjis = dir.path() + "/sjis.txt", utf8 = dir.path() + "/utf8.txt";
    writeBytes(sjis, kCp932Text + "\x82\xa0\r\nx\r\n");
    writeBytes(utf8, "\xe3\x81\x82\r\nx\r\n");
    CodePage::followDocuments();
    ReplacementReport report;
    // "あ" -> "・": each file gets them in its own bytes. A text its code page cannot hold matches
    // nothing: "x" lines stay, though cp932 would write "😀" as "?".
    replaceLinesInFiles({sjis, utf8}, typedTexts("\xe3\x81\x82", "\xe3\x83\xbb"), report);
    replaceLinesInFiles({sjis, utf8}, typedTexts("x", "\xf0\x9f\x98\x80"), report);
    CodePage::setCurrent("utf-8");
    EXPECT_EQ(readBytes(sjis), kCp932Text + "\x81\x45\r\nx\r\n");
    EXPECT_EQ(readBytes(utf8), "\xe3\x83\xbb\r\n\xf0\x9f\x98\x80\r\n");
    EXPECT_EQ(report.rewritten, std::vector<std::string>{utf8});
}

TEST(CodePageDetection, ExactEncodingNamesWhatItCannotHold) {
    const CodePage cp932("cp932");
    std::string missing;
    EXPECT_EQ(cp932.fromUtf8Exactly("\xe3\x83\xbb"
                                    "a",
                                    &missing),
              std::optional<std::string>("\x81\x45"
                                         "a"));
    EXPECT_EQ(cp932.fromUtf8Exactly("a\xe2\x80\x8b\xf0\x9f\x98\x80", &missing), std::nullopt);
    EXPECT_EQ(missing, "\xe2\x80\x8b") << "the first one, a zero-width space";
    EXPECT_TRUE(cp932.decodesStrictly(kCp932Text));
    EXPECT_FALSE(cp932.decodesStrictly("\x82\xa0\x82")); // lead byte without its trail byte
}

} // namespace
