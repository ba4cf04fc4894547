// What the command needs to know about its process and console: whether
// standard error is a terminal (isatty on Linux, the console on Windows) and
// the largest resident memory so far (HostSystemLinux.cpp, HostSystemWindows.cpp).
#pragma once

#include <cstdint>

namespace velmohost
{
bool stderrIsTerminal();

// Peak resident memory of this process in bytes; 0 when unknown.
std::uint64_t peakResidentBytes();
} // namespace velmohost
