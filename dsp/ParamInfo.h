#pragma once

#include <cstdint>
#include <string>

namespace Dsp
{

// Kind of a filter parameter. The values are part of the interface.
enum ParamTag : std::int32_t
{
    tagFs = 0,   // sample rate
    tagFc = 1,   // centre frequency
    tagBwHz = 4, // bandwidth in Hz
    tagGain = 5, // gain in dB
    tagOrder = 7 // order
};

// Describes one filter parameter: range, default, conversions between native
// values and a 0..1 position, and display text. Plain value, copied freely.
// The conversions run on the record that holds them, so they use its range.
struct ParamInfo
{
    using Conversion = double (ParamInfo::*)(double) const;
    using Formatter = std::string (ParamInfo::*)(double) const;

    ParamTag tag;
    const char* shortLabel;
    const char* displayName;
    double lowest;
    double highest;
    double defaultValue;
    Conversion toUnit;
    Conversion fromUnit;
    Formatter formatText;

    // Calls through the record's own operation pointers.
    double valueToUnit(double nativeValue) const { return (this->*toUnit)(nativeValue); }
    double unitToValue(double unitValue) const { return (this->*fromUnit)(unitValue); }
    std::string valueToText(double nativeValue) const { return (this->*formatText)(nativeValue); }

    // None of the conversions clamps its input or its result.
    double linearToUnit(double x) const;
    double unitToLinear(double u) const;
    double unitToInteger(double u) const;
    double logToUnit(double x) const;
    double unitToLog(double u) const;

    std::string formatPlain(double x) const;
    std::string formatHertz(double x) const;
    std::string formatDecibels(double x) const;
};

// Throws std::logic_error("invalid usage of ParamInfo").
[[noreturn]] void throwBadParamUsage();

} // namespace Dsp
