#include "core/OrderCommands.h"

#include "core/SelectionScope.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace linnery {

namespace {

using Views = std::vector<std::string_view>;

// How the whole document takes its new order: the collation sort switches sorted mode on and off, which
// keeps the scroll position; the other orders clear the document and refill it, which scrolls to the top.
enum class WholeDocument { KeepsTop, BackToTop };

// The common frame of the four orders once the undo copy is taken: the scope's lines in, the new order
// out, the block put back or the document replaced. `stepped` orders show one progress step per line.
template <class Arrange>
void arrangeScope(Editor& editor, WholeDocument whole, bool stepped, Arrange arrange) {
    // Every stepped order runs with at least 2 lines, so the denominator is at least 1.
    const std::int64_t denominator = editor.undoCopy.count() - 1;
    if (usesSelectionScope(editor.doc)) {
        GatheredLines gathered = gatherSelection(editor.doc);
        LineList block;
        block.assignViews(arrange(gathered.lines.views()), gathered.lines);
        if (stepped)
            editor.progress.showSteps(0, block.count() - 1, denominator);
        reinsertBlock(editor.doc, gathered.anchor, block);
    } else {
        LineList result;
        result.assignViews(arrange(editor.doc.lines().views()), editor.doc.lines());
        if (stepped)
            editor.progress.showSteps(0, result.count() - 1, denominator);
        if (whole == WholeDocument::KeepsTop)
            editor.doc.reorder(std::move(result));
        else
            editor.doc.assign(std::move(result));
    }
    if (stepped)
        editor.progress.end();
}

Views inCollationOrder(const Views& lines) {
    const std::vector<int> order = collationOrder(lines);
    Views sorted;
    sorted.reserve(lines.size());
    for (int i : order)
        sorted.push_back(lines[static_cast<std::size_t>(i)]);
    return sorted;
}

Views reversed(const Views& lines) {
    return Views(lines.rbegin(), lines.rend());
}

// Placing each line in front of the first strictly longer one is a stable sort by length. Lengths are
// usually small next to the line count, so a counting sort does it in linear time.
Views byLength(const Views& lines) {
    std::size_t longest = 0;
    for (std::string_view line : lines)
        longest = std::max(longest, line.size());
    if (longest > 4 * lines.size() + 4096) {
        Views sorted = lines;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
        return sorted;
    }
    std::vector<std::size_t> start(longest + 2, 0);
    for (std::string_view line : lines)
        ++start[line.size() + 1];
    for (std::size_t len = 1; len < start.size(); ++len)
        start[len] += start[len - 1];
    Views sorted(lines.size());
    for (std::string_view line : lines)
        sorted[start[line.size()]++] = line;
    return sorted;
}

// The lines not yet drawn, as an order-statistics tree over their original positions: finding and
// removing the k-th remaining line costs O(log n) instead of shifting the rest of a list.
class RemainingLines {
  public:
    explicit RemainingLines(std::size_t n) : tree_(n + 1, 0) {
        for (std::size_t i = 1; i <= n; ++i) {
            tree_[i] += 1;
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= n)
                tree_[parent] += tree_[i];
        }
        top_ = 1;
        while (top_ * 2 <= n)
            top_ *= 2;
    }

    // Removes the k-th (0-based) remaining line and returns its original position.
    std::size_t take(std::uint32_t k) {
        const std::size_t n = tree_.size() - 1;
        std::size_t pos = 0;
        for (std::size_t step = top_; step != 0; step /= 2) {
            const std::size_t next = pos + step;
            if (next <= n && tree_[next] <= k) {
                pos = next;
                k -= tree_[next];
            }
        }
        for (std::size_t i = pos + 1; i <= n; i += i & (~i + 1))
            --tree_[i];
        return pos;
    }

  private:
    std::vector<std::uint32_t> tree_;
    std::size_t top_ = 0;
};

// Draws the lines one at a time from those not yet drawn; the generator advances once before the first
// draw and once per line, the tick count read anew for every draw.
Views drawnAtRandom(Editor& editor, const Views& lines) {
    editor.random.draw(editor.tickCount());
    RemainingLines remaining(lines.size());
    Views drawn;
    drawn.reserve(lines.size());
    for (std::size_t r = lines.size(); r > 0; --r) {
        const std::uint32_t v = editor.random.draw(editor.tickCount());
        const auto index = static_cast<std::uint32_t>(v % r);
        drawn.push_back(lines[remaining.take(index)]);
    }
    return drawn;
}

} // namespace

void collationSort(Editor& editor) {
    editor.takeUndoCopy();
    arrangeScope(editor, WholeDocument::KeepsTop, false, inCollationOrder);
}

void reverseOrder(Editor& editor) {
    if (editor.doc.count() < 2)
        return;
    editor.takeUndoCopy();
    // The gathered lines are bottom-up: already the reversed order of the selection.
    const bool gathered = usesSelectionScope(editor.doc);
    arrangeScope(editor, WholeDocument::BackToTop, true,
                 [gathered](const Views& lines) { return gathered ? lines : reversed(lines); });
}

void lengthSort(Editor& editor) {
    if (editor.doc.count() < 2)
        return;
    editor.takeUndoCopy();
    arrangeScope(editor, WholeDocument::BackToTop, true, byLength);
}

void randomOrder(Editor& editor) {
    if (editor.doc.count() < 2)
        return;
    editor.takeUndoCopy();
    arrangeScope(editor, WholeDocument::BackToTop, true,
                 [&editor](const Views& lines) { return drawnAtRandom(editor, lines); });
}

} // namespace linnery
