// The vector logarithm and exponential of the compressor's gain curve give
// the maths layer's bits for every float (all 2^32 patterns, the lanes they
// leave to the layer included), and the vector gain curve gives the scalar
// curve's gains.
#include "dsp/CurveMath.h"
#include "dsp/maths/Maths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace
{
// Mismatches between vector(in, out) for four floats and scalar(x) over all
// 2^32 bit patterns, in eight slices at once. NaN against NaN counts as equal.
template <class Vector, class Scalar>
std::uint64_t mismatchesOverEveryFloat(Vector vector, Scalar scalar, std::uint32_t& firstMismatch)
{
    constexpr std::uint64_t slices = 8;
    constexpr std::uint64_t sliceSize = (std::uint64_t(1) << 32) / slices;
    std::atomic<std::uint64_t> mismatches{0};
    std::atomic<std::uint32_t> first{0};
    std::vector<std::thread> threads;
    for (std::uint64_t s = 0; s < slices; ++s)
        threads.emplace_back(
            [&, s]
            {
                std::uint64_t local = 0;
                for (std::uint64_t b = s * sliceSize; b < (s + 1) * sliceSize; b += 4)
                {
                    float in[4], out[4];
                    for (std::uint32_t k = 0; k < 4; ++k)
                    {
                        const std::uint32_t bits = static_cast<std::uint32_t>(b) + k;
                        std::memcpy(&in[k], &bits, sizeof(float));
                    }
                    vector(in, out);
                    for (int k = 0; k < 4; ++k)
                    {
                        const float expected = scalar(in[k]);
                        if (std::memcmp(&expected, &out[k], sizeof(float)) != 0 &&
                            !(std::isnan(expected) && std::isnan(out[k])))
                        {
                            if (local++ == 0)
                                first.store(static_cast<std::uint32_t>(b) + static_cast<std::uint32_t>(k));
                        }
                    }
                }
                mismatches += local;
            });
    for (auto& t : threads)
        t.join();
    firstMismatch = first.load();
    return mismatches.load();
}
} // namespace

TEST(CurveMath, LogarithmGivesTheMathsLayersBitsForEveryFloat)
{
    if (!CurveMath::available())
        GTEST_SKIP() << "no vector curve on this processor";
    std::uint32_t first = 0;
    EXPECT_EQ(mismatchesOverEveryFloat(
                  CurveMath::log4, [](float x) { return Maths::logarithm(x); }, first),
        0u)
        << "first at bits 0x" << std::hex << first;
}

TEST(CurveMath, ExponentialGivesTheMathsLayersBitsForEveryFloat)
{
    if (!CurveMath::available())
        GTEST_SKIP() << "no vector curve on this processor";
    std::uint32_t first = 0;
    EXPECT_EQ(mismatchesOverEveryFloat(
                  CurveMath::exp4, [](float x) { return Maths::exponential(x); }, first),
        0u)
        << "first at bits 0x" << std::hex << first;
}

TEST(CurveMath, GainsAreTheScalarCurvesForEverySetting)
{
    if (!CurveMath::available())
        GTEST_SKIP() << "no vector curve on this processor";
    const struct
    {
        std::int32_t threshold, ratio, makeup, autoMakeup, knee;
    } settings[] = {{-1, 15, 0, 0, 0}, {-24, 4, 0, 0, 30}, {-24, 4, 3, 1, 30}, {-60, 2, -6, 0, 0}, {0, 20, 0, 1, 0},
        {-12, 1, 0, 0, 50}};
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> linear(0.0f, 25.0f);
    std::uniform_int_distribution<int> exponent(-150, 10);
    for (const auto& s : settings)
    {
        Compressor c;
        c.sampleRate = 48000.0;
        c.resetState();
        const std::int32_t values[] = {s.threshold, s.ratio, s.makeup, 5, 50, s.autoMakeup, s.knee, 1, 1};
        for (std::int32_t i = 0; i < 9; ++i)
            c.applySetting(static_cast<CompressorSetting>(i), values[i]);
        const Compressor::Curve curve = c.begin().curve;

        std::vector<float> envelopes(1 << 16), gains(envelopes.size());
        for (std::size_t i = 0; i < envelopes.size(); ++i)
            envelopes[i] = i % 3 == 0 ? std::ldexp(linear(rng), exponent(rng)) : linear(rng);
        envelopes[0] = 0.0f;
        envelopes[1] = curve.belowThreshold;
        envelopes[2] = std::nextafter(curve.belowThreshold, 0.0f);
        envelopes[3] = 1.0f;
        CurveMath::gains(envelopes.data(), gains.data(), static_cast<int>(envelopes.size()) - 1, curve);

        long mismatches = 0;
        for (std::size_t i = 0; i + 1 < envelopes.size(); ++i)
        {
            const float expected = CompressorDetail::gainForEnvelope(envelopes[i], curve);
            mismatches += std::memcmp(&expected, &gains[i], sizeof(float)) != 0 ? 1 : 0;
        }
        EXPECT_EQ(mismatches, 0) << "threshold " << s.threshold << ", ratio " << s.ratio << ", knee " << s.knee;
    }
}
