#pragma once

#include "core/lines/LineViews.h"
#include "core/text/TextContext.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace linnery {

class ThreadPool;

// The text that item i is ordered by: a line that is stored somewhere, or text built into `scratch`
// (one per thread).
using CollationText = std::function<std::string_view(std::size_t i, std::string& scratch)>;
// Item i's text as up to kMaxPieces pieces read one after the other (no character split between two),
// where that saves building it; gives the number of pieces.
constexpr int kMaxPieces = 6;
using CollationPieces = std::function<int(std::size_t i, std::string_view* pieces)>;

// How the order is found. Ranks: the first-level ranks of each text decide where they differ, the
// collation's sort keys only where they tie (PrimaryRanks.h). WholeKeys: a sort key for every text.
// Auto takes ranks for large inputs, where building their table pays off.
enum class OrderMethod { Auto, Ranks, WholeKeys };

struct CollationInput {
    std::size_t count = 0;
    CollationText text;
    CollationPieces pieces; // optional: text() in pieces
    std::size_t bytes = 0;  // about how many bytes the texts hold, for Auto
    bool parallel = false;  // text() and pieces() may run on several threads at once
};

// The items in the collation order of `text` (its collation, decoding with its code page): a
// permutation of 0..count-1, items that compare equal in their input order. Fewer than two items take
// no keys at all. Large inputs are ordered on the pool's threads; the order is the same on any number.
std::vector<int> collationOrder(const CollationInput& input, const TextContext& text, const ThreadPool& pool,
                                OrderMethod method = OrderMethod::Auto);
std::vector<int> collationOrder(const LineViews& lines, const TextContext& text, const ThreadPool& pool,
                                OrderMethod method = OrderMethod::Auto);

} // namespace linnery
