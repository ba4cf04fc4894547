// The vector logarithms and exponentials of the compressor's gain curve give
// the maths layer's bits for every float (all 2^32 patterns, the lanes they
// leave to the layer included), and the vector gain curves give the scalar
// curve's gains, in each vector form the processor runs.
#include "dsp/CurveMath.h"
#include "dsp/maths/Maths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
using CurveMath::Form;

// Mismatches between vector(in, out) for sixteen floats and scalar(x) over all
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
                for (std::uint64_t b = s * sliceSize; b < (s + 1) * sliceSize; b += 16)
                {
                    float in[16], out[16];
                    for (std::uint32_t k = 0; k < 16; ++k)
                    {
                        const std::uint32_t bits = static_cast<std::uint32_t>(b) + k;
                        std::memcpy(&in[k], &bits, sizeof(float));
                    }
                    vector(in, out);
                    for (int k = 0; k < 16; ++k)
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

Compressor::Curve curveFor(
    std::int32_t threshold, std::int32_t ratio, std::int32_t makeup, std::int32_t autoMakeup, std::int32_t knee)
{
    Compressor c;
    c.sampleRate = 48000.0;
    c.resetState();
    const std::int32_t values[] = {threshold, ratio, makeup, 5, 50, autoMakeup, knee, 1, 1};
    for (std::int32_t i = 0; i < 9; ++i)
        c.applySetting(static_cast<CompressorSetting>(i), values[i]);
    return c.begin().curve;
}

bool bitsEqual(float a, float b)
{
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

class CurveMathForm : public ::testing::TestWithParam<Form>
{
protected:
    void SetUp() override
    {
        if (CurveMath::widest() < GetParam())
            GTEST_SKIP() << (GetParam() == Form::avx512 ? "this processor has no AVX-512F/VL/DQ/BW"
                                                        : "this processor has no AVX2 and FMA");
    }
};

std::string formName(const ::testing::TestParamInfo<Form>& info)
{
    return info.param == Form::avx512 ? "Avx512" : "Avx2";
}
} // namespace

TEST_P(CurveMathForm, LogarithmGivesTheMathsLayersBitsForEveryFloat)
{
    std::uint32_t first = 0;
    EXPECT_EQ(mismatchesOverEveryFloat([](const float* in, float* out) { CurveMath::log16(GetParam(), in, out); },
                  [](float x) { return Maths::logarithm(x); }, first),
        0u)
        << "first at bits 0x" << std::hex << first;
}

TEST_P(CurveMathForm, ExponentialGivesTheMathsLayersBitsForEveryFloat)
{
    std::uint32_t first = 0;
    EXPECT_EQ(mismatchesOverEveryFloat([](const float* in, float* out) { CurveMath::exp16(GetParam(), in, out); },
                  [](float x) { return Maths::exponential(x); }, first),
        0u)
        << "first at bits 0x" << std::hex << first;
}

TEST_P(CurveMathForm, GainsAreTheScalarCurvesForEverySetting)
{
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
        const Compressor::Curve curve = curveFor(s.threshold, s.ratio, s.makeup, s.autoMakeup, s.knee);
        std::vector<float> envelopes(1 << 16), gains(envelopes.size());
        for (std::size_t i = 0; i < envelopes.size(); ++i)
            envelopes[i] = i % 3 == 0 ? std::ldexp(linear(rng), exponent(rng)) : linear(rng);
        envelopes[0] = 0.0f;
        envelopes[1] = curve.belowThreshold;
        envelopes[2] = std::nextafter(curve.belowThreshold, 0.0f);
        envelopes[3] = 1.0f;
        envelopes[4] = std::numeric_limits<float>::infinity();
        envelopes[5] = std::numeric_limits<float>::quiet_NaN();
        envelopes[6] = std::numeric_limits<float>::denorm_min();
        CurveMath::gains(GetParam(), envelopes.data(), gains.data(), static_cast<int>(envelopes.size()) - 1, curve);

        long mismatches = 0;
        for (std::size_t i = 0; i + 1 < envelopes.size(); ++i)
            mismatches += bitsEqual(CompressorDetail::gainForEnvelope(envelopes[i], curve), gains[i]) ? 0 : 1;
        EXPECT_EQ(mismatches, 0) << "threshold " << s.threshold << ", ratio " << s.ratio << ", knee " << s.knee;
        EXPECT_TRUE(bitsEqual(gains.back(), 0.0f)) << "wrote past n";
    }
}

// Every count up to the chain's 128, in place and apart: the partial last
// group computes its lanes and touches nothing past n.
TEST_P(CurveMathForm, GainsOfEveryCountInPlaceOrApart)
{
    const Compressor::Curve curve = curveFor(-24, 4, 0, 0, 30);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> linear(0.0f, 4.0f);
    constexpr float guard = -7.0f;
    for (int n = 0; n <= 128; ++n)
        for (const bool inPlace : {false, true})
        {
            std::vector<float> envelopes(n + 1), gains(n + 1, guard);
            for (float& e : envelopes)
                e = linear(rng);
            const float pastEnd = envelopes[n];
            std::vector<float> expected(n);
            for (int i = 0; i < n; ++i)
                expected[i] = CompressorDetail::gainForEnvelope(envelopes[i], curve);
            float* out = inPlace ? envelopes.data() : gains.data();
            CurveMath::gains(GetParam(), envelopes.data(), out, n, curve);
            for (int i = 0; i < n; ++i)
                EXPECT_TRUE(bitsEqual(out[i], expected[i])) << "n " << n << ", lane " << i << ", in place " << inPlace;
            EXPECT_TRUE(bitsEqual(out[n], inPlace ? pastEnd : guard)) << "n " << n << " wrote past its end";
        }
}

INSTANTIATE_TEST_SUITE_P(, CurveMathForm, ::testing::Values(Form::avx2, Form::avx512), formName);
