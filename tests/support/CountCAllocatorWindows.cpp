// The linker's --wrap=NAME (set by velmo_count_c_allocator) routes every
// reference to NAME in the program, the C++ library and JUCE included, to
// __wrap_NAME below; __real_NAME is the C runtime's own.
#include "tests/support/AllocationCounter.h"

#include <cstddef>

using namespace testsupport;

extern "C"
{
    void* __real_malloc(std::size_t);
    void* __real_calloc(std::size_t, std::size_t);
    void* __real_realloc(void*, std::size_t);
    void* __real__aligned_malloc(std::size_t, std::size_t);
    void __real_free(void*);

    void* __wrap_malloc(std::size_t size)
    {
        allocations::noteAllocation(size);
        return __real_malloc(size);
    }

    void* __wrap_calloc(std::size_t count, std::size_t size)
    {
        allocations::noteAllocation(count * size);
        return __real_calloc(count, size);
    }

    void* __wrap_realloc(void* p, std::size_t size)
    {
        allocations::noteAllocation(size);
        return __real_realloc(p, size);
    }

    void* __wrap__aligned_malloc(std::size_t size, std::size_t alignment)
    {
        allocations::noteAllocation(size);
        return __real__aligned_malloc(size, alignment);
    }

    void __wrap_free(void* p)
    {
        allocations::noteRelease(p);
        __real_free(p);
    }
}
