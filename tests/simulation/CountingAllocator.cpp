// Kept apart from the tests so that no caller sees the definitions: inlined into a caller, GCC
// would take the malloc/free pair for a mismatch with new/delete.

#include "CountingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_nAllocations{0};
} // namespace

void* operator new(std::size_t size) {
    ++g_nAllocations;
    if (void* p = std::malloc(size != 0 ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

long stochvar::testing::AllocationCount() { return g_nAllocations.load(); }
