// Makes allocations through operator new fail, for as long as the object lives: every one above a
// size, or the one that comes after a count of others. Out of memory where a test wants it,
// without an address-space limit. Not built under AddressSanitizer, which owns operator new there.
#pragma once

#include <cstddef>

namespace test {

class AllocationLimit {
  public:
    explicit AllocationLimit(size_t largest);
    // The allocation after the next `succeeding` ones fails, and only that one.
    static AllocationLimit FailAfter(size_t succeeding);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
    // Whether a countdown's failure has come.
    bool Failed() const;
    // False where the build cannot limit allocations.
    static bool Available();
    // The blocks operator new handed out and operator delete has not taken back.
    static long Live();

  private:
    AllocationLimit(size_t largest, long countdown);
};

}  // namespace test
