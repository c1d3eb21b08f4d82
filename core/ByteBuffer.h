#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace linnery {

// A block of bytes for a whole file or a whole text: large blocks are backed by huge pages where the
// system offers them, so reading or building hundreds of megabytes does not fault in 4 KiB at a time.
class ByteBuffer {
  public:
    ByteBuffer() = default;
    // Throws std::bad_alloc.
    explicit ByteBuffer(std::size_t capacity);

    char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    void setSize(std::size_t size) { size_ = size; }
    std::string_view view() const { return {data_.get(), size_}; }
    // The storage, for lists whose lines point into it.
    std::shared_ptr<char[]> share() const { return data_; }

  private:
    std::shared_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace linnery
