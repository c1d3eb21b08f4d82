#include "core/text/CodePageDetection.h"

#include "core/commands/LineReplacer.h"
#include "core/parallel/ThreadPool.h"
#include "core/text/CodePageCheck.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
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
        {"cp932 with one bad line among good ones", kCp932Text + "\r\n\x82\r\n" + kCp932Text,
         TextEncoding::Unknown},
        {"EUC-JP cut short before a line feed", kEucJpText + "\xa4\r\n" + kEucJpText, TextEncoding::Unknown},
    };
    // Checked in parts cut after line feeds, on three threads: the same answers.
    const ThreadPool parts(3, true);
    for (const Case& c : cases) {
        EXPECT_EQ(judgeEncoding(c.text), c.expected) << c.label;
        EXPECT_EQ(judgeEncoding(c.text, parts), c.expected) << c.label << ", in parts";
    }
}

TEST(CodePageDetection, DocumentsBringTheirCodePageOnlyWhenNoneIsSet) {
    TempDir dir;
    const std::string sjis = dir.path() + "/sjis.txt", utf8 = dir.path() + "/utf8.txt";
    // Judged only up to the NUL: what follows is not loaded.
    writeBytes(sjis, kCp932Text + std::string("\0\xe3\x81\x82", 4));
    writeBytes(utf8, "\xe3\x81\x82\r\n");
    Editor set(TextSettings("utf-8", "ja"));
    set.loadDocument(sjis);
    EXPECT_EQ(set.doc.text().codePage().kind(), CodePage::Kind::Utf8) << "a set code page wins";
    Editor editor(TextSettings(nullptr, "ja"));
    editor.loadDocument(sjis);
    EXPECT_EQ(editor.doc.text().codePage().kind(), CodePage::Kind::Cp932);
    const TextContextPtr exported = editor.doc.sharedText();
    editor.loadDocument(utf8);
    EXPECT_EQ(editor.doc.text().codePage().kind(), CodePage::Kind::Utf8);
    EXPECT_EQ(exported->codePage().kind(), CodePage::Kind::Cp932) << "what holds the old one keeps it";
    EXPECT_EQ(editor.settings().contextForNewText()->codePage().name(), CodePage::localeCharset());
}

TEST(CodePageDetection, ReplacementTextsFollowEachFile) {
    TempDir dir;
    const std::string sjis = dir.path() + "/sjis.txt", utf8 = dir.path() + "/utf8.txt";
    writeBytes(sjis, kCp932Text + "\x82\xa0\r\nx\r\n");
    writeBytes(utf8, "\xe3\x81\x82\r\nx\r\n");
    const TextSettings judged(nullptr, "ja");
    ReplacementReport report;
    // "あ" -> "・": each file gets them in its own bytes. A text its code page cannot hold matches
    // nothing: "x" lines stay, though cp932 would write "😀" as "?".
    replaceLinesInFiles({sjis, utf8}, typedTexts("\xe3\x81\x82", "\xe3\x83\xbb"), judged, report);
    replaceLinesInFiles({sjis, utf8}, typedTexts("x", "\xf0\x9f\x98\x80"), judged, report);
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

std::string hex(std::string_view bytes) {
    std::string out;
    for (unsigned char b : bytes)
        out += "0123456789abcdef"[b >> 4] + std::string(1, "0123456789abcdef"[b & 15]) + " ";
    return out;
}

const char* const kCp932Icu = "windows-31j";

// The 32-byte pass, the byte-wise walk and ICU's own conversion give one verdict.
void expectCp932AsIcu(std::string_view text) {
    const bool icu = detail::decodesByConverter(kCp932Icu, text);
    EXPECT_EQ(detail::decodesAsCp932(text), icu) << hex(text);
    EXPECT_EQ(detail::decodesAsCp932ByteWise(text), icu) << hex(text);
}

void expectEucJpAsIcu(std::string_view text) {
    const bool icu = detail::decodesByConverter(detail::eucJpConverterName(), text);
    EXPECT_EQ(detail::decodesAsEucJp(text), icu) << hex(text);
    EXPECT_EQ(detail::decodesAsEucJpByteWise(text), icu) << hex(text);
}

std::string pad(std::size_t n) {
    return std::string(n, 'a');
}

TEST(CodePageCheck, Cp932AtBlockEdges) {
    struct Case {
        const char* label;
        std::string text;
        bool decodes;
    };
    const std::string run63(63, '\x81'); // "＝" pairs, and one lead byte left over
    const Case cases[] = {
        {"kanji lead as byte 31", pad(31) + "\x88\x9f" + pad(9), true},
        {"kana lead as byte 31", pad(31) + "\x82\xa0" + pad(9), true},
        {"lead as byte 31, no trail byte after it", pad(31) + "\x82 " + pad(9), false},
        {"hole pair in the kana row", pad(20) + "\x82\x40" + pad(20), false},
        {"hole pair in a kanji row", pad(20) + "\x88\x40" + pad(20), false},
        {"hole pair across blocks", pad(31) + "\x98\x73" + pad(9), false},
        {"a trail byte that may lead, at the next block's start", pad(31) + "\x82\x82\xa0" + pad(9), false},
        {"run of lead-capable bytes across blocks, even", pad(1) + run63 + "\x81" + pad(9), true},
        {"run across blocks, odd: the last lead takes a letter", pad(1) + run63 + "\x40" + pad(9), true},
        {"run across blocks, odd, then a byte below 0x40", pad(1) + run63 + " " + pad(9), false},
        {"lone lead at the end of one block", pad(31) + "\x82", false},
        {"lone lead after one block", pad(32) + "\x82", false},
        {"lone lead at the end of two blocks", pad(63) + "\x82", false},
        {"half-width katakana and 0x5c trails", pad(30) + "\xb1\x95\x5c\xdf" + pad(40), true},
        {"bytes that decode in no way", pad(33) + "\xa0" + pad(33), false},
        {"0x80 at a block's end", pad(31) + "\x80" + pad(40), false},
        {"0xfd after a trail", pad(40) + "\x82\xa0\xfd" + pad(40), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detail::decodesByConverter(kCp932Icu, c.text), c.decodes) << c.label;
        expectCp932AsIcu(c.text);
    }
}

TEST(CodePageCheck, EveryCp932PairAsIcuDecodesIt) {
    // As the last pair of a block, across two blocks and in the byte-wise tail.
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const std::string two{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
        for (std::size_t at : {30, 31, 40})
            expectCp932AsIcu(pad(at) + two + pad(48 - at));
    }
}

TEST(CodePageCheck, EveryEucJpCharacterAsIcuDecodesIt) {
    // Pairs as the last of a block, across two blocks and in the byte-wise tail; JIS X 0212 triples
    // (0x8f first) ending in a block and in the next one.
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const std::string two{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
        for (std::size_t at : {30, 31, 40})
            expectEucJpAsIcu(pad(at) + two + pad(48 - at));
        for (std::size_t at : {29, 30})
            expectEucJpAsIcu(pad(at) + "\x8f" + two + pad(48 - at));
    }
}

TEST(CodePageCheck, EucJpAtBlockEdges) {
    const std::string kana(40, '\xa4'); // a run of bytes that may lead: pairs, whatever the row allows
    const std::pair<std::string, bool> cases[] = {
        {pad(31) + "\xa4\xa2" + pad(9), true},                // hiragana across blocks
        {pad(31) + "\xa4" + pad(9), false},                   // lead without its trail byte
        {pad(30) + "\x8f\xb0\xa1" + pad(40), true},           // JIS X 0212 into the next block
        {pad(30) + "\x8f\xb0" + pad(40), false},              // cut JIS X 0212
        {"\x8f\xb0\xa1" + kana + "\xa1\xa1" + pad(20), true}, // pairs counted after a triple
        {pad(1) + kana + "\xa4" + pad(20), false},            // odd run: a lead takes a letter
        {pad(20) + "\x8e\xb1\x8e\xdf" + pad(20), true},       // half-width katakana
        {pad(20) + "\x8e" + pad(20), false},                  // SS2 before a letter
        {pad(20) + "\xa4\xf4\xa5\xf6" + pad(20), false},      // past the hiragana row's end
    };
    for (const auto& [text, decodes] : cases) {
        EXPECT_EQ(detail::decodesByConverter(detail::eucJpConverterName(), text), decodes) << hex(text);
        expectEucJpAsIcu(text);
    }
}

TEST(CodePageCheck, MixedTextsAsIcuDecodesThem) {
    // Bytes around the edges of the code pages' ranges, in texts of up to four blocks.
    const unsigned char pool[] = {0x0a, 0x20, 0x40, 0x5c, 0x7e, 0x7f, 0x80, 0x81, 0x82, 0x83, 0x84, 0x87,
                                  0x88, 0x8e, 0x8f, 0x98, 0x9f, 0xa0, 0xa1, 0xa4, 0xb1, 0xdf, 0xe0, 0xea,
                                  0xed, 0xf0, 0xfa, 0xfc, 0xfd, 0xfe, 0xff, 0xa3, 0xa5, 0xcf, 0xf4};
    std::mt19937 random(18);
    for (int i = 0; i < 4000; ++i) {
        std::string text(random() % 130, '\0');
        for (char& c : text)
            c = static_cast<char>(pool[random() % std::size(pool)]);
        expectCp932AsIcu(text);
        expectEucJpAsIcu(text);
    }
}

} // namespace
