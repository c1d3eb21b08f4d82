#include "core/lines/LineViews.h"

#include "core/parallel/ThreadPool.h"

namespace linnery {

LineViews::LineViews(const_iterator first, const_iterator last) {
    reserve(static_cast<size_type>(last - first));
    for (; first != last; ++first)
        push_back(*first);
}

void LineViews::append(const LineViews& other, size_type first, size_type last) {
    if (&other == this) {
        const LineViews copy(begin() + static_cast<std::ptrdiff_t>(first),
                             begin() + static_cast<std::ptrdiff_t>(last));
        append(copy, 0, copy.size());
        return;
    }
    entries_.reserve(entries_.size() + (last - first));
    if (other.long_.empty()) {
        entries_.insert(entries_.end(), other.entries_.begin() + static_cast<std::ptrdiff_t>(first),
                        other.entries_.begin() + static_cast<std::ptrdiff_t>(last));
        return;
    }
    for (size_type i = first; i < last; ++i)
        push_back(other, i);
}

LineViews LineViews::inOrder(const std::vector<int>& order, const ThreadPool& pool) const {
    LineViews out;
    // Entries are copied as they are: the side list comes along whole, so those of long lines still
    // refer to the right place.
    out.long_ = long_;
    out.entries_.resize(order.size());
    // An order jumps all over the table: ask for entries a little ahead of their turn.
    constexpr std::size_t kAhead = 16;
    constexpr std::size_t kGrain = 65'536;
    const auto cut = ThreadPool::ranges(
        order.size(), pool.shares(order.size(), 2 * kGrain) ? pool.grain(kGrain) : order.size());
    pool.run(cut.size(), [&](std::size_t part, std::size_t) {
        const auto [from, to] = cut[part];
        for (std::size_t i = from; i < to; ++i) {
            if (i + kAhead < to)
                __builtin_prefetch(entries_.data() + order[i + kAhead]);
            out.entries_[i] = entries_[static_cast<size_type>(order[i])];
        }
    });
    return out;
}

void LineViews::insert(size_type pos, std::string_view line) {
    const std::uint64_t e = encode(line);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos), e);
}

void LineViews::erase(size_type pos) {
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
}

bool LineViews::operator==(const LineViews& other) const {
    if (size() != other.size())
        return false;
    for (size_type i = 0; i < size(); ++i)
        if ((*this)[i] != other[i])
            return false;
    return true;
}

} // namespace linnery
