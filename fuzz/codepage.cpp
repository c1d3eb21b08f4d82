// The code-page stepper, decoder and encoder.

#include "FuzzSupport.h"

#include "core/text/CharacterTable.h"
#include "core/text/CodePageCheck.h"
#include "core/text/CodePageDetection.h"
#include "core/text/Decoder.h"

#include <unicode/ucnv.h>

#include <memory>

using namespace linnery;
using namespace linnery::fuzz;

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// The character table reads the text as ICU's converters do: every character as many bytes as the
// converter takes for it, and the same code points up to the first bytes that do not decode.
void checkTable(const CodePage& cp, const CharacterTable& table, const std::string& text) {
    const ConverterPtr lenient(openDecoder(cp));
    UErrorCode err = U_ZERO_ERROR;
    const ConverterPtr strict(detail::openStrictConverter(ucnv_getName(lenient.get(), &err)));
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = begin + text.size();
    std::u16string fromTable;
    const unsigned char* p = begin;
    bool decoding = true;
    while (p < end) {
        const CharacterTable::Step step = table.next(p, end);
        const char* source = reinterpret_cast<const char*>(p);
        err = U_ZERO_ERROR;
        ucnv_resetToUnicode(lenient.get());
        ucnv_getNextUChar(lenient.get(), &source, text.data() + text.size(), &err);
        const auto taken =
            std::max<std::size_t>(1, static_cast<std::size_t>(source - reinterpret_cast<const char*>(p)));
        FUZZ_CHECK(std::min<std::size_t>(step.length, static_cast<std::size_t>(end - p)) == taken);
        decoding = decoding && step.codePoint >= 0;
        if (decoding) {
            if (step.codePoint > 0xFFFF) {
                fromTable += static_cast<char16_t>(0xD7C0 + (step.codePoint >> 10));
                fromTable += static_cast<char16_t>(0xDC00 | (step.codePoint & 0x3FF));
            } else {
                fromTable += static_cast<char16_t>(step.codePoint);
            }
        }
        p += taken;
    }
    std::u16string byIcu(text.size() + 1, u'\0');
    UChar* target = byIcu.data();
    const char* source = text.data();
    err = U_ZERO_ERROR;
    ucnv_toUnicode(strict.get(), &target, byIcu.data() + byIcu.size(), &source, text.data() + text.size(),
                   nullptr, true, &err);
    byIcu.resize(static_cast<std::size_t>(target - byIcu.data()));
    FUZZ_CHECK(fromTable == byIcu);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const CodePage& cp = *useCodePage(data);
    const std::string text = data.ConsumeRemainingBytesAsString();

    // Stepping covers the text in whole characters and ends exactly at its end.
    std::size_t pos = 0, last = 0;
    while (pos < text.size()) {
        const std::size_t n = cp.charLength(text, pos);
        FUZZ_CHECK(n >= 1 && n <= text.size() - pos);
        if (cp.kind() == CodePage::Kind::Cp932) {
            // A lead byte pairs exactly with a byte that can follow it.
            const auto b = static_cast<unsigned char>(text[pos]);
            const bool trail = pos + 1 < text.size() && ((text[pos + 1] >= 0x40 && text[pos + 1] <= 0x7E) ||
                                                         (static_cast<unsigned char>(text[pos + 1]) >= 0x80 &&
                                                          static_cast<unsigned char>(text[pos + 1]) <= 0xFC));
            FUZZ_CHECK(n == (cp.isLeadByte(b) && trail ? 2u : 1u));
        }
        last = pos;
        pos += n;
    }
    if (!text.empty())
        FUZZ_CHECK(cp.lastCharStart(text) == last);
    if (const CharacterTable* table = cp.characterTable().get())
        checkTable(cp, *table, text);

    // Decoding always gives valid UTF-8, and one more round through the code page keeps it.
    const std::string decoded = cp.toUtf8(text);
    const long decodedPoints = codePoints(decoded);
    FUZZ_CHECK(decodedPoints >= 0);
    const std::string again = cp.toUtf8(cp.fromUtf8(decoded));
    FUZZ_CHECK(codePoints(again) == decodedPoints);
    FUZZ_CHECK(cp.toUtf8(cp.fromUtf8(again)) == again);

    // Encoding typed text writes one character for every character, its own or the substitute: none
    // is dropped, so a typed search text never matches a line it is not.
    if (const long typedPoints = codePoints(text); typedPoints >= 0)
        FUZZ_CHECK(codePoints(cp.toUtf8(cp.fromUtf8(text))) == typedPoints);

    // Judging a text never throws; valid UTF-8 is always UTF-8, and a Japanese code page it is judged
    // in decodes all of it.
    const TextEncoding judged = judgeEncoding(text);
    FUZZ_CHECK((codePoints(text) >= 0) == (judged == TextEncoding::Utf8));
    if (judged == TextEncoding::Cp932 || judged == TextEncoding::EucJp)
        FUZZ_CHECK(CodePage(codePageName(judged)).decodesStrictly(text));

    // The table-driven checks answer as ICU's own conversion does, both ways of each alike.
    const bool cp932 = detail::decodesByConverter("windows-31j", text);
    FUZZ_CHECK(detail::decodesAsCp932(text) == cp932);
    FUZZ_CHECK(detail::decodesAsCp932ByteWise(text) == cp932);
    const bool eucJp = detail::decodesByConverter(detail::eucJpConverterName(), text);
    FUZZ_CHECK(detail::decodesAsEucJp(text) == eucJp);
    FUZZ_CHECK(detail::decodesAsEucJpByteWise(text) == eucJp);
    return 0;
}
