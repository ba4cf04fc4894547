// Automation of all three parameters between 32-sample sub-blocks, from the
// audio thread and from a second host thread at once, with values in and out
// of range and non-finite ones: every value is stored as given, and nothing
// but clean samples within the limit leaves the plug-in.
#include "ValidationSupport.h"

#include <cmath>
#include <random>
#include <thread>

using namespace Validation;

namespace
{
struct ValueSet
{
    const char* name;
    std::vector<float> values;
};

const float inf = std::numeric_limits<float>::infinity();

const float largest = std::numeric_limits<float>::max();

const ValueSet valueSets[] = {
    {"within 0 to 1", {0.0f, 1.0f, 0.5f, 0.25f, 1.0f / 3.0f, 0.999f, 1e-7f, 0.7f}},
    {"out of range", {-1.0f, 2.0f, 1e30f, -1e30f, 1.5f, -0.001f, 1e-40f, 0.6f}},
    {"non-finite", {std::nanf(""), inf, -inf, 0.4f, -std::nanf(""), 0.9f}},
    // So large that the stereo width (1.5 times Punch) overflows.
    {"overflowing", {largest, -largest, 0.3f, 1e38f}},
};

std::uint32_t bits(float f)
{
    return bitsOf(f);
}

void automate(const ValueSet& set, int channels)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    prepare(*plugin, channels, 48000.0, 32);

    std::atomic<bool> running{true};
    std::atomic<long> events{0};

    // A second host thread, automating at the same time.
    std::thread other(
        [&]
        {
            std::mt19937 random(9);
            while (running.load())
            {
                const float v = set.values[random() % set.values.size()];
                plugin->setParameter(static_cast<VstInt32>(random() % 3), v);
                ++events;
                std::this_thread::yield();
            }
        });

    std::mt19937 random(3);
    const std::vector<float> noise = testsignals::noise(48000, 3);

    // Gain may be anything at any moment: the limit is the loudest.
    OutputCheck check(peakLimit(1.0f));
    long storedWrong = 0;
    runBlocks(
        *plugin, asChannels(noise, channels), [] { return 32; },
        [&](long, int n, float* const* out)
        {
            for (int c = 0; c < channels; ++c)
                check.check(out[c], n);
            // Between sub-blocks: all three parameters, from the audio thread.
            for (VstInt32 p = 0; p < 3; ++p)
            {
                const float v = set.values[random() % set.values.size()];
                plugin->setParameter(p, v);
                ++events;
            }
        });

    running = false;
    other.join();

    // Stored as given, bit for bit, with nobody else setting them.
    for (float v : set.values)
        for (VstInt32 p = 0; p < 3; ++p)
        {
            plugin->setParameter(p, v);
            storedWrong += bits(plugin->getParameter(p)) != bits(v) ? 1 : 0;
        }

    EXPECT_TRUE(check.clean()) << check.report();
    EXPECT_EQ(storedWrong, 0);
    figures().automationEvents += events.load();
}
} // namespace

TEST(ValidationAutomation, FiniteValuesFromTheAudioThreadAndAnother)
{
    for (const auto& set : {valueSets[0], valueSets[1]})
        for (int channels : {1, 2})
        {
            SCOPED_TRACE(testing::Message() << set.name << ", " << channels << " channel(s)");
            automate(set, channels);
        }
}

namespace
{
// Values that leave the audio clean: set from two threads at once, and each
// of them held.
void expectCleanAudio(const ValueSet& set)
{
    for (int channels : {1, 2})
    {
        SCOPED_TRACE(testing::Message() << set.name << ", " << channels << " channel(s)");
        automate(set, channels);
    }

    for (int channels : {1, 2})
        for (VstInt32 p = 0; p < 3; ++p)
            for (float held : set.values)
            {
                SCOPED_TRACE(
                    testing::Message() << "parameter " << p << " = " << held << ", " << channels << " channel(s)");
                auto plugin = openInstance();
                ASSERT_TRUE(plugin);
                prepare(*plugin, channels, 44100.0, 256);
                plugin->setParameter(p, held);
                ++figures().automationEvents;

                OutputCheck check(peakLimit(1.0f));
                runBlocks(
                    *plugin, asChannels(programme(1, 8192)[0], channels), [] { return 256; },
                    [&](long, int n, float* const* out)
                    {
                        for (int c = 0; c < channels; ++c)
                            check.check(out[c], n);
                    });
                EXPECT_TRUE(check.clean()) << check.report();
                EXPECT_GT(check.peak, 0.001f); // -36 dB at the lowest Gain
            }
}
} // namespace

// Non-finite values are stored and reported as given, but never reach the audio.
TEST(ValidationAutomation, NonFiniteValuesNeverReachTheAudio)
{
    expectCleanAudio(valueSets[2]);
}

// Finite Punch values so large that 3 x Punch overflows: the stereo width
// stays finite, so equal channels (mono among them) stay equal, not NaN.
TEST(ValidationAutomation, ValuesWhoseStereoWidthOverflowsNeverReachTheAudio)
{
    expectCleanAudio(valueSets[3]);
}
