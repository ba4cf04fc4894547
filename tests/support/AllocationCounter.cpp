#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace testsupport::allocations
{
namespace
{
// No thread_local and no std::this_thread: on Windows both allocate the first
// time a thread uses them, which would call the allocator from inside it.
std::uintptr_t thisThread() noexcept
{
#ifdef _WIN32
    return GetCurrentThreadId();
#else
    return static_cast<std::uintptr_t>(pthread_self());
#endif
}

constexpr std::uintptr_t noThread = 0;
constexpr std::uintptr_t everyThread = ~std::uintptr_t{0};

std::atomic<std::uintptr_t> countedThread{noThread};
std::atomic<bool (*)()> exclusion{nullptr};
std::atomic<long> allocationCount{0};
std::atomic<long> releaseCount{0};
std::atomic<std::size_t> lastSizeCounted{0};
std::atomic<std::size_t> largestSize{0};

std::uintptr_t threadFor(Threads threads) noexcept
{
    return threads == Threads::every ? everyThread : thisThread();
}
} // namespace

void start(Threads threads) noexcept
{
    pause();
    clear();
    resume(threads);
}

long stop() noexcept
{
    pause();
    return count();
}

void pause() noexcept
{
    countedThread = noThread;
}

void resume(Threads threads) noexcept
{
    countedThread = threadFor(threads);
}

void clear() noexcept
{
    allocationCount = 0;
    releaseCount = 0;
    lastSizeCounted = 0;
}

bool counting() noexcept
{
    const std::uintptr_t counted = countedThread.load(std::memory_order_relaxed);
    if (counted == noThread || (counted != everyThread && counted != thisThread()))
        return false;
    const auto excluded = exclusion.load(std::memory_order_relaxed);
    return excluded == nullptr || !excluded();
}

void leaveOutWhile(bool (*excluded)()) noexcept
{
    exclusion = excluded;
}

long count() noexcept
{
    return allocationCount.load();
}

long releases() noexcept
{
    return releaseCount.load();
}

std::size_t lastSize() noexcept
{
    return lastSizeCounted.load();
}

std::size_t largest() noexcept
{
    return largestSize.load();
}

void clearLargest() noexcept
{
    largestSize = 0;
}

void noteAllocation(std::size_t bytes) noexcept
{
    for (auto seen = largestSize.load(std::memory_order_relaxed); bytes > seen;)
        if (largestSize.compare_exchange_weak(seen, bytes, std::memory_order_relaxed))
            break;
    if (counting())
    {
        allocationCount.fetch_add(1, std::memory_order_relaxed);
        lastSizeCounted.store(bytes, std::memory_order_relaxed);
    }
}

void noteRelease(const void* block) noexcept
{
    if (block != nullptr && counting())
        releaseCount.fetch_add(1, std::memory_order_relaxed);
}
} // namespace testsupport::allocations
