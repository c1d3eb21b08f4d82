#include "core/ByteBuffer.h"

#include <new>
#include <sys/mman.h>

namespace linnery {

namespace {
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
// Below this a plain allocation is as fast.
constexpr std::size_t kMapThreshold = 4 * kHugePage;
} // namespace

ByteBuffer::ByteBuffer(std::size_t capacity) : capacity_(capacity) {
    if (capacity < kMapThreshold) {
        data_.reset(new char[capacity == 0 ? 1 : capacity]);
        return;
    }
    const std::size_t mapped = (capacity + kHugePage - 1) / kHugePage * kHugePage;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(p, mapped, MADV_HUGEPAGE); // a hint; without huge pages the memory works the same
    data_ = std::shared_ptr<char[]>(static_cast<char*>(p), [mapped](char* q) { ::munmap(q, mapped); });
}

} // namespace linnery
