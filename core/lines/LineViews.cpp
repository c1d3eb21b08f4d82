#include "core/lines/LineViews.h"

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

LineViews LineViews::inOrder(const std::vector<int>& order) const {
    LineViews out;
    out.reserve(order.size());
    // An order jumps all over the table: ask for entries a little ahead of their turn.
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + kAhead < order.size())
            __builtin_prefetch(entries_.data() + order[i + kAhead]);
        out.push_back(*this, static_cast<size_type>(order[i]));
    }
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
