// Shared by the fuzz targets: the code pages they try, the property check, and small models.
#pragma once

#include "core/lines/LineList.h"
#include "core/text/CodePage.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <unicode/utf8.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A property that does not hold is a finding: report it and stop, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace linnery::fuzz {

// The code pages worth trying: the one the program was made for, the usual one, another double-byte
// one through ICU, and a single-byte one.
inline const char* const kCodePages[] = {"cp932", "utf-8", "euc-jp", "windows-1252"};

// The chosen code page; each is made once, which keeps the runs fast.
inline const std::shared_ptr<const CodePage>& useCodePage(FuzzedDataProvider& data) {
    static const std::vector<std::shared_ptr<const CodePage>> made = [] {
        std::vector<std::shared_ptr<const CodePage>> pages;
        for (const char* name : kCodePages)
            pages.push_back(std::make_shared<const CodePage>(name));
        return pages;
    }();
    return made[data.ConsumeIntegralInRange<std::size_t>(0, made.size() - 1)];
}

inline std::vector<std::string> linesOf(const LineList& list) {
    return {list.views().begin(), list.views().end()};
}

// Number of code points of valid UTF-8; -1 when it is not valid.
inline long codePoints(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    long count = 0;
    for (int32_t i = 0; i < length; ++count) {
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            return -1;
    }
    return count;
}

// The text-file rules written out plainly: up to the first NUL; CR LF, CR or LF end a line; a last
// line without a line end still counts.
inline std::vector<std::string> modelLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        lines.push_back(line);
        line.clear();
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace linnery::fuzz
