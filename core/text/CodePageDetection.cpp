#include "core/text/CodePageDetection.h"

#include "core/parallel/LineFeedParts.h"
#include "core/parallel/ThreadPool.h"
#include "core/text/CodePage.h"

#include <uchardet.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

namespace linnery {

namespace {

// The detector sees at most this much of the text, starting a little before its first non-ASCII
// byte: its guess only orders the candidates, so a bounded window keeps a huge file cheap.
constexpr std::size_t kGuessWindow = 256 * 1024;
constexpr std::size_t kGuessLeadIn = 1024;

struct DetectorDeleter {
    void operator()(uchardet_t d) const { uchardet_delete(d); }
};

bool guessesEucJp(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && static_cast<unsigned char>(text[first]) < 0x80)
        ++first;
    const std::size_t start = first > kGuessLeadIn ? first - kGuessLeadIn : 0;
    const std::string_view window = text.substr(start, kGuessWindow);
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, DetectorDeleter> detector(uchardet_new());
    if (!detector || uchardet_handle_data(detector.get(), window.data(), window.size()) != 0)
        return false;
    uchardet_data_end(detector.get());
    const char* guess = uchardet_get_charset(detector.get());
    return guess && std::strcmp(guess, "EUC-JP") == 0;
}

// From this size on a check is shared out, in parts of at least kGrain bytes cut after line feeds.
constexpr std::size_t kParallelBytes = 4 << 20;
constexpr std::size_t kGrain = 1 << 20;

// Whether every part of the text passes `check`; once one fails, the parts not yet begun are skipped.
template <class Check> bool everyPart(std::string_view text, const ThreadPool& pool, Check check) {
    if (!pool.shares(text.size(), kParallelBytes))
        return check(text);
    const auto cut = lineFeedParts(text, pool.grain(kGrain));
    std::atomic<bool> failed{false};
    pool.run(cut.size(), [&](std::size_t part, std::size_t) {
        if (!failed.load(std::memory_order_relaxed) &&
            !check(text.substr(cut[part].first, cut[part].second - cut[part].first)))
            failed.store(true, std::memory_order_relaxed);
    });
    return !failed.load();
}

} // namespace

TextEncoding judgeEncoding(std::string_view text) {
    return judgeEncoding(text, ThreadPool::single());
}

TextEncoding judgeEncoding(std::string_view text, const ThreadPool& pool) {
    if (everyPart(text, pool, [](std::string_view part) { return CodePage::isValidUtf8(part); }))
        return TextEncoding::Utf8;
    // Text in one of the two seldom decodes in the other, and fails its check early; the detector, far
    // slower per byte, is asked only when both decode.
    const CodePage sjis(codePageName(TextEncoding::Cp932)), euc(codePageName(TextEncoding::EucJp));
    const bool cp932 =
        everyPart(text, pool, [&](std::string_view part) { return sjis.decodesStrictly(part); });
    const bool eucJp =
        everyPart(text, pool, [&](std::string_view part) { return euc.decodesStrictly(part); });
    if (cp932 && eucJp)
        return guessesEucJp(text) ? TextEncoding::EucJp : TextEncoding::Cp932;
    return cp932 ? TextEncoding::Cp932 : eucJp ? TextEncoding::EucJp : TextEncoding::Unknown;
}

const char* codePageName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Cp932:
        return "cp932";
    case TextEncoding::EucJp:
        return "EUC-JP";
    case TextEncoding::Unknown:
        break;
    }
    return nullptr;
}

} // namespace linnery
