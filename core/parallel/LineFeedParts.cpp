#include "core/parallel/LineFeedParts.h"

#include "core/parallel/ThreadPool.h"

#include <algorithm>
#include <cstring>

namespace linnery {

std::vector<std::pair<std::size_t, std::size_t>> lineFeedParts(std::string_view text, std::size_t grain) {
    std::vector<std::pair<std::size_t, std::size_t>> cut;
    std::size_t from = 0;
    for (const auto& range : ThreadPool::ranges(text.size(), grain)) {
        if (from >= text.size())
            break;
        const std::size_t at = std::max(from, range.second - 1); // the part ends after the next LF
        const void* lf = std::memchr(text.data() + at, '\n', text.size() - at);
        const std::size_t to =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) + 1 : text.size();
        cut.emplace_back(from, to);
        from = to;
    }
    return cut;
}

} // namespace linnery
