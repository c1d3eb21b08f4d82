#include "core/lines/LineList.h"

#include "core/lines/HugePages.h"
#include "core/lines/LineError.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <unordered_set>

namespace linnery {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
// Indexes are 32-bit signed integers; a list never holds more lines than an index can reach.
constexpr std::size_t kMaxLines = INT_MAX - 1;
} // namespace

LineList::LineList(const LineList& other) : lines_(other.lines_), buffers_(other.buffers_) {}

LineList& LineList::operator=(const LineList& other) {
    if (this != &other) {
        lines_ = other.lines_;
        buffers_ = other.buffers_;
        tail_ = nullptr; // the tail buffer may now be shared; never write into shared bytes
        tailFree_ = 0;
    }
    return *this;
}

LineList::LineList(LineList&& other) noexcept
    : lines_(std::move(other.lines_)), buffers_(std::move(other.buffers_)), tail_(other.tail_),
      tailFree_(other.tailFree_) {
    other.tail_ = nullptr;
    other.tailFree_ = 0;
}

LineList& LineList::operator=(LineList&& other) noexcept {
    if (this != &other) {
        lines_ = std::move(other.lines_);
        buffers_ = std::move(other.buffers_);
        tail_ = other.tail_;
        tailFree_ = other.tailFree_;
        other.lines_.clear();
        other.buffers_.clear();
        other.tail_ = nullptr;
        other.tailFree_ = 0;
    }
    return *this;
}

std::string LineList::get(int i) const {
    if (i < 0 || i >= count())
        throw LineError::listIndex(i);
    return std::string(at(i));
}

std::string_view LineList::store(std::string_view bytes) {
    if (bytes.empty())
        return {};
    if (bytes.size() > tailFree_) {
        const std::size_t size = std::max(kChunk, bytes.size());
        std::shared_ptr<char[]> data;
        try {
            data = std::shared_ptr<char[]>(new char[size]);
            buffers_.push_back({data, size});
        } catch (const std::bad_alloc&) {
            throw LineError::insert();
        }
        tail_ = data.get();
        tailFree_ = size;
    }
    std::memcpy(tail_, bytes.data(), bytes.size());
    std::string_view stored(tail_, bytes.size());
    tail_ += bytes.size();
    tailFree_ -= bytes.size();
    return stored;
}

void LineList::checkCapacity() const {
    if (lines_.size() >= kMaxLines)
        throw LineError::insert();
}

int LineList::add(std::string_view line) {
    checkCapacity();
    std::string_view stored = store(line);
    try {
        lines_.push_back(stored);
        return count() - 1;
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
}

void LineList::insert(int i, std::string_view line) {
    if (i == -1)
        i = count();
    if (i < 0 || i > count())
        throw LineError::insert();
    checkCapacity();
    std::string_view stored = store(line);
    try {
        lines_.insert(static_cast<std::size_t>(i), stored);
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
}

void LineList::remove(int i) {
    if (i < 0 || i >= count())
        return;
    lines_.erase(static_cast<std::size_t>(i));
}

void LineList::clear() {
    lines_.clear();
    buffers_.clear();
    tail_ = nullptr;
    tailFree_ = 0;
}

void LineList::replace(int i, std::string_view line) {
    if (i < 0 || i >= count())
        throw LineError::listIndex(i);
    lines_.set(static_cast<std::size_t>(i), store(line));
}

void LineList::keepBuffersOf(const LineList& other) {
    if (&other == this || other.buffers_.empty())
        return;
    std::unordered_set<const char*> held;
    for (const Buffer& b : buffers_)
        held.insert(b.data.get());
    for (const Buffer& b : other.buffers_)
        if (held.insert(b.data.get()).second)
            buffers_.push_back(b);
}

void LineList::appendFrom(const LineList& source) {
    if (lines_.size() + source.lines_.size() > kMaxLines)
        throw LineError::insert();
    keepBuffersOf(source);
    try {
        lines_.append(source.lines_, 0, source.lines_.size()); // source may be this list
    } catch (const std::bad_alloc&) {
        throw LineError::insert();
    }
}

bool LineList::releaseBytesBefore(const char* end) {
    for (const Buffer& b : buffers_) {
        const char* begin = b.data.get();
        if (end < begin || end > begin + b.size)
            continue;
        if (b.data.use_count() != 1 || !usesHugePages(b.size))
            return false;
        releasePages(begin, end);
        return true;
    }
    return false;
}

void LineList::assignViews(LineViews views, const LineList& from) {
    keepBuffersOf(from);
    lines_ = std::move(views);
}

void LineList::assignBuffer(std::shared_ptr<const char[]> buffer, std::size_t size, LineViews views) {
    clear();
    if (buffer)
        buffers_.push_back({std::move(buffer), size});
    lines_ = std::move(views);
}

} // namespace linnery
