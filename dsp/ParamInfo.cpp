#include "dsp/ParamInfo.h"

#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>
#include <stdexcept>

#include "dsp/TruncateToInt.h"

namespace Dsp
{
namespace
{

double logBase15(double v)
{
    return std::log(v) / std::log(1.5);
}

std::ostringstream newStream()
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    return stream;
}

} // namespace

void throwBadParamUsage()
{
    throw std::logic_error("invalid usage of ParamInfo");
}

double ParamInfo::linearToUnit(double x) const
{
    return (x - lowest) / (highest - lowest);
}

double ParamInfo::unitToLinear(double u) const
{
    return (highest - lowest) * u + lowest;
}

double ParamInfo::unitToInteger(double u) const
{
    return std::floor((highest - lowest) * u + lowest + 0.5);
}

double ParamInfo::logToUnit(double x) const
{
    const double l = logBase15(lowest);
    return (logBase15(x) - l) / (logBase15(highest) - l);
}

double ParamInfo::unitToLog(double u) const
{
    const double l = logBase15(lowest);
    return std::pow(1.5, (logBase15(highest) - l) * u + l);
}

std::string ParamInfo::formatPlain(double x) const
{
    std::ostringstream stream = newStream();
    stream << truncateToInt(x);
    return stream.str();
}

std::string ParamInfo::formatHertz(double x) const
{
    std::ostringstream stream = newStream();
    stream << truncateToInt(x) << " Hz";
    return stream.str();
}

std::string ParamInfo::formatDecibels(double x) const
{
    // Precision follows the unrounded magnitude: 9.999 prints as 10.00.
    const double magnitude = std::fabs(x);
    const int places = magnitude < 1.0 ? 3 : (magnitude < 10.0 ? 2 : 1);
    std::ostringstream stream = newStream();
    stream << std::fixed << std::setprecision(places) << x << " dB";
    return stream.str();
}

} // namespace Dsp
