// Figures every benchmark here reports besides its time per iteration.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

// per_sample: time per stereo sample (a sample of both channels);
// realtime: seconds of audio at the sample rate per second of CPU time
// (the console shows it "/s").
inline void reportStereoSamples(benchmark::State& state, double samplesPerIteration, double sampleRate = 44100.0)
{
    const double samples = samplesPerIteration * static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
    state.counters["per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter(samples / sampleRate, benchmark::Counter::kIsRate);
}
