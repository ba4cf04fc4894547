#include "dsp/MeterEnvelope.h"
#include "dsp/maths/Maths.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
float left(const MeterEnvelope& m)
{
    return m.levelL.load();
}

float right(const MeterEnvelope& m)
{
    return m.levelR.load();
}
} // namespace

TEST(MeterEnvelope, ConstructedFor50MsAt44100)
{
    const MeterEnvelope m;
    EXPECT_EQ(m.sampleRate, 44100.0f);
    EXPECT_EQ(m.ceiling, 2.0f);
    EXPECT_EQ(m.attackMs, 50.0f);
    EXPECT_EQ(m.releaseMs, 50.0f);
    EXPECT_EQ(left(m), 0.0f);
    EXPECT_EQ(right(m), 0.0f);
    EXPECT_EQ(m.attackCoef, static_cast<float>(Maths::power(0.01, 1.0 / 2205.0)));
    EXPECT_EQ(m.releaseCoef, m.attackCoef);
    EXPECT_NEAR(m.attackCoef, 0.998, 0.0005);
}

TEST(MeterEnvelope, CoefficientsForRatesAndTimes)
{
    struct Case
    {
        float rate, attackMs, releaseMs;
        double attackSamples, releaseSamples;
    };
    const Case cases[] = {
        {48000.0f, 50.0f, 50.0f, 2400.0, 2400.0},
        {44100.0f, 10.0f, 300.0f, 441.0, 13230.0},
        {96000.0f, 1.0f, 1000.0f, 96.0, 96000.0},
    };
    for (const auto& k : cases)
    {
        MeterEnvelope m;
        m.sampleRate = k.rate;
        m.attackMs = k.attackMs;
        m.releaseMs = k.releaseMs;
        m.updateCoefficients();
        EXPECT_FLOAT_EQ(m.attackCoef, static_cast<float>(std::pow(0.01, 1.0 / k.attackSamples))) << k.rate;
        EXPECT_FLOAT_EQ(m.releaseCoef, static_cast<float>(std::pow(0.01, 1.0 / k.releaseSamples))) << k.rate;
    }
}

TEST(MeterEnvelope, ProductInSinglePrecisionPowerInDouble)
{
    // 0.1 ms at 11025 Hz: a double product, or single precision throughout,
    // gives another coefficient.
    MeterEnvelope m;
    m.sampleRate = 11025.0f;
    m.attackMs = 0.1f;
    m.updateCoefficients();
    const float product = 0.1f * 11025.0f;
    const float expected = static_cast<float>(Maths::power(0.01, 1.0 / (static_cast<double>(product) * 0.001)));
    EXPECT_EQ(m.attackCoef, expected);
    EXPECT_NE(expected, static_cast<float>(Maths::power(0.01, 1.0 / (static_cast<double>(0.1f) * 11025.0 * 0.001))));
    EXPECT_NE(expected, Maths::power(0.01f, 1.0f / (product * 0.001f)));
}

TEST(MeterEnvelope, AttackAndReleaseReachTheirTargetsAfterTheirTime)
{
    MeterEnvelope m;
    for (int i = 0; i < 2205; ++i)
        m.followSample(0.5f, -0.5f);
    EXPECT_NEAR(left(m), 0.495f, 1e-5f);
    EXPECT_EQ(right(m), left(m));

    m.levelL = 1.0f;
    m.levelR = 1.0f;
    for (int i = 0; i < 2205; ++i)
        m.followSample(0.0f, 0.0f);
    EXPECT_NEAR(left(m), 0.01f, 1e-6f);
    EXPECT_EQ(right(m), left(m));
}

TEST(MeterEnvelope, SeparateAttackAndReleaseSpeeds)
{
    MeterEnvelope m;
    m.attackMs = 1.0f;
    m.releaseMs = 1000.0f;
    m.updateCoefficients();

    m.followSample(1.0f, 0.0f);
    EXPECT_EQ(left(m), (0.0f - 1.0f) * m.attackCoef + 1.0f);
    EXPECT_EQ(right(m), 0.0f);

    // An input equal to the level releases (and so stays put).
    m.levelL = 0.25f;
    m.followSample(0.25f, 0.0f);
    EXPECT_EQ(left(m), 0.25f);

    m.followSample(0.0f, 0.0f);
    EXPECT_EQ(left(m), 0.25f * m.releaseCoef);
}

TEST(MeterEnvelope, RectifiesAndLimitsToTheCeiling)
{
    MeterEnvelope m;
    m.attackMs = 0.0f; // takes the input at once
    m.updateCoefficients();
    ASSERT_EQ(m.attackCoef, 0.0f);

    m.followSample(-0.7f, 3.0f);
    EXPECT_EQ(left(m), 0.7f);
    EXPECT_EQ(right(m), 2.0f);

    m.followSample(std::numeric_limits<float>::infinity(), -1.0e30f);
    EXPECT_EQ(left(m), 2.0f);
    EXPECT_EQ(right(m), 2.0f);

    // A level set above the ceiling is pulled back at the next sample.
    m.levelL = 5.0f;
    m.followSample(1.0f, 0.0f);
    EXPECT_EQ(left(m), 2.0f);
}

TEST(MeterEnvelope, NaNSampleCountsAsSilence)
{
    MeterEnvelope m, reference;
    m.levelL = 0.5f;
    reference.levelL = 0.5f;
    m.followSample(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN());
    reference.followSample(0.0f, 0.0f);
    EXPECT_EQ(left(m), left(reference));
    EXPECT_EQ(right(m), 0.0f);
    for (int i = 0; i < 100; ++i)
        m.followSample(0.8f, 0.8f);
    EXPECT_GT(left(m), 0.5f);
}

TEST(MeterEnvelope, NewSampleRateKeepsTheLevels)
{
    MeterEnvelope m;
    for (int i = 0; i < 1000; ++i)
        m.followSample(0.9f, 0.3f);
    const float l = left(m), r = right(m);
    const float oldCoef = m.attackCoef;

    m.sampleRate = 48000.0f;
    m.updateCoefficients();
    EXPECT_EQ(left(m), l);
    EXPECT_EQ(right(m), r);
    EXPECT_GT(m.attackCoef, oldCoef);
    EXPECT_EQ(m.attackCoef, static_cast<float>(Maths::power(0.01, 1.0 / 2400.0)));
}

TEST(MeterEnvelope, FollowSampleAllocatesNothing)
{
    using namespace testsupport;
    MeterEnvelope m;
    allocations::start(allocations::Threads::every);
    for (int i = 0; i < 10000; ++i)
        m.followSample(testsignals::programme(0, i, 1.0f), 0.5f);
    EXPECT_EQ(allocations::stop(), 0);
}
