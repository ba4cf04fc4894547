// Audio files for the test host (libsndfile), a generated test signal, and
// peak and RMS levels.
#pragma once

#include <string>
#include <vector>

namespace velmohost
{
struct Audio
{
    double sampleRate = 44100.0;
    std::vector<std::vector<float>> channels; // all of the same length

    long frames() const { return channels.empty() ? 0 : static_cast<long>(channels[0].size()); }
};

/// Reads any format libsndfile knows; samples as floats in -1..1.
bool readAudio(const std::string& path, Audio& audio, std::string& error);

/// Writes by the file's extension: .flac (24-bit), .aif/.aiff (float),
/// .ogg (Vorbis), anything else WAV with float samples.
bool writeAudio(const std::string& path, const Audio& audio, std::string& error);

/// A stereo test signal: a kick drum, off-beat noise hats and a plucked bass
/// line, different on the two sides, peaking near -6 dBFS.
Audio makeTestSignal(double sampleRate, double seconds);

struct Level
{
    float peak = 0.0f;  // largest magnitude
    double rms = 0.0;   // root mean square
};

Level levelOf(const std::vector<float>& samples);

/// "-12.3 dBFS", or "-inf dBFS" for 0.
std::string dbfsText(double linear);
} // namespace velmohost
