// Audio through the effect record: the same samples as the processor driven
// directly, mono and stereo arrangements, bypass, preparing.
#include "PluginTestSupport.h"

#include "processor/VelmoAudioProcessor.h"

using namespace PluginTest;

namespace
{
struct Settings
{
    double rate;
    int block;
    float gain, punch, color;
};

// The processor on its own, prepared and fed block by block as the wrapper does.
std::vector<std::vector<float>> renderDirectly(const Settings& s, const std::vector<std::vector<float>>& in)
{
    VelmoAudioProcessor processor;
    processor.setParameter(VelmoAudioProcessor::gainParam, s.gain);
    processor.setParameter(VelmoAudioProcessor::punchParam, s.punch);
    processor.setParameter(VelmoAudioProcessor::colorParam, s.color);
    const int channels = static_cast<int>(in.size());
    processor.setPlayConfigDetails(channels, channels, s.rate, s.block);
    processor.prepareToPlay(s.rate, s.block);

    auto out = in;
    const int frames = static_cast<int>(in[0].size());
    std::vector<float*> ptrs(in.size());
    juce::MidiBuffer midi;
    for (int start = 0; start < frames; start += s.block)
    {
        const int n = std::min(s.block, frames - start);
        for (std::size_t c = 0; c < out.size(); ++c)
            ptrs[c] = out[c].data() + start;
        juce::AudioSampleBuffer buffer(ptrs.data(), channels, n);
        processor.processBlock(buffer, midi);
    }
    return out;
}

std::unique_ptr<Plugin> preparedPlugin(const Settings& s, int channels, bool mainsOn = true)
{
    HostSettings host;
    host.sampleRate = s.rate;
    host.blockSize = s.block;
    auto plugin = makePlugin(host);
    if (!plugin)
        return plugin;
    plugin->setSampleRate(s.rate);
    plugin->setBlockSize(s.block);
    EXPECT_TRUE(plugin->setSpeakerArrangement(channels, channels));
    plugin->setParameter(0, s.gain);
    plugin->setParameter(1, s.punch);
    plugin->setParameter(2, s.color);
    if (mainsOn)
        plugin->setMains(true);
    return plugin;
}

void expectBitIdentical(const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t c = 0; c < a.size(); ++c)
    {
        ASSERT_EQ(a[c].size(), b[c].size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < a[c].size(); ++i)
            differing += bitsOf(a[c][i]) != bitsOf(b[c][i]) ? 1 : 0;
        EXPECT_EQ(differing, 0u) << "channel " << c;
    }
}
} // namespace

class PluginRendering : public ::testing::TestWithParam<Settings>
{
};

TEST_P(PluginRendering, StereoMatchesTheProcessorDrivenDirectly)
{
    const Settings s = GetParam();
    const auto in = programme(2, 20000);
    auto plugin = preparedPlugin(s, 2);
    ASSERT_TRUE(plugin);
    const auto viaHost = render(*plugin, in);
    expectBitIdentical(viaHost, renderDirectly(s, in));
    EXPECT_NE(viaHost, in);
}

TEST_P(PluginRendering, MonoMatchesTheProcessorDrivenDirectly)
{
    const Settings s = GetParam();
    const auto in = programme(1, 20000);
    auto plugin = preparedPlugin(s, 1);
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->effect()->numInputs, 1);
    EXPECT_EQ(plugin->effect()->numOutputs, 1);
    expectBitIdentical(render(*plugin, in), renderDirectly(s, in));
}

INSTANTIATE_TEST_SUITE_P(Settings, PluginRendering,
    ::testing::Values(Settings{44100.0, 512, 0.5f, 0.0f, 0.0f}, Settings{48000.0, 480, 0.55f, 0.4f, 0.6f},
        Settings{96000.0, 64, 1.0f, 1.0f, 1.0f}, Settings{22050.0, 1000, 0.2f, 0.33f, 0.9f}));

TEST(PluginProcessing, PreparesAtTheFirstBlockWhenTheHostNeverSwitchedOn)
{
    const Settings s{48000.0, 256, 0.6f, 0.5f, 0.4f};
    const auto in = programme(2, 6000);
    auto plugin = preparedPlugin(s, 2, false);
    ASSERT_TRUE(plugin);
    expectBitIdentical(render(*plugin, in), renderDirectly(s, in));
}

TEST(PluginProcessing, AHostWithoutASampleRateGets44100)
{
    const auto in = programme(2, 6000);
    auto plugin = preparedPlugin({0.0, 512, 0.5f, 0.5f, 0.7f}, 2);
    ASSERT_TRUE(plugin);
    expectBitIdentical(render(*plugin, in), renderDirectly({44100.0, 512, 0.5f, 0.5f, 0.7f}, in));
}

TEST(PluginProcessing, InPlaceAndCrosswiseBuffersGiveTheSameResult)
{
    // Color changes at the fourth block, so the filter glides there.
    const Settings s{44100.0, 512, 0.5f, 0.7f, 0.5f};
    const auto in = programme(2, 4096);
    enum Buffers
    {
        apart,
        inPlace,
        crosswise // the left output goes where the right input came from
    };
    const auto renderWith = [&](Buffers buffers)
    {
        auto plugin = preparedPlugin(s, 2);
        EXPECT_TRUE(plugin);
        auto ins = in, outs = in;
        auto& out = buffers == apart ? outs : ins;
        for (int start = 0; start < 4096; start += 512)
        {
            if (start == 1536)
                plugin->setParameter(2, 0.9f);
            float* inputs[] = {ins[0].data() + start, ins[1].data() + start};
            float* outputs[] = {
                out[buffers == crosswise ? 1 : 0].data() + start, out[buffers == crosswise ? 0 : 1].data() + start};
            plugin->processReplacing(inputs, outputs, 512);
        }
        if (buffers == crosswise)
            std::swap(out[0], out[1]);
        return out;
    };
    const auto expected = renderWith(apart);
    expectBitIdentical(renderWith(inPlace), expected);
    expectBitIdentical(renderWith(crosswise), expected);
}

TEST(PluginProcessing, SoftBypassPassesTheInputUnchanged)
{
    const Settings s{44100.0, 512, 0.9f, 1.0f, 1.0f};
    const auto in = programme(2, 4096);
    auto plugin = preparedPlugin(s, 2);
    ASSERT_TRUE(plugin);

    EXPECT_TRUE(plugin->setBypass(true));
    expectBitIdentical(render(*plugin, in), in);

    EXPECT_TRUE(plugin->setBypass(false));
    EXPECT_NE(render(*plugin, in), in);
}

TEST(PluginProcessing, AcceptsMonoAndStereoArrangementsOnly)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    const struct
    {
        int in, out;
        bool accepted;
    } cases[] = {{1, 1, true}, {2, 2, true}, {1, 2, false}, {2, 1, false}, {6, 6, false}, {0, 0, false}, {2, 2, true}};
    int current = 2;
    for (const auto& c : cases)
    {
        EXPECT_EQ(plugin->setSpeakerArrangement(c.in, c.out), c.accepted) << c.in << " in, " << c.out << " out";
        current = c.accepted ? c.in : current;
        EXPECT_EQ(plugin->effect()->numInputs, current) << "after " << c.in << "/" << c.out;
        EXPECT_EQ(plugin->effect()->numOutputs, current) << "after " << c.in << "/" << c.out;
    }
    EXPECT_EQ(plugin->dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST(PluginProcessing, SilenceAndOddBlockSizesAreSafe)
{
    auto plugin = preparedPlugin({44100.0, 512, 0.5f, 0.3f, 0.3f}, 2);
    ASSERT_TRUE(plugin);
    std::vector<float> l(2000, 0.0f), r(2000, 0.0f);
    float* outs[] = {l.data(), r.data()};
    const float* const ins[] = {l.data(), r.data()};

    // Larger than announced, a single frame, zero and negative frame counts.
    for (VstInt32 frames : {2000, 1, 0, -4})
        plugin->processReplacing(const_cast<float**>(ins), outs, frames);
    plugin->processReplacing(nullptr, outs, 64);
    plugin->processReplacing(const_cast<float**>(ins), nullptr, 64);

    for (float v : l)
        EXPECT_TRUE(std::isfinite(v));
}
