#include "core/Document.h"

#include "core/LineError.h"

#include <algorithm>

namespace linnery {

int Document::add(std::string_view line) {
    const int i = lines_.add(line);
    selected_.insert(selected_.begin() + i, 0);
    return i;
}

void Document::insert(int i, std::string_view line, bool selected) {
    const int at = i == -1 ? count() : i;
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
    resetView(true);
}

void Document::assign(LineList lines) {
    const bool sorted = lines_.isSorted();
    lines_ = std::move(lines);
    lines_.setSorted(false);
    if (sorted) // copying into a sorted list adds through its sorted order
        lines_.setSorted(true);
    resetView(true);
}

void Document::setSorted(bool on) {
    if (on == lines_.isSorted())
        return;
    lines_.setSorted(on);
    resetView(false);
}

void Document::reorder(LineList lines) {
    lines_ = std::move(lines);
    resetView(false);
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

void Document::setFocus(int i) {
    focus_ = std::max(0, i);
    clampFocus();
}

void Document::setTopIndex(int i) {
    top_ = std::clamp(i, 0, std::max(0, count() - 1));
}

void Document::resetView(bool toFirstLine) {
    selected_.assign(static_cast<std::size_t>(count()), 0);
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
