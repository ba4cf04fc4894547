#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

#include "dsp/ParamInfo.h"
#include "dsp/RootList.h"

namespace Dsp
{

// Filter parameters: 0 sample rate (Hz), 1 order, 2 centre frequency (Hz),
// 3 bandwidth (Hz), 4 gain (dB); 5 to 7 are carried along unread.
using ParamValues = std::array<double, 8>;

// Abstract interface of a multi-channel filter whose design is chosen at
// compile time. Owners set parameters with assignParams, run blocks in place
// with processChannels and delete the object through this interface.
class Filter
{
public:
    Filter() = default;
    Filter(const Filter&) = delete;
    Filter(Filter&&) = delete;
    Filter& operator=(const Filter&) = delete;
    Filter& operator=(Filter&&) = delete;

    virtual ~Filter() = default;

    virtual int kindCode() const = 0;
    virtual std::string title() const = 0;
    virtual int paramCount() const = 0;
    virtual ParamInfo paramInfo(int index) const = 0;
    virtual std::vector<RootGroup> rootGroups() const = 0;
    virtual std::complex<double> responseAt(double normalizedFrequency) const = 0;
    virtual int channelCount() const = 0;
    virtual void clearHistory() = 0;
    virtual void processChannels(int numSamples, double* const* channels) = 0;
    virtual void processChannels(int numSamples, float* const* channels) = 0;

    // Stores the values in params, then applies them. Owners always go through
    // here: a glide steers toward params.
    void assignParams(const ParamValues& values)
    {
        params = values;
        applyParams(values);
    }

protected:
    virtual void applyParams(const ParamValues& values) = 0;

    ParamValues params;
};

} // namespace Dsp
