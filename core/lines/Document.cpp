#include "core/lines/Document.h"

#include "core/lines/LineError.h"

#include <algorithm>

namespace linnery {

Document::Document()
    : Document(std::make_shared<const TextContext>(std::make_shared<const CodePage>("UTF-8"),
                                                   std::make_shared<const Collation>(""))) {}

Document::Document(TextContextPtr text) : text_(std::move(text)) {}

int Document::add(std::string_view line) {
    selected_.reserve(selected_.size() + 1); // so the flag cannot fail once the line is in
    const int i = lines_.add(line);
    selected_.insert(selected_.begin() + i, 0);
    return i;
}

void Document::insert(int i, std::string_view line, bool selected) {
    const int at = i == -1 ? count() : i;
    selected_.reserve(selected_.size() + 1);
    lines_.insert(i, line);
    selected_.insert(selected_.begin() + at, selected ? 1 : 0);
    selectedCount_ += selected ? 1 : 0;
}

void Document::remove(int i) {
    if (i < 0 || i >= count())
        return;
    lines_.remove(i);
    selectedCount_ -= selected_[static_cast<std::size_t>(i)];
    selected_.erase(selected_.begin() + i);
    clampFocus();
}

void Document::replace(int i, std::string_view line) {
    lines_.replace(i, line);
    selectedCount_ -= selected_[static_cast<std::size_t>(i)];
    selected_[static_cast<std::size_t>(i)] = 0;
}

void Document::clear() {
    lines_.clear();
    resetView({}, true);
}

void Document::assign(LineList lines) {
    take(lines, true);
}

void Document::reorder(LineList lines) {
    take(lines, false);
}

void Document::exchange(LineList& other) {
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(other.count()), 0);
    std::swap(lines_, other);
    resetView(std::move(flags), true);
}

void Document::restore(const LineList& lines, std::vector<std::uint8_t> selected, int focus, int top) {
    LineList copy = lines;
    take(copy, true);
    if (selected.size() == selected_.size()) {
        selected_ = std::move(selected);
        selectedCount_ = static_cast<int>(std::count(selected_.begin(), selected_.end(), 1));
    }
    setTopIndex(top);
    setFocus(focus);
}

bool Document::isSelected(int i) const {
    if (i < 0 || i >= count())
        throw LineError::listIndex(i);
    return selected_[static_cast<std::size_t>(i)] != 0;
}

void Document::setSelected(int i, bool on) {
    if (i == -1) {
        std::fill(selected_.begin(), selected_.end(), on ? 1 : 0);
        selectedCount_ = on ? count() : 0;
        return;
    }
    if (i < 0 || i >= count())
        throw LineError::listIndex(i);
    auto& flag = selected_[static_cast<std::size_t>(i)];
    selectedCount_ += (on ? 1 : 0) - flag;
    flag = on ? 1 : 0;
}

void Document::selectRange(int first, int last) {
    if (first < 0 || first > last || last >= count())
        throw LineError::listIndex(first < 0 || first >= count() ? first : last);
    const auto b = selected_.begin() + first, e = selected_.begin() + last + 1;
    selectedCount_ += static_cast<int>((e - b) - std::count(b, e, std::uint8_t{1}));
    std::fill(b, e, std::uint8_t{1});
}

void Document::setFocus(int i) {
    focus_ = std::max(0, i);
    clampFocus();
}

void Document::setTopIndex(int i) {
    top_ = std::clamp(i, 0, std::max(0, count() - 1));
}

void Document::take(LineList& lines, bool toFirstLine) {
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(lines.count()), 0);
    lines_ = std::move(lines);
    resetView(std::move(flags), toFirstLine);
}

void Document::resetView(std::vector<std::uint8_t> flags, bool toFirstLine) {
    selected_ = std::move(flags);
    selectedCount_ = 0;
    if (toFirstLine) {
        top_ = 0;
        focus_ = 0;
    } else {
        setTopIndex(top_);
        clampFocus();
    }
}

void Document::clampFocus() {
    if (focus_ >= count())
        focus_ = std::max(0, count() - 1);
}

} // namespace linnery
