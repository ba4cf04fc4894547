#pragma once

#include "dsp/maths/Maths.h"

#include <cmath>
#include <cstdint>
#include <limits>

// The nine integer settings of the compressor, in the order the owner applies them.
enum CompressorSetting : std::int32_t
{
    thresholdSetting = 0,  // threshold in dB
    ratioSetting = 1,      // ratio n (n:1 above the knee)
    makeupSetting = 2,     // fixed makeup gain in dB
    attackSetting = 3,     // attack time in ms
    releaseSetting = 4,    // release time in ms
    autoMakeupSetting = 5, // 0 off, else automatic makeup on
    kneeSetting = 6,       // knee width in percent of the threshold's distance below 0 dB
    unlinkedSetting = 7,   // 0 linked channels, else one gain per channel
    peakClipSetting = 8    // 0 raw detectors and no clipping, else peak hold and clip at +-0.999
};

// Stereo feed-forward compressor/limiter working in place, one sample at a time,
// in single precision.
//
// Preparing: set enabled and sampleRate, call resetState(), then applySetting()
// for all nine settings in order. Per block: set numSamples, call compressBlock().
// The owner serialises all calls; nothing here allocates or locks.
class Compressor
{
public:
    // Settings-derived values read per sample.
    struct Curve
    {
        float threshold;
        float kneeTop;
        float log2Ratio;
        float invKneeWidth;
        float invRatio;
        float kneeRise;
        float makeupGain;
        float attackWeight;
        float releaseWeight;
        float belowThreshold; // envelopes below this lie below the threshold
    };

    // Signal state of one channel, kept in locals for the length of a block.
    struct ChannelState
    {
        float envelope;
        float attackWeight;
        float releaseWeight;
        float gain;
        float prevGain;
        float smoothGain;
        float peak;
        std::int32_t holdCount;
    };

    // Everything a block reads and changes, copied out of the compressor for
    // the length of a block: begin() before the first sample, step() per
    // sample, end() after the last. Lets other stages run in the same loop.
    struct Run
    {
        Curve curve;
        ChannelState l, r;
        std::int32_t holdLength;

        template <bool isUnlinked, bool isPeakClip>
        inline void step(float& left, float& right) noexcept;
    };

    Run begin() const noexcept;
    // Stores the run's state back; linked runs leave the right envelope,
    // weights and gains untouched.
    void end(const Run& run, bool isUnlinked) noexcept;

    // Derives samplePeriod and holdLength from sampleRate and clears the
    // detector, envelope and gain state. Settings are left to applySetting().
    void resetState();

    // Stores one setting, then recomputes every derived value. An unknown
    // setting number stores nothing and still recomputes.
    void applySetting(CompressorSetting setting, std::int32_t value);

    // Processes numSamples samples of both channels in place.
    void compressBlock(float* left, float* right) noexcept;

    float* leftChannel = nullptr;
    float* rightChannel = nullptr;

    std::int32_t attackTimeMs = 0;
    std::int32_t releaseTimeMs = 0;
    std::int32_t ratio = 0;
    std::int32_t makeupDb = 0;
    std::int32_t thresholdDb = 0;
    std::int32_t autoMakeup = 0;
    std::int32_t unlinked = 0;
    std::int32_t kneePercent = 0;
    std::int32_t peakClip = 0;

    bool enabled = false;
    double sampleRate = 44100.0;
    double numSamples = 0.0;

    float envelopeR = 0.0f;
    float envelopeL = 0.0f; // the shared envelope when linked
    float threshold = 0.0f;
    float kneeWidth = 0.0f;
    float kneeTop = 0.0f;
    float kneeFraction = 0.0f;
    float ratioFactor = 0.0f;
    float log2Ratio = 0.0f;
    float autoMakeupDb = 0.0f;
    float autoMakeupGain = 1.0f;
    float makeupGain = 1.0f;
    float attackWeight = 0.0f;
    float attackWeightR = 0.0f;
    float attackWeightL = 0.0f;
    float releaseWeight = 0.0f;
    float releaseWeightR = 0.0f;
    float releaseWeightL = 0.0f;
    std::int32_t holdCountL = 0;
    std::int32_t holdCountR = 0;
    std::int32_t holdLength = 0;
    float gainR = 1.0f;
    float prevGainR = 1.0f;
    float gainL = 1.0f; // the shared gain when linked
    float prevGainL = 1.0f;
    float smoothGainL = 1.0f;
    float smoothGainR = 1.0f;
    float invLog2Ratio = 0.0f;
    float invRatio = 0.0f;
    float invKneeWidth = 0.0f;
    float kneeRise = 0.0f;
    float peakL = 0.0f;
    float peakR = 0.0f;
    float samplePeriod = 0.0f;
    float belowThreshold = 0.0f;

private:
    void updateDerivedValues();

    template <bool isUnlinked, bool isPeakClip>
    void processSamples(float* left, float* right) noexcept;
};

namespace CompressorDetail
{
// Single-precision values of these decimals, not ln 2 and ln 10 rounded.
constexpr float ln2 = 0.693147f;
constexpr float ln10 = 2.302585f;

constexpr float peakDecay = 0.9998f;
constexpr float detectorLimit = 20.0f;
constexpr float gainFloor = 0.00001f;
constexpr float clipLevel = 0.999f;

inline float dbToGain(float db) noexcept
{
    return Maths::exponential(db * ln10 / 20.0f);
}

// Peak hold: the peak stays for holdLength + 1 samples after the sample that
// set it, then decays per sample until a greater magnitude replaces it.
inline void holdPeak(Compressor::ChannelState& ch, float sample, std::int32_t holdLength) noexcept
{
    if (ch.holdCount > holdLength)
    {
        ch.holdCount = ch.holdCount - 1;
        ch.peak = ch.peak * peakDecay;
    }
    ch.holdCount = ch.holdCount + 1;
    const float magnitude = std::fabs(sample);
    if (magnitude > ch.peak)
    {
        ch.peak = magnitude;
        ch.holdCount = 0;
    }
}

// The static curve and the makeup for an envelope, before the gain floor.
inline float gainForEnvelope(float e, const Compressor::Curve& c) noexcept
{
    // Below belowThreshold the level in dB lies below the threshold whatever
    // the logarithm's last bit, so its gain is known without it.
    if (e < c.belowThreshold)
        return c.makeupGain;

    const float level = Maths::logarithm(e) * 20.0f / ln10;
    if (c.threshold > level)
        return c.makeupGain;
    if (c.kneeTop > level)
    {
        const float s = (c.log2Ratio - 1.0f) * (level - c.threshold) * c.invKneeWidth + 1.0f;
        return dbToGain((level - c.threshold) / s + c.threshold - level) * c.makeupGain;
    }
    return dbToGain((level - c.kneeTop) * c.invRatio + (c.threshold + c.kneeRise) - level) * c.makeupGain;
}

// Envelope follower with level-dependent weights, then the static curve.
inline float computeGain(Compressor::ChannelState& ch, float x, const Compressor::Curve& c) noexcept
{
    float e = ch.envelope;

    if (e < 0.9f)
    {
        ch.attackWeight = c.attackWeight;
        ch.releaseWeight = c.releaseWeight;
    }
    else if (e < 1.0f)
    {
        ch.attackWeight = (1.0f - c.attackWeight) * (e - 0.9f) * 10.0f + c.attackWeight;
        ch.releaseWeight = c.releaseWeight / ((e - 0.9f) * 9.0f + 1.0f);
    }
    else
    {
        ch.attackWeight = 1.0f;
        ch.releaseWeight = c.releaseWeight * 0.1f;
    }

    const float w = x > e ? ch.attackWeight : ch.releaseWeight;
    e = (1.0f - w) * e + w * x;
    ch.envelope = e;

    float g = gainForEnvelope(e, c);
    if (g < gainFloor)
        g = gainFloor;
    return g;
}

// Raw detector values are unbounded; a NaN or infinite one would leave the
// envelope non-finite for good, so it counts as silence.
inline float finiteOrZero(float x) noexcept
{
    return x <= std::numeric_limits<float>::max() ? x : 0.0f;
}

inline float clip(float x) noexcept
{
    if (x > clipLevel)
        x = clipLevel;
    if (x < -clipLevel)
        x = -clipLevel;
    return x;
}
} // namespace CompressorDetail

template <bool isUnlinked, bool isPeakClip>
inline void Compressor::Run::step(float& left, float& right) noexcept
{
    using namespace CompressorDetail;
    if constexpr (isPeakClip)
    {
        holdPeak(l, left, holdLength);
        holdPeak(r, right, holdLength);
        if (l.peak > detectorLimit)
            l.peak = detectorLimit;
        if (r.peak > detectorLimit)
            r.peak = detectorLimit;
    }
    else
    {
        l.peak = left;
        r.peak = right;
    }

    if constexpr (isUnlinked)
    {
        float x = std::fabs(r.peak);
        if constexpr (!isPeakClip)
            x = finiteOrZero(x);
        r.gain = computeGain(r, x, curve);
        r.smoothGain = 0.4f * r.gain + 0.6f * r.prevGain;
    }

    float x = isUnlinked ? std::fabs(l.peak) : (std::fabs(l.peak) + std::fabs(r.peak)) * 0.5f;
    if constexpr (!isPeakClip)
        x = finiteOrZero(x);
    l.gain = computeGain(l, x, curve);
    l.smoothGain = 0.4f * l.gain + 0.6f * l.prevGain;

    left = left * l.smoothGain;
    if constexpr (isUnlinked)
    {
        right = right * r.smoothGain;
        r.prevGain = r.gain;
    }
    else
    {
        right = right * l.smoothGain;
    }
    l.prevGain = l.gain;

    if constexpr (isPeakClip)
    {
        left = clip(left);
        right = clip(right);
    }
}
