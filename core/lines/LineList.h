#pragma once

#include "core/lines/LineViews.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace linnery {

// A line never holds these: CR and LF end a line where a text is split, NUL ends the whole text. An
// entered text with one of them would change the line count on the next save.
constexpr bool endsLine(char32_t c) {
    return c == U'\r' || c == U'\n' || c == U'\0';
}

// An ordered list of lines (byte strings). The one list type of the program: the document, the undo
// copy, the scratch lists and the lists of the other windows.
//
// Lines are views into shared, immutable byte buffers, so copying a list (the undo copy) copies only
// the views, and a file is split into lines without one allocation per line. New bytes go to a buffer
// owned by this list; buffers live as long as any list still refers to them.
class LineList {
  public:
    LineList() = default;
    LineList(const LineList& other);
    LineList& operator=(const LineList& other);
    LineList(LineList&& other) noexcept;
    LineList& operator=(LineList&& other) noexcept;

    int count() const { return static_cast<int>(lines_.size()); }
    bool empty() const { return lines_.empty(); }

    // A copy of line i; the list-index error for an index outside the list.
    std::string get(int i) const;
    // Line i without a check or a copy. The view stays valid while this list keeps the line.
    std::string_view at(int i) const { return lines_[static_cast<std::size_t>(i)]; }

    // Appends and returns the index.
    int add(std::string_view line);
    // In front of position i; i == count or i == -1 appends. Insert error otherwise.
    void insert(int i, std::string_view line);
    // Removes line i; an index outside the list is ignored.
    void remove(int i);
    void clear();
    // List-index error for an index outside the list.
    void replace(int i, std::string_view line);
    // Adds every line of the source; the lines held stay.
    void appendFrom(const LineList& source);

    // Whole-list access for commands that transform the list in one pass.
    const LineViews& views() const { return lines_; }
    // Replaces the lines by views into this list's or `from`'s buffers (from may be this list).
    void assignViews(LineViews views, const LineList& from);
    // Replaces the lines by views into `buffer`, which the list keeps alive.
    void assignBuffer(std::shared_ptr<const char[]> buffer, std::size_t size, LineViews views);
    // Copies bytes into this list's own storage and returns a view that lives as long as the list refers
    // to the storage. Used to build new lines before they are placed.
    std::string_view store(std::string_view bytes);
    void reserve(std::size_t lines) { lines_.reserve(lines); }
    // Appends a view that already lives in this list's buffers (from store() or views()).
    void pushView(std::string_view line) { lines_.push_back(line); }
    // Keeps the other list's buffers alive with this list, for views taken from it.
    void keepBuffersOf(const LineList& other);
    // For a list whose lines are about to be replaced: gives the pages of its large buffer in front of
    // `end` back to the system, when no other list shares that buffer (false when one does, or when
    // `end` is in no such buffer). The lines there read as zeros afterwards.
    bool releaseBytesBefore(const char* end);

    bool operator==(const LineList& other) const { return lines_ == other.lines_; }

  private:
    struct Buffer {
        std::shared_ptr<const char[]> data;
        std::size_t size = 0;
    };
    void checkCapacity() const;

    LineViews lines_;
    std::vector<Buffer> buffers_;
    char* tail_ = nullptr; // free space at the end of this list's newest own buffer
    std::size_t tailFree_ = 0;
};

} // namespace linnery
