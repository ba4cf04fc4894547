// Audio files for the test host (libsndfile): reading and writing block by
// block, output formats chosen by extension, a generated test signal, and
// peak and RMS levels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmohost
{
//------------------------------------------------------------------------------
// File formats

// A libsndfile format: a major (container) and a subtype (sample format).
struct FileFormat
{
    int major = 0;
    int subtype = 0;

    int code() const { return major | subtype; }
    // "WAV (Microsoft), Signed 16 bit PCM"
    std::string describe() const;
    // True for float and double samples, which hold values beyond full scale.
    bool isFloat() const;
};

// libsndfile's name of a major format ("FLAC (Free Lossless Audio Codec)")
// or of a subtype ("Signed 24 bit PCM").
std::string majorName(int major);
std::string subtypeName(int subtype);

// The output extensions this build's libsndfile can write, sorted, without
// the dot: its own ("wav", "flac", "oga", ...) and the usual aliases ("aif",
// "ogg", "mp3", ...) of the formats it has.
std::vector<std::string> writableExtensions();

// "wav" for "out/x.WAV"; empty when the name has no extension.
std::string extensionOf(const std::string& path);

// The names --format takes and the subtype each stands for.
struct SampleFormatName
{
    const char* name;
    const char* meaning;
};
const std::vector<SampleFormatName>& sampleFormatNames();

// Chooses the format of an output file: the container from the name's
// extension; the samples from formatName (a sampleFormatNames() name) when
// given, else the input's subtype where the container holds it (inputSubtype
// 0: none, which asks for float), else the container's best.
// note explains a fallback ("FLAC cannot hold 32 bit float"); false with
// error set when the name or the combination does not work.
bool chooseOutputFormat(const std::string& path, const std::string& formatName, int inputSubtype, int channels,
    int sampleRate, FileFormat& format, std::string& note, std::string& error);

// False with error set when frames frames do not fit the format: WAV and
// AIFF files end at 4 GB.
bool checkLength(const FileFormat& format, int channels, std::int64_t frames, std::string& error);

//------------------------------------------------------------------------------
// Reading and writing block by block

// An open audio file read from the start, any format libsndfile knows.
class AudioReader
{
public:
    static std::unique_ptr<AudioReader> open(const std::string& path, std::string& error);
    ~AudioReader();

    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int channels() const { return channelCount; }
    int sampleRate() const { return rate; }
    // The length in frames as the header gives it; 0 when it gives none.
    std::int64_t frames() const { return frameCount; }
    FileFormat format() const { return fileFormat; }

    // Reads up to frames frames as floats in -1..1 into one array per
    // channel; answers how many came (0 at the end).
    long read(float* const* channelData, long frames);

private:
    AudioReader() = default;

    void* file = nullptr;
    int channelCount = 0;
    int rate = 0;
    std::int64_t frameCount = 0;
    FileFormat fileFormat;
    std::vector<float> interleaved;
};

// An audio file written block by block. Integer samples are rounded from
// the floats with full scale at 2^(bits-1), so a file read and written
// again keeps its samples; values beyond full scale (magnitude above 1) are
// clipped and counted.
class AudioWriter
{
public:
    static std::unique_ptr<AudioWriter> open(
        const std::string& path, const FileFormat& format, int channels, int sampleRate, std::string& error);
    virtual ~AudioWriter() = default;

    // Writes frames frames from one array per channel.
    virtual bool write(const float* const* channelData, long frames) = 0;
    // Completes the file; false with error set when it could not be written whole.
    virtual bool close(std::string& error) = 0;

    // Samples that were beyond full scale in an output that cannot hold them.
    std::int64_t clippedSamples() const { return clipped; }

protected:
    std::int64_t clipped = 0;
};

//------------------------------------------------------------------------------
// Whole files, for tests and small jobs

struct Audio
{
    double sampleRate = 44100.0;
    std::vector<std::vector<float>> channels; // all of the same length

    long frames() const { return channels.empty() ? 0 : static_cast<long>(channels[0].size()); }
};

// Reads any format libsndfile knows; samples as floats in -1..1.
bool readAudio(const std::string& path, Audio& audio, std::string& error);

// Writes in the format chosen by chooseOutputFormat with the given --format
// name (empty: float where the container holds it).
bool writeAudio(const std::string& path, const Audio& audio, std::string& error, const std::string& formatName = {});

//------------------------------------------------------------------------------
// Test signal and levels

// A stereo test signal: a kick drum, off-beat noise hats and a plucked bass
// line, different on the two sides, peaking near -6 dBFS. Generated block
// by block; the samples depend only on their position.
class TestSignal
{
public:
    explicit TestSignal(double sampleRate);

    void generate(float* left, float* right, long frames);

private:
    double rate;
    std::uint64_t position = 0;
    std::uint32_t noiseState = 0x12345678u;
};

// The whole test signal of the given length.
Audio makeTestSignal(double sampleRate, double seconds);

struct Level
{
    float peak = 0.0f; // largest magnitude
    double rms = 0.0;  // root mean square
};

Level levelOf(const std::vector<float>& samples);

// Peak and RMS gathered block by block; samples that are not finite are
// counted apart and left out.
class LevelMeter
{
public:
    void add(const float* samples, long count);
    Level level() const;
    std::int64_t nonFinite() const { return nonFiniteCount; }

private:
    float peak = 0.0f;
    double sum = 0.0;
    std::int64_t count = 0;
    std::int64_t nonFiniteCount = 0;
};

// "-12.3 dBFS", or "-inf dBFS" for 0.
std::string dbfsText(double linear);
} // namespace velmohost
