// The whole plug-in as a host runs it: blocks through the effect record's
// replacing-process entry of the built Velmo.so, the wrapper's copy and lock
// included, with the bench signal of velmo-host bench (noise and a sweep at
// about -12 dBFS, 44100 Hz).

#include "bench/BenchSupport.h"
#include "tools/BenchSignal.h"
#include "tools/VstHost.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{
constexpr double sampleRate = 44100.0;
constexpr long signalFrames = 441000; // 10 s, played in a loop

const std::vector<std::vector<float>>& signal()
{
    static const auto s = velmohost::benchSignal(sampleRate, signalFrames);
    return s;
}

// args: block size, Gain, Punch and Color in percent, samples between Color
// changes (0: none; a glide lasts 1024 samples).
void processReplacing(benchmark::State& state)
{
    const int blockSize = (int) state.range(0);
    std::string error;
    velmohost::HostSettings settings;
    settings.sampleRate = sampleRate;
    settings.blockSize = blockSize;
    auto plugin = velmohost::Plugin::load(VELMO_PLUGIN_PATH, error, settings);
    if (plugin == nullptr)
    {
        state.SkipWithError(error.c_str());
        return;
    }

    plugin->open();
    plugin->setSampleRate(sampleRate);
    plugin->setBlockSize(blockSize);
    for (int p = 0; p < 3; ++p)
        plugin->setParameter(p, (float) state.range(1 + p) / 100.0f);
    plugin->setMains(true);

    signal(); // made before the timing starts
    const long glideEvery = (long) state.range(4);
    std::vector<float> outL(blockSize), outR(blockSize);
    float* outs[] = {outL.data(), outR.data()};
    long position = 0, sinceChange = 0;
    bool high = false;

    for (auto _ : state)
    {
        if (position + blockSize > signalFrames)
            position = 0;
        if (glideEvery > 0 && sinceChange >= glideEvery)
        {
            high = !high;
            plugin->setParameter(2, high ? 0.75f : 0.25f);
            sinceChange = 0;
        }
        float* ins[] = {
            const_cast<float*>(signal()[0].data()) + position, const_cast<float*>(signal()[1].data()) + position};
        plugin->processReplacing(ins, outs, blockSize);
        benchmark::DoNotOptimize(outL.data());
        position += blockSize;
        sinceChange += blockSize;
    }

    reportStereoSamples(state, blockSize);
}
}

BENCHMARK(processReplacing)
    ->ArgNames({"block", "gain", "punch", "color", "glide"})
    ->Args({512, 50, 50, 50, 0})  // heavy drive into the limiter
    ->Args({512, 50, 0, 0, 0})    // defaults
    ->Args({512, 50, 0, 0, 1024}) // Color changing every 1024 samples: always gliding
    ->Args({32, 50, 50, 50, 0})
    ->Args({4096, 50, 50, 50, 0});
