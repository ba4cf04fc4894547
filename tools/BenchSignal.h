// The signal with which velmo-host bench (runBench in tools/HostCommands.h)
// and the benchmarks in bench/ measure plug-ins.
#pragma once

#include <vector>

namespace velmohost
{
// The bench signal: noise and a logarithmic sweep from 20 Hz to 20 kHz over
// the whole length, each at a peak of 0.125, so that the sum peaks at about
// -12 dBFS; two channels with their own noise.
std::vector<std::vector<float>> benchSignal(double sampleRate, long frames);
} // namespace velmohost
