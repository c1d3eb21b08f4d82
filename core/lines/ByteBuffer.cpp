#include "core/lines/ByteBuffer.h"

#include "core/lines/HugePages.h"

namespace linnery {

ByteBuffer::Block::~Block() {
    releaseLarge(data, capacity);
}

ByteBuffer::ByteBuffer(std::size_t capacity) : block_(std::make_shared<Block>()) {
    block_->data = static_cast<char*>(allocateLarge(capacity));
    block_->capacity = capacity;
}

void ByteBuffer::grow(std::size_t capacity) {
    if (!block_) {
        *this = ByteBuffer(capacity);
        return;
    }
    block_->data = static_cast<char*>(reallocateLarge(block_->data, block_->capacity, capacity, size_));
    block_->capacity = capacity;
}

} // namespace linnery
