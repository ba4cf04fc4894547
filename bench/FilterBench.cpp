// Band-shelf filter hot paths: steady blocks, gliding blocks and one re-design.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSupport.h"

#include "dsp/Butterworth.h"
#include "dsp/SmoothedFilterDesign.h"

namespace
{

using Shelf = Dsp::Butterworth::Design::BandShelf<1>;
using ShelfFilter = Dsp::SmoothedFilterDesign<Shelf, 2, Dsp::DirectFormI>;

Dsp::ParamValues params(double centre, double width, double gain)
{
    return {44100.0, 1.0, centre, width, gain, 0.0, 0.0, 0.0};
}

struct StereoBlock
{
    explicit StereoBlock(int n) : left(static_cast<std::size_t>(n)), right(static_cast<std::size_t>(n))
    {
        for (int i = 0; i < n; ++i)
        {
            left[static_cast<std::size_t>(i)] = static_cast<float>((i % 97) / 97.0 - 0.5);
            right[static_cast<std::size_t>(i)] = static_cast<float>((i % 89) / 89.0 - 0.5);
        }
        channels[0] = left.data();
        channels[1] = right.data();
    }

    std::vector<float> left, right;
    float* channels[2];
};

// Steady state: the whole block through the main design.
void BM_ShelfSteadyBlock(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ShelfFilter filter;
    filter.assignParams(params(8250.0, 3000.0, 12.0));
    StereoBlock block(n);
    for (auto _ : state)
    {
        filter.processChannels(n, block.channels);
        benchmark::DoNotOptimize(block.left.data());
    }
    reportStereoSamples(state, n);
}
BENCHMARK(BM_ShelfSteadyBlock)->Arg(64)->Arg(512)->Arg(4096);

// Gliding: one re-design per sample, the processor's worst case.
void BM_ShelfGlidingBlock(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ShelfFilter filter;
    filter.assignParams(params(80.0, 80.0, 1.0));
    StereoBlock block(n);
    bool up = true;
    for (auto _ : state)
    {
        state.PauseTiming();
        filter.assignParams(up ? params(16500.0, 6000.0, 24.0) : params(80.0, 80.0, 1.0));
        up = !up;
        state.ResumeTiming();
        filter.processChannels(n, block.channels);
        benchmark::DoNotOptimize(block.left.data());
    }
    reportStereoSamples(state, n);
}
BENCHMARK(BM_ShelfGlidingBlock)->Arg(512)->Arg(1024);

// One configure with a changing gain (prototype rebuilt) and with a fixed one (cached).
void BM_ShelfConfigure(benchmark::State& state)
{
    const bool gainChanges = state.range(0) != 0;
    Shelf design;
    double gain = 1.0;
    double centre = 100.0;
    for (auto _ : state)
    {
        if (gainChanges)
            gain = gain > 23.0 ? 1.0 : gain + 0.01;
        centre = centre > 16000.0 ? 100.0 : centre + 1.0;
        design.configure(1, 44100.0, centre, 3000.0, gain);
        benchmark::DoNotOptimize(design.cascade.sections[0].b0);
    }
    // A glide re-designs once per sample: one design per stereo sample.
    reportStereoSamples(state, 1.0);
}
BENCHMARK(BM_ShelfConfigure)->Arg(0)->Arg(1);

} // namespace
