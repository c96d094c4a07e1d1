#include "AllocationLimit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_largest{0};   // 0: no limit
std::atomic<long> g_countdown{-1};  // allocations before the failing one; -1: none planned
std::atomic<bool> g_failed{false};  // the planned failure came
std::atomic<long> g_live{0};

}  // namespace

namespace test {

AllocationLimit::AllocationLimit(size_t largest) : AllocationLimit(largest, -1) {}

AllocationLimit::AllocationLimit(size_t largest, long countdown) {
    g_failed.store(false);
    g_countdown.store(countdown);
    g_largest.store(largest);
}

AllocationLimit AllocationLimit::FailAfter(size_t succeeding) {
    return AllocationLimit(0, static_cast<long>(succeeding));
}

AllocationLimit::~AllocationLimit() {
    g_largest.store(0);
    g_countdown.store(-1);
}

bool AllocationLimit::Failed() const {
    return g_failed.load();
}

long AllocationLimit::Live() {
    return g_live.load();
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
    if (g_countdown.load(std::memory_order_relaxed) >= 0 && g_countdown.fetch_sub(1) == 0) {
        g_failed.store(true);
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        g_live.fetch_add(1, std::memory_order_relaxed);
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    if (block != nullptr)
        g_live.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    operator delete(block);
}
#endif
