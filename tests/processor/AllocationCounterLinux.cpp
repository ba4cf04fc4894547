#include "tests/processor/AllocationCounter.h"

#include <cstddef>

extern "C"
{
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);
    void* __libc_memalign (std::size_t, std::size_t);
    void __libc_free (void*);
}

namespace
{
    thread_local bool counting = false;
    thread_local int allocations = 0;

    void note()
    {
        if (counting)
            ++allocations;
    }
}

void AllocationCounter::start() noexcept
{
    allocations = 0;
    counting = true;
}

int AllocationCounter::stop() noexcept
{
    counting = false;
    return allocations;
}

extern "C"
{
    void* malloc (std::size_t size)
    {
        note();
        return __libc_malloc (size);
    }

    void* calloc (std::size_t count, std::size_t size)
    {
        note();
        return __libc_calloc (count, size);
    }

    void* realloc (void* p, std::size_t size)
    {
        note();
        return __libc_realloc (p, size);
    }

    void* aligned_alloc (std::size_t alignment, std::size_t size)
    {
        note();
        return __libc_memalign (alignment, size);
    }

    void* memalign (std::size_t alignment, std::size_t size)
    {
        note();
        return __libc_memalign (alignment, size);
    }

    int posix_memalign (void** out, std::size_t alignment, std::size_t size)
    {
        note();
        void* p = __libc_memalign (alignment, size);
        if (p == nullptr)
            return 12; // ENOMEM
        *out = p;
        return 0;
    }

    void free (void* p)
    {
        __libc_free (p);
    }
}
