// The test signals every suite draws from: noise, a stand-in for programme
// material, and a set of signals of one kind each. Noise and sineOfCycles use
// integer and basic floating-point arithmetic only (no maths library), so
// they give the same bytes on every platform and compiler; the render set's
// committed input checksums rest on that.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsignals
{
/// Uniform noise in [-1, 1): xorshift32, scaled by a power of two.
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : state(seed * 2654435761u + 12345u) {}

    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(static_cast<std::int32_t>(state)) * (1.0 / 2147483648.0);
    }

private:
    std::uint32_t state;
};

/// `frames` samples of Noise(seed), times `level`.
template <typename Sample = float>
std::vector<Sample> noise(std::size_t frames, std::uint32_t seed, double level = 1.0)
{
    Noise source(seed);
    std::vector<Sample> out(frames);
    for (Sample& x : out)
        x = static_cast<Sample>(source.next() * level);
    return out;
}

/// sin(2 pi p), from a polynomial: additions and multiplications only.
double sineOfCycles(double p);

/// Stands in for programme material: a tone that swells and dies away every
/// 4000 frames over a quieter steady tone, another on each channel (0 and 1,
/// repeated for more), peaking at `level`.
float programme(int channel, long frame, float level);

/// Frames first to first + frames - 1 of the programme on `channels`
/// channels, loud enough to work the compressor (0.7 on the left, 0.5 on the
/// right).
std::vector<std::vector<float>> programme(int channels, long frames, long first = 0);

/// A mono signal of one kind, made for a number of frames at a sample rate.
struct Kind
{
    std::string name;
    std::function<std::vector<float>(int frames, double rate)> make;
};

/// Full-scale noise, silence, full-scale square waves at 100 Hz, DC at full
/// scale, impulses of either sign, and a full-scale sweep from 20 Hz to the
/// Nyquist frequency.
const std::vector<Kind>& kinds();
} // namespace testsignals
