#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dsp/DirectFormI.h"
#include "dsp/SectionChain.h"

namespace
{

using History = Dsp::ChannelHistory<Dsp::DirectFormI, 1>;

struct OneSection
{
    OneSection() : chain(&coeffs, 1) { chain.sectionCount = 1; }

    Dsp::SectionCoeffs coeffs{1.0, -1.2, 0.5, 0.3, -0.2, 0.9};
    Dsp::SectionChain chain;
};

TEST(DirectFormI, TermsAreSummedLeftToRightWithTheOffsetLast)
{
    // b1*x1 = 1e16, b0*x = 1, b2*x2 = -1e16: left to right the 1 is lost.
    Dsp::DirectFormI state;
    state.x1 = 1e16;
    state.x2 = -1e16;
    state.y1 = 0.0;
    state.y2 = 0.0;
    const Dsp::SectionCoeffs c{1.0, 0.0, 0.0, 1.0, 1.0, 1.0};
    EXPECT_EQ(state.filterSection(1.0, c, 0.0), 0.0);

    // ... and the offset is added after the feedback terms.
    Dsp::DirectFormI feedback;
    feedback.y1 = -1e16;
    feedback.y2 = 1e16;
    const Dsp::SectionCoeffs f{1.0, 1.0, 1.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(feedback.filterSection(0.0, f, 1.0), 1.0);
}

TEST(DirectFormI, HistoryShiftsAndA0IsIgnored)
{
    Dsp::DirectFormI state;
    Dsp::SectionCoeffs c{7.0, -0.5, 0.25, 0.5, 0.125, 2.0};
    const double y0 = state.filterSection(1.0, c, 0.0);
    EXPECT_EQ(y0, 2.0);
    const double y1 = state.filterSection(-2.0, c, 0.0);
    EXPECT_EQ(y1, 0.5 * 1.0 + 2.0 * -2.0 + 0.5 * 2.0);
    EXPECT_EQ(state.x1, -2.0);
    EXPECT_EQ(state.x2, 1.0);
    EXPECT_EQ(state.y1, y1);
    EXPECT_EQ(state.y2, y0);

    c.a0 = 1.0;
    Dsp::DirectFormI unit;
    EXPECT_EQ(unit.filterSection(1.0, c, 0.0), y0);
}

TEST(ChannelHistory, FirstOutputOfSilenceIsTheOffset)
{
    OneSection s;
    History d;
    EXPECT_EQ(d.denormalOffset, 1e-8);
    // The section history lives inside the channel object.
    const char* begin = reinterpret_cast<const char*>(&d);
    const char* state = reinterpret_cast<const char*>(d.sectionStates);
    EXPECT_TRUE(state > begin && state + sizeof(Dsp::DirectFormI) <= begin + sizeof d);
    EXPECT_EQ(d.filterSample(0.0, s.chain), -1e-8);
    EXPECT_EQ(d.denormalOffset, -1e-8);

    History f;
    EXPECT_EQ(f.filterSample(0.0f, s.chain), static_cast<float>(-1e-8));
}

TEST(ChannelHistory, OffsetAlternatesAndSurvivesClearing)
{
    OneSection s;
    History h;
    for (int i = 0; i < 3; ++i)
        h.filterSample(0.25, s.chain);
    EXPECT_EQ(h.denormalOffset, -1e-8);
    h.clear();
    EXPECT_EQ(h.sectionStates[0].x1, 0.0);
    EXPECT_EQ(h.sectionStates[0].y1, 0.0);
    EXPECT_EQ(h.sectionStates[0].x2, 0.0);
    EXPECT_EQ(h.sectionStates[0].y2, 0.0);
    EXPECT_EQ(h.denormalOffset, -1e-8);

    // Cleared state, silence in: the output is the offset, now positive.
    EXPECT_EQ(h.filterSample(0.0, s.chain), 1e-8);
}

TEST(ChannelHistory, FloatVariantRoundsOnlyTheReturnedSample)
{
    OneSection s;
    History viaFloat, viaDouble;
    const float inputs[] = {0.1f, -0.7f, 0.333f, 1.0f, -1.0f, 0.0f, 1e-7f};
    for (float x : inputs)
    {
        const float f = viaFloat.filterSample(x, s.chain);
        const double d = viaDouble.filterSample(static_cast<double>(x), s.chain);
        EXPECT_EQ(f, static_cast<float>(d));
        EXPECT_EQ(std::memcmp(viaFloat.sectionStates, viaDouble.sectionStates, sizeof(Dsp::DirectFormI)), 0);
        EXPECT_EQ(viaFloat.denormalOffset, viaDouble.denormalOffset);
    }
}

TEST(ChannelHistory, OffsetEntersOnlyTheFirstSection)
{
    Dsp::SectionCoeffs coeffs[2]{{1.0, 0.0, 0.0, 0.0, 0.0, 1.0}, {1.0, 0.0, 0.0, 0.0, 0.0, 3.0}};
    Dsp::SectionChain chain(coeffs, 2);
    chain.sectionCount = 2;
    Dsp::ChannelHistory<Dsp::DirectFormI, 2> h;
    EXPECT_EQ(h.filterSample(1.0, chain), (1.0 - 1e-8) * 3.0);
    EXPECT_EQ(h.sectionStates[1].x1, 1.0 - 1e-8);
}

TEST(ChannelHistory, BlockRunIsInPlaceAndEmptyRangesChangeNothing)
{
    OneSection s;
    History histories[2];
    double left[4] = {1.0, 0.5, -0.5, 0.25};
    double right[4] = {1.0, 0.5, -0.5, 0.25};
    double* channels[2] = {left, right};

    Dsp::filterBlock<2>(histories, channels, 0, 0, s.chain);
    Dsp::filterBlock<2>(histories, channels, 0, -5, s.chain);
    EXPECT_EQ(left[0], 1.0);
    EXPECT_EQ(histories[0].denormalOffset, 1e-8);
    EXPECT_EQ(histories[1].sectionStates[0].x1, 0.0);

    History reference;
    double expected[4];
    for (int j = 0; j < 4; ++j)
        expected[j] = reference.filterSample(left[j], s.chain);

    Dsp::filterBlock<2>(histories, channels, 0, 4, s.chain);
    for (int j = 0; j < 4; ++j)
    {
        EXPECT_EQ(left[j], expected[j]);
        EXPECT_EQ(right[j], expected[j]); // identical inputs, identical outputs
    }
}

} // namespace
