#include "tools/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace velmohost
{
namespace
{
std::string extensionOf(const std::string& path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

int formatFor(const std::string& path)
{
    const std::string ext = extensionOf(path);
    if (ext == "flac")
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    if (ext == "aif" || ext == "aiff")
        return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    if (ext == "ogg")
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

// A small deterministic noise source, so that the test signal is the same on every run.
struct Noise
{
    std::uint32_t state = 0x12345678u;

    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<double>(state) / 2147483648.0 - 1.0);
    }
};
} // namespace

bool readAudio(const std::string& path, Audio& audio, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }

    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * channels);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);

    audio.sampleRate = info.samplerate;
    audio.channels.assign(channels, std::vector<float>(static_cast<std::size_t>(got)));
    for (std::size_t f = 0; f < static_cast<std::size_t>(got); ++f)
        for (std::size_t c = 0; c < channels; ++c)
            audio.channels[c][f] = interleaved[f * channels + c];
    return true;
}

bool writeAudio(const std::string& path, const Audio& audio, std::string& error)
{
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
    info.channels = static_cast<int>(audio.channels.size());
    info.format = formatFor(path);
    if (info.channels == 0 || !sf_format_check(&info))
    {
        error = "cannot write " + path + ": unsupported channel count or format";
        return false;
    }

    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
    {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }

    const auto channels = audio.channels.size();
    const auto frames = static_cast<std::size_t>(audio.frames());
    std::vector<float> interleaved(frames * channels);
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < channels; ++c)
            interleaved[f * channels + c] = audio.channels[c][f];

    const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
    const int closed = sf_close(file);
    if (written != static_cast<sf_count_t>(frames) || closed != 0)
    {
        error = "cannot write " + path + ": incomplete file";
        return false;
    }
    return true;
}

Audio makeTestSignal(double sampleRate, double seconds)
{
    constexpr double twoPi = 6.283185307179586;
    constexpr double bpm = 120.0;
    const double beat = 60.0 / bpm;
    const auto frames = static_cast<std::size_t>(std::max(0.0, seconds * sampleRate));
    static const double bassNotes[] = {55.0, 55.0, 65.41, 73.42, 55.0, 82.41, 73.42, 65.41};

    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign(2, std::vector<float>(frames));
    Noise noise;

    for (std::size_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / sampleRate;
        const double inBeat = std::fmod(t, beat);
        const double inHalfBeat = std::fmod(t + beat / 2.0, beat);
        const auto step = static_cast<std::size_t>(t / (beat / 2.0));

        // Kick: a falling sine with a fast decay, on every beat.
        const double kickFreq = 50.0 + 100.0 * std::exp(-inBeat * 30.0);
        const double kick = std::sin(twoPi * kickFreq * inBeat) * std::exp(-inBeat * 8.0);

        // Hats: bursts of noise between the beats, a little louder on the right.
        const double hat = noise.next() * std::exp(-inHalfBeat * 60.0);

        // Bass: a plucked saw-like tone on every half beat.
        const double freq = bassNotes[step % 8];
        const double inStep = std::fmod(t, beat / 2.0);
        const double phase = std::fmod(freq * t, 1.0);
        const double bass = (2.0 * phase - 1.0) * std::exp(-inStep * 6.0);

        audio.channels[0][i] = static_cast<float>(0.30 * kick + 0.06 * hat + 0.18 * bass);
        audio.channels[1][i] = static_cast<float>(0.30 * kick + 0.10 * hat + 0.12 * bass);
    }
    return audio;
}

Level levelOf(const std::vector<float>& samples)
{
    Level level;
    double sum = 0.0;
    for (float s : samples)
    {
        level.peak = std::max(level.peak, std::fabs(s));
        sum += static_cast<double>(s) * static_cast<double>(s);
    }
    level.rms = samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
    return level;
}

std::string dbfsText(double linear)
{
    if (!(linear > 0.0))
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(linear));
    return text;
}
} // namespace velmohost
