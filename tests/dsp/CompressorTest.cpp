#include "dsp/Compressor.h"
#include "dsp/maths/Maths.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/CompressorState.h"
#include "tests/support/TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace
{
struct Settings
{
    std::int32_t threshold = -1;
    std::int32_t ratio = 15;
    std::int32_t makeup = 0;
    std::int32_t attack = 5;
    std::int32_t release = 50;
    std::int32_t autoMakeup = 0;
    std::int32_t knee = 0;
    std::int32_t unlinked = 1;
    std::int32_t peakClip = 1;
};

// The owner's calling order: enabled and rate, reset, then the nine settings in order.
Compressor prepared(double rate, const Settings& s = {})
{
    Compressor c;
    c.enabled = true;
    c.sampleRate = rate;
    c.resetState();
    const std::int32_t values[] = {
        s.threshold, s.ratio, s.makeup, s.attack, s.release, s.autoMakeup, s.knee, s.unlinked, s.peakClip};
    for (std::int32_t i = 0; i < 9; ++i)
        c.applySetting(static_cast<CompressorSetting>(i), values[i]);
    return c;
}

void run(Compressor& c, float* left, float* right, std::size_t n)
{
    c.numSamples = static_cast<double>(n);
    c.compressBlock(left, right);
}

// Gain the static curve gives a steady level: with an attack of 0 ms the first
// sample after a reset sets the envelope to the detector value exactly.
float steadyGain(Settings s, float level)
{
    s.attack = 0;
    s.unlinked = 1;
    s.peakClip = 0;
    Compressor c = prepared(44100.0, s);
    float l = level, r = level;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.envelopeL, level);
    return c.gainL;
}

float dbToLinear(double db)
{
    return static_cast<float>(std::pow(10.0, db / 20.0));
}

double linearToDb(double gain)
{
    return 20.0 * std::log10(gain);
}

// The static curve in double precision, as the knee and ratio lines are defined:
// output level minus input level, in dB.
double referenceGainDb(double levelDb, const Settings& s)
{
    const double log2Ratio = std::log(static_cast<double>(s.ratio)) / 0.693147;
    const double kneeWidth = -s.threshold * (s.knee / 100.1);
    const double kneeTop = s.threshold + kneeWidth;
    double out;
    if (levelDb < s.threshold)
        out = levelDb;
    else if (levelDb < kneeTop)
        out = s.threshold + (levelDb - s.threshold) / (1.0 + (log2Ratio - 1.0) * (levelDb - s.threshold) / kneeWidth);
    else
        out = s.threshold + kneeWidth / log2Ratio + (levelDb - kneeTop) / s.ratio;
    return out - levelDb + s.makeup;
}

std::vector<float> testSignal(std::size_t n, unsigned seed)
{
    // Noise with bursts above full scale, so the hold, decay, adaptation band,
    // detector limit and clipping all take part.
    std::vector<float> v = testsignals::noise(n, seed);
    for (std::size_t i = 0; i < n; ++i)
    {
        const std::size_t phase = (i / 700) % 4;
        v[i] *= phase == 0 ? 0.05f : phase == 1 ? 1.3f : phase == 2 ? 30.0f : 0.0f;
    }
    return v;
}
} // namespace

TEST(Compressor, AttackAndReleaseWeightsAndHoldLength)
{
    struct Case
    {
        double rate;
        std::int32_t attack, release;
        float attackWeight, releaseWeight;
        std::int32_t holdLength;
    };
    const Case cases[] = {
        {44100.0, 5, 50, 4.51e-3f, 4.53e-4f, 551},
        {48000.0, 5, 50, 4.15e-3f, 4.16e-4f, 600},
    };
    for (const auto& k : cases)
    {
        Settings s;
        s.attack = k.attack;
        s.release = k.release;
        const Compressor c = prepared(k.rate, s);
        EXPECT_NEAR(c.attackWeight, k.attackWeight, 0.005e-3f) << k.rate;
        EXPECT_NEAR(c.releaseWeight, k.releaseWeight, 0.005e-4f) << k.rate;
        // Single precision: in double, 50 ms at 44100 Hz and 5 ms at 48000 Hz round differently.
        const float period = 1.0f / static_cast<float>(k.rate);
        EXPECT_EQ(c.attackWeight, period / (static_cast<float>(k.attack) / 1000.0f + period));
        EXPECT_EQ(c.releaseWeight, period / (static_cast<float>(k.release) / 1000.0f + period));
        EXPECT_EQ(c.attackWeightL, c.attackWeight);
        EXPECT_EQ(c.attackWeightR, c.attackWeight);
        EXPECT_EQ(c.releaseWeightL, c.releaseWeight);
        EXPECT_EQ(c.releaseWeightR, c.releaseWeight);
        EXPECT_EQ(c.holdLength, k.holdLength);
        EXPECT_EQ(c.samplePeriod, 1.0f / static_cast<float>(k.rate));
    }
}

TEST(Compressor, FullScaleGainWithAndWithoutAutomaticMakeup)
{
    Settings s; // threshold -1, ratio 15, makeup 0, knee 0
    EXPECT_NEAR(steadyGain(s, 1.0f), dbToLinear(-(1.0 - 1.0 / 15.0)), 1e-6f);
    EXPECT_NEAR(steadyGain(s, 1.0f), 0.898f, 0.0005f);

    s.autoMakeup = 1;
    const Compressor c = prepared(44100.0, s);
    EXPECT_NEAR(c.autoMakeupDb, 0.9333f, 0.0001f);
    EXPECT_NEAR(steadyGain(s, 1.0f), 1.0f, 2e-7f);
}

TEST(Compressor, SoftKneeExample)
{
    Settings s;
    s.threshold = -24;
    s.ratio = 4;
    s.knee = 30;
    const Compressor c = prepared(44100.0, s);
    EXPECT_NEAR(c.kneeFraction, 0.2997f, 0.0001f);
    EXPECT_NEAR(c.kneeWidth, 7.193f, 0.001f);
    EXPECT_NEAR(c.kneeTop, -16.807f, 0.001f);
    EXPECT_GT(c.log2Ratio, 2.0f);
    EXPECT_LT(c.log2Ratio, 2.00001f);
    EXPECT_NEAR(c.kneeRise, 3.596f, 0.001f);
    EXPECT_NEAR(c.autoMakeupDb, 16.20f, 0.01f);
    EXPECT_EQ(c.makeupGain, 1.0f);

    struct Point
    {
        double levelDb, gainDb;
    };
    for (const Point p : {Point{-30.0, 0.0}, Point{-20.0, -1.43}, Point{-10.0, -8.70}, Point{0.0, -16.20}})
        EXPECT_NEAR(linearToDb(steadyGain(s, dbToLinear(p.levelDb))), p.gainDb, 0.006) << p.levelDb << " dB";
    EXPECT_NEAR(steadyGain(s, dbToLinear(-20.0)), 0.848f, 0.0005f);
}

TEST(Compressor, StaticCurveFollowsTheKneeAndRatioLines)
{
    Settings configs[4];
    configs[1].threshold = -24, configs[1].ratio = 4, configs[1].knee = 30;
    configs[2].threshold = -40, configs[2].ratio = 2, configs[2].knee = 100, configs[2].makeup = 6;
    configs[3].threshold = -12, configs[3].ratio = 8, configs[3].makeup = -3;
    for (const Settings& s : configs)
    {
        for (double db = -60.0; db <= 20.0; db += 0.25)
        {
            const float level = dbToLinear(db);
            const double actualLevelDb = std::log(static_cast<double>(level)) * 20.0 / 2.302585;
            EXPECT_NEAR(linearToDb(steadyGain(s, level)), referenceGainDb(actualLevelDb, s), 0.001)
                << "threshold " << s.threshold << " ratio " << s.ratio << " knee " << s.knee << " at " << db << " dB";
        }
    }
}

TEST(Compressor, DerivedValuesFollowTheSinglePrecisionSteps)
{
    // Transcribed step by step; the last case is one where a division by
    // log2Ratio and a multiplication by its reciprocal round differently.
    struct Case
    {
        std::int32_t threshold, ratio, knee, makeup, autoMakeup;
    };
    for (const Case k : {Case{-1, 15, 0, 0, 0}, Case{-24, 4, 30, 0, 1}, Case{-55, 3, 30, 4, 1}})
    {
        Settings s;
        s.threshold = k.threshold, s.ratio = k.ratio, s.knee = k.knee, s.makeup = k.makeup, s.autoMakeup = k.autoMakeup;
        const Compressor c = prepared(44100.0, s);

        const float threshold = static_cast<float>(k.threshold);
        const float ratioFactor = static_cast<float>(k.ratio);
        const float kneeFraction = static_cast<float>(k.knee) / 100.1f;
        const float log2Ratio = Maths::logarithm(ratioFactor) / 0.693147f;
        const float kneeWidth = -(threshold * kneeFraction);
        const float invLog2Ratio = static_cast<float>(1.0 / static_cast<double>(log2Ratio));
        const float kneeTop = kneeWidth + threshold;
        const float autoMakeupDb = kneeTop / ratioFactor - (kneeWidth / log2Ratio + threshold);
        const float autoMakeupGain = Maths::exponential(autoMakeupDb * 2.302585f / 20.0f);
        float makeupGain = Maths::exponential(static_cast<float>(k.makeup) * 2.302585f / 20.0f);
        if (k.autoMakeup != 0)
            makeupGain = makeupGain * autoMakeupGain;

        EXPECT_EQ(c.kneeFraction, kneeFraction);
        EXPECT_EQ(c.log2Ratio, log2Ratio);
        EXPECT_EQ(c.kneeWidth, kneeWidth);
        EXPECT_EQ(c.invLog2Ratio, invLog2Ratio);
        EXPECT_EQ(c.invRatio, static_cast<float>(1.0 / static_cast<double>(ratioFactor)));
        EXPECT_EQ(c.invKneeWidth, static_cast<float>(1.0 / static_cast<double>(kneeWidth)));
        EXPECT_EQ(c.kneeTop, kneeTop);
        EXPECT_EQ(c.kneeRise, invLog2Ratio * kneeWidth);
        EXPECT_EQ(c.autoMakeupDb, autoMakeupDb) << k.threshold;
        EXPECT_EQ(c.autoMakeupGain, autoMakeupGain);
        EXPECT_EQ(c.makeupGain, makeupGain);
    }
}

TEST(Compressor, EnvelopeAtThresholdGetsMakeupGain)
{
    // Threshold 0 dB: an envelope of exactly 1.0 lies on it.
    Settings s;
    s.threshold = 0;
    s.makeup = 6;
    for (std::int32_t knee : {0, 50})
    {
        s.knee = knee;
        const Compressor c = prepared(44100.0, s);
        EXPECT_EQ(steadyGain(s, 1.0f), c.makeupGain) << "knee " << knee;
    }
}

TEST(Compressor, SilenceKeepsMakeupGainAndZeroSamples)
{
    for (std::int32_t unlinked : {0, 1})
    {
        Settings s;
        s.makeup = 3;
        s.unlinked = unlinked;
        Compressor c = prepared(44100.0, s);
        ASSERT_NEAR(c.makeupGain, dbToLinear(3.0), 1e-6f);
        for (int i = 0; i < 200; ++i)
        {
            float l = 0.0f, r = 0.0f;
            run(c, &l, &r, 1);
            ASSERT_EQ(c.gainL, c.makeupGain) << i;
            if (unlinked)
            {
                ASSERT_EQ(c.gainR, c.makeupGain) << i;
            }
            ASSERT_EQ(l, 0.0f);
            ASSERT_EQ(r, 0.0f);
        }
    }
}

TEST(Compressor, FirstSampleAveragesWithUnityGain)
{
    Settings s;
    s.attack = 0;
    s.peakClip = 0;
    Compressor c = prepared(44100.0, s);
    float l = 4.0f, r = -2.0f;
    run(c, &l, &r, 1);
    ASSERT_LT(c.gainL, 0.5f);
    ASSERT_LT(c.gainR, 0.7f);
    EXPECT_EQ(c.smoothGainL, 0.4f * c.gainL + 0.6f * 1.0f);
    EXPECT_EQ(c.smoothGainR, 0.4f * c.gainR + 0.6f * 1.0f);
    EXPECT_EQ(l, 4.0f * c.smoothGainL);
    EXPECT_EQ(r, -2.0f * c.smoothGainR);
    EXPECT_EQ(c.prevGainL, c.gainL);
    EXPECT_EQ(c.prevGainR, c.gainR);
}

TEST(Compressor, AppliedGainIsTwoTapAverageOfComputedGains)
{
    Compressor c = prepared(44100.0);
    const std::vector<float> input = testSignal(3000, 7);
    float previous = 1.0f;
    for (float x : input)
    {
        float l = x, r = 0.0f;
        run(c, &l, &r, 1);
        ASSERT_EQ(c.smoothGainL, 0.4f * c.gainL + 0.6f * previous);
        ASSERT_EQ(l, std::fmin(std::fmax(x * c.smoothGainL, -0.999f), 0.999f));
        previous = c.gainL;
    }
}

TEST(Compressor, PeakHoldThenDecay)
{
    // 240 Hz gives a hold length of 3 samples.
    Compressor c = prepared(240.0);
    ASSERT_EQ(c.holdLength, 3);

    std::vector<float> input(12, 0.0f);
    input[0] = 1.0f;
    input[2] = 1.0f; // equal to the held peak: does not restart the hold
    std::vector<float> peaks;
    for (float x : input)
    {
        float l = x, r = 0.0f;
        run(c, &l, &r, 1);
        peaks.push_back(c.peakL);
    }
    float expected = 1.0f;
    for (std::size_t i = 0; i < peaks.size(); ++i)
    {
        if (i >= 5)
            expected = expected * 0.9998f;
        EXPECT_EQ(peaks[i], expected) << "sample " << i;
    }

    // A greater sample replaces the peak and restarts the hold.
    float l = 1.5f, r = 0.0f;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.peakL, 1.5f);
    EXPECT_EQ(c.holdCountL, 0);
    for (int i = 0; i < 4; ++i)
    {
        l = 0.2f;
        run(c, &l, &r, 1);
        EXPECT_EQ(c.peakL, 1.5f);
    }
    l = 0.0f;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.peakL, 1.5f * 0.9998f);
    EXPECT_EQ(c.holdCountL, 4);
}

TEST(Compressor, PeakClipLimitsDetectorsAndOutput)
{
    Compressor c = prepared(44100.0);
    std::vector<float> left = testSignal(5000, 1), right = testSignal(5000, 2);
    right[100] = std::numeric_limits<float>::infinity();
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        run(c, &left[i], &right[i], 1);
        ASSERT_LE(c.peakL, 20.0f);
        ASSERT_LE(c.peakR, 20.0f);
        ASSERT_LE(std::fabs(left[i]), 0.999f) << i;
        ASSERT_LE(std::fabs(right[i]), 0.999f) << i;
    }
    EXPECT_EQ(right[100], 0.999f);
}

TEST(Compressor, WithoutPeakClipDetectorsAreRawAndOutputUnlimited)
{
    Settings s;
    s.peakClip = 0;
    Compressor c = prepared(44100.0, s);
    float l = -10.0f, r = 3.0f;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.peakL, -10.0f);
    EXPECT_EQ(c.peakR, 3.0f);
    EXPECT_LT(l, -5.0f); // the first gain is at least 0.6
    EXPECT_GT(r, 1.5f);
}

TEST(Compressor, GainNeverFallsBelowFloor)
{
    Settings s;
    s.threshold = -60;
    s.ratio = 100;
    s.peakClip = 0;
    EXPECT_EQ(steadyGain(s, 1.0e6f), 0.00001f);
    EXPECT_EQ(steadyGain(s, std::numeric_limits<float>::max()), 0.00001f);
}

TEST(Compressor, WeightsAdaptNearFullScale)
{
    Settings s;
    s.peakClip = 0;
    const Compressor base = prepared(44100.0, s);
    const float aw = base.attackWeight, rw = base.releaseWeight;
    struct Case
    {
        float envelope, attack, release;
    };
    const Case cases[] = {
        {0.5f, aw, rw},
        {0.8999f, aw, rw},
        {0.9f, aw, rw},
        {0.95f, 0.5f + 0.5f * aw, rw / 1.45f},
        {0.9999f, 1.0f - 0.001f * (1.0f - aw), rw / 1.8991f},
        {1.0f, 1.0f, rw * 0.1f},
        {7.0f, 1.0f, rw * 0.1f},
    };
    for (const auto& k : cases)
    {
        Compressor c = base;
        c.envelopeL = k.envelope;
        c.envelopeR = k.envelope;
        float l = 0.0f, r = 0.0f;
        run(c, &l, &r, 1);
        EXPECT_NEAR(c.attackWeightL, k.attack, 1e-5f) << k.envelope;
        EXPECT_NEAR(c.releaseWeightL, k.release, 1e-8f) << k.envelope;
        EXPECT_EQ(c.attackWeightR, c.attackWeightL);
        EXPECT_EQ(c.releaseWeightR, c.releaseWeightL);
        EXPECT_EQ(c.attackWeight, aw);
        EXPECT_EQ(c.releaseWeight, rw);
    }

    // At and above full scale a greater input is taken at once.
    Compressor c = base;
    c.envelopeL = 1.0f;
    float l = 1.5f, r = 0.0f;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.envelopeL, 1.5f);

    // An input equal to the envelope uses the release weight: pick an envelope
    // at which the two weights round differently.
    float e = 0.3f;
    while ((1.0f - rw) * e + rw * e == (1.0f - aw) * e + aw * e)
        e = std::nextafter(e, 1.0f);
    c = base;
    c.envelopeL = e;
    l = e;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.envelopeL, (1.0f - rw) * e + rw * e);
}

TEST(Compressor, LinkedChannelsShareTheGainOfTheMeanDetector)
{
    Settings linkedSettings;
    linkedSettings.unlinked = 0;
    linkedSettings.peakClip = 0;
    Settings meanSettings = linkedSettings;
    meanSettings.unlinked = 1;
    Compressor linked = prepared(44100.0, linkedSettings);
    Compressor mean = prepared(44100.0, meanSettings);

    linked.envelopeR = 0.125f;
    linked.gainR = 0.5f;
    linked.prevGainR = 0.25f;
    linked.smoothGainR = 0.75f;
    linked.attackWeightR = 0.375f;
    linked.releaseWeightR = 0.0625f;

    const std::vector<float> a = testSignal(3000, 3), b = testSignal(3000, 4);
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        float l = a[i], r = b[i];
        run(linked, &l, &r, 1);
        float m = (std::fabs(a[i]) + std::fabs(b[i])) * 0.5f, unused = 0.0f;
        run(mean, &m, &unused, 1);
        ASSERT_EQ(linked.gainL, mean.gainL) << i;
        ASSERT_EQ(l, a[i] * linked.smoothGainL) << i;
        ASSERT_EQ(r, b[i] * linked.smoothGainL) << i;
    }
    EXPECT_EQ(linked.envelopeR, 0.125f);
    EXPECT_EQ(linked.gainR, 0.5f);
    EXPECT_EQ(linked.prevGainR, 0.25f);
    EXPECT_EQ(linked.smoothGainR, 0.75f);
    EXPECT_EQ(linked.attackWeightR, 0.375f);
    EXPECT_EQ(linked.releaseWeightR, 0.0625f);
    EXPECT_EQ(linked.peakR, b.back()); // the detectors of both channels still run
}

namespace
{
// The per-sample algorithm written out plainly on the object's own fields,
// one step after the other, as a check on the optimised block loop.
float referenceGain(Compressor& c, float& e, float& attackW, float& releaseW, float x)
{
    if (e < 0.9f)
    {
        attackW = c.attackWeight;
        releaseW = c.releaseWeight;
    }
    else if (e < 1.0f)
    {
        attackW = (1.0f - c.attackWeight) * (e - 0.9f) * 10.0f + c.attackWeight;
        releaseW = c.releaseWeight / ((e - 0.9f) * 9.0f + 1.0f);
    }
    else
    {
        attackW = 1.0f;
        releaseW = c.releaseWeight * 0.1f;
    }
    const float w = x > e ? attackW : releaseW;
    e = (1.0f - w) * e + w * x;
    const float lin = Maths::logarithm(e) * 20.0f / 2.302585f;
    float g;
    if (c.threshold > lin)
        g = c.makeupGain;
    else if (c.kneeTop > lin)
    {
        const float s = (c.log2Ratio - 1.0f) * (lin - c.threshold) * c.invKneeWidth + 1.0f;
        g = Maths::exponential(((lin - c.threshold) / s + c.threshold - lin) * 2.302585f / 20.0f) * c.makeupGain;
    }
    else
        g = Maths::exponential(
                ((lin - c.kneeTop) * c.invRatio + (c.threshold + c.kneeRise) - lin) * 2.302585f / 20.0f) *
            c.makeupGain;
    if (g < 0.00001f)
        g = 0.00001f;
    return g;
}

void referenceBlock(Compressor& c, float* left, float* right)
{
    c.leftChannel = left;
    c.rightChannel = right;
    for (int i = 0; i < c.numSamples; ++i)
    {
        if (c.peakClip != 0)
        {
            float* peaks[] = {&c.peakL, &c.peakR};
            std::int32_t* counts[] = {&c.holdCountL, &c.holdCountR};
            const float samples[] = {left[i], right[i]};
            for (int ch = 0; ch < 2; ++ch)
            {
                if (*counts[ch] > c.holdLength)
                {
                    *counts[ch] -= 1;
                    *peaks[ch] *= 0.9998f;
                }
                *counts[ch] += 1;
                if (std::fabs(samples[ch]) > *peaks[ch])
                {
                    *peaks[ch] = std::fabs(samples[ch]);
                    *counts[ch] = 0;
                }
            }
            c.peakL = std::min(c.peakL, 20.0f);
            c.peakR = std::min(c.peakR, 20.0f);
        }
        else
        {
            c.peakL = left[i];
            c.peakR = right[i];
        }
        if (c.unlinked != 0)
        {
            c.gainR = referenceGain(c, c.envelopeR, c.attackWeightR, c.releaseWeightR, std::fabs(c.peakR));
            c.smoothGainR = 0.4f * c.gainR + 0.6f * c.prevGainR;
        }
        const float x = c.unlinked != 0 ? std::fabs(c.peakL) : (std::fabs(c.peakL) + std::fabs(c.peakR)) * 0.5f;
        c.gainL = referenceGain(c, c.envelopeL, c.attackWeightL, c.releaseWeightL, x);
        c.smoothGainL = 0.4f * c.gainL + 0.6f * c.prevGainL;
        left[i] = left[i] * c.smoothGainL;
        if (c.unlinked != 0)
        {
            right[i] = right[i] * c.smoothGainR;
            c.prevGainR = c.gainR;
        }
        else
            right[i] = right[i] * c.smoothGainL;
        c.prevGainL = c.gainL;
        if (c.peakClip != 0)
        {
            left[i] = std::max(std::min(left[i], 0.999f), -0.999f);
            right[i] = std::max(std::min(right[i], 0.999f), -0.999f);
        }
    }
}
} // namespace

TEST(Compressor, BlockLoopMatchesThePlainAlgorithmBitForBit)
{
    std::vector<Settings> configs(6);
    configs[1].unlinked = 0;
    configs[2].peakClip = 0;
    configs[3].unlinked = 0, configs[3].peakClip = 0;
    configs[4].threshold = -24, configs[4].ratio = 4, configs[4].knee = 30, configs[4].autoMakeup = 1;
    configs[5].threshold = -40, configs[5].ratio = 3, configs[5].knee = 100, configs[5].unlinked = 0,
    configs[5].attack = 1, configs[5].release = 500;

    const std::vector<float> left = testSignal(30000, 21), right = testSignal(30000, 22);
    for (const Settings& s : configs)
    {
        Compressor fast = prepared(44100.0, s);
        Compressor plain;
        std::memcpy(&plain, &fast, sizeof fast); // padding included, for the final comparison
        std::vector<float> fl = left, fr = right, pl = left, pr = right;
        for (std::size_t pos = 0; pos < left.size(); pos += 1000)
        {
            fast.numSamples = plain.numSamples = 1000;
            fast.compressBlock(fl.data() + pos, fr.data() + pos);
            referenceBlock(plain, pl.data() + pos, pr.data() + pos);
        }
        EXPECT_EQ(std::memcmp(fl.data(), pl.data(), fl.size() * sizeof(float)), 0)
            << "unlinked " << s.unlinked << " peakClip " << s.peakClip << " knee " << s.knee;
        EXPECT_EQ(std::memcmp(fr.data(), pr.data(), fr.size() * sizeof(float)), 0);
        plain.leftChannel = fast.leftChannel;
        plain.rightChannel = fast.rightChannel;
        EXPECT_EQ(std::memcmp(&fast, &plain, sizeof fast), 0);
    }
}

TEST(Compressor, OutputDoesNotDependOnBlockSizes)
{
    std::vector<Settings> configs(5);
    configs[1].unlinked = 0;
    configs[2].peakClip = 0;
    configs[3].unlinked = 0, configs[3].peakClip = 0;
    configs[4].threshold = -24, configs[4].ratio = 4, configs[4].knee = 30, configs[4].autoMakeup = 1;

    const std::vector<float> left = testSignal(20000, 11), right = testSignal(20000, 12);
    std::mt19937 rng(5);
    for (const Settings& s : configs)
    {
        Compressor whole = prepared(44100.0, s);
        std::vector<float> wl = left, wr = right;
        run(whole, wl.data(), wr.data(), wl.size());

        for (int trial = 0; trial < 3; ++trial)
        {
            Compressor cut = prepared(44100.0, s);
            std::vector<float> cl = left, cr = right;
            std::uniform_int_distribution<std::size_t> size(0, trial == 0 ? 3 : 1500);
            for (std::size_t pos = 0; pos < cl.size();)
            {
                const std::size_t n = std::min(size(rng), cl.size() - pos);
                run(cut, cl.data() + pos, cr.data() + pos, n);
                pos += n;
            }
            EXPECT_EQ(std::memcmp(wl.data(), cl.data(), wl.size() * sizeof(float)), 0)
                << "unlinked " << s.unlinked << " peakClip " << s.peakClip << " trial " << trial;
            EXPECT_EQ(std::memcmp(wr.data(), cr.data(), wr.size() * sizeof(float)), 0);
            EXPECT_TRUE(testsupport::sameSignalState(whole, cut));
        }
    }

    // 512 samples as blocks of 100, 1 and 411.
    Compressor whole = prepared(48000.0), cut = prepared(48000.0);
    std::vector<float> wl(left.begin() + 1400, left.begin() + 1912), wr(right.begin() + 1400, right.begin() + 1912);
    std::vector<float> cl = wl, cr = wr;
    run(whole, wl.data(), wr.data(), 512);
    run(cut, cl.data(), cr.data(), 100);
    run(cut, cl.data() + 100, cr.data() + 100, 1);
    run(cut, cl.data() + 101, cr.data() + 101, 411);
    EXPECT_EQ(wl, cl);
    EXPECT_EQ(wr, cr);
    EXPECT_TRUE(testsupport::sameSignalState(whole, cut));
}

TEST(Compressor, EmptyBlockChangesOnlyTheChannelPointers)
{
    Compressor c = prepared(44100.0);
    std::vector<float> l = testSignal(1000, 9), r = testSignal(1000, 10);
    run(c, l.data(), r.data(), l.size());

    float a = 0.5f, b = -0.5f;
    unsigned char before[sizeof(Compressor)];
    c.numSamples = 0.0;
    std::memcpy(before, &c, sizeof c);
    c.compressBlock(&a, &b);
    EXPECT_EQ(c.leftChannel, &a);
    EXPECT_EQ(c.rightChannel, &b);
    EXPECT_EQ(a, 0.5f);
    EXPECT_EQ(b, -0.5f);
    Compressor restored;
    std::memcpy(&restored, before, sizeof c);
    restored.leftChannel = &a;
    restored.rightChannel = &b;
    EXPECT_EQ(std::memcmp(&restored, &c, sizeof c), 0);
}

TEST(Compressor, UnknownSettingOnlyRecomputes)
{
    Compressor c = prepared(44100.0);
    c.ratioFactor = 4.0f;
    const std::int32_t before[] = {c.attackTimeMs, c.releaseTimeMs, c.ratio, c.makeupDb, c.thresholdDb, c.autoMakeup,
        c.unlinked, c.kneePercent, c.peakClip};
    c.applySetting(static_cast<CompressorSetting>(9), 123);
    c.applySetting(static_cast<CompressorSetting>(-1), 123);
    const std::int32_t after[] = {c.attackTimeMs, c.releaseTimeMs, c.ratio, c.makeupDb, c.thresholdDb, c.autoMakeup,
        c.unlinked, c.kneePercent, c.peakClip};
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    EXPECT_NEAR(c.log2Ratio, 2.0f, 1e-5f);
    EXPECT_EQ(c.invRatio, 0.25f);
}

TEST(Compressor, SettingsApplyInAnyOrderToTheSameValues)
{
    // Every application recomputes everything, so only the final values matter.
    Settings s;
    s.threshold = -24, s.ratio = 4, s.knee = 30, s.makeup = 2, s.autoMakeup = 1;
    const Compressor inOrder = prepared(44100.0, s);
    Compressor reversed;
    reversed.sampleRate = 44100.0;
    reversed.resetState();
    const std::int32_t values[] = {-24, 4, 2, 5, 50, 1, 30, 1, 1};
    for (std::int32_t i = 8; i >= 0; --i)
        reversed.applySetting(static_cast<CompressorSetting>(i), values[i]);
    EXPECT_EQ(reversed.makeupGain, inOrder.makeupGain);
    EXPECT_EQ(reversed.kneeRise, inOrder.kneeRise);
    EXPECT_EQ(reversed.invKneeWidth, inOrder.invKneeWidth);
    EXPECT_EQ(reversed.autoMakeupDb, inOrder.autoMakeupDb);
    EXPECT_GT(inOrder.makeupGain, dbToLinear(18.0));
}

TEST(Compressor, ResetClearsSignalStateAndKeepsSettings)
{
    Compressor c = prepared(44100.0);
    std::vector<float> l = testSignal(3000, 13), r = testSignal(3000, 14);
    run(c, l.data(), r.data(), l.size());
    const float weight = c.attackWeight, makeup = c.makeupGain;

    c.sampleRate = 48000.0;
    c.resetState();
    EXPECT_EQ(c.envelopeL, 0.0f);
    EXPECT_EQ(c.envelopeR, 0.0f);
    EXPECT_EQ(c.peakL, 0.0f);
    EXPECT_EQ(c.peakR, 0.0f);
    EXPECT_EQ(c.holdCountL, 0);
    EXPECT_EQ(c.holdCountR, 0);
    for (float g : {c.gainL, c.gainR, c.prevGainL, c.prevGainR, c.smoothGainL, c.smoothGainR})
        EXPECT_EQ(g, 1.0f);
    EXPECT_EQ(c.holdLength, 600);
    EXPECT_EQ(c.attackWeight, weight); // until the settings are applied again
    EXPECT_EQ(c.makeupGain, makeup);
}

TEST(Compressor, NonFiniteRawSamplesDoNotCorruptTheState)
{
    // Without peak hold the detectors see raw samples; a NaN or infinite one
    // counts as silence instead of leaving the envelope non-finite.
    for (std::int32_t unlinked : {0, 1})
    {
        Settings s;
        s.peakClip = 0;
        s.unlinked = unlinked;
        Compressor withBad = prepared(44100.0, s), withZero = prepared(44100.0, s);
        std::vector<float> l = testSignal(2000, 15), r = testSignal(2000, 16);
        std::vector<float> zl = l, zr = r;
        l[500] = std::numeric_limits<float>::quiet_NaN();
        r[500] = std::numeric_limits<float>::quiet_NaN();
        l[900] = std::numeric_limits<float>::infinity();
        r[900] = -std::numeric_limits<float>::infinity();
        zl[500] = zr[500] = zl[900] = zr[900] = 0.0f;
        run(withBad, l.data(), r.data(), l.size());
        run(withZero, zl.data(), zr.data(), zl.size());
        for (std::size_t i = 0; i < l.size(); ++i)
        {
            if (i != 500 && i != 900)
            {
                ASSERT_EQ(l[i], zl[i]) << i;
                ASSERT_EQ(r[i], zr[i]) << i;
            }
        }
        EXPECT_TRUE(std::isfinite(withBad.envelopeL));
        EXPECT_EQ(withBad.gainL, withZero.gainL);
    }

    // With peak hold a NaN never enters the detector.
    Compressor c = prepared(44100.0);
    float l = std::numeric_limits<float>::quiet_NaN(), r = 0.5f;
    run(c, &l, &r, 1);
    EXPECT_EQ(c.peakL, 0.0f);
    EXPECT_TRUE(std::isfinite(c.envelopeL));
}

TEST(Compressor, CompressBlockAllocatesNothing)
{
    using namespace testsupport;
    allocations::start(allocations::Threads::every);
    auto probe = std::make_unique<int>(1);
    ASSERT_GT(allocations::stop(), 0) << "the counter must see allocations";

    std::vector<float> l = testSignal(4096, 17), r = testSignal(4096, 18);
    for (std::int32_t mode = 0; mode < 4; ++mode)
    {
        Settings s;
        s.unlinked = mode & 1;
        s.peakClip = mode >> 1;
        s.knee = 20;
        Compressor c = prepared(44100.0, s);
        allocations::start(allocations::Threads::every);
        run(c, l.data(), r.data(), l.size());
        EXPECT_EQ(allocations::stop(), 0) << "mode " << mode;
    }
}
