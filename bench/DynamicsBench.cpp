// Throughput of the per-block dynamics paths, in stereo samples per second.
#include "dsp/Compressor.h"
#include "dsp/MeterEnvelope.h"
#include "dsp/RangeMapper.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace
{
constexpr std::size_t blockSize = 512;

Compressor preparedCompressor(std::int32_t unlinked, std::int32_t knee)
{
    Compressor c;
    c.enabled = true;
    c.sampleRate = 44100.0;
    c.resetState();
    const std::int32_t values[] = { -1, 15, 0, 5, 50, 0, knee, unlinked, 1 };
    for (std::int32_t i = 0; i < 9; ++i)
        c.applySetting(static_cast<CompressorSetting>(i), values[i]);
    c.numSamples = static_cast<double>(blockSize);
    return c;
}

std::vector<float> noise(float amplitude, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-amplitude, amplitude);
    std::vector<float> v(blockSize);
    for (auto& x : v)
        x = d(rng);
    return v;
}

// args: unlinked, knee percent, input amplitude (percent of full scale; 0 = silence)
void BM_CompressBlock(benchmark::State& state)
{
    Compressor c = preparedCompressor(static_cast<std::int32_t>(state.range(0)),
                                      static_cast<std::int32_t>(state.range(1)));
    const float amplitude = static_cast<float>(state.range(2)) / 100.0f;
    const std::vector<float> srcL = noise(amplitude, 1), srcR = noise(amplitude, 2);
    std::vector<float> l(blockSize), r(blockSize);
    if (amplitude == 0.0f)
    {
        // Silence after a loud passage: let the peaks and envelopes decay all the way.
        l = noise(1.0f, 5);
        r = noise(1.0f, 6);
        c.compressBlock(l.data(), r.data());
        for (int i = 0; i < 8000; ++i)
        {
            std::fill(l.begin(), l.end(), 0.0f);
            std::fill(r.begin(), r.end(), 0.0f);
            c.compressBlock(l.data(), r.data());
        }
    }
    for (auto _ : state)
    {
        l = srcL;
        r = srcR;
        c.compressBlock(l.data(), r.data());
        benchmark::DoNotOptimize(l.data());
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * blockSize));
}
BENCHMARK(BM_CompressBlock)
    ->ArgNames({ "unlinked", "knee", "amp" })
    ->Args({ 1, 0, 150 }) // the processor's configuration, driven above full scale
    ->Args({ 1, 0, 30 })
    ->Args({ 1, 0, 0 })   // silence after a loud passage
    ->Args({ 0, 0, 150 })
    ->Args({ 1, 30, 150 });

// arg: 1 = full-scale noise, 0 = silence after a loud passage (levels decayed
// into the subnormal range, where they stay)
void BM_FollowSample(benchmark::State& state)
{
    MeterEnvelope m;
    const float amplitude = static_cast<float>(state.range(0));
    const std::vector<float> l = noise(amplitude, 3), r = noise(amplitude, 4);
    if (amplitude == 0.0f)
    {
        m.levelL = 1.0f;
        m.levelR = 1.0f;
        for (int i = 0; i < 200000; ++i)
            m.followSample(0.0f, 0.0f);
    }
    for (auto _ : state)
    {
        for (std::size_t i = 0; i < blockSize; ++i)
            m.followSample(l[i], r[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * blockSize));
}
BENCHMARK(BM_FollowSample)->ArgName("amp")->Arg(1)->Arg(0);

void BM_MapValue(benchmark::State& state)
{
    RangeMapper m;
    m.mode = RangeMapper::modeAsymmetric;
    m.upRange = 4.0f;
    m.downRange = 36.0f;
    float x = 0.0f;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(m.mapValue(x));
        x = x < 1.0f ? x + 0.001f : 0.0f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MapValue);
} // namespace
