// Instances opened and closed in turn and from several threads, mains
// switched on and off, and every sample rate and block size, in mono and
// stereo. Built with AddressSanitizer, the first two show a use of freed
// memory when an instance closes (the message thread's manager deleted under
// the closing thread).
#include "ValidationSupport.h"

#include <thread>

using namespace Validation;

namespace
{
// Opens an instance, switches it on, runs a few blocks, switches it off and
// closes it.
void openRunAndClose(int channels, float punch)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    plugin->setParameter(1, punch);
    prepare(*plugin, channels, 44100.0, 256);
    OutputCheck check(peakLimit(0.5f));
    runBlocks(
        *plugin, asChannels(programme(1, 700)[0], channels), [] { return 256; },
        [&](long, int n, float* const* out) { check.check(out[0], n); });
    EXPECT_TRUE(check.clean()) << check.report();
    plugin->setMains(false);
    EXPECT_EQ(plugin->close(), 1);
}
} // namespace

TEST(ValidationLifecycle, InstancesOpenAndCloseInTurn)
{
    for (int i = 0; i < 2000; ++i)
        openRunAndClose(1 + i % 2, static_cast<float>(i % 4) / 3.0f);
}

TEST(ValidationLifecycle, InstancesOpenAndCloseOnSeveralThreadsAtOnce)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back(
            [t]
            {
                for (int i = 0; i < 50; ++i)
                    openRunAndClose(1 + (i + t) % 2, static_cast<float>(t) / 6.0f);
            });

    // Meanwhile one instance stays open for a while, then goes too.
    auto longLived = openInstance();
    ASSERT_TRUE(longLived);
    for (auto& t : threads)
        t.join();
    longLived.reset();

    // Closing the last instance stopped the message thread; a new one starts it again.
    openRunAndClose(2, 0.5f);
}

TEST(ValidationLifecycle, MainsOnAndOffBetweenRuns)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    const auto stereo = asChannels(programme(1, 2048)[0], 2);

    for (int round = 0; round < 40; ++round)
    {
        const int channels = 1 + round % 2;
        prepare(*plugin, channels, round % 3 == 0 ? 48000.0 : 44100.0, 64 << (round % 4));
        if (round % 5 == 4)
            plugin->setMains(false); // blocks while off: the plug-in prepares itself

        const std::vector<std::vector<float>> input(stereo.begin(), stereo.begin() + channels);
        OutputCheck check(peakLimit(0.5f));
        runBlocks(
            *plugin, input, [&] { return plugin->blockSize(); },
            [&](long, int n, float* const* out) { check.check(out[0], n); });
        ASSERT_TRUE(check.clean()) << "round " << round << ": " << check.report();
        EXPECT_GT(check.peak, 0.01f) << "round " << round;
    }
}

namespace
{
const double rates[] = {8000, 22050, 44100, 48000, 88200, 96000, 192000, 384000};
const int blockSizes[] = {1, 7, 32, 64, 512, 1024, 4096, 8192};
constexpr int varying = 0; // block sizes changing within the run

// Sizes 1 ... 8192 in an order that changes every block.
std::function<int()> blockSource(int blockSize)
{
    if (blockSize != varying)
        return [blockSize] { return blockSize; };
    auto index = std::make_shared<unsigned>(0);
    return [index]
    {
        static const int sizes[] = {512, 1, 8192, 7, 64, 4096, 32, 1024, 3, 700};
        return sizes[(*index)++ % std::size(sizes)];
    };
}
} // namespace

TEST(ValidationLifecycle, EveryRateAndBlockSizeInMonoAndStereo)
{
    // Noise, a square, a sweep and silence, with settings that work the whole chain.
    std::vector<float> signal;
    for (const auto& s : kinds())
    {
        const auto part = s.make(6000, 44100.0);
        signal.insert(signal.end(), part.begin(), part.end());
    }

    for (double rate : rates)
    {
        std::vector<int> sizes(std::begin(blockSizes), std::end(blockSizes));
        sizes.push_back(varying);
        for (int blockSize : sizes)
            for (int channels : {1, 2})
            {
                SCOPED_TRACE(testing::Message()
                             << rate << " Hz, block " << (blockSize == varying ? "varying" : std::to_string(blockSize))
                             << ", " << channels << " channel(s)");
                auto plugin = openInstance();
                ASSERT_TRUE(plugin);
                plugin->setParameter(0, 1.0f);
                plugin->setParameter(1, 0.7f);
                plugin->setParameter(2, 0.6f);
                prepare(*plugin, channels, rate, blockSize == varying ? 1024 : blockSize);

                OutputCheck check(peakLimit(1.0f));
                runBlocks(*plugin, asChannels(signal, channels), blockSource(blockSize),
                    [&](long, int n, float* const* out)
                    {
                        for (int c = 0; c < channels; ++c)
                            check.check(out[c], n);
                    });
                EXPECT_TRUE(check.clean()) << check.report();
                EXPECT_GT(check.peak, 0.1f);
                ++figures().rateAndBlockSizeRuns;
            }
    }
}

// Rates no host should send: the plug-in goes on, its output clean and its
// tail a number.
TEST(ValidationLifecycle, AbsurdSampleRates)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (float rate : {inf, -inf, std::nanf(""), 0.0f, -44100.0f, 1e-30f, 1.0f, 1e30f})
    {
        SCOPED_TRACE(rate);
        auto plugin = openInstance();
        ASSERT_TRUE(plugin);
        plugin->setParameter(2, 0.5f);
        plugin->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        plugin->setMains(true);

        OutputCheck check(peakLimit(0.5f));
        runBlocks(
            *plugin, asChannels(programme(1, 4096)[0], 2), [] { return 512; },
            [&](long, int n, float* const* out)
            {
                check.check(out[0], n);
                check.check(out[1], n);
            });
        EXPECT_TRUE(check.clean()) << check.report();
        EXPECT_EQ(plugin->tailSize(), 0);
    }
}
