#include "dsp/Compressor.h"

#include "dsp/maths/Maths.h"

#include <cmath>
#include <limits>

namespace
{
// Single-precision values of these decimals, not ln 2 and ln 10 rounded.
constexpr float ln2 = 0.693147f;
constexpr float ln10 = 2.302585f;

constexpr double holdSeconds = 0.0125;
constexpr float peakDecay = 0.9998f;
constexpr float detectorLimit = 20.0f;
constexpr float gainFloor = 0.00001f;
constexpr float clipLevel = 0.999f;

float dbToGain(float db)
{
    return Maths::exponential(db * ln10 / 20.0f);
}

float envelopeWeight(float samplePeriod, std::int32_t ms)
{
    return samplePeriod / (static_cast<float>(ms) / 1000.0f + samplePeriod);
}

// Truncation toward zero that stays defined for any rate: NaN gives 0 and the
// result saturates one below the int32 maximum, so a hold count can always
// reach holdLength + 1.
std::int32_t holdSamples(double sampleRate)
{
    const double samples = sampleRate * holdSeconds;
    if (std::isnan(samples))
        return 0;
    constexpr std::int32_t largest = std::numeric_limits<std::int32_t>::max() - 1;
    if (samples >= static_cast<double>(largest))
        return largest;
    if (samples <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(samples);
}

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

// Peak hold: the peak stays for holdLength + 1 samples after the sample that
// set it, then decays per sample until a greater magnitude replaces it.
inline void holdPeak(ChannelState& ch, float sample, std::int32_t holdLength)
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

// Envelope follower with level-dependent weights, then the static curve.
inline float computeGain(ChannelState& ch, float x, const Curve& c)
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

    const float level = Maths::logarithm(e) * 20.0f / ln10;

    float g;
    if (c.threshold > level)
    {
        g = c.makeupGain;
    }
    else if (c.kneeTop > level)
    {
        const float s = (c.log2Ratio - 1.0f) * (level - c.threshold) * c.invKneeWidth + 1.0f;
        g = dbToGain((level - c.threshold) / s + c.threshold - level) * c.makeupGain;
    }
    else
    {
        g = dbToGain((level - c.kneeTop) * c.invRatio + (c.threshold + c.kneeRise) - level) * c.makeupGain;
    }

    if (g < gainFloor)
        g = gainFloor;
    return g;
}

// Raw detector values are unbounded; a NaN or infinite one would leave the
// envelope non-finite for good, so it counts as silence.
inline float finiteOrZero(float x)
{
    return x <= std::numeric_limits<float>::max() ? x : 0.0f;
}

inline float clip(float x)
{
    if (x > clipLevel)
        x = clipLevel;
    if (x < -clipLevel)
        x = -clipLevel;
    return x;
}
} // namespace

void Compressor::resetState()
{
    samplePeriod = 1.0f / static_cast<float>(sampleRate);
    holdLength = holdSamples(sampleRate);

    envelopeL = 0.0f;
    envelopeR = 0.0f;
    peakL = 0.0f;
    peakR = 0.0f;
    holdCountL = 0;
    holdCountR = 0;

    gainL = 1.0f;
    gainR = 1.0f;
    prevGainL = 1.0f;
    prevGainR = 1.0f;
    smoothGainL = 1.0f;
    smoothGainR = 1.0f;
}

void Compressor::applySetting(CompressorSetting setting, std::int32_t value)
{
    switch (setting)
    {
        case thresholdSetting:
            thresholdDb = value;
            threshold = static_cast<float>(value);
            break;
        case ratioSetting:
            ratio = value;
            ratioFactor = static_cast<float>(value);
            break;
        case makeupSetting:
            makeupDb = value;
            break;
        case attackSetting:
            attackTimeMs = value;
            attackWeight = envelopeWeight(samplePeriod, value);
            attackWeightR = attackWeight;
            attackWeightL = attackWeight;
            break;
        case releaseSetting:
            releaseTimeMs = value;
            releaseWeight = envelopeWeight(samplePeriod, value);
            releaseWeightR = releaseWeight;
            releaseWeightL = releaseWeight;
            break;
        case autoMakeupSetting:
            autoMakeup = value;
            break;
        case kneeSetting:
            kneePercent = value;
            kneeFraction = static_cast<float>(value) / 100.1f;
            break;
        case unlinkedSetting:
            unlinked = value;
            break;
        case peakClipSetting:
            peakClip = value;
            break;
        default:
            break;
    }

    updateDerivedValues();
}

void Compressor::updateDerivedValues()
{
    log2Ratio = Maths::logarithm(ratioFactor) / ln2;
    kneeWidth = -(threshold * kneeFraction);

    invLog2Ratio = static_cast<float>(1.0 / static_cast<double>(log2Ratio));
    invRatio = static_cast<float>(1.0 / static_cast<double>(ratioFactor));
    invKneeWidth = static_cast<float>(1.0 / static_cast<double>(kneeWidth));

    kneeTop = kneeWidth + threshold;
    kneeRise = invLog2Ratio * kneeWidth;

    // Brings an input of 0 dB back to 0 dB.
    autoMakeupDb = kneeTop / ratioFactor - (kneeWidth / log2Ratio + threshold);
    autoMakeupGain = dbToGain(autoMakeupDb);

    makeupGain = dbToGain(static_cast<float>(makeupDb));
    if (autoMakeup != 0)
        makeupGain = makeupGain * autoMakeupGain;
}

void Compressor::compressBlock(float* left, float* right)
{
    leftChannel = left;
    rightChannel = right;
    if (numSamples == 0.0)
        return;

    const bool isUnlinked = unlinked != 0;
    const bool isPeakClip = peakClip != 0;
    if (isUnlinked && isPeakClip)
        processSamples<true, true>(left, right);
    else if (isUnlinked)
        processSamples<true, false>(left, right);
    else if (isPeakClip)
        processSamples<false, true>(left, right);
    else
        processSamples<false, false>(left, right);
}

template <bool isUnlinked, bool isPeakClip>
void Compressor::processSamples(float* left, float* right)
{
    const Curve curve { threshold, kneeTop, log2Ratio, invKneeWidth, invRatio,
                        kneeRise, makeupGain, attackWeight, releaseWeight };
    const std::int32_t hold = holdLength;
    const double count = numSamples;

    ChannelState l { envelopeL, attackWeightL, releaseWeightL, gainL,
                     prevGainL, smoothGainL, peakL, holdCountL };
    ChannelState r { envelopeR, attackWeightR, releaseWeightR, gainR,
                     prevGainR, smoothGainR, peakR, holdCountR };

    for (std::int64_t i = 0; static_cast<double>(i) < count; ++i)
    {
        if constexpr (isPeakClip)
        {
            holdPeak(l, left[i], hold);
            holdPeak(r, right[i], hold);
            if (l.peak > detectorLimit)
                l.peak = detectorLimit;
            if (r.peak > detectorLimit)
                r.peak = detectorLimit;
        }
        else
        {
            l.peak = left[i];
            r.peak = right[i];
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

        left[i] = left[i] * l.smoothGain;
        if constexpr (isUnlinked)
        {
            right[i] = right[i] * r.smoothGain;
            r.prevGain = r.gain;
        }
        else
        {
            right[i] = right[i] * l.smoothGain;
        }
        l.prevGain = l.gain;

        if constexpr (isPeakClip)
        {
            left[i] = clip(left[i]);
            right[i] = clip(right[i]);
        }
    }

    envelopeL = l.envelope;
    attackWeightL = l.attackWeight;
    releaseWeightL = l.releaseWeight;
    gainL = l.gain;
    prevGainL = l.prevGain;
    smoothGainL = l.smoothGain;
    peakL = l.peak;
    holdCountL = l.holdCount;

    // Linked: the right envelope, weights and gains stay untouched.
    if constexpr (isUnlinked)
    {
        envelopeR = r.envelope;
        attackWeightR = r.attackWeight;
        releaseWeightR = r.releaseWeight;
        gainR = r.gain;
        prevGainR = r.prevGain;
        smoothGainR = r.smoothGain;
    }
    peakR = r.peak;
    holdCountR = r.holdCount;
}
