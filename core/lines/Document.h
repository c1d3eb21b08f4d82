#pragma once

#include "core/lines/LineList.h"
#include "core/text/TextContext.h"

#include <cstdint>
#include <vector>

namespace linnery {

// The document: the lines the user edits, a selected flag per line, the focus line (keyboard caret)
// and the first visible line. The window view mirrors these; every rule about them lives here.
class Document {
  public:
    // A document read in UTF-8 with ICU's root order, until a load or an import gives it its own.
    Document();
    explicit Document(TextContextPtr text);

    // How the lines are read: their code page and collation. Replaced, never changed, by a load or an
    // import; whoever took the old one keeps it.
    const TextContext& text() const { return *text_; }
    const TextContextPtr& sharedText() const { return text_; }
    void setText(TextContextPtr text) { text_ = std::move(text); }

    const LineList& lines() const { return lines_; }
    int count() const { return lines_.count(); }
    std::string get(int i) const { return lines_.get(i); }
    std::string_view at(int i) const { return lines_.at(i); }

    // Single-line changes; selected flags move with their lines.
    int add(std::string_view line);
    void insert(int i, std::string_view line, bool selected = false);
    void remove(int i);
    // The new line is not selected.
    void replace(int i, std::string_view line);

    // Whole-list changes: no line selected afterwards, back at the first line. Each is all or nothing:
    // when memory runs out the document is as it was.
    void clear();
    void assign(LineList lines);
    // Replaces the lines in place of a reordering: no line selected, the first visible line stays.
    void reorder(LineList lines);
    // For a command about to replace every line: see LineList::releaseBytesBefore.
    bool releaseBytesBefore(const char* end) { return lines_.releaseBytesBefore(end); }
    // Exchanges the lines with `other` (undo and redo): no line selected, back at the first line.
    void exchange(LineList& other);
    // Puts back lines, selected flags (empty: none selected), focus and first visible line as a command
    // found them.
    void restore(const LineList& lines, std::vector<std::uint8_t> selected, int focus, int top);

    int selectedCount() const { return selectedCount_; }
    // List-index error for an index outside the list.
    bool isSelected(int i) const;
    // i == -1 sets or clears every line; list-index error for another index outside the list.
    void setSelected(int i, bool on);
    // Selects lines first..last at once (a range of a list view's selection).
    void selectRange(int first, int last);
    const std::vector<std::uint8_t>& selection() const { return selected_; }

    // -1 when the document is empty.
    int focus() const { return lines_.empty() ? -1 : focus_; }
    void setFocus(int i);
    int topIndex() const { return top_; }
    void setTopIndex(int i);

  private:
    // Takes `lines` with no line selected, the flags allocated before anything changes.
    void take(LineList& lines, bool toFirstLine);
    void resetView(std::vector<std::uint8_t> flags, bool toFirstLine);
    void clampFocus();

    LineList lines_;
    TextContextPtr text_;
    std::vector<std::uint8_t> selected_;
    int selectedCount_ = 0;
    int focus_ = 0;
    int top_ = 0;
};

} // namespace linnery
