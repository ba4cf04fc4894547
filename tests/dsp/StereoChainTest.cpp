// The one-pass chain gives, sample for sample and bit for bit, what the
// stages give one after the other: drive, shelf section, mid/side,
// compressor, output gain, follower, in quiet and loud passages, for any cut
// of the block, in place or from separate inputs, and across the gain's
// special values.
#include "dsp/StereoChain.h"

#include "dsp/MeterEnvelope.h"
#include "tests/support/CompressorState.h"
#include "tests/support/TestSignals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace
{
Compressor prepared(double rate)
{
    Compressor c;
    c.enabled = true;
    c.sampleRate = rate;
    c.resetState();
    const std::int32_t values[] = {-1, 15, 0, 5, 50, 0, 0, 1, 1};
    for (std::int32_t i = 0; i < 9; ++i)
        c.applySetting(static_cast<CompressorSetting>(i), values[i]);
    return c;
}

struct Staged
{
    Dsp::SectionCoeffs k{1.0, -1.2, 0.5, -1.1, 0.45, 1.05};
    Dsp::DirectFormI l, r;
    double offsetL = 1e-8, offsetR = 1e-8;
    Compressor compressor = prepared(44100.0);
    MeterEnvelope meter;

    void run(float* left, float* right, int n, bool filtering, float width, float outputGain)
    {
        for (int i = 0; i < n && filtering; ++i)
        {
            offsetL = -offsetL;
            offsetR = -offsetR;
            left[i] = static_cast<float>(l.filterSection(left[i], k, offsetL));
            right[i] = static_cast<float>(r.filterSection(right[i], k, offsetR));
        }
        for (int i = 0; i < n; ++i)
        {
            const float mid = static_cast<float>(static_cast<double>(left[i] + right[i]) * 0.5);
            const float side = (right[i] - left[i]) * width;
            left[i] = mid - side;
            right[i] = mid + side;
        }
        compressor.numSamples = n;
        compressor.compressBlock(left, right);
        for (int i = 0; i < n; ++i)
        {
            // The framework's applyGain: 1 leaves, 0 clears, else multiplies.
            if (outputGain == 0.0f)
                left[i] = right[i] = 0.0f;
            else if (outputGain != 1.0f)
            {
                left[i] *= outputGain;
                right[i] *= outputGain;
            }
            meter.followSample(left[i], right[i]);
        }
    }
};

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    // (memcmp must not see the null data of an empty vector)
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}
} // namespace

// Each build of the loop: the baseline one, and the AVX-512 one where the
// processor runs it.
class StereoChainBuilds : public ::testing::TestWithParam<StereoChain::Code>
{
protected:
    void SetUp() override
    {
        if (GetParam() == StereoChain::Code::avx512 && StereoChain::chosen() != StereoChain::Code::avx512)
            GTEST_SKIP() << "this build or processor has no AVX-512 loop";
    }
};

TEST_P(StereoChainBuilds, GivesTheStagesBitsForEveryCutOfTheBlock)
{
    std::mt19937 rng(5);
    testsignals::Noise noise(5);
    for (float outputGain : {1.0f, 0.0f, 0.5f, 1.58f})
        for (float level : {0.2f, 3.0f, 40.0f})
        {
            Staged staged;
            Compressor compressor = prepared(44100.0);
            StereoChain::Section section{staged.k, {}, {}, 1e-8, 1e-8};
            MeterEnvelope m;
            StereoChain::Follower follower{m.ceiling, m.attackCoef, m.releaseCoef, 0.0f, 0.0f};
            bool loud = false;

            const auto sample = [&] { return static_cast<float>(noise.next()) * level; };
            for (int block = 0; block < 40; ++block)
            {
                const int n = static_cast<int>(rng() % 300);
                const bool filtering = block % 5 != 3;
                const float width = block % 7 == 0 ? 0.0f : 0.75f;
                std::vector<float> l(static_cast<std::size_t>(n)), r(static_cast<std::size_t>(n));
                for (int i = 0; i < n; ++i)
                {
                    l[static_cast<std::size_t>(i)] = block % 9 == 4 ? 0.0f : sample();
                    r[static_cast<std::size_t>(i)] = block % 9 == 4 ? -0.0f : sample();
                }
                const float drive = block % 4 == 1 ? 1.7f : 1.0f;
                std::vector<float> sl = l, sr = r;
                for (int i = 0; i < n && drive != 1.0f; ++i)
                {
                    sl[static_cast<std::size_t>(i)] *= drive;
                    sr[static_cast<std::size_t>(i)] *= drive;
                }
                staged.run(sl.data(), sr.data(), n, filtering, width, outputGain);

                // Odd blocks from separate inputs, the outputs full of junk.
                const std::vector<float> inL = l, inR = r;
                if (block % 2 == 1)
                {
                    std::fill(l.begin(), l.end(), 7.0f);
                    std::fill(r.begin(), r.end(), -7.0f);
                }
                const StereoChain::Channels io{
                    block % 2 == 1 ? inL.data() : l.data(), block % 2 == 1 ? inR.data() : r.data(), l.data(), r.data()};
                Compressor::Run run = compressor.begin();
                const int cut = n / 3;
                StereoChain::run(
                    GetParam(), io, 0, cut, drive, filtering, section, width, run, outputGain, follower, loud);
                StereoChain::run(
                    GetParam(), io, cut, n, drive, filtering, section, width, run, outputGain, follower, loud);
                compressor.end(run, true);

                ASSERT_TRUE(sameBits(l, sl) && sameBits(r, sr))
                    << "gain " << outputGain << ", level " << level << ", block " << block;
                ASSERT_EQ(follower.levelL, staged.meter.levelL.load()) << "block " << block;
                ASSERT_EQ(follower.levelR, staged.meter.levelR.load()) << "block " << block;
                ASSERT_TRUE(testsupport::sameSignalState(compressor, staged.compressor)) << "block " << block;
                ASSERT_EQ(section.l.y1, staged.l.y1);
                ASSERT_EQ(section.offsetR, staged.offsetR);
            }
        }
}

TEST_P(StereoChainBuilds, ANaNSampleReachesTheFollowerAsSilence)
{
    MeterEnvelope m;
    StereoChain::Follower follower{m.ceiling, m.attackCoef, m.releaseCoef, 0.5f, 0.5f};
    Compressor compressor = prepared(44100.0);
    StereoChain::Section section{{1.0, 0.0, 0.0, 0.0, 0.0, 1.0}, {}, {}, 1e-8, 1e-8};
    float l[] = {std::numeric_limits<float>::quiet_NaN()}, r[] = {0.25f};
    Compressor::Run run = compressor.begin();
    bool loud = false;
    StereoChain::run(GetParam(), {l, r, l, r}, 0, 1, 1.0f, false, section, 0.5f, run, 1.0f, follower, loud);
    EXPECT_EQ(follower.levelL, MeterEnvelope::step(0.5f, 0.0f, m.ceiling, m.attackCoef, m.releaseCoef));
}

INSTANTIATE_TEST_SUITE_P(Loop, StereoChainBuilds,
    ::testing::Values(StereoChain::Code::baseline, StereoChain::Code::avx512),
    [](const ::testing::TestParamInfo<StereoChain::Code>& info)
    { return info.param == StereoChain::Code::baseline ? "Baseline" : "Avx512"; });
