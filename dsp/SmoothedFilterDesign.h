#pragma once

#include <algorithm>
#include <cstdint>

#include "dsp/FilterDesign.h"

namespace Dsp
{

// A FilterDesign whose parameter changes glide. A change takes effect at once
// in the main design, but the next glideLength samples run through a second
// design whose parameters move in a straight line toward the new values and
// which is re-designed for every glided sample.
template <class DesignType, int Channels, class StateType>
class SmoothedFilterDesign : public FilterDesign<DesignType, Channels, StateType>
{
    using Base = FilterDesign<DesignType, Channels, StateType>;

public:
    // A change glides over this many samples.
    static constexpr std::int32_t glideSamples = 1024;
    // glideRemaining until the first parameters (any negative count reads
    // so): no design to glide from.
    static constexpr std::int32_t noParamsYet = -1;
    // The parameters that glide: sample rate, order, centre, bandwidth and
    // gain (ParamValues 0 to 4).
    static constexpr int glidedParams = 5;

    SmoothedFilterDesign() : glideLength(glideSamples), glideRemaining(noParamsYet) {}

    void processChannels(int numSamples, double* const* channels) override { processGliding(numSamples, channels); }
    void processChannels(int numSamples, float* const* channels) override { processGliding(numSamples, channels); }

protected:
    void applyParams(const ParamValues& values) override
    {
        if (glideRemaining < 0)
        {
            // First parameters: take effect at once.
            glideRemaining = 0;
            glideValues = values;
        }
        else
        {
            // Restart from the values in effect, toward the new target.
            glideRemaining = glideLength;
        }
        Base::configureFrom(this->design, values);
    }

    template <class Sample>
    void processGliding(int numSamples, Sample* const* channels)
    {
        const int steadyFrom = processGlidingPart(numSamples, channels);
        if (steadyFrom < numSamples)
            filterBlock<Channels>(this->histories, channels, steadyFrom, numSamples, this->design.cascade);
        this->clearNonFiniteHistories();
    }

public:
    // For owners that run the steady part of a block inside a loop of their
    // own; processChannels does all of this itself. Filters the gliding start
    // of the block and answers where the steady part begins: samples from
    // there to numSamples go, one by one and per channel, through the main
    // design's cascade with histories[c]. numSamples when there are no
    // parameters yet (nothing to filter with). endBlock() closes the block.
    template <class Sample>
    int processGlidingPart(int numSamples, Sample* const* channels)
    {
        // No parameters yet: nothing to filter with, the block passes unchanged.
        if (glideRemaining < 0)
            return std::max(numSamples, 0);

        const int count = std::min(numSamples, static_cast<int>(glideRemaining));
        if (count > 0)
        {
            const double r = 1.0 / glideRemaining;
            double step[glidedParams];
            for (int i = 0; i < glidedParams; ++i)
                step[i] = (this->params[i] - glideValues[i]) * r;

            if constexpr (DesignType::designsInBatches)
            {
                // The designs of several samples at once, then those samples;
                // the glide design ends configured for the last of them.
                constexpr int batch = DesignType::batchSize;
                double values[batch][glidedParams];
                SectionCoeffs sections[batch];
                double current[glidedParams];
                for (int i = 0; i < glidedParams; ++i)
                    current[i] = glideValues[i];
                for (int j0 = 0; j0 < count; j0 += batch)
                {
                    const int n = std::min(batch, count - j0);
                    // One parameter at a time, its value in a register.
                    for (int i = 0; i < glidedParams; ++i)
                    {
                        double value = current[i];
                        for (int k = 0; k < n; ++k)
                        {
                            value += step[i];
                            values[k][i] = value;
                        }
                        current[i] = value;
                    }
                    DesignType::designBatch(n, values, sections);
                    // filterSample on a one-section cascade, the histories in locals.
                    DirectFormI state[Channels];
                    double offset[Channels];
                    for (int c = 0; c < Channels; ++c)
                    {
                        state[c] = this->histories[c].sectionStates[0];
                        offset[c] = this->histories[c].denormalOffset;
                    }
                    filterThroughSections<Channels>(state, offset, sections, channels, j0, n);
                    for (int c = 0; c < Channels; ++c)
                    {
                        this->histories[c].sectionStates[0] = state[c];
                        this->histories[c].denormalOffset = offset[c];
                    }
                }
                for (int i = 0; i < glidedParams; ++i)
                    glideValues[i] = current[i];
                Base::configureFrom(glideDesign, glideValues);
            }
            else
            {
                for (int j = 0; j < count; ++j)
                {
                    for (int i = 0; i < glidedParams; ++i)
                        glideValues[i] += step[i];
                    Base::configureFrom(glideDesign, glideValues);
                    for (int c = Channels - 1; c >= 0; --c)
                        channels[c][j] = this->histories[c].filterSample(channels[c][j], glideDesign.cascade);
                }
            }

            glideRemaining -= count;
            if (glideRemaining == 0)
                glideValues = this->params; // end exactly on the target
        }
        return std::max(count, 0);
    }

    // How many samples at the start of a block of numSamples processGlidingPart
    // filters: all of them while there are no parameters yet.
    int glidingPartLength(int numSamples) const
    {
        const int count = glideRemaining < 0 ? numSamples : std::min(numSamples, static_cast<int>(glideRemaining));
        return std::max(count, 0);
    }

    const SectionChain& steadyCascade() const { return this->design.cascade; }
    typename Base::History& history(int channel) { return this->histories[channel]; }
    void endBlock() { this->clearNonFiniteHistories(); }

protected:
    ParamValues glideValues;
    DesignType glideDesign;
    std::int32_t glideLength;
    std::int32_t glideRemaining;
};

} // namespace Dsp
