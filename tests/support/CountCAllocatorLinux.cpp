// glibc lets a program define malloc and its kin itself; every call in the
// program, and in the libraries it loads when it exports them, lands here
// and goes on to glibc's own functions.
#include "tests/support/AllocationCounter.h"

#include <cerrno>
#include <cstddef>

using namespace testsupport;

extern "C"
{
    void* __libc_malloc(std::size_t);
    void* __libc_calloc(std::size_t, std::size_t);
    void* __libc_realloc(void*, std::size_t);
    void* __libc_memalign(std::size_t, std::size_t);
    void __libc_free(void*);

    void* malloc(std::size_t size)
    {
        allocations::noteAllocation(size);
        return __libc_malloc(size);
    }

    void* calloc(std::size_t count, std::size_t size)
    {
        allocations::noteAllocation(count * size);
        return __libc_calloc(count, size);
    }

    void* realloc(void* p, std::size_t size)
    {
        allocations::noteAllocation(size);
        return __libc_realloc(p, size);
    }

    void* aligned_alloc(std::size_t alignment, std::size_t size)
    {
        allocations::noteAllocation(size);
        return __libc_memalign(alignment, size);
    }

    void* memalign(std::size_t alignment, std::size_t size)
    {
        allocations::noteAllocation(size);
        return __libc_memalign(alignment, size);
    }

    int posix_memalign(void** out, std::size_t alignment, std::size_t size)
    {
        allocations::noteAllocation(size);
        void* p = __libc_memalign(alignment, size);
        if (p == nullptr)
            return ENOMEM;
        *out = p;
        return 0;
    }

    void free(void* p)
    {
        allocations::noteRelease(p);
        __libc_free(p);
    }
}
