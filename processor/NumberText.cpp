#include "processor/NumberText.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace NumberText
{
juce::String twoDecimals(double value)
{
    // juce::String (double, 2) rounds correctly except that it sends exact
    // ties to the even neighbour; for a tie, hand it the value already
    // rounded away from zero. value * 100 is exact for any float input.
    const double scaled = value * 100.0;

    if (scaled - std::floor(scaled) == 0.5)
        return juce::String(std::round(scaled) / 100.0, 2);

    return juce::String(value, 2);
}

juce::String significantDigits20(double value)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(20);
    out << value;
    return juce::String(out.str());
}
}
