// The audio thread in steady state, stereo and mono, and while Color
// changes: the plug-in allocates nothing, waits for no lock and makes no
// system call there. Color set from another host thread re-designs the
// filter under the processor's callback lock, which the audio thread then
// may wait for: those waits are measured and printed.
//
// This program replaces the C allocator (with the allocation counter of
// tests/support, as the processor's allocation test does) and the blocking
// calls of the thread library: mutex and read-write lock acquisition (a wait
// is an acquisition that a try could not make at once, timed), condition and
// semaphore waits, sleeps and yields. It exports them, so that the plug-in
// library, loaded later, binds to them too. The audio thread is a thread of
// its own, which counts every system call it makes through a seccomp filter
// that traps them. Only the audio thread is watched, and only while it is
// inside the plug-in: the test host's own work in its callback is left out.
#include "ValidationSupport.h"
#include "tests/support/AllocationCounter.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <ucontext.h>
#endif

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

namespace
{
namespace allocations = testsupport::allocations;

std::atomic<long> waits{0};
std::atomic<long> systemCalls{0};
// The longest and the total time of the waits counted, in nanoseconds.
std::atomic<long long> longestWaitNs{0};
std::atomic<long long> totalWaitNs{0};

// The thread the allocation counter watches, while it is not inside the
// test host's callback, is watched for waits and system calls too.
bool watched()
{
    return allocations::counting();
}

// Watches the calling thread from construction to destruction, without
// clearing the counts.
struct Watching
{
    Watching()
    {
        allocations::leaveOutWhile(velmohost::insideHostCallback);
        allocations::resume();
    }
    ~Watching() { allocations::pause(); }
};

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

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A counted wait: the blocking call, timed.
template <typename Call>
int timedWait(Call&& call)
{
    ++waits;
    const auto start = nowNs();
    const int result = call();
    const auto took = nowNs() - start;
    totalWaitNs += took;
    for (auto longest = longestWaitNs.load(std::memory_order_relaxed); took > longest;)
        if (longestWaitNs.compare_exchange_weak(longest, took, std::memory_order_relaxed))
            break;
    return result;
}

#if defined(__x86_64__)
// System calls of one thread, counted: a seccomp filter on that thread traps
// every system call but those made from rawSystemCall (and the return from
// the signal handler); the handler counts the call, when watched, and makes
// it through rawSystemCall with the registers of the trapped one.
extern "C" long velmoValidationRawSystemCall(long number, long, long, long, long, long, long);
extern "C" char velmoValidationRawSystemCallReturn[];
asm(R"(
    .text
    .type velmoValidationRawSystemCall,@function
velmoValidationRawSystemCall:
    movq %rdi, %rax
    movq %rsi, %rdi
    movq %rdx, %rsi
    movq %rcx, %rdx
    movq %r8, %r10
    movq %r9, %r8
    movq 8(%rsp), %r9
    syscall
velmoValidationRawSystemCallReturn:
    ret
    .size velmoValidationRawSystemCall, .-velmoValidationRawSystemCall
)");

// The first system calls counted, by number, to say which they were.
std::atomic<long> firstSystemCalls[8];

void onTrappedSystemCall(int, siginfo_t* info, void* context)
{
    auto& r = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
    if (watched())
    {
        const long n = systemCalls++;
        if (n < static_cast<long>(std::size(firstSystemCalls)))
            firstSystemCalls[n] = info->si_syscall;
    }
    r[REG_RAX] = velmoValidationRawSystemCall(
        info->si_syscall, r[REG_RDI], r[REG_RSI], r[REG_RDX], r[REG_R10], r[REG_R8], r[REG_R9]);
}

// Counts the system calls of the calling thread from now until it ends; an
// empty answer when it does, else why it cannot.
std::string countSystemCallsOfThisThread()
{
    static const bool handlerInstalled = []
    {
        struct sigaction action
        {
        };
        action.sa_sigaction = onTrappedSystemCall;
        action.sa_flags = SA_SIGINFO;
        return sigaction(SIGSYS, &action, nullptr) == 0;
    }();
    if (!handlerInstalled)
        return "no handler for SIGSYS";

    const auto allowedFrom = reinterpret_cast<std::uint64_t>(velmoValidationRawSystemCallReturn);
    sock_filter filter[] = {
        /* 0 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        /* 1 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        /* 2 */ BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS), // another architecture's call: never made
        /* 3 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        /* 4 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rt_sigreturn, 4, 0),
        /* 5 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, instruction_pointer)),
        /* 6 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(allowedFrom), 0, 3),
        /* 7 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, instruction_pointer) + 4),
        /* 8 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(allowedFrom >> 32), 0, 1),
        /* 9 */ BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        /* 10 */ BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};

    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return std::string("no_new_privs: ") + std::strerror(errno);
    if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0)
        return std::string("seccomp: ") + std::strerror(errno);
    return {};
}

std::string systemCallNames()
{
    std::string names;
    const long n = std::min(systemCalls.load(), static_cast<long>(std::size(firstSystemCalls)));
    for (long i = 0; i < n; ++i)
        names += (i > 0 ? " " : "") + std::to_string(firstSystemCalls[i].load());
    return names;
}
#else
std::string countSystemCallsOfThisThread()
{
    return "counted on x86-64 only";
}

std::string systemCallNames()
{
    return {};
}
#endif
} // namespace

extern "C"
{
    int pthread_mutex_lock(pthread_mutex_t* m)
    {
        if (watched())
        {
            if (pthread_mutex_trylock(m) == 0)
                return 0;
            return timedWait([m] { return VALIDATION_NEXT(pthread_mutex_lock)(m); });
        }
        return VALIDATION_NEXT(pthread_mutex_lock)(m);
    }

    int pthread_rwlock_rdlock(pthread_rwlock_t* l)
    {
        if (watched())
        {
            if (pthread_rwlock_tryrdlock(l) == 0)
                return 0;
            return timedWait([l] { return VALIDATION_NEXT(pthread_rwlock_rdlock)(l); });
        }
        return VALIDATION_NEXT(pthread_rwlock_rdlock)(l);
    }

    int pthread_rwlock_wrlock(pthread_rwlock_t* l)
    {
        if (watched())
        {
            if (pthread_rwlock_trywrlock(l) == 0)
                return 0;
            return timedWait([l] { return VALIDATION_NEXT(pthread_rwlock_wrlock)(l); });
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
    long blocks = 0, allocations = 0, waits = 0, systemCalls = 0;
    double longestWaitUs = 0.0, totalWaitUs = 0.0;
    std::string systemCallsNotCounted; // why, when they were not counted
    std::string firstSystemCalls;      // their numbers
};

struct BlockRun
{
    int channels = 2;
    int blockSize = 256;
    int blocks = 2000;
    int subBlockSize = 0;             // the host's automation points: 0 for none
    bool realTime = false;            // a block every blockSize / 44100 seconds, as a device asks
    std::function<void(int)> between; // after every watched sub-block, with its number
};

// Runs a few blocks, then run.blocks more, watched, on an audio thread of its
// own whose system calls are counted. Each watched block goes to the plug-in
// in sub-blocks (as hosts split blocks at automation points), with
// run.between called after each, on the audio thread and watched.
Counts watchBlocks(Plugin& plugin, const BlockRun& run)
{
    const int channels = run.channels, blockSize = run.blockSize;
    const int subBlockSize = run.subBlockSize > 0 ? run.subBlockSize : blockSize;
    std::vector<std::vector<float>> in(
        static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(blockSize)));
    auto out = in;
    auto fill = [&](int block)
    {
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < blockSize; ++i)
                in[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    programme(c, static_cast<long>(block) * blockSize + i, 0.8f);
    };
    auto pointers = [&](std::vector<std::vector<float>>& buffers, int offset)
    {
        std::vector<float*> p;
        for (auto& b : buffers)
            p.push_back(b.data() + offset);
        return p;
    };

    Counts counts;
    std::thread audio(
        [&]
        {
            counts.systemCallsNotCounted = countSystemCallsOfThisThread();

            for (int k = 0; k < 8; ++k)
            {
                fill(k);
                plugin.processReplacing(pointers(in, 0).data(), pointers(out, 0).data(), blockSize);
            }

            // Every pointer the watched blocks need, made before.
            std::vector<std::vector<float*>> ins, outs;
            for (int offset = 0; offset < blockSize; offset += subBlockSize)
            {
                ins.push_back(pointers(in, offset));
                outs.push_back(pointers(out, offset));
            }
            const auto period = std::chrono::duration<double>(blockSize / 44100.0);
            auto next = std::chrono::steady_clock::now();

            allocations::clear();
            waits = 0;
            systemCalls = 0;
            longestWaitNs = 0;
            totalWaitNs = 0;
            int subBlock = 0;
            for (int k = 0; k < run.blocks; ++k)
            {
                if (run.realTime)
                {
                    next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
                    std::this_thread::sleep_until(next);
                }
                fill(k);
                for (std::size_t s = 0; s < ins.size(); ++s)
                {
                    const int n = std::min(subBlockSize, blockSize - static_cast<int>(s) * subBlockSize);
                    const Watching watching;
                    plugin.processReplacing(ins[s].data(), outs[s].data(), n);
                    if (run.between)
                        run.between(subBlock++);
                }
            }

            counts.blocks = run.blocks;
            counts.allocations = allocations::count();
            counts.waits = waits.load();
            counts.systemCalls = systemCalls.load();
            counts.firstSystemCalls = systemCallNames();
            counts.longestWaitUs = static_cast<double>(longestWaitNs.load()) / 1000.0;
            counts.totalWaitUs = static_cast<double>(totalWaitNs.load()) / 1000.0;
        });
    audio.join();
    return counts;
}

// No allocation, no wait and no system call on the audio thread (the last
// where they can be counted).
void expectRealTimeSafe(const Counts& counts)
{
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.waits, 0);
    if (counts.systemCallsNotCounted.empty())
        EXPECT_EQ(counts.systemCalls, 0) << "system call numbers: " << counts.firstSystemCalls;
    else
        std::printf("system calls not counted: %s\n", counts.systemCallsNotCounted.c_str());
}
} // namespace

TEST(ValidationRealtime, TheCountersSeeAllocationsWaitsAndSystemCalls)
{
    allocations::clear();
    waits = 0;
    longestWaitNs = 0;
    void* volatile p = nullptr; // volatile: the compiler may not leave out the pair of calls
    {
        const Watching watching;
        p = std::malloc(64);
    }
    std::free(p);
    EXPECT_EQ(allocations::count(), 1);

    pthread_mutex_t busy = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock(&busy);
    std::thread waiter(
        [&]
        {
            {
                const Watching watching;
                pthread_mutex_lock(&busy);
            }
            pthread_mutex_unlock(&busy);
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pthread_mutex_unlock(&busy);
    waiter.join();
    EXPECT_EQ(waits.load(), 1);
    EXPECT_GT(longestWaitNs.load(), 0);

    std::string notCounted;
    std::thread caller(
        [&]
        {
            notCounted = countSystemCallsOfThisThread();
            systemCalls = 0;
            long pid = 0;
            {
                const Watching watching;
                pid = syscall(SYS_getpid);
            }
            EXPECT_GT(pid, 0);
        });
    caller.join();
    if (notCounted.empty())
        EXPECT_EQ(systemCalls.load(), 1);
    else
        GTEST_SKIP() << "system calls not counted: " << notCounted;
}

TEST(ValidationRealtime, SteadyStateAllocatesNothingNeverWaitsAndMakesNoSystemCall)
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

        BlockRun run;
        run.channels = c.channels;
        if (c.colorChanges)
            run.between = [&](int k) { plugin->setParameter(2, static_cast<float>(k % 50) / 50.0f); };

        expectRealTimeSafe(watchBlocks(*plugin, run));
    }
}

// Color automated as hosts automate it: set on the audio thread between
// 32-sample sub-blocks of each block, a new value every time, so that every
// sub-block starts a new design and glide.
TEST(ValidationRealtime, ColorAutomatedBetweenSubBlocksNeverWaitsAllocatesOrCallsTheSystem)
{
    for (int channels : {2, 1})
    {
        SCOPED_TRACE(testing::Message() << channels << " channel(s)");
        auto plugin = openInstance();
        ASSERT_TRUE(plugin);
        plugin->setParameter(1, 0.6f);
        prepare(*plugin, channels, 44100.0, 512);

        BlockRun run;
        run.channels = channels;
        run.blockSize = 512;
        run.blocks = 500;
        run.subBlockSize = 32;
        const float odd[] = {-1.0f, 2.0f, std::nanf(""), std::numeric_limits<float>::infinity(), 1e30f};
        run.between = [&](int k)
        {
            plugin->setParameter(2, k % 10 == 9 ? odd[(k / 10) % 5] : static_cast<float>(k % 97) / 97.0f);
            ++figures().automationEvents;
        };

        expectRealTimeSafe(watchBlocks(*plugin, run));
    }
}

// Color set by another host thread while the audio thread runs: the new
// design is made on that thread under the processor's callback lock, which
// keeps it out of a running block, so a block that starts meanwhile waits
// for it. Nothing is allocated on the audio thread; how often and how long
// it waits is measured and printed: with Color changing as fast as the
// other thread can change it, and at a fast automation rate (every
// millisecond) with the audio paced as a device paces it.
TEST(ValidationRealtime, ColorFromAnotherThreadAllocatesNothingAndItsWaitsAreMeasured)
{
    struct Case
    {
        const char* what;
        bool realTime;
        int blocks;
        std::chrono::microseconds changeEvery;
    };
    const Case cases[] = {
        {"as fast as it can", false, 20000, std::chrono::microseconds(0)},
        {"every millisecond, audio in real time", true, 1378, std::chrono::microseconds(1000)},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        auto plugin = openInstance();
        ASSERT_TRUE(plugin);
        prepare(*plugin, 2, 44100.0, 64);

        std::atomic<bool> running{true};
        std::atomic<long> changes{0};
        std::thread host(
            [&]
            {
                for (int k = 0; running.load(); ++k)
                {
                    plugin->setParameter(2, static_cast<float>(k % 100) / 100.0f);
                    ++changes;
                    if (c.changeEvery.count() > 0)
                        std::this_thread::sleep_for(c.changeEvery);
                }
            });
        BlockRun run;
        run.blockSize = 64;
        run.blocks = c.blocks;
        run.realTime = c.realTime;
        const auto counts = watchBlocks(*plugin, run);
        running = false;
        host.join();
        figures().automationEvents += changes.load();

        EXPECT_EQ(counts.allocations, 0);
        std::printf("Color from another thread, %s: %ld blocks of 64 samples, %ld Color changes; the audio thread "
                    "waited %ld times (%.2f%% of blocks), longest %.1f us, %.1f us in all; %s system calls\n",
            c.what, counts.blocks, changes.load(), counts.waits,
            100.0 * static_cast<double>(counts.waits) / static_cast<double>(counts.blocks), counts.longestWaitUs,
            counts.totalWaitUs,
            counts.systemCallsNotCounted.empty() ? std::to_string(counts.systemCalls).c_str() : "uncounted");
    }
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
        allocations::clearLargest();
        prepare(*plugin, 1, 44100.0, announced);
        EXPECT_LT(allocations::largest(), std::size_t{64} << 20);
    }

    OutputCheck check(peakLimit(0.5f));
    runBlocks(
        *plugin, {programme(1, 3000)[0]}, [] { return 3000; },
        [&](long, int n, float* const* out) { check.check(out[0], n); });
    EXPECT_TRUE(check.clean()) << check.report();
    EXPECT_GT(check.peak, 0.1f);
}
