#include "core/lines/HugePages.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace linnery {

namespace {
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
// Below this a plain allocation is as fast.
constexpr std::size_t kMapThreshold = 4 * kHugePage;

std::size_t mappedSize(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
} // namespace

bool usesHugePages(std::size_t bytes) {
    return bytes >= kMapThreshold;
}

void* allocateLarge(std::size_t bytes) {
    if (!usesHugePages(bytes))
        return ::operator new(bytes == 0 ? 1 : bytes);
    void* p = ::mmap(nullptr, mappedSize(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(p, mappedSize(bytes), MADV_HUGEPAGE); // a hint; without huge pages the memory works the same
    return p;
}

void releaseLarge(void* block, std::size_t bytes) {
    if (!block)
        return;
    if (usesHugePages(bytes))
        ::munmap(block, mappedSize(bytes));
    else
        ::operator delete(block);
}

void releasePages(const void* from, const void* to) {
    constexpr std::uintptr_t kPage = 4096;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(from) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(to) & ~(kPage - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void* reallocateLarge(void* block, std::size_t oldBytes, std::size_t newBytes, std::size_t keep) {
    if (usesHugePages(oldBytes) && usesHugePages(newBytes)) {
        void* p = ::mremap(block, mappedSize(oldBytes), mappedSize(newBytes), MREMAP_MAYMOVE);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(p, mappedSize(newBytes), MADV_HUGEPAGE);
        return p;
    }
    void* p = allocateLarge(newBytes);
    if (keep > 0)
        std::memcpy(p, block, keep);
    releaseLarge(block, oldBytes);
    return p;
}

} // namespace linnery
