// Counts allocations, so that a test can show what a piece of code allocates
// (or that it allocates nothing). One counter, reached in one of two ways; a
// test program links exactly one of the two libraries:
//
//   velmo_count_operator_new  replaces the global operator new and delete
//       (CountOperatorNew.cpp): every platform, and the sanitized builds,
//       whose allocator stays in place.
//   velmo_count_c_allocator   catches the C allocator itself (malloc and its
//       kin, which operator new and JUCE's buffers use): on Linux the program
//       defines malloc and reaches glibc's through __libc_malloc
//       (CountCAllocatorLinux.cpp); on Windows the linker routes every call
//       through --wrap wrappers (CountCAllocatorWindows.cpp). Not with a
//       sanitizer, which brings its own allocator.
//
// Calls are counted for one thread (the one that started counting) or for
// every thread. Nothing here allocates, locks or makes a system call, so the
// hooks are safe to run anywhere, a signal handler included.
#pragma once

#include <cstddef>

namespace testsupport::allocations
{
enum class Threads
{
    calling, // the thread that starts counting
    every
};

/// Clears the counts, then counts the calls of `threads` until stop().
void start(Threads threads = Threads::calling) noexcept;

/// Counts nothing more and answers count(). The counts stay readable.
long stop() noexcept;

/// Counting off and on again without clearing the counts, as around each
/// piece of work that is watched.
void pause() noexcept;
void resume(Threads threads = Threads::calling) noexcept;

/// Clears the counts (not largest()).
void clear() noexcept;

/// Whether an allocation made here and now would be counted.
bool counting() noexcept;

/// Leaves out the calls made while `excluded` answers true (nullptr: none).
void leaveOutWhile(bool (*excluded)()) noexcept;

long count() noexcept;           // allocations counted
long releases() noexcept;        // releases of blocks (not of null pointers) counted
std::size_t lastSize() noexcept; // the size asked for by the last allocation counted

/// The largest single allocation on any thread since clearLargest(), counted or not.
std::size_t largest() noexcept;
void clearLargest() noexcept;

/// start() for the length of a scope.
class Scope
{
public:
    explicit Scope(Threads threads = Threads::calling) noexcept { start(threads); }
    ~Scope() { stop(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

/// For the hooks: report each call to the allocator.
void noteAllocation(std::size_t bytes) noexcept;
void noteRelease(const void* block) noexcept;
} // namespace testsupport::allocations
