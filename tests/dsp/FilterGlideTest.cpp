#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/dsp/FilterTestSupport.h"
#include "tests/support/TestSignals.h"

namespace
{

using namespace FilterTest;

// A stereo block of test signal, either sample type.
template <class Sample>
struct Block
{
    explicit Block(int n, unsigned seed = 7u)
    {
        const auto a = testsignals::noise<double>(static_cast<std::size_t>(n), seed),
                   b = testsignals::noise<double>(static_cast<std::size_t>(n), seed + 1u);
        left.assign(a.begin(), a.end());
        right.assign(b.begin(), b.end());
        channels[0] = left.data();
        channels[1] = right.data();
    }

    Sample* const* data() { return channels; }

    std::vector<Sample> left, right;
    Sample* channels[2];
};

bool sameDesign(const Shelf& x, const Shelf& y)
{
    return std::memcmp(x.cascade.sections, y.cascade.sections, sizeof(Dsp::SectionCoeffs)) == 0;
}

const Dsp::ParamValues start = shelfParams(44100.0, 80.0, 80.0, 0.0);
const Dsp::ParamValues target = shelfParams(48000.0, 8250.0, 3000.0, 12.0);

TEST(FilterGlide, FirstParametersTakeEffectAtOnce)
{
    SmoothedProbe filter;
    EXPECT_EQ(filter.glideLength, 1024);
    EXPECT_EQ(filter.glideRemaining, -1);
    filter.assignParams(target);
    EXPECT_EQ(filter.glideRemaining, 0);
    EXPECT_EQ(filter.glideValues, target);

    // The whole block runs through design, channel by channel.
    PlainProbe plain;
    plain.assignParams(target);
    Block<float> a(600), b(600);
    filter.processChannels(600, a.data());
    plain.processChannels(600, b.data());
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(filter.glideRemaining, 0);
}

TEST(FilterGlide, UnchangedValuesGlideWithZeroSteps)
{
    SmoothedProbe filter;
    PlainProbe plain;
    filter.assignParams(target);
    plain.assignParams(target);
    filter.assignParams(target);
    EXPECT_EQ(filter.glideRemaining, 1024);

    Block<double> a(1100), b(1100);
    filter.processChannels(1100, a.data());
    plain.processChannels(1100, b.data());
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_TRUE(sameDesign(filter.glideDesign, plain.design));
}

TEST(FilterGlide, TwoHalfBlocksCompleteTheGlide)
{
    SmoothedProbe filter;
    filter.assignParams(start);
    filter.assignParams(target);
    EXPECT_EQ(filter.glideValues, start);
    EXPECT_EQ(filter.glideRemaining, 1024);

    Block<float> first(512);
    filter.processChannels(512, first.data());
    EXPECT_EQ(filter.glideRemaining, 512);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(
            filter.glideValues[i], start[i] + (target[i] - start[i]) * 0.5, 1e-9 * (1.0 + std::fabs(target[i])));

    Block<float> second(512);
    filter.processChannels(512, second.data());
    EXPECT_EQ(filter.glideRemaining, 0);
    EXPECT_EQ(filter.glideValues, target);
    // The last glided sample was designed at the target, up to rounding.
    EXPECT_NEAR(
        std::abs(filter.glideDesign.cascade.evaluateResponse(0.05) - filter.design.cascade.evaluateResponse(0.05)), 0.0,
        1e-9);

    // Third block: main design only, so the glide design is left as it was.
    const Dsp::SectionCoeffs glideBefore = filter.glideDesign.cascade.sections[0];
    Block<float> third(300);
    filter.processChannels(300, third.data());
    EXPECT_EQ(std::memcmp(&glideBefore, filter.glideDesign.cascade.sections, sizeof glideBefore), 0);
}

TEST(FilterGlide, LongBlockGlidesThenRunsTheMainDesign)
{
    // One 1500-sample block equals 1024 glided samples followed by 476 plain ones.
    SmoothedProbe whole, split;
    for (SmoothedProbe* f : {&whole, &split})
    {
        f->assignParams(start);
        f->assignParams(target);
    }
    Block<float> a(1500), b(1500);
    whole.processChannels(1500, a.data());
    EXPECT_EQ(whole.glideRemaining, 0);
    EXPECT_EQ(whole.glideValues, target);

    split.processChannels(1024, b.data());
    EXPECT_EQ(split.glideRemaining, 0);
    float* rest[2] = {b.left.data() + 1024, b.right.data() + 1024};
    split.processChannels(476, rest);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);

    // Samples 1024.. went through design: the same state driven by a plain
    // filter from there on gives the same samples.
    SmoothedProbe glided;
    glided.assignParams(start);
    glided.assignParams(target);
    Block<float> c(1500);
    glided.processChannels(1024, c.data());
    PlainProbe plain;
    plain.assignParams(target);
    for (int ch = 0; ch < 2; ++ch)
    {
        std::memcpy(plain.histories[ch].sectionStates, glided.histories[ch].sectionStates, sizeof(Dsp::DirectFormI));
        plain.histories[ch].denormalOffset = glided.histories[ch].denormalOffset;
    }
    float* tail[2] = {c.left.data() + 1024, c.right.data() + 1024};
    plain.processChannels(476, tail);
    EXPECT_EQ(a.left, c.left);
    EXPECT_EQ(a.right, c.right);
}

TEST(FilterGlide, RestartContinuesFromTheValuesReached)
{
    SmoothedProbe filter;
    filter.assignParams(start);
    filter.assignParams(target);
    Block<float> a(300);
    filter.processChannels(300, a.data());
    EXPECT_EQ(filter.glideRemaining, 724);
    const Dsp::ParamValues reached = filter.glideValues;
    EXPECT_NEAR(reached[2], 80.0 + (8250.0 - 80.0) * 300.0 / 1024.0, 1e-9);

    const Dsp::ParamValues next = shelfParams(44100.0, 3000.0, 500.0, -6.0);
    filter.assignParams(next);
    EXPECT_EQ(filter.glideRemaining, 1024);
    EXPECT_EQ(filter.glideValues, reached);

    // Several changes between blocks leave one glide toward the last values.
    const Dsp::ParamValues last = shelfParams(44100.0, 5000.0, 700.0, 3.0);
    filter.assignParams(last);
    EXPECT_EQ(filter.glideRemaining, 1024);
    Block<float> b(10);
    filter.processChannels(10, b.data());
    EXPECT_NEAR(filter.glideValues[2], reached[2] + (5000.0 - reached[2]) * 10.0 / 1024.0, 1e-9);
    Block<float> c(1014);
    filter.processChannels(1014, c.data());
    EXPECT_EQ(filter.glideRemaining, 0);
    EXPECT_EQ(filter.glideValues, last);
}

TEST(FilterGlide, GainRampIsLinearPerSample)
{
    SmoothedProbe filter;
    const Dsp::ParamValues from = shelfParams(44100.0, 2000.0, 1720.0, 0.0);
    const Dsp::ParamValues to = shelfParams(44100.0, 2000.0, 1720.0, 12.0);
    filter.assignParams(from);
    filter.assignParams(to);
    for (int k = 1; k <= 1024; ++k)
    {
        float l = 0.1f, r = 0.1f;
        float* channels[2] = {&l, &r};
        filter.processChannels(1, channels);
        ASSERT_NEAR(filter.glideDesign.prototype.cachedGainDb, k * 12.0 / 1024.0, 1e-12) << k;
        ASSERT_EQ(filter.glideValues[2], 2000.0) << k;
        ASSERT_EQ(filter.glideValues[3], 1720.0) << k;
        // One design per glided sample serves both channels.
        ASSERT_EQ(l, r) << k;
    }
    EXPECT_EQ(filter.glideRemaining, 0);
    EXPECT_EQ(filter.glideDesign.prototype.cachedGainDb, 12.0);
}

TEST(FilterGlide, EmptyBlocksChangeNothing)
{
    SmoothedProbe filter;
    filter.assignParams(start);
    filter.assignParams(target);
    Block<float> a(4);
    const std::vector<float> original = a.left;
    for (int n : {0, -1, -1000})
        filter.processChannels(n, a.data());
    EXPECT_EQ(filter.glideRemaining, 1024);
    EXPECT_EQ(filter.glideValues, start);
    EXPECT_EQ(a.left, original);
    EXPECT_EQ(filter.histories[0].denormalOffset, 1e-8);
}

TEST(FilterGlide, FloatBlocksAreDoubleBlocksRounded)
{
    SmoothedProbe f, d;
    for (SmoothedProbe* p : {&f, &d})
    {
        p->assignParams(start);
        p->assignParams(target);
    }
    Block<float> fb(2000);
    std::vector<double> left(fb.left.begin(), fb.left.end()), right(fb.right.begin(), fb.right.end());
    double* dChannels[2] = {left.data(), right.data()};
    for (int offset = 0; offset < 2000; offset += 500)
    {
        float* fc[2] = {fb.left.data() + offset, fb.right.data() + offset};
        double* dc[2] = {dChannels[0] + offset, dChannels[1] + offset};
        f.processChannels(500, fc);
        d.processChannels(500, dc);
    }
    for (int j = 0; j < 2000; ++j)
    {
        ASSERT_EQ(fb.left[j], static_cast<float>(left[j])) << j;
        ASSERT_EQ(fb.right[j], static_cast<float>(right[j])) << j;
    }
}

TEST(FilterGlide, SweepPastNyquistStaysFinite)
{
    // The processor's full Color sweep at 22050 Hz, glided.
    SmoothedProbe filter;
    filter.assignParams(shelfParams(22050.0, 80.0, 80.0, 1.0));
    filter.assignParams(shelfParams(22050.0, 16500.0, 6000.0, 24.0));
    Block<float> block(22050);
    filter.processChannels(22050, block.data());
    float largest = 0.0f;
    for (int j = 0; j < 22050; ++j)
    {
        ASSERT_TRUE(std::isfinite(block.left[j]) && std::isfinite(block.right[j])) << j;
        largest = std::max({largest, std::fabs(block.left[j]), std::fabs(block.right[j])});
    }
    EXPECT_LT(largest, 20.0f);
}

} // namespace

namespace
{
// Designs for many parameter sets at once are the designs configure gives
// one by one, bit for bit: any rate, centre, width and gain, 0 dB, band
// edges past the clamps and bands past the Nyquist frequency included.
TEST(FilterGlide, BatchedDesignsAreConfiguresSections)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    long differing = 0;
    for (int round = 0; round < 20000; ++round)
    {
        const int count = 1 + static_cast<int>(rng() % Dsp::orderOneBatch);
        double values[Dsp::orderOneBatch][5];
        for (int k = 0; k < count; ++k)
        {
            const double rate = 8000.0 + unit(rng) * 184000.0;
            values[k][0] = rate;
            values[k][1] = 1.0;
            values[k][2] = unit(rng) < 0.1 ? 80.0 : unit(rng) * 20000.0;
            values[k][3] = unit(rng) < 0.1 ? 80.0 : unit(rng) * 8000.0;
            values[k][4] = unit(rng) < 0.1 ? 0.0 : unit(rng) * 60.0 - 30.0;
        }
        Dsp::SectionCoeffs batch[Dsp::orderOneBatch];
        Shelf::designBatch(count, values, batch);
        for (int k = 0; k < count; ++k)
        {
            Shelf one;
            one.configure(1, values[k][0], values[k][2], values[k][3], values[k][4]);
            differing += std::memcmp(&one.cascade.sections[0], &batch[k], sizeof batch[k]) != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}
} // namespace
