// How much memory this process has resident, for tests that look for leaks:
// /proc on Linux (ProcessMemoryLinux.cpp), the process's working set on
// Windows (ProcessMemoryWindows.cpp).
#pragma once

namespace PluginTest
{
long residentKilobytes();
}
