#pragma once

#include "dsp/Compressor.h"
#include "dsp/DirectFormI.h"
#include "dsp/SectionChain.h"

// The stages after the drive gain, for a stereo block, in one pass: the band
// shelf's one section per channel, the mid/side width, the compressor with
// unlinked channels and peak clipping, the output gain and the level
// follower. Every sample goes through exactly the operations the separate
// stages would give it, in the same order and precision; the stages only
// share the loop, so that their recursions overlap in time.
//
// The state lives in the structures below for the length of a block: the
// owner copies it out of the filter, compressor and follower before and back
// after.
namespace StereoChain
{
struct Section
{
    Dsp::SectionCoeffs k;
    Dsp::DirectFormI l, r;
    double offsetL, offsetR; // each flipped before its channel's sample
};

struct Follower
{
    float ceiling, attackCoef, releaseCoef; // the ceiling a positive number
    float levelL, levelR;
};

// Where a block's samples come from and go. An input may be its own output
// (in place); otherwise inputs and outputs must not overlap.
struct Channels
{
    const float* inLeft;
    const float* inRight;
    float* left;
    float* right;
};

// Runs samples [begin, end) from the inputs to the outputs: each input
// sample multiplied by drive (which must not be 0), then the section only
// when filtering is set, and the rest. The output gain acts as the
// framework's applyGain does: 1 leaves a sample, 0 clears it, anything else
// multiplies. loud tells whether the last samples needed the compressor's
// gain curve (its logarithm and exponential), which picks the faster way
// through the next ones; it changes no result. Keep it from one call to the
// next.
void run(const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept;

// The builds of the loop: the baseline one, and on x86-64 one for
// AVX-512 processors. Both give the same bits.
enum class Code
{
    baseline,
    avx512
};

// The build run() takes in this process, found on its first call.
Code chosen();

// run() by the given build, which the processor must support.
void run(Code code, const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept;
} // namespace StereoChain
