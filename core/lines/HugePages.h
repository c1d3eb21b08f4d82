#pragma once

#include <cstddef>
#include <new>
#include <utility>

namespace linnery {

// Memory for whole files and whole line tables. Blocks of several megabytes are mapped with a hint for
// huge pages where the system offers them, so filling hundreds of megabytes does not fault in 4 KiB at
// a time; smaller blocks come from the ordinary heap.
bool usesHugePages(std::size_t bytes);
void* allocateLarge(std::size_t bytes);            // throws std::bad_alloc
void releaseLarge(void* block, std::size_t bytes); // with the size it was allocated with
// Gives the whole pages within [from, to) of a block from allocateLarge back to the system; they read
// as zeros afterwards. For bytes that will not be read again before the block is released.
void releasePages(const void* from, const void* to);
// A block of newBytes holding the first `keep` bytes of `block`; mapped blocks grow without copying.
void* reallocateLarge(void* block, std::size_t oldBytes, std::size_t newBytes, std::size_t keep);

template <class T> struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U>&) {}

    T* allocate(std::size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { releaseLarge(p, n * sizeof(T)); }
    // A table grown without a value is left as the memory was, for the threads that fill it to touch
    // first: writing zeros on one thread would cost as much as the filling.
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U> bool operator==(const HugePageAllocator<U>&) const { return true; }
};

} // namespace linnery
