// The global operator new and delete, counted; the array and nothrow forms of
// the C++ library reach these. Kept out of line, so that the compiler never
// pairs a new-expression with free() across an inlined call.
#include "tests/support/AllocationCounter.h"

#include <cstdlib>
#include <new>

using namespace testsupport;

[[gnu::noinline]] void* operator new(std::size_t size)
{
    allocations::noteAllocation(size);
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* p) noexcept
{
    allocations::noteRelease(p);
    std::free(p);
}

[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept
{
    allocations::noteRelease(p);
    std::free(p);
}
