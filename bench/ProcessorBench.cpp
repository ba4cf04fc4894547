// Block processing of the whole chain: stereo and mono blocks, steady and
// while the band shelf glides after a Color change.

#include "bench/BenchSupport.h"
#include "processor/VelmoAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{
void fill(juce::AudioSampleBuffer& b)
{
    for (int ch = 0; ch < b.getNumChannels(); ++ch)
        for (int i = 0; i < b.getNumSamples(); ++i)
            b.setSample(ch, i, 0.4f * (float) std::sin(0.03 * i + ch));
}

void runBlocks(benchmark::State& state, int numInputs, bool glide)
{
    const int blockSize = (int) state.range(0);
    VelmoAudioProcessor p;
    p.setPlayConfigDetails(numInputs, numInputs, 44100.0, blockSize);
    p.setParameter(VelmoAudioProcessor::punchParam, 0.4f);
    p.setParameter(VelmoAudioProcessor::colorParam, 0.5f);
    p.prepareToPlay(44100.0, blockSize);

    juce::AudioSampleBuffer source(numInputs, blockSize), buffer(numInputs, blockSize);
    fill(source);
    juce::MidiBuffer midi;
    int samplesSinceChange = 0;
    bool high = false;

    for (auto _ : state)
    {
        // A new Color whenever the previous glide (1024 samples) is over.
        if (glide && samplesSinceChange <= 0)
        {
            state.PauseTiming();
            high = !high;
            p.setParameter(VelmoAudioProcessor::colorParam, high ? 0.6f : 0.3f);
            samplesSinceChange = 1024;
            state.ResumeTiming();
        }
        samplesSinceChange -= blockSize;

        buffer.makeCopyOf(source, true);
        const juce::ScopedLock sl(p.getCallbackLock());
        p.processBlock(buffer, midi);
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
    }

    reportStereoSamples(state, blockSize);
}

void stereoSteady(benchmark::State& state)
{
    runBlocks(state, 2, false);
}
void stereoGliding(benchmark::State& state)
{
    runBlocks(state, 2, true);
}
void monoSteady(benchmark::State& state)
{
    runBlocks(state, 1, false);
}
}

BENCHMARK(stereoSteady)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(stereoGliding)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(monoSteady)->Arg(64)->Arg(512)->Arg(4096);
