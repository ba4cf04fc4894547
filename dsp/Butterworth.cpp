#include "dsp/Butterworth.h"

namespace Dsp
{
namespace Butterworth
{
namespace Design
{

ParamInfo bandShelfParamInfo(int index)
{
    switch (index)
    {
        case 0:
            return {tagFs, "Fs", "Sample Rate", 11025.0, 192000.0, 44100.0, &ParamInfo::linearToUnit,
                &ParamInfo::unitToLinear, &ParamInfo::formatHertz};
        case 1:
            // The default lies above the range; the design takes order 1 only.
            return {tagOrder, "Order", "Order", 1.0, 1.0, 2.0, &ParamInfo::linearToUnit, &ParamInfo::unitToInteger,
                &ParamInfo::formatPlain};
        case 2:
            return {tagFc, "Fc", "Center Frequency", 10.0, 22040.0, 2000.0, &ParamInfo::logToUnit,
                &ParamInfo::unitToLog, &ParamInfo::formatHertz};
        case 3:
            return {tagBwHz, "BW", "Bandwidth (Hz)", 10.0, 22040.0, 1720.0, &ParamInfo::logToUnit,
                &ParamInfo::unitToLog, &ParamInfo::formatHertz};
        case 4:
            return {tagGain, "Gain", "Gain", -24.0, 24.0, -6.0, &ParamInfo::linearToUnit, &ParamInfo::unitToLinear,
                &ParamInfo::formatDecibels};
        default:
            throwBadParamUsage();
    }
}

} // namespace Design
} // namespace Butterworth
} // namespace Dsp
