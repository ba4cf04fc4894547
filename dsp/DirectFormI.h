#pragma once

#include <cmath>

#include "dsp/SectionChain.h"

namespace Dsp
{

// Direct-form-I history of one section of one channel.
struct DirectFormI
{
    DirectFormI() : x2(0.0), y2(0.0), x1(0.0), y1(0.0) {}

    void reset()
    {
        x2 = 0.0;
        y2 = 0.0;
        x1 = 0.0;
        y1 = 0.0;
    }

    // One sample through one section; a0 is taken as 1 and not read.
    double filterSection(double x, const SectionCoeffs& c, double offset) noexcept
    {
        const double out = c.b1 * x1 + c.b0 * x + c.b2 * x2 - c.a1 * y1 - c.a2 * y2 + offset;
        x2 = x1;
        y2 = y1;
        x1 = x;
        y1 = out;
        return out;
    }

    double x2;
    double y2;
    double x1;
    double y1;
};

// State of one channel: an alternating +-1e-8 offset fed into the first
// section (keeps the recursion clear of subnormals in silence) and one
// StateType per section. Points into itself, so it is neither copied nor moved.
template <class StateType, int MaxSections>
class ChannelHistory
{
public:
    static constexpr int maxSections = MaxSections;

    ChannelHistory() : denormalOffset(1e-8), sectionStates(storage) { clear(); }

    ChannelHistory(const ChannelHistory&) = delete;
    ChannelHistory(ChannelHistory&&) = delete;
    ChannelHistory& operator=(const ChannelHistory&) = delete;
    ChannelHistory& operator=(ChannelHistory&&) = delete;

    // Zeroes every section's history; the offset keeps its sign.
    void clear()
    {
        for (int k = 0; k < MaxSections; ++k)
            sectionStates[k].reset();
    }

    // The cascade must have at least one section. Everything runs in double.
    double filterSample(double sample, const SectionChain& cascade) noexcept
    {
        denormalOffset = -denormalOffset;
        double out = sectionStates[0].filterSection(sample, cascade.sections[0], denormalOffset);
        if constexpr (MaxSections > 1)
        {
            // Never past this history's own storage.
            const int count = cascade.sectionCount < MaxSections ? cascade.sectionCount : MaxSections;
            for (int k = 1; k < count; ++k)
                out = sectionStates[k].filterSection(out, cascade.sections[k], 0.0);
        }
        return out;
    }

    float filterSample(float sample, const SectionChain& cascade) noexcept
    {
        return static_cast<float>(filterSample(static_cast<double>(sample), cascade));
    }

    // True when every section's history is finite.
    bool isFinite() const
    {
        for (int k = 0; k < MaxSections; ++k)
        {
            const StateType& s = sectionStates[k];
            if (!(std::isfinite(s.x1) && std::isfinite(s.x2) && std::isfinite(s.y1) && std::isfinite(s.y2)))
                return false;
        }
        return true;
    }

    double denormalOffset;
    StateType* sectionStates;

private:
    StateType storage[MaxSections];
};

// Runs samples [begin, end) of every channel in place through one cascade.
// Channels are independent, so they run side by side, sample by sample; a
// one-section cascade keeps its histories in locals for the run. An empty
// range does nothing.
template <int Channels, class History, class Sample>
void filterBlock(History* histories, Sample* const* channels, int begin, int end, const SectionChain& cascade)
{
    if (begin >= end)
        return;

    if (cascade.sectionCount != 1)
    {
        for (int j = begin; j < end; ++j)
            for (int c = 0; c < Channels; ++c)
                channels[c][j] = histories[c].filterSample(channels[c][j], cascade);
        return;
    }

    const SectionCoeffs k = cascade.sections[0];
    DirectFormI s[Channels];
    double offset[Channels];
    for (int c = 0; c < Channels; ++c)
    {
        s[c] = histories[c].sectionStates[0];
        offset[c] = histories[c].denormalOffset;
    }
    for (int j = begin; j < end; ++j)
        for (int c = 0; c < Channels; ++c)
        {
            offset[c] = -offset[c];
            channels[c][j] = static_cast<Sample>(s[c].filterSection(static_cast<double>(channels[c][j]), k, offset[c]));
        }
    for (int c = 0; c < Channels; ++c)
    {
        histories[c].sectionStates[0] = s[c];
        histories[c].denormalOffset = offset[c];
    }
}

} // namespace Dsp
