// Makes every single allocation through operator new above a size fail, for as long as the
// object lives: out of memory where a test wants it, without an address-space limit. Not built
// under AddressSanitizer, which owns operator new there.
#pragma once

#include <cstddef>

namespace test {

class AllocationLimit {
  public:
    explicit AllocationLimit(size_t largest);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
    // False where the build cannot limit allocations.
    static bool Available();
};

}  // namespace test
