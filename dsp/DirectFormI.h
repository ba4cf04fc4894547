#pragma once

#include <cmath>

#include "dsp/SectionChain.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define DIRECT_FORM_I_SSE2 1
#endif

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

// Samples [start, start + count) of every channel in place, sample k through
// its own section sections[k], each channel with its history state[c] and
// alternating offset offset[c] (flipped before each sample). Two channels run
// as the two lanes of packed doubles, each lane with filterSection's
// operations in its order.
template <int Channels, class Sample>
void filterThroughSections(DirectFormI* state, double* offset, const SectionCoeffs* sections, Sample* const* channels,
    int start, int count) noexcept
{
#if DIRECT_FORM_I_SSE2
    if constexpr (Channels == 2)
    {
        __m128d x1 = _mm_set_pd(state[1].x1, state[0].x1), x2 = _mm_set_pd(state[1].x2, state[0].x2);
        __m128d y1 = _mm_set_pd(state[1].y1, state[0].y1), y2 = _mm_set_pd(state[1].y2, state[0].y2);
        __m128d off = _mm_set_pd(offset[1], offset[0]);
        Sample* const left = channels[0] + start;
        Sample* const right = channels[1] + start;
        for (int k = 0; k < count; ++k)
        {
            const SectionCoeffs& c = sections[k];
            off = _mm_xor_pd(off, _mm_set1_pd(-0.0));
            const __m128d in = _mm_set_pd(static_cast<double>(right[k]), static_cast<double>(left[k]));
            __m128d y = _mm_mul_pd(_mm_set1_pd(c.b1), x1);
            y = _mm_add_pd(y, _mm_mul_pd(_mm_set1_pd(c.b0), in));
            y = _mm_add_pd(y, _mm_mul_pd(_mm_set1_pd(c.b2), x2));
            y = _mm_sub_pd(y, _mm_mul_pd(_mm_set1_pd(c.a1), y1));
            y = _mm_sub_pd(y, _mm_mul_pd(_mm_set1_pd(c.a2), y2));
            y = _mm_add_pd(y, off);
            x2 = x1;
            y2 = y1;
            x1 = in;
            y1 = y;
            left[k] = static_cast<Sample>(_mm_cvtsd_f64(y));
            right[k] = static_cast<Sample>(_mm_cvtsd_f64(_mm_unpackhi_pd(y, y)));
        }
        alignas(16) double v[2];
        auto split = [&v](__m128d value, double& l, double& r)
        {
            _mm_store_pd(v, value);
            l = v[0];
            r = v[1];
        };
        split(x1, state[0].x1, state[1].x1);
        split(x2, state[0].x2, state[1].x2);
        split(y1, state[0].y1, state[1].y1);
        split(y2, state[0].y2, state[1].y2);
        split(off, offset[0], offset[1]);
        return;
    }
#endif
    for (int k = 0; k < count; ++k)
        for (int c = Channels - 1; c >= 0; --c)
        {
            offset[c] = -offset[c];
            Sample& x = channels[c][start + k];
            x = static_cast<Sample>(state[c].filterSection(static_cast<double>(x), sections[k], offset[c]));
        }
}

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
