#include "ProcessMemory.h"

#include <windows.h>

#include <psapi.h>

namespace PluginTest
{
long residentKilobytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<long>(counters.WorkingSetSize / 1024);
}
} // namespace PluginTest
