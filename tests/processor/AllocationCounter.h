// Counts the calls of the C allocator (malloc and its kin, which operator new
// and JUCE's buffers use) that the calling thread makes between start() and
// stop(). Linux: glibc lets a program define malloc itself
// (AllocationCounterLinux.cpp). Windows: the linker routes every reference to
// the allocator through wrappers (AllocationCounterWindows.cpp, linked with
// --wrap options).
#pragma once

namespace AllocationCounter
{
    void start() noexcept;
    int stop() noexcept;
}
