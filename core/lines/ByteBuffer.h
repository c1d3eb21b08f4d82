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

    char* data() const { return block_ ? block_->data : nullptr; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return block_ ? block_->capacity : 0; }
    void setSize(std::size_t size) { size_ = size; }
    std::string_view view() const { return {data(), size_}; }
    // Makes room for `capacity` bytes, keeping the bytes held; large blocks grow without a copy. Only
    // before the storage is shared. Throws std::bad_alloc.
    void grow(std::size_t capacity);
    // The storage, for lists whose lines point into it.
    std::shared_ptr<char[]> share() const { return {block_, data()}; }

  private:
    struct Block {
        char* data = nullptr;
        std::size_t capacity = 0;
        Block() = default;
        Block(const Block&) = delete;
        Block& operator=(const Block&) = delete;
        ~Block();
    };
    std::shared_ptr<Block> block_;
    std::size_t size_ = 0;
};

} // namespace linnery
