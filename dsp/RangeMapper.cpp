#include "dsp/RangeMapper.h"

#include <cmath>

namespace
{
// Line through (center, 0): the slope quotient first, then the distance, sign last.
float mapAroundCenter(float x, float center, float below, float above)
{
    if (center > x)
        return (below / center) * (center - x) * -1.0f;
    if (x > center)
        return (above / center) * (x - center);
    return 0.0f;
}
} // namespace

float RangeMapper::mapValue(float x) const
{
    if (std::isnan(x))
        return 0.0f;

    if (x > maxInput)
        x = maxInput;
    if (x < minInput)
        x = minInput;

    switch (mode)
    {
        case modeSymmetric:
            return mapAroundCenter(x, center, scale, scale);
        case modeLinear:
            return x * scale;
        case modeAsymmetric:
            return mapAroundCenter(x, center, downRange, upRange);
        default:
            return 0.0f;
    }
}
