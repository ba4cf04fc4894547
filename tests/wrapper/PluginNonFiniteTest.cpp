// Non-finite input samples and parameter values through the effect record:
// the output is finite again from the next block, and a non-finite
// parameter, set by the host or restored from a chunk, never reaches the
// audio while getParameter still reports it.
#include "PluginTestSupport.h"

#include <limits>

using namespace PluginTest;

namespace
{
constexpr int blockSize = 512;

std::unique_ptr<Plugin> stereoPlugin(float gain, float punch, float color)
{
    auto plugin = makePlugin();
    if (!plugin)
        return plugin;
    plugin->setSampleRate(44100.0);
    plugin->setBlockSize(blockSize);
    EXPECT_TRUE(plugin->setSpeakerArrangement(2, 2));
    plugin->setParameter(0, gain);
    plugin->setParameter(1, punch);
    plugin->setParameter(2, color);
    plugin->setMains(true);
    return plugin;
}

// Processes `blocks` blocks of the test signal, the first with `bad` at
// sample 100 of the left channel; answers how many later blocks held a
// non-finite output sample.
int blocksWithNonFiniteOutput(Plugin& plugin, float bad, bool badFirst, int blocks)
{
    const auto signal = programme(2, blockSize * blocks);
    std::vector<float> inL(blockSize), inR(blockSize), outL(blockSize), outR(blockSize);
    float* ins[] = {inL.data(), inR.data()};
    float* outs[] = {outL.data(), outR.data()};
    int badBlocks = 0;
    for (int b = 0; b < blocks; ++b)
    {
        std::copy_n(signal[0].begin() + b * blockSize, blockSize, inL.begin());
        std::copy_n(signal[1].begin() + b * blockSize, blockSize, inR.begin());
        if (b == 0 && badFirst)
            inL[100] = bad;
        plugin.processReplacing(ins, outs, blockSize);
        bool finite = true;
        for (int i = 0; i < blockSize; ++i)
            finite = finite && std::isfinite(outL[static_cast<std::size_t>(i)]) &&
                     std::isfinite(outR[static_cast<std::size_t>(i)]);
        badBlocks += b > 0 && !finite ? 1 : 0;
    }
    return badBlocks;
}

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();
} // namespace

TEST(PluginNonFinite, OneBadInputSampleSilencesNothingAfterItsBlock)
{
    for (float bad : {notANumber, infinity, -infinity})
    {
        auto plugin = stereoPlugin(0.5f, 0.5f, 0.5f);
        ASSERT_TRUE(plugin);
        EXPECT_EQ(blocksWithNonFiniteOutput(*plugin, bad, true, 10), 0) << bad;
    }
}

TEST(PluginNonFinite, ParametersFromTheHostAreReportedButNeverReachTheAudio)
{
    for (VstInt32 index = 0; index < 3; ++index)
        for (float value : {notANumber, infinity, -infinity})
        {
            auto plugin = stereoPlugin(0.5f, 0.5f, 0.5f);
            ASSERT_TRUE(plugin);
            plugin->setParameter(index, value);
            EXPECT_EQ(bitsOf(plugin->getParameter(index)), bitsOf(value)) << index;
            EXPECT_EQ(blocksWithNonFiniteOutput(*plugin, 0.0f, false, 6), 0) << "parameter " << index << " " << value;
        }
}

TEST(PluginNonFinite, ChunkValuesAreStoredButNeverReachTheAudio)
{
    for (const char* text : {"nan", "inf", "-inf"})
    {
        const std::string xml = std::string("<Velmo_SETTINGS Gain=\"0.5\" Punch=\"") + text + "\" Color=\"0.3\"/>";
        std::vector<std::uint8_t> chunk = {'V', 'C', '2', '!'};
        for (int shift = 0; shift < 32; shift += 8)
            chunk.push_back(static_cast<std::uint8_t>(xml.size() >> shift));
        chunk.insert(chunk.end(), xml.begin(), xml.end());
        chunk.push_back(0);

        auto plugin = stereoPlugin(0.5f, 0.2f, 0.0f);
        ASSERT_TRUE(plugin);
        plugin->setChunk(chunk);
        EXPECT_FALSE(std::isfinite(plugin->getParameter(1))) << text;
        EXPECT_EQ(blocksWithNonFiniteOutput(*plugin, 0.0f, false, 6), 0) << text;
    }
}
