#pragma once

#include <cstdint>

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
    // Derives samplePeriod and holdLength from sampleRate and clears the
    // detector, envelope and gain state. Settings are left to applySetting().
    void resetState();

    // Stores one setting, then recomputes every derived value. An unknown
    // setting number stores nothing and still recomputes.
    void applySetting(CompressorSetting setting, std::int32_t value);

    // Processes numSamples samples of both channels in place.
    void compressBlock(float* left, float* right);

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

private:
    void updateDerivedValues();

    template <bool isUnlinked, bool isPeakClip>
    void processSamples(float* left, float* right);
};
