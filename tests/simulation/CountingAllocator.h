#pragma once

// The allocation functions of the simulation test program are replaced by counting ones
// (CountingAllocator.cpp); they still allocate with malloc and free, so the sanitizer build keeps
// watching every block.

namespace stochvar::testing {

// Number of calls of the replaceable operator new (arrays included) so far.
long AllocationCount();

} // namespace stochvar::testing
