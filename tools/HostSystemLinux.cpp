#include "tools/HostSystem.h"

#include <sys/resource.h>
#include <unistd.h>

namespace velmohost
{
bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

std::uint64_t peakResidentBytes()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024u; // kilobytes on Linux
}
} // namespace velmohost
