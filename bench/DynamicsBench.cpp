// The dynamics stages and the one-pass chain, per stereo sample.
#include "bench/BenchSupport.h"
#include "dsp/Compressor.h"
#include "dsp/CurveMath.h"
#include "dsp/MeterEnvelope.h"
#include "dsp/RangeMapper.h"
#include "dsp/StereoChain.h"

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
    const std::int32_t values[] = {-1, 15, 0, 5, 50, 0, knee, unlinked, 1};
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
    Compressor c =
        preparedCompressor(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
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
    reportStereoSamples(state, blockSize);
}
BENCHMARK(BM_CompressBlock)
    ->ArgNames({"unlinked", "knee", "amp"})
    ->Args({1, 0, 150}) // the processor's configuration, driven above full scale
    ->Args({1, 0, 30})
    ->Args({1, 0, 0}) // silence after a loud passage
    ->Args({0, 0, 150})
    ->Args({1, 30, 150});

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
    reportStereoSamples(state, blockSize);
}
BENCHMARK(BM_FollowSample)->ArgName("amp")->Arg(1)->Arg(0);

// The follower as block processing runs it: levels in locals, published once.
void BM_FollowBlock(benchmark::State& state)
{
    MeterEnvelope m;
    const std::vector<float> l = noise(1.0f, 3), r = noise(1.0f, 4);
    for (auto _ : state)
    {
        float levelL = m.levelL.load(std::memory_order_relaxed), levelR = m.levelR.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < blockSize; ++i)
        {
            levelL = m.next(levelL, l[i]);
            levelR = m.next(levelR, r[i]);
        }
        m.levelL.store(levelL, std::memory_order_relaxed);
        m.levelR.store(levelR, std::memory_order_relaxed);
        benchmark::ClobberMemory();
    }
    reportStereoSamples(state, blockSize);
}
BENCHMARK(BM_FollowBlock);

// Shelf section, mid/side, compressor, output gain and follower in one pass,
// as the processor runs its steady state. args: input amplitude (percent of
// full scale), output gain (percent; 100 = 0 dB).
void BM_StereoChain(benchmark::State& state)
{
    Compressor c = preparedCompressor(1, 0);
    const float amplitude = static_cast<float>(state.range(0)) / 100.0f;
    const std::vector<float> srcL = noise(amplitude, 1), srcR = noise(amplitude, 2);
    std::vector<float> l(blockSize), r(blockSize);
    // A 12 dB band shelf at 8250 Hz, 3000 Hz wide, at 44100 Hz.
    StereoChain::Section section{{1.0, -0.9, 0.6, -0.9, 0.5, 1.1}, {}, {}, 1e-8, 1e-8};
    MeterEnvelope m;
    StereoChain::Follower follower{m.ceiling, m.attackCoef, m.releaseCoef, 0.0f, 0.0f};
    const float outputGain = static_cast<float>(state.range(1)) / 100.0f;
    bool loud = false;
    const StereoChain::Channels io{srcL.data(), srcR.data(), l.data(), r.data()};
    for (auto _ : state)
    {
        Compressor::Run run = c.begin();
        StereoChain::run(
            io, 0, static_cast<int>(blockSize), 1.0f, true, section, 0.75f, run, outputGain, follower, loud);
        c.end(run, true);
        benchmark::DoNotOptimize(l.data());
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    reportStereoSamples(state, blockSize);
}
BENCHMARK(BM_StereoChain)->ArgNames({"amp", "out"})->Args({25, 100})->Args({1000, 100})->Args({25, 50});

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
// The gain curve over the chain's batch of 64 stereo samples, all above the
// threshold, by each form the processor runs. args: form (0 plain, 1 AVX2,
// 2 AVX-512), knee percent.
void BM_CurveGains(benchmark::State& state)
{
    const auto form = static_cast<CurveMath::Form>(state.range(0));
    if (CurveMath::widest() < form)
    {
        state.SkipWithError("this processor does not run the form");
        return;
    }
    Compressor c = preparedCompressor(1, static_cast<std::int32_t>(state.range(1)));
    const Compressor::Curve curve = c.begin().curve;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> d(0.3f, 4.0f);
    std::vector<float> envelopes(128), gains(128);
    for (auto& e : envelopes)
        e = d(rng);
    for (auto _ : state)
    {
        CurveMath::gains(form, envelopes.data(), gains.data(), 128, curve);
        benchmark::DoNotOptimize(gains.data());
        benchmark::ClobberMemory();
    }
    reportStereoSamples(state, 64);
}
BENCHMARK(BM_CurveGains)
    ->ArgNames({"form", "knee"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 30})
    ->Args({2, 30});
} // namespace
