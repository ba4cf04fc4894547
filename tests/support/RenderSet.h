// A fixed set of renders through a VST 2.4 library: sample rates, block-size
// patterns, parameter sets, automation between blocks, Color glides, mono and
// stereo. The input signal is made from the test signals' Noise and
// sineOfCycles, with integer and basic floating-point arithmetic only (no
// maths library), so every platform feeds the plug-in the same bytes; the
// renders can then be compared by checksum or sample by sample.
//
// Depends on the test host library alone.
#pragma once

#include "tools/VstHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace renderset
{
// Something the host does at a block boundary.
struct Event
{
    enum Kind
    {
        parameter,  // setParameter(index, value)
        mainsCycle, // switch off and on again (the plug-in prepares anew)
        newRate     // switch off, report value as the new sample rate, switch on
    };

    long frame = 0; // applied before the first block that starts at or after this frame
    Kind kind = parameter;
    int index = 0;
    double value = 0.0;
};

struct Case
{
    std::string name;
    double sampleRate = 44100.0;
    int channels = 2; // 1 (mono arrangement) or 2
    long frames = 0;
    std::vector<int> blocks;                       // block sizes, used in turn and repeated
    float gain = 0.5f, punch = 0.0f, color = 0.0f; // set before the plug-in is switched on
    float level = 0.5f;                            // peak level of the input's loud parts
    std::uint32_t seed = 1;
    std::vector<Event> events;
};

// Channel-major output: out[channel][frame].
using Render = std::vector<std::vector<float>>;

// The fixed list of cases. Changing it changes the committed checksums.
const std::vector<Case>& cases();

// A case drawn from seed: any rate from 8000 to 192000 Hz, mono or stereo,
// random block sizes, parameters and automation with Color glides. For
// comparing two builds beyond the fixed list.
Case randomCase(std::uint32_t seed);

// The input of a case: noise, sweeps, silence, bursts above full scale, DC,
// impulses and very quiet passages in turn.
Render makeInput(const Case& c);

// Renders one case through a new instance of the library; false with error set
// when the instance cannot be made.
bool render(const std::shared_ptr<velmohost::PluginLibrary>& library, const Case& c, Render& out, std::string& error);

// 64-bit FNV-1a over the little-endian bytes of every sample, channel 0 first.
std::uint64_t checksum(const Render& r);
std::string hex(std::uint64_t value);

// Largest absolute difference between two renders of the same shape, and the
// channel and frame where it lies; NaN where the bytes differ but a sample is
// not a number. Renders of different shapes give infinity.
struct Difference
{
    double largest = 0.0;
    int channel = -1;
    long frame = -1;
    long differingSamples = 0;
};
Difference compare(const Render& a, const Render& b);

// Files of a dump folder: NAME.f32 holds the channels one after the other as
// little-endian 32-bit floats.
bool writeRender(const std::string& path, const Render& r);
bool readRender(const std::string& path, int channels, long frames, Render& r);

// The committed list "NAME HEX" per line; lines starting with # are skipped.
bool readChecksums(const std::string& path, std::vector<std::pair<std::string, std::string>>& list);
} // namespace renderset
