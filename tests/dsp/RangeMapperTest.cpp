#include "dsp/RangeMapper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
struct Case
{
    float input;
    float expected;
};

RangeMapper makeMapper(std::int32_t mode, float scale, float upRange = 0.0f, float downRange = 0.0f)
{
    RangeMapper m;
    m.mode = mode;
    m.scale = scale;
    m.upRange = upRange;
    m.downRange = downRange;
    return m;
}

void expectMapping(const RangeMapper& m, const std::vector<Case>& cases)
{
    for (const auto& c : cases)
        EXPECT_EQ(m.mapValue(c.input), c.expected) << "input " << c.input;
}

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
} // namespace

TEST(RangeMapper, ConstructionValues)
{
    const RangeMapper m;
    EXPECT_EQ(m.center, 0.5f);
    EXPECT_EQ(m.maxInput, 1.0f);
    EXPECT_EQ(m.minInput, 0.0f);
    EXPECT_EQ(m.scale, 0.0f);
    EXPECT_EQ(m.mode, RangeMapper::modeSymmetric);
}

TEST(RangeMapper, SymmetricRisesScalePerCenterAndClamps)
{
    expectMapping(makeMapper(RangeMapper::modeSymmetric, 10.0f),
        {{0.0f, -10.0f}, {0.25f, -5.0f}, {0.5f, 0.0f}, {0.75f, 5.0f}, {1.0f, 10.0f}, {1.5f, 10.0f}, {-3.0f, -10.0f}});
}

TEST(RangeMapper, AsymmetricDividesBothBranchesByCenter)
{
    expectMapping(makeMapper(RangeMapper::modeAsymmetric, 0.0f, 4.0f, 36.0f),
        {{0.0f, -36.0f}, {0.25f, -18.0f}, {0.5f, 0.0f}, {0.75f, 2.0f}, {1.0f, 4.0f}, {7.0f, 4.0f}, {-1.0f, -36.0f}});
}

TEST(RangeMapper, LinearIgnoresCenter)
{
    RangeMapper m = makeMapper(RangeMapper::modeLinear, 64.0f);
    expectMapping(m, {{0.5f, 32.0f}, {1.2f, 64.0f}, {-0.1f, 0.0f}, {0.0f, 0.0f}});
    m.center = 0.25f;
    expectMapping(m, {{0.5f, 32.0f}});
}

TEST(RangeMapper, UpperBoundIsAppliedBeforeLowerBound)
{
    // With crossed bounds the lower one wins, since it is applied last.
    RangeMapper m = makeMapper(RangeMapper::modeLinear, 1.0f);
    m.maxInput = 0.2f;
    m.minInput = 0.6f;
    expectMapping(m, {{0.9f, 0.6f}, {0.4f, 0.6f}, {0.0f, 0.6f}});
}

TEST(RangeMapper, SlopeQuotientIsFormedBeforeTheDistance)
{
    // (scale / center) x distance and scale x distance / center round differently here.
    RangeMapper m = makeMapper(RangeMapper::modeSymmetric, 1.0f);
    m.center = 0.3f;
    const float x = 0.85f;
    const float expected = (1.0f / 0.3f) * (x - 0.3f);
    ASSERT_NE(expected, 1.0f * (x - 0.3f) / 0.3f);
    EXPECT_EQ(m.mapValue(x), expected);
}

TEST(RangeMapper, NaNAndUnknownModesGiveZero)
{
    for (std::int32_t mode : {0, 1, 2})
    {
        const RangeMapper m = makeMapper(mode, 10.0f, 4.0f, 36.0f);
        EXPECT_EQ(m.mapValue(notANumber), 0.0f) << "mode " << mode;
    }
    for (std::int32_t mode : {3, -1})
    {
        const RangeMapper m = makeMapper(mode, 10.0f, 4.0f, 36.0f);
        for (float x : {0.0f, 0.3f, 1.0f, 5.0f, notANumber})
            EXPECT_EQ(m.mapValue(x), 0.0f) << "mode " << mode << " input " << x;
    }
}
