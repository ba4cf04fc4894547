#pragma once

#include <complex>
#include <string>
#include <vector>

#include "dsp/DirectFormI.h"
#include "dsp/Filter.h"
#include "dsp/TruncateToInt.h"

namespace Dsp
{

// The design-only half of a Filter: describes and configures one design.
template <class DesignType>
class FilterDesignBase : public Filter
{
public:
    int kindCode() const override { return DesignType::kindCode(); }
    std::string title() const override { return DesignType::title(); }
    int paramCount() const override { return DesignType::paramCount(); }
    ParamInfo paramInfo(int index) const override { return DesignType::paramInfo(index); }
    std::vector<RootGroup> rootGroups() const override { return design.collectRootGroups(); }

    std::complex<double> responseAt(double normalizedFrequency) const override
    {
        return design.cascade.evaluateResponse(normalizedFrequency);
    }

protected:
    FilterDesignBase() = default;

    // Order values[1] truncated toward zero; sample rate, centre, bandwidth, gain.
    static void configureFrom(DesignType& target, const ParamValues& values)
    {
        target.configure(truncateToInt(values[1]), values[0], values[2], values[3], values[4]);
    }

    void applyParams(const ParamValues& values) override { configureFrom(design, values); }

    DesignType design;
};

// A design run on Channels channels, each with one StateType per section.
template <class DesignType, int Channels, class StateType>
class FilterDesign : public FilterDesignBase<DesignType>
{
    static_assert(Channels >= 1, "a filter needs at least one channel");

public:
    using History = ChannelHistory<StateType, DesignType::maxSections>;

    FilterDesign() = default;

    int channelCount() const override { return Channels; }

    void clearHistory() override
    {
        for (History& history : histories)
            history.clear();
    }

    void processChannels(int numSamples, double* const* channels) override { processPlain(numSamples, channels); }
    void processChannels(int numSamples, float* const* channels) override { processPlain(numSamples, channels); }

protected:
    template <class Sample>
    void processPlain(int numSamples, Sample* const* channels)
    {
        // Until the first parameters arrive there is nothing to filter with.
        if (this->design.cascade.sectionCount < 1)
            return;
        filterBlock<Channels>(histories, channels, 0, numSamples, this->design.cascade);
        clearNonFiniteHistories();
    }

    // A non-finite sample would stay in its channel's recursion for good: such
    // a history is cleared after the block, so the next block starts clean.
    void clearNonFiniteHistories()
    {
        for (History& history : histories)
            if (!history.isFinite())
                history.clear();
    }

    History histories[Channels];
};

} // namespace Dsp
