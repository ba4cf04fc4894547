#include "tools/HostSystem.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <io.h>

namespace velmohost
{
bool stderrIsTerminal()
{
    // A console, not a file or pipe (_isatty also says yes for the NUL device).
    DWORD mode = 0;
    return _isatty(_fileno(stderr)) != 0 && GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::uint64_t peakResidentBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<std::uint64_t>(counters.PeakWorkingSetSize);
}
} // namespace velmohost
