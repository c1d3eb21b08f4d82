#include "core/ByteBuffer.h"

#include "core/HugePages.h"

namespace linnery {

ByteBuffer::ByteBuffer(std::size_t capacity) : capacity_(capacity) {
    data_ = std::shared_ptr<char[]>(static_cast<char*>(allocateLarge(capacity)),
                                    [capacity](char* p) { releaseLarge(p, capacity); });
}

} // namespace linnery
