// Hostile and ordinary input through the whole chain: after every block no
// NaN, no infinity, no subnormal and no sample beyond the limiter's 0.999
// times the output gain.
#include "ValidationSupport.h"

#include <cmath>

using namespace Validation;

namespace
{
struct Settings
{
    const char* name;
    float gain, punch, color;
};

const Settings settingsTable[] = {
    {"defaults", 0.5f, 0.0f, 0.0f},
    {"everything up", 1.0f, 1.0f, 1.0f},
    {"quiet, image kept", 0.1f, 1.0f / 3.0f, 0.2f},
    {"in between", 0.7f, 0.5f, 0.9f},
};

void apply(Plugin& plugin, const Settings& s)
{
    plugin.setParameter(0, s.gain);
    plugin.setParameter(1, s.punch);
    plugin.setParameter(2, s.color);
}
} // namespace

TEST(ValidationSignals, OrdinaryInputsStayFiniteAndWithinTheLimit)
{
    for (const auto& signal : kinds())
        for (const auto& settings : settingsTable)
            for (double rate : {8000.0, 44100.0, 384000.0})
                for (int channels : {1, 2})
                {
                    SCOPED_TRACE(testing::Message() << signal.name << ", " << settings.name << ", " << rate << " Hz, "
                                                    << channels << " channel(s)");
                    auto plugin = openInstance();
                    ASSERT_TRUE(plugin);
                    apply(*plugin, settings);
                    prepare(*plugin, channels, rate, 512);

                    OutputCheck check(peakLimit(settings.gain));
                    runBlocks(
                        *plugin, asChannels(signal.make(static_cast<int>(rate / 4), rate), channels),
                        [] { return 512; },
                        [&](long, int n, float* const* out)
                        {
                            for (int c = 0; c < channels; ++c)
                                check.check(out[c], n);
                        });
                    EXPECT_TRUE(check.clean()) << check.report();
                    ++figures().inputsTried;
                }
}

// One bad sample in a quiet signal: the output is clean in every block after
// the one that holds it, and in that one too unless the sample is not finite
// or overflows the chain. A non-finite sample must not silence the plug-in
// for good. (A huge finite one may, for a while: the compressor recovers
// from it at its release rate.)
TEST(ValidationSignals, OneNonFiniteHugeOrSubnormalSampleLeavesNoTrace)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float badValues[] = {std::nanf(""), -std::nanf(""), inf, -inf, 1e30f, -1e30f,
        std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(), -1e-40f};
    const Settings settings[] = {settingsTable[0], settingsTable[1]};
    constexpr int frames = 16384;
    constexpr long badAt = 5000;

    for (float bad : badValues)
        for (const auto& s : settings)
            for (int blockSize : {1, 64, 512})
                for (int channels : {1, 2})
                {
                    SCOPED_TRACE(testing::Message() << "sample " << bad << ", " << s.name << ", block " << blockSize
                                                    << ", " << channels << " channel(s)");
                    auto plugin = openInstance();
                    ASSERT_TRUE(plugin);
                    apply(*plugin, s);
                    prepare(*plugin, channels, 44100.0, blockSize);

                    std::vector<float> quiet(frames);
                    for (int i = 0; i < frames; ++i)
                        quiet[static_cast<std::size_t>(i)] = programme(0, i, 0.3f);
                    auto input = asChannels(quiet, channels);
                    for (auto& channel : input)
                        channel[badAt] = bad;

                    OutputCheck badBlock, after(peakLimit(s.gain));
                    float peakLater = 0.0f;
                    runBlocks(
                        *plugin, input, [&] { return blockSize; },
                        [&](long first, int n, float* const* out)
                        {
                            const bool holdsBad = first <= badAt && badAt < first + n;
                            for (int c = 0; c < channels; ++c)
                            {
                                (holdsBad ? badBlock : after).check(out[c], n);
                                if (first > badAt + 2048)
                                    for (int i = 0; i < n; ++i)
                                        peakLater = std::max(peakLater, std::fabs(out[c][i]));
                            }
                        });

                    EXPECT_TRUE(after.clean()) << "after the bad sample: " << after.report();
                    if (std::fabs(bad) <= 1e30f)
                    {
                        EXPECT_EQ(badBlock.nans + badBlock.infinities + badBlock.subnormals, 0)
                            << "in its block: " << badBlock.report();
                    }
                    if (!std::isfinite(bad))
                    {
                        EXPECT_GT(peakLater, 0.01f) << "silent after the bad sample";
                    }
                    ++figures().inputsTried;
                }
}
