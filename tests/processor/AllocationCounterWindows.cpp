#include "tests/processor/AllocationCounter.h"

#include <windows.h>

#include <atomic>
#include <cstddef>

// The real functions, reached through the linker's --wrap=NAME: every other
// reference to NAME in the program (libstdc++ and JUCE included) lands in
// __wrap_NAME below.
extern "C"
{
    void* __real_malloc (std::size_t);
    void* __real_calloc (std::size_t, std::size_t);
    void* __real_realloc (void*, std::size_t);
    void* __real__aligned_malloc (std::size_t, std::size_t);
}

namespace
{
    // No thread_local here: MinGW's thread-local storage itself allocates.
    std::atomic<DWORD> countingThread { 0 };
    std::atomic<int> allocations { 0 };

    void note()
    {
        if (countingThread.load (std::memory_order_relaxed) == GetCurrentThreadId())
            ++allocations;
    }
}

void AllocationCounter::start() noexcept
{
    allocations = 0;
    countingThread = GetCurrentThreadId();
}

int AllocationCounter::stop() noexcept
{
    countingThread = 0;
    return allocations;
}

extern "C"
{
    void* __wrap_malloc (std::size_t size)
    {
        note();
        return __real_malloc (size);
    }

    void* __wrap_calloc (std::size_t count, std::size_t size)
    {
        note();
        return __real_calloc (count, size);
    }

    void* __wrap_realloc (void* p, std::size_t size)
    {
        note();
        return __real_realloc (p, size);
    }

    void* __wrap__aligned_malloc (std::size_t size, std::size_t alignment)
    {
        note();
        return __real__aligned_malloc (size, alignment);
    }
}
