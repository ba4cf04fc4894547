#pragma once

#include <limits>

namespace Dsp
{

// Truncates toward zero like a cast to int, but defined for every input:
// values beyond the int range saturate and NaN gives 0.
inline int truncateToInt(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<int>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace Dsp
