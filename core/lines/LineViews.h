#pragma once

#include "core/lines/HugePages.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

namespace linnery {

class ThreadPool;

// The lines of a list as views into byte buffers, in a table that holds millions of them. An entry takes
// 8 bytes, half a string_view: the address in the low 48 bits (all that a user-space address uses) and
// the length in the high 16. A line of 65,535 bytes or more, or one at an address beyond 48 bits, is
// kept whole on a side list that its entry refers to.
class LineViews {
  public:
    using value_type = std::string_view;
    using size_type = std::size_t;

    // Random access to the lines by value; the table cannot hand out references to views it does not hold.
    class const_iterator {
      public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const LineViews* table, size_type i) : table_(table), i_(i) {}
        std::string_view operator*() const { return (*table_)[i_]; }
        std::string_view operator[](difference_type d) const { return (*table_)[i_ + d]; }
        const_iterator& operator++() { return ++i_, *this; }
        const_iterator operator++(int) { return {table_, i_++}; }
        const_iterator& operator--() { return --i_, *this; }
        const_iterator operator--(int) { return {table_, i_--}; }
        const_iterator& operator+=(difference_type d) { return i_ += d, *this; }
        const_iterator& operator-=(difference_type d) { return i_ -= d, *this; }
        friend const_iterator operator+(const_iterator it, difference_type d) { return it += d; }
        friend const_iterator operator+(difference_type d, const_iterator it) { return it += d; }
        friend const_iterator operator-(const_iterator it, difference_type d) { return it -= d; }
        friend difference_type operator-(const_iterator a, const_iterator b) {
            return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.i_ == b.i_; }
        friend auto operator<=>(const_iterator a, const_iterator b) { return a.i_ <=> b.i_; }
        size_type index() const { return i_; }

      private:
        const LineViews* table_ = nullptr;
        size_type i_ = 0;
    };

    LineViews() = default;
    // n lines to be filled with set() or trySet(), each before it is read.
    explicit LineViews(size_type n) : entries_(n) {}
    LineViews(const_iterator first, const_iterator last);

    size_type size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void reserve(size_type n) { entries_.reserve(n); }
    void clear() {
        entries_.clear();
        long_.clear();
    }
    // Gives back what a shrunken or cleared table no longer needs.
    void shrink_to_fit() { entries_.shrink_to_fit(); }

    std::string_view operator[](size_type i) const { return decode(entries_[i]); }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void set(size_type i, std::string_view line) { entries_[i] = encode(line); }
    // set() for a line that fits an entry of its own, which several threads may do at once (each for its
    // own i); false, leaving entry i, for a line that needs the side list: set() it on one thread.
    bool trySet(size_type i, std::string_view line) {
        if (!fits(line)) [[unlikely]]
            return false;
        entries_[i] = entryOf(line);
        return true;
    }
    void push_back(std::string_view line) { entries_.push_back(encode(line)); }
    void emplace_back(const char* data, size_type size) { push_back({data, size}); }
    // Line i of another table, appended.
    void push_back(const LineViews& other, size_type i) {
        const std::uint64_t e = other.entries_[i];
        entries_.push_back(isLong(e) ? encode(other.decode(e)) : e);
    }
    // The lines taken in the given order of their indexes, on the pool's threads.
    LineViews inOrder(const std::vector<int>& order, const ThreadPool& pool) const;
    // Lines first..last-1 of another table (which may be this one), appended.
    void append(const LineViews& other, size_type first, size_type last);
    void insert(size_type pos, std::string_view line);
    void erase(size_type pos);

    // Same lines, byte for byte.
    bool operator==(const LineViews& other) const;

  private:
    static constexpr int kLengthShift = 48;
    static constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << kLengthShift) - 1;
    static constexpr std::uint64_t kLongLength = 0xFFFF; // the length field of an entry on the side list

    static bool isLong(std::uint64_t e) { return (e >> kLengthShift) == kLongLength; }

    static bool fits(std::string_view line) {
        return line.size() < kLongLength &&
               (reinterpret_cast<std::uintptr_t>(line.data()) >> kLengthShift) == 0;
    }
    static std::uint64_t entryOf(std::string_view line) {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(line.data())) |
               (std::uint64_t{line.size()} << kLengthShift);
    }
    std::uint64_t encode(std::string_view line) {
        if (fits(line)) [[likely]]
            return entryOf(line);
        long_.push_back(line);
        return (kLongLength << kLengthShift) | (long_.size() - 1);
    }
    std::string_view decode(std::uint64_t e) const {
        if (isLong(e)) [[unlikely]]
            return long_[e & kAddressMask];
        return {reinterpret_cast<const char*>(static_cast<std::uintptr_t>(e & kAddressMask)),
                static_cast<size_type>(e >> kLengthShift)};
    }

    std::vector<std::uint64_t, HugePageAllocator<std::uint64_t>> entries_;
    std::vector<std::string_view> long_;
};

} // namespace linnery
