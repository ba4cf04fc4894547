// The whole plug-in as a host runs it: blocks through the effect record's
// replacing-process entry of the built Velmo.so, the wrapper's copy and lock
// included.

#include "tools/VstHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
    void processReplacing (benchmark::State& state)
    {
        const int blockSize = (int) state.range (0);
        std::string error;
        velmohost::HostSettings settings;
        settings.blockSize = blockSize;
        auto plugin = velmohost::Plugin::load (VELMO_PLUGIN_PATH, error, settings);
        if (plugin == nullptr)
        {
            state.SkipWithError (error.c_str());
            return;
        }

        plugin->open();
        plugin->setBlockSize (blockSize);
        plugin->setParameter (1, 0.4f);
        plugin->setParameter (2, 0.5f);
        plugin->setMains (true);

        std::vector<float> inL (blockSize), inR (blockSize), outL (blockSize), outR (blockSize);
        for (int i = 0; i < blockSize; ++i)
        {
            inL[i] = 0.4f * (float) std::sin (0.03 * i);
            inR[i] = 0.4f * (float) std::sin (0.03 * i + 1.0);
        }
        float* ins[] = { inL.data(), inR.data() };
        float* outs[] = { outL.data(), outR.data() };

        for (auto _ : state)
        {
            plugin->processReplacing (ins, outs, blockSize);
            benchmark::DoNotOptimize (outL.data());
        }

        state.SetItemsProcessed (state.iterations() * blockSize);
    }
}

BENCHMARK (processReplacing)->Arg (64)->Arg (512)->Arg (4096);
