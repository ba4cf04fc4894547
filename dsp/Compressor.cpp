#include "dsp/Compressor.h"

#include <cmath>
#include <limits>

namespace
{
using namespace CompressorDetail;

constexpr double holdSeconds = 0.0125;

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

// An envelope below this lies at least 0.01 dB below the threshold, far more
// than the rounding of the logarithm and the scaling to dB can move it.
float levelBelowThreshold(float threshold)
{
    const double linear = Maths::power(10.0, (static_cast<double>(threshold) - 0.01) / 20.0);
    const float f = static_cast<float>(linear);
    return f > 0.0f ? std::nextafter(f, 0.0f) : 0.0f;
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

    belowThreshold = levelBelowThreshold(threshold);
}

void Compressor::compressBlock(float* left, float* right) noexcept
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

Compressor::Run Compressor::begin() const noexcept
{
    return {{threshold, kneeTop, log2Ratio, invKneeWidth, invRatio, kneeRise, makeupGain, attackWeight, releaseWeight,
                belowThreshold},
        {envelopeL, attackWeightL, releaseWeightL, gainL, prevGainL, smoothGainL, peakL, holdCountL},
        {envelopeR, attackWeightR, releaseWeightR, gainR, prevGainR, smoothGainR, peakR, holdCountR}, holdLength};
}

void Compressor::end(const Run& run, bool isUnlinked) noexcept
{
    envelopeL = run.l.envelope;
    attackWeightL = run.l.attackWeight;
    releaseWeightL = run.l.releaseWeight;
    gainL = run.l.gain;
    prevGainL = run.l.prevGain;
    smoothGainL = run.l.smoothGain;
    peakL = run.l.peak;
    holdCountL = run.l.holdCount;

    if (isUnlinked)
    {
        envelopeR = run.r.envelope;
        attackWeightR = run.r.attackWeight;
        releaseWeightR = run.r.releaseWeight;
        gainR = run.r.gain;
        prevGainR = run.r.prevGain;
        smoothGainR = run.r.smoothGain;
    }
    peakR = run.r.peak;
    holdCountR = run.r.holdCount;
}

template <bool isUnlinked, bool isPeakClip>
void Compressor::processSamples(float* left, float* right) noexcept
{
    Run run = begin();
    const double count = numSamples;
    for (std::int64_t i = 0; static_cast<double>(i) < count; ++i)
        run.step<isUnlinked, isPeakClip>(left[i], right[i]);
    end(run, isUnlinked);
}
