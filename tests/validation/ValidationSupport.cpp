#include "ValidationSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace Validation
{
namespace
{
// Prints the figures when the program's tests are over.
class FiguresReport : public ::testing::Environment
{
public:
    void TearDown() override
    {
        auto& f = figures();
        std::printf("validation figures: %ld instances opened, %ld rate and block-size runs, "
                    "%ld automation events, %ld inputs tried, %ld blocks checked, %ld chunks set",
            f.instancesOpened.load(), f.rateAndBlockSizeRuns.load(), f.automationEvents.load(), f.inputsTried.load(),
            f.blocksChecked.load(), f.chunksSet.load());
        if (f.chunksSet.load() > 0)
            std::printf(", slowest chunk %.3f ms (%s)", f.slowestChunkMs, f.slowestChunk.c_str());
        std::printf("\n");
    }
};

const auto* const report = ::testing::AddGlobalTestEnvironment(new FiguresReport);
} // namespace

void Figures::noteChunk(double milliseconds, std::size_t bytes, const std::string& what)
{
    ++chunksSet;
    std::lock_guard<std::mutex> lock(mutex);
    if (milliseconds > slowestChunkMs)
    {
        slowestChunkMs = milliseconds;
        slowestChunk = what + ", " + std::to_string(bytes) + " bytes";
    }
}

Figures& figures()
{
    static Figures f;
    return f;
}

std::unique_ptr<Plugin> openInstance(HostSettings settings)
{
    auto plugin = makePlugin(std::move(settings));
    if (plugin)
        ++figures().instancesOpened;
    return plugin;
}

float peakLimit(float gain)
{
    if (std::isnan(gain))
        gain = 0.5f;
    gain = std::clamp(gain, 0.0f, 1.0f);
    const double db = gain < 0.5f ? -36.0 * (0.5 - gain) / 0.5 : 4.0 * (gain - 0.5) / 0.5;
    // A hair of room for single-precision rounding of the gain.
    return static_cast<float>(0.999 * std::pow(10.0, db / 20.0) * 1.00001);
}

void OutputCheck::check(const float* samples, int count)
{
    for (int i = 0; i < count; ++i)
    {
        const float x = samples[i];
        switch (std::fpclassify(x))
        {
            case FP_NAN:
                ++nans;
                continue;
            case FP_INFINITE:
                ++infinities;
                continue;
            case FP_SUBNORMAL:
                ++subnormals;
                break;
            default:
                break;
        }
        peak = std::max(peak, std::fabs(x));
        if (std::fabs(x) > limit)
            ++overLimit;
    }
}

std::string OutputCheck::report() const
{
    std::ostringstream s;
    s << nans << " NaN, " << infinities << " infinite, " << subnormals << " subnormal, " << overLimit << " over "
      << limit << " (peak " << peak << ")";
    return s.str();
}

void prepare(Plugin& plugin, int channels, double rate, int maxBlock)
{
    if (plugin.mainsOn())
        plugin.setMains(false);
    EXPECT_TRUE(plugin.setSpeakerArrangement(channels, channels)) << channels << " channels";
    plugin.setSampleRate(rate);
    plugin.setBlockSize(maxBlock);
    plugin.setMains(true);
}

long runBlocks(Plugin& plugin, const std::vector<std::vector<float>>& input, const std::function<int()>& nextBlock,
    const std::function<void(long first, int frames, float* const* out)>& checkBlock)
{
    const std::size_t channels = input.size();
    const long frames = static_cast<long>(input[0].size());
    std::vector<std::vector<float>> output(channels, std::vector<float>(input[0].size()));
    std::vector<float*> ins(channels), outs(channels);

    long blocks = 0;
    for (long done = 0; done < frames; ++blocks)
    {
        const int n = static_cast<int>(std::min<long>(nextBlock(), frames - done));
        for (std::size_t c = 0; c < channels; ++c)
        {
            ins[c] = const_cast<float*>(input[c].data()) + done;
            outs[c] = output[c].data() + done;
        }
        plugin.processReplacing(ins.data(), outs.data(), n);
        checkBlock(done, n, outs.data());
        done += n;
    }
    figures().blocksChecked += blocks;
    return blocks;
}

std::vector<std::vector<float>> asChannels(const std::vector<float>& mono, int channels)
{
    std::vector<std::vector<float>> out{mono};
    if (channels == 2)
    {
        std::vector<float> right(mono.size(), 0.0f);
        for (std::size_t i = 7; i < mono.size(); ++i)
            right[i] = -0.8f * mono[i - 7];
        out.push_back(std::move(right));
    }
    return out;
}
} // namespace Validation
