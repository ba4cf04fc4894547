#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "tests/dsp/FilterTestSupport.h"
#include "tests/support/TestSignals.h"
#include "tests/support/AllocationCounter.h"

namespace
{

using namespace FilterTest;

static_assert(std::has_virtual_destructor<Dsp::Filter>::value, "deleted through the interface");
static_assert(std::is_abstract<Dsp::Filter>::value, "interface only");
template <class T>
constexpr bool pinned = !std::is_copy_constructible<T>::value && !std::is_move_constructible<T>::value &&
                        !std::is_copy_assignable<T>::value && !std::is_move_assignable<T>::value;
static_assert(pinned<SmoothedFilter> && pinned<PlainFilter> && pinned<Shelf>, "filters and designs stay put");
static_assert(
    pinned<Dsp::ChannelHistory<Dsp::DirectFormI, 1>> && pinned<Dsp::ShelfPrototype>, "they point into themselves");
static_assert(std::is_base_of<Dsp::FilterDesign<Shelf, 2, Dsp::DirectFormI>, SmoothedFilter>::value &&
                  std::is_base_of<Dsp::FilterDesignBase<Shelf>, PlainFilter>::value,
    "the class chain");

TEST(FilterObject, DescribesItselfBeforeAnyParameters)
{
    const std::unique_ptr<Dsp::Filter> filter(new SmoothedFilter);
    EXPECT_EQ(filter->kindCode(), 6);
    EXPECT_EQ(filter->paramCount(), 5);
    EXPECT_EQ(filter->channelCount(), 2);
    EXPECT_EQ(filter->title(), "Butterworth Band Shelf");
    EXPECT_TRUE(filter->rootGroups().empty());
    EXPECT_EQ(filter->responseAt(0.1), std::complex<double>(1.0, 0.0));
    for (int i = 0; i < 5; ++i)
        EXPECT_NO_THROW(filter->paramInfo(i));
}

TEST(FilterObject, AssignParamsStoresAllValuesAndConfigures)
{
    PlainProbe filter;
    const Dsp::ParamValues values{44100.0, 1.9, 2000.0, 1720.0, -6.0, 5.5, -6.5, 7.5};
    filter.assignParams(values);
    EXPECT_EQ(filter.params, values);
    EXPECT_EQ(filter.design.prototype.cachedOrder, 1);

    const std::vector<Dsp::RootGroup> groups = filter.rootGroups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].poleA, filter.design.digital.groups[0].poleA);

    Shelf reference;
    reference.configure(1, 44100.0, 2000.0, 1720.0, -6.0);
    EXPECT_EQ(filter.responseAt(0.07), reference.cascade.evaluateResponse(0.07));

    // applyParams alone configures the design and leaves params alone.
    filter.applyParams(shelfParams(48000.0, 500.0, 100.0, 3.0));
    EXPECT_EQ(filter.params, values);
    EXPECT_EQ(filter.design.prototype.cachedGainDb, 3.0);
}

TEST(FilterObject, PlainDesignFiltersFloatAndDoubleBlocksInPlace)
{
    PlainProbe asFloat, asDouble;
    const Dsp::ParamValues values = shelfParams(44100.0, 8250.0, 3000.0, 12.0);
    asFloat.assignParams(values);
    asDouble.assignParams(values);

    const std::vector<double> input = testsignals::noise<double>(256, 12345);
    std::vector<float> left(input.begin(), input.end()), right(input.rbegin(), input.rend());
    std::vector<double> dLeft(left.begin(), left.end()), dRight(right.begin(), right.end());
    float* fChannels[2] = {left.data(), right.data()};
    double* dChannels[2] = {dLeft.data(), dRight.data()};

    Dsp::ChannelHistory<Dsp::DirectFormI, 1> reference;
    std::vector<double> expectedLeft;
    for (float x : left)
        expectedLeft.push_back(reference.filterSample(static_cast<double>(x), asDouble.design.cascade));

    asFloat.processChannels(256, fChannels);
    asDouble.processChannels(256, dChannels);
    for (int j = 0; j < 256; ++j)
    {
        ASSERT_EQ(dLeft[j], expectedLeft[j]) << j;
        ASSERT_EQ(left[j], static_cast<float>(dLeft[j])) << j;
        ASSERT_EQ(right[j], static_cast<float>(dRight[j])) << j;
    }
    EXPECT_EQ(
        std::memcmp(asFloat.histories[1].sectionStates, asDouble.histories[1].sectionStates, sizeof(Dsp::DirectFormI)),
        0);
}

TEST(FilterObject, EmptyBlocksAndClearHistory)
{
    PlainProbe filter;
    filter.assignParams(shelfParams(44100.0, 2000.0, 1720.0, -6.0));
    float left[3] = {0.5f, 0.25f, -1.0f}, right[3] = {0.5f, 0.25f, -1.0f};
    float* channels[2] = {left, right};

    filter.processChannels(0, channels);
    filter.processChannels(-4, channels);
    EXPECT_EQ(left[0], 0.5f);
    EXPECT_EQ(filter.histories[0].denormalOffset, 1e-8);
    EXPECT_EQ(filter.histories[1].sectionStates[0].x1, 0.0);

    filter.processChannels(3, channels);
    EXPECT_EQ(filter.histories[0].denormalOffset, -1e-8);
    filter.clearHistory();
    for (auto& history : filter.histories)
    {
        const Dsp::DirectFormI& s = history.sectionStates[0];
        EXPECT_EQ(s.x1, 0.0);
        EXPECT_EQ(s.x2, 0.0);
        EXPECT_EQ(s.y1, 0.0);
        EXPECT_EQ(s.y2, 0.0);
        EXPECT_EQ(history.denormalOffset, -1e-8);
    }
    filter.clearHistory();
    EXPECT_EQ(filter.histories[1].denormalOffset, -1e-8);
}

TEST(FilterObject, BlocksBeforeTheFirstParametersPassUnchanged)
{
    PlainProbe plain;
    SmoothedProbe smoothed;
    float left[2] = {0.5f, -0.25f}, right[2] = {0.125f, 1.0f};
    float* channels[2] = {left, right};
    plain.processChannels(2, channels);
    smoothed.processChannels(2, channels);
    EXPECT_EQ(left[0], 0.5f);
    EXPECT_EQ(left[1], -0.25f);
    EXPECT_EQ(right[1], 1.0f);
    EXPECT_EQ(smoothed.glideRemaining, -1);
    EXPECT_EQ(plain.histories[0].denormalOffset, 1e-8);
    EXPECT_EQ(smoothed.histories[1].denormalOffset, 1e-8);
}

TEST(FilterObject, NothingIsAllocatedWhileDesigningOrProcessing)
{
    using namespace testsupport;
    allocations::start(allocations::Threads::every);
    Dsp::Filter* filter = new SmoothedFilter;
    EXPECT_EQ(allocations::stop(), 1); // the object itself, nothing more

    std::vector<float> left(4096, 0.25f), right(4096, -0.25f);
    float* channels[2] = {left.data(), right.data()};
    std::vector<double> dLeft(4096, 0.5), dRight(4096, 0.5);
    double* dChannels[2] = {dLeft.data(), dRight.data()};

    allocations::start(allocations::Threads::every);
    filter->assignParams(shelfParams(44100.0, 80.0, 80.0, 0.0));
    filter->processChannels(512, channels);
    filter->assignParams(shelfParams(44100.0, 16500.0, 6000.0, 24.0));
    filter->processChannels(4096, channels); // glides through 1024 re-designs
    filter->assignParams(shelfParams(22050.0, 16500.0, 6000.0, 12.0));
    filter->processChannels(700, dChannels);
    filter->clearHistory();
    filter->responseAt(0.2);
    EXPECT_EQ(allocations::stop(), 0);

    delete filter;
}

} // namespace

namespace
{
using namespace FilterTest;

// A non-finite sample clears only its own channel's history after the block,
// in the plain and the gliding filter alike; the offsets keep their sign.
TEST(FilterObject, ANonFiniteSampleClearsItsChannelAfterTheBlock)
{
    for (bool gliding : {false, true})
        for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL})
        {
            SmoothedProbe filter;
            filter.assignParams(shelfParams(44100.0, 2000.0, 1000.0, 12.0));
            if (gliding)
                filter.assignParams(shelfParams(44100.0, 5000.0, 1000.0, 6.0));
            std::vector<double> left = testsignals::noise<double>(64, 1), right = testsignals::noise<double>(64, 2);
            left[40] = bad;
            double* channels[] = {left.data(), right.data()};
            filter.processChannels(64, channels);

            const Dsp::DirectFormI& l = filter.histories[0].sectionStates[0];
            EXPECT_TRUE(l.x1 == 0.0 && l.x2 == 0.0 && l.y1 == 0.0 && l.y2 == 0.0) << bad << " gliding " << gliding;
            EXPECT_TRUE(std::isfinite(filter.histories[1].sectionStates[0].y1));
            EXPECT_NE(filter.histories[1].sectionStates[0].y1, 0.0);
            EXPECT_EQ(filter.histories[0].denormalOffset, 1e-8); // after 64 flips
            EXPECT_TRUE(std::isfinite(right[63]));
        }
}
} // namespace
