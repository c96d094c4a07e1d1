#include "AllocationLimit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_largest{0};  // 0: no limit

}  // namespace

namespace test {

AllocationLimit::AllocationLimit(size_t largest) {
    g_largest.store(largest);
}

AllocationLimit::~AllocationLimit() {
    g_largest.store(0);
}

#if defined(__SANITIZE_ADDRESS__)
bool AllocationLimit::Available() {
    return false;
}
#else
bool AllocationLimit::Available() {
    return true;
}
#endif

}  // namespace test

#if !defined(__SANITIZE_ADDRESS__)
void* operator new(size_t size) {
    size_t largest = g_largest.load(std::memory_order_relaxed);
    if (largest != 0 && size > largest)
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
#endif
