// velmo-host bench: the cost of VST 2.4 libraries through their replacing
// process entry, with one fixed signal, side by side.
#pragma once

#include <vector>

namespace velmohost
{
/// The bench signal: noise and a logarithmic sweep from 20 Hz to 20 kHz over
/// the whole length, each at a peak of 0.125, so that the sum peaks at about
/// -12 dBFS; two channels with their own noise.
std::vector<std::vector<float>> benchSignal(double sampleRate, long frames);

/// Runs "bench PLUGIN... [options]"; args[0] is "bench". Answers the exit status.
int benchCommand(int argc, char** argv);

/// One line per option, for the host's usage text.
const char* benchUsage();
} // namespace velmohost
