#include "core/commands/OrderCommands.h"

#include "core/collation/CollationOrder.h"
#include "core/lines/SelectionScope.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace linnery {

namespace {

using Views = LineViews;
// Called with the index of each line as an order places it.
using Step = std::function<void(std::size_t)>;

// How the whole document takes its new order: the collation sort keeps the scroll position; the other
// orders replace the document's lines, which scrolls back to the top.
enum class WholeDocument { KeepsTop, BackToTop };

// The common frame of the four orders once the undo copy is taken: the scope's lines in, the new order
// out, the block put back or the document replaced. `stepped` orders show one progress step per line
// placed, as they place it.
template <class Arrange>
void arrangeScope(Editor& editor, WholeDocument whole, bool stepped, Arrange arrange) {
    // The denominator is the line count of the whole document, even in the selection scope; every stepped
    // order runs with at least 2 lines, so it is at least 1.
    Progress::Stepper stepper(editor.progress, std::max(1, editor.doc.count() - 1));
    const Step step = [&](std::size_t i) {
        if (stepped)
            stepper.step(static_cast<std::int64_t>(i));
    };
    if (usesSelectionScope(editor.doc)) {
        GatheredLines gathered = gatherSelection(editor.doc);
        LineList block;
        block.assignViews(arrange(gathered.lines.views(), step), gathered.lines);
        reinsertBlock(editor.doc, gathered.anchor, block);
    } else {
        LineList result;
        result.assignViews(arrange(editor.doc.lines().views(), step), editor.doc.lines());
        if (whole == WholeDocument::KeepsTop)
            editor.doc.reorder(std::move(result));
        else
            editor.doc.assign(std::move(result));
    }
    if (stepped)
        editor.progress.end();
}

Views reversed(const Views& lines, const Step& step) {
    Views out;
    out.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.push_back(lines, lines.size() - 1 - i);
        step(i);
    }
    return out;
}

// Placing each line in front of the first strictly longer one is a stable sort by length. Lengths are
// usually small next to the line count, so a counting sort does it in linear time: on several threads,
// each part counts its lines' lengths and places them behind those of the same length in earlier parts.
Views byLength(const Views& lines, const Step& step, const ThreadPool& pool) {
    constexpr std::size_t kParallelLines = 50'000, kGrain = 8'192;
    const std::size_t n = lines.size();
    auto cut = ThreadPool::ranges(n, pool.shares(n, kParallelLines) ? pool.grain(kGrain) : n);
    std::vector<std::size_t> longestIn(cut.size(), 0);
    pool.run(cut.size(), [&](std::size_t part, std::size_t) {
        for (std::size_t i = cut[part].first; i < cut[part].second; ++i)
            longestIn[part] = std::max(longestIn[part], lines[i].size());
    });
    const std::size_t longest = cut.empty() ? 0 : *std::max_element(longestIn.begin(), longestIn.end());
    if (longest > 4 * n + 4096) {
        std::vector<std::size_t> order(n);
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return lines[a].size() < lines[b].size(); });
        Views sorted;
        sorted.reserve(n);
        for (std::size_t i = 0; i < order.size(); ++i) {
            sorted.push_back(lines, order[i]);
            step(i);
        }
        return sorted;
    }
    // A table of counts per part stays small: beyond that, one part.
    constexpr std::size_t kMostCounts = std::size_t{1} << 20;
    if (cut.size() * (longest + 1) > kMostCounts)
        cut = ThreadPool::ranges(n, n);
    // start[part][len]: where the part's next line of that length goes.
    std::vector<std::vector<std::size_t>> start(cut.size(), std::vector<std::size_t>(longest + 1, 0));
    pool.run(cut.size(), [&](std::size_t part, std::size_t) {
        for (std::size_t i = cut[part].first; i < cut[part].second; ++i)
            ++start[part][lines[i].size()];
    });
    std::size_t at = 0;
    for (std::size_t len = 0; len <= longest; ++len)
        for (std::vector<std::size_t>& counts : start)
            at += std::exchange(counts[len], at);
    Views sorted(n);
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> tooLong(cut.size()); // position, line
    runStepped(pool, cut, step, [&](std::size_t part) {
        for (std::size_t i = cut[part].first; i < cut[part].second; ++i) {
            const std::size_t to = start[part][lines[i].size()]++;
            if (!sorted.trySet(to, lines[i]))
                tooLong[part].emplace_back(to, i);
        }
    });
    for (const auto& part : tooLong)
        for (const auto& [to, i] : part)
            sorted.set(to, lines[i]);
    return sorted;
}

// The lines not yet drawn, as an order-statistics structure over their original positions: finding and
// removing the k-th remaining line costs O(log n) instead of shifting the rest of a list. One bit per
// line in 64-line blocks, and a Fenwick tree of the blocks' counts, keep the hot data in the cache.
class RemainingLines {
  public:
    explicit RemainingLines(std::size_t n)
        : masks_((n + 63) / 64, ~std::uint64_t{0}), tree_(masks_.size() + 1, 0) {
        if (n % 64 != 0)
            masks_.back() = (std::uint64_t{1} << (n % 64)) - 1;
        const std::size_t blocks = masks_.size();
        for (std::size_t b = 1; b <= blocks; ++b) {
            tree_[b] += static_cast<std::uint32_t>(std::popcount(masks_[b - 1]));
            const std::size_t parent = b + (b & (~b + 1));
            if (parent <= blocks)
                tree_[parent] += tree_[b];
        }
        top_ = blocks == 0 ? 0 : std::bit_floor(blocks);
    }

    // Removes the k-th (0-based) remaining line and returns its original position.
    std::size_t take(std::uint32_t k) {
        const std::size_t blocks = masks_.size();
        std::size_t block = 0;
        for (std::size_t step = top_; step != 0; step /= 2) {
            const std::size_t next = block + step;
            if (next <= blocks && tree_[next] <= k) {
                block = next;
                k -= tree_[next];
            }
        }
        std::uint64_t& mask = masks_[block];
        const int bit = nthSetBit(mask, k);
        mask &= ~(std::uint64_t{1} << bit);
        for (std::size_t i = block + 1; i <= blocks; i += i & (~i + 1))
            --tree_[i];
        return block * 64 + static_cast<std::size_t>(bit);
    }

  private:
    static int nthSetBit(std::uint64_t mask, std::uint32_t k) {
        int base = 0;
        for (;;) {
            const auto inByte = static_cast<std::uint32_t>(std::popcount(mask & 0xFF));
            if (k < inByte)
                break;
            k -= inByte;
            mask >>= 8;
            base += 8;
        }
        for (; k > 0; --k)
            mask &= mask - 1;
        return base + std::countr_zero(mask);
    }

    std::vector<std::uint64_t> masks_;
    std::vector<std::uint32_t> tree_;
    std::size_t top_ = 0;
};

// Draws the lines one at a time from those not yet drawn; the generator advances once before the first
// draw and once per line, the tick count read anew for every draw.
Views drawnAtRandom(Editor& editor, const Views& lines, const Step& step) {
    editor.random.draw(editor.tickCount());
    RemainingLines remaining(lines.size());
    std::vector<std::uint32_t> positions(lines.size());
    for (std::size_t drawn = 0; drawn < lines.size(); ++drawn) {
        const std::size_t r = lines.size() - drawn;
        const std::uint32_t v = editor.random.draw(editor.tickCount());
        positions[drawn] = static_cast<std::uint32_t>(remaining.take(static_cast<std::uint32_t>(v % r)));
        step(drawn);
    }
    // Fetching the lines in a pass of their own lets the cache misses of the random reads overlap.
    Views order;
    order.reserve(lines.size());
    for (std::uint32_t position : positions)
        order.push_back(lines, position);
    return order;
}

} // namespace

void collationSort(Editor& editor) {
    editor.takeUndoCopy();
    const TextContext& text = editor.doc.text();
    const ThreadPool& pool = editor.settings().pool();
    arrangeScope(editor, WholeDocument::KeepsTop, false, [&](const Views& lines, const Step&) {
        return lines.inOrder(collationOrder(lines, text, pool), pool);
    });
}

void reverseOrder(Editor& editor) {
    if (editor.doc.count() < 2)
        return;
    editor.takeUndoCopy();
    // The gathered lines are bottom-up: already the reversed order of the selection.
    const bool gathered = usesSelectionScope(editor.doc);
    arrangeScope(editor, WholeDocument::BackToTop, true, [gathered](const Views& lines, const Step& step) {
        if (!gathered)
            return reversed(lines, step);
        for (std::size_t i = 0; i < lines.size(); ++i)
            step(i);
        return lines;
    });
}

void lengthSort(Editor& editor) {
    if (editor.doc.count() < 2)
        return;
    editor.takeUndoCopy();
    const ThreadPool& pool = editor.settings().pool();
    arrangeScope(editor, WholeDocument::BackToTop, true,
                 [&pool](const Views& lines, const Step& step) { return byLength(lines, step, pool); });
}

void randomOrder(Editor& editor) {
    if (editor.doc.count() < 2)
        return;
    editor.takeUndoCopy();
    arrangeScope(editor, WholeDocument::BackToTop, true, [&editor](const Views& lines, const Step& step) {
        return drawnAtRandom(editor, lines, step);
    });
}

} // namespace linnery
