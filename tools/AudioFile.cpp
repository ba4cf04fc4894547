#include "tools/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace velmohost
{
namespace
{
//------------------------------------------------------------------------------
// Formats

SF_FORMAT_INFO formatInfo(int command, int index)
{
    SF_FORMAT_INFO info{};
    info.format = index;
    sf_command(nullptr, command, &info, sizeof info);
    return info;
}

int countOf(int command)
{
    int count = 0;
    sf_command(nullptr, command, &count, sizeof count);
    return count;
}

bool formatWorks(int format, int channels, int sampleRate)
{
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    return sf_format_check(&info) != 0;
}

std::vector<int> allSubtypes()
{
    std::vector<int> subtypes;
    const int count = countOf(SFC_GET_FORMAT_SUBTYPE_COUNT);
    for (int i = 0; i < count; ++i)
        subtypes.push_back(formatInfo(SFC_GET_FORMAT_SUBTYPE, i).format);
    return subtypes;
}

bool isWritable(int major)
{
    for (int subtype : allSubtypes())
        for (int channels : {1, 2})
            if (formatWorks(major | subtype, channels, 48000))
                return true;
    return false;
}

// Extensions people use that are not libsndfile's own names of its formats,
// and the codec each implies.
struct Alias
{
    const char* extension;
    int major;
    int subtype; // 0: the container's choice
};

const Alias aliases[] = {
    {"aif", SF_FORMAT_AIFF, 0},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
    {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
};

// The major format for an extension, 0 when this libsndfile cannot write one.
int majorForExtension(const std::string& ext, int& impliedSubtype)
{
    impliedSubtype = 0;
    for (const Alias& a : aliases)
        if (ext == a.extension && isWritable(a.major))
        {
            impliedSubtype = a.subtype;
            return a.major;
        }
    const int count = countOf(SFC_GET_FORMAT_MAJOR_COUNT);
    for (int i = 0; i < count; ++i)
    {
        const SF_FORMAT_INFO info = formatInfo(SFC_GET_FORMAT_MAJOR, i);
        if (info.extension != nullptr && ext == info.extension && isWritable(info.format))
            return info.format;
    }
    return 0;
}

// The codec a container is best written with when it holds no plain samples.
int preferredSubtype(int major)
{
    switch (major)
    {
        case SF_FORMAT_OGG:
            return SF_FORMAT_VORBIS;
        case SF_FORMAT_MPEG:
            return SF_FORMAT_MPEG_LAYER_III;
        default:
            return 0;
    }
}

struct NamedSubtype
{
    SampleFormatName name;
    int subtypes[2]; // the first the container holds is used
};

const std::vector<NamedSubtype>& namedSubtypes()
{
    static const std::vector<NamedSubtype> names = {
        {{"8", "8-bit integer"}, {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8}},
        {{"16", "16-bit integer"}, {SF_FORMAT_PCM_16, 0}},
        {{"24", "24-bit integer"}, {SF_FORMAT_PCM_24, 0}},
        {{"32", "32-bit integer"}, {SF_FORMAT_PCM_32, 0}},
        {{"float", "32-bit float"}, {SF_FORMAT_FLOAT, 0}},
        {{"double", "64-bit float"}, {SF_FORMAT_DOUBLE, 0}},
        {{"ulaw", "u-law, 8 bits"}, {SF_FORMAT_ULAW, 0}},
        {{"alaw", "A-law, 8 bits"}, {SF_FORMAT_ALAW, 0}},
    };
    return names;
}

std::string extensionList()
{
    std::string list;
    for (const std::string& ext : writableExtensions())
        list += " ." + ext;
    return list;
}

// Bits of an integer PCM subtype; 0 for every other kind of sample.
int integerBits(int subtype)
{
    switch (subtype)
    {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 8;
        case SF_FORMAT_PCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
            return 32;
        default:
            return 0;
    }
}

//------------------------------------------------------------------------------
// Writers

// Any format through libsndfile.
class SndfileWriter : public AudioWriter
{
public:
    SndfileWriter(SNDFILE* f, const FileFormat& format, int channels)
        : file(f), channelCount(channels), bits(integerBits(format.subtype)), isFloat(format.isFloat())
    {
        // The float path of non-float formats clips instead of wrapping round.
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }

    ~SndfileWriter() override
    {
        if (file != nullptr)
            sf_close(file);
    }

    bool write(const float* const* channelData, long frames) override
    {
        const auto samples = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount);
        if (bits > 0)
        {
            // Rounded to the file's own steps and shifted up to 32 bits, which
            // libsndfile shifts down again exactly.
            const double scale = std::ldexp(1.0, bits - 1);
            const double top = scale - 1.0;
            const int shift = 32 - bits;
            ints.resize(samples);
            for (long f = 0; f < frames; ++f)
                for (int c = 0; c < channelCount; ++c)
                {
                    const float x = channelData[c][f];
                    double v = std::isfinite(x) ? std::floor(static_cast<double>(x) * scale + 0.5) : 0.0;
                    // Full scale itself rounds to one step above the top: no clip to speak of.
                    if (v > top || v < -scale)
                    {
                        clipped += std::fabs(x) > 1.0f ? 1 : 0;
                        v = v > top ? top : -scale;
                    }
                    const auto step = static_cast<std::int64_t>(v);
                    ints[static_cast<std::size_t>(f) * static_cast<std::size_t>(channelCount) +
                         static_cast<std::size_t>(c)] = static_cast<int>(static_cast<std::uint32_t>(step) << shift);
                }
            return sf_writef_int(file, ints.data(), frames) == frames;
        }

        floats.resize(samples);
        for (long f = 0; f < frames; ++f)
            for (int c = 0; c < channelCount; ++c)
            {
                float x = channelData[c][f];
                if (!isFloat)
                {
                    if (!std::isfinite(x))
                        x = 0.0f;
                    else if (std::fabs(x) > 1.0f)
                        ++clipped;
                }
                floats[static_cast<std::size_t>(f) * static_cast<std::size_t>(channelCount) +
                       static_cast<std::size_t>(c)] = x;
            }
        return sf_writef_float(file, floats.data(), frames) == frames;
    }

    bool close(std::string& error) override
    {
        const int status = sf_close(file);
        file = nullptr;
        if (status != 0)
        {
            error = sf_error_number(status);
            return false;
        }
        return true;
    }

private:
    SNDFILE* file;
    int channelCount;
    int bits;
    bool isFloat;
    std::vector<int> ints;
    std::vector<float> floats;
};

// Float WAV files with the header that the format's rules ask for: a format
// chunk of 18 bytes (with its extension size, 0, as every non-PCM format
// has), a fact chunk, then the samples. libsndfile writes a 16-byte format
// chunk, which sox and other readers warn about.
class FloatWavWriter : public AudioWriter
{
public:
    static constexpr std::uint32_t headerBytes = 12 + 8 + 18 + 8 + 4 + 8;

    FloatWavWriter(std::FILE* f, int channels, int sampleRate, int bytesPerSample)
        : file(f), channelCount(channels), rate(sampleRate), sampleBytes(bytesPerSample)
    {
    }

    ~FloatWavWriter() override
    {
        if (file != nullptr)
            std::fclose(file);
    }

    bool writeHeader()
    {
        std::vector<unsigned char> h;
        auto text = [&](const char* s) { h.insert(h.end(), s, s + 4); };
        auto u16 = [&](std::uint32_t v)
        {
            h.push_back(static_cast<unsigned char>(v & 0xff));
            h.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
        };
        auto u32 = [&](std::uint32_t v)
        {
            u16(v & 0xffff);
            u16(v >> 16);
        };
        const auto blockAlign = static_cast<std::uint32_t>(channelCount * sampleBytes);
        const auto dataBytes = static_cast<std::uint32_t>(framesWritten * blockAlign);
        text("RIFF");
        u32(headerBytes - 8 + dataBytes);
        text("WAVE");
        text("fmt ");
        u32(18);
        u16(3); // IEEE float
        u16(static_cast<std::uint32_t>(channelCount));
        u32(static_cast<std::uint32_t>(rate));
        u32(static_cast<std::uint32_t>(rate) * blockAlign);
        u16(blockAlign);
        u16(static_cast<std::uint32_t>(sampleBytes * 8));
        u16(0); // no extension
        text("fact");
        u32(4);
        u32(static_cast<std::uint32_t>(framesWritten));
        text("data");
        u32(dataBytes);
        return std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), file) == h.size();
    }

    bool write(const float* const* channelData, long frames) override
    {
        const std::uint64_t limit =
            (0xffffffffull - headerBytes) / static_cast<std::uint64_t>(channelCount * sampleBytes);
        if (framesWritten + static_cast<std::uint64_t>(frames) > limit)
        {
            tooLong = true;
            return false;
        }
        bytes.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount * sampleBytes));
        unsigned char* out = bytes.data();
        for (long f = 0; f < frames; ++f)
            for (int c = 0; c < channelCount; ++c)
            {
                std::uint64_t bits = 0;
                if (sampleBytes == 4)
                {
                    std::uint32_t b32 = 0;
                    std::memcpy(&b32, &channelData[c][f], 4);
                    bits = b32;
                }
                else
                {
                    const double d = channelData[c][f];
                    std::memcpy(&bits, &d, 8);
                }
                for (int i = 0; i < sampleBytes; ++i)
                    *out++ = static_cast<unsigned char>((bits >> (8 * i)) & 0xff);
            }
        framesWritten += static_cast<std::uint64_t>(frames);
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }

    bool close(std::string& error) override
    {
        bool ok = !tooLong && std::fflush(file) == 0 && writeHeader();
        ok = std::fclose(file) == 0 && ok;
        file = nullptr;
        if (!ok)
            error = tooLong ? "a WAV file ends at 4 GB (.w64, .rf64 and .caf hold more)" : std::strerror(errno);
        return ok;
    }

private:
    std::FILE* file;
    int channelCount;
    int rate;
    int sampleBytes;
    std::uint64_t framesWritten = 0;
    bool tooLong = false;
    std::vector<unsigned char> bytes;
};
} // namespace

//------------------------------------------------------------------------------

std::string majorName(int major)
{
    SF_FORMAT_INFO info{};
    info.format = major;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr)
        return info.name;
    return "format " + std::to_string(major >> 16);
}

std::string subtypeName(int subtype)
{
    SF_FORMAT_INFO info{};
    info.format = subtype;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr)
        return info.name;
    return "sample format " + std::to_string(subtype);
}

std::string FileFormat::describe() const
{
    return majorName(major) + ", " + subtypeName(subtype);
}

bool FileFormat::isFloat() const
{
    return subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
}

std::vector<std::string> writableExtensions()
{
    std::vector<std::string> list;
    const int count = countOf(SFC_GET_FORMAT_MAJOR_COUNT);
    for (int i = 0; i < count; ++i)
    {
        const SF_FORMAT_INFO info = formatInfo(SFC_GET_FORMAT_MAJOR, i);
        if (info.extension != nullptr && isWritable(info.format))
            list.emplace_back(info.extension);
    }
    for (const Alias& a : aliases)
        if (isWritable(a.major))
            list.emplace_back(a.extension);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

std::string extensionOf(const std::string& path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size())
        return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

const std::vector<SampleFormatName>& sampleFormatNames()
{
    static const std::vector<SampleFormatName> names = []
    {
        std::vector<SampleFormatName> n;
        for (const NamedSubtype& s : namedSubtypes())
            n.push_back(s.name);
        return n;
    }();
    return names;
}

bool chooseOutputFormat(const std::string& path, const std::string& formatName, int inputSubtype, int channels,
    int sampleRate, FileFormat& format, std::string& note, std::string& error)
{
    note.clear();
    const std::string ext = extensionOf(path);
    if (ext.empty())
    {
        error = "cannot tell the output format: \"" + path + "\" has no extension; the audio library writes" +
                extensionList();
        return false;
    }
    int implied = 0;
    const int major = majorForExtension(ext, implied);
    if (major == 0)
    {
        error = "cannot write ." + ext + " files (\"" + path + "\"); the audio library writes" + extensionList();
        return false;
    }
    format.major = major;
    const std::string files = "." + ext + " files";

    if (!formatName.empty())
    {
        std::string takes;
        for (const NamedSubtype& s : namedSubtypes())
        {
            int works = 0;
            for (int subtype : s.subtypes)
                if (works == 0 && subtype != 0 && formatWorks(major | subtype, channels, sampleRate))
                    works = subtype;
            if (works != 0)
                takes += (takes.empty() ? "" : ", ") + std::string(s.name.name);
            if (formatName == s.name.name && works != 0)
            {
                format.subtype = works;
                return true;
            }
        }
        const NamedSubtype* named = nullptr;
        std::string names;
        for (const NamedSubtype& s : namedSubtypes())
        {
            names += (names.empty() ? "" : ", ") + std::string(s.name.name);
            if (formatName == s.name.name)
                named = &s;
        }
        if (named == nullptr)
            error = "--format " + formatName + ": no such sample format; the names are " + names;
        else if (takes.empty())
            error = "--format " + formatName + ": " + files + " have a sample format of their own; leave --format out";
        else
            error = "--format " + formatName + ": " + files + " cannot hold " + named->name.meaning +
                    " samples; for ." + ext + " --format takes " + takes;
        return false;
    }

    std::vector<int> candidates = {implied, inputSubtype != 0 ? inputSubtype : SF_FORMAT_FLOAT, SF_FORMAT_PCM_24,
        SF_FORMAT_PCM_16, SF_FORMAT_FLOAT, preferredSubtype(major)};
    for (int subtype : allSubtypes())
        candidates.push_back(subtype);
    for (int subtype : candidates)
        if (subtype != 0 && formatWorks(major | subtype, channels, sampleRate))
        {
            format.subtype = subtype;
            if (inputSubtype != 0 && subtype != inputSubtype)
                note = files + " cannot hold the input's " + subtypeName(inputSubtype) +
                       " samples; --format chooses another";
            return true;
        }
    error = files + " cannot hold " + std::to_string(channels) + " channel" + (channels == 1 ? "" : "s") + " at " +
            std::to_string(sampleRate) + " Hz";
    return false;
}

bool checkLength(const FileFormat& format, int channels, std::int64_t frames, std::string& error)
{
    if (format.major != SF_FORMAT_WAV && format.major != SF_FORMAT_WAVEX && format.major != SF_FORMAT_AIFF)
        return true;
    int bytes = 0;
    switch (format.subtype)
    {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
            bytes = 1;
            break;
        case SF_FORMAT_PCM_16:
            bytes = 2;
            break;
        case SF_FORMAT_PCM_24:
            bytes = 3;
            break;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            bytes = 4;
            break;
        case SF_FORMAT_DOUBLE:
            bytes = 8;
            break;
        default:
            return true;
    }
    // Room for the header and its chunks.
    const double size = static_cast<double>(frames) * channels * bytes + 4096.0;
    if (size <= 4294967295.0)
        return true;
    char gb[32];
    std::snprintf(gb, sizeof gb, "%.1f", size / 1e9);
    error = "the output would be " + std::string(gb) + " GB, and a " + majorName(format.major) +
            " file ends at 4 GB; .w64, .rf64 and .caf files hold more";
    return false;
}

//------------------------------------------------------------------------------

std::unique_ptr<AudioReader> AudioReader::open(const std::string& path, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    std::unique_ptr<AudioReader> reader(new AudioReader());
    reader->file = file;
    reader->channelCount = info.channels;
    reader->rate = info.samplerate;
    reader->frameCount = info.frames < 0 || info.frames == SF_COUNT_MAX ? 0 : info.frames; // 0: not known
    reader->fileFormat.major = info.format & SF_FORMAT_TYPEMASK;
    reader->fileFormat.subtype = info.format & SF_FORMAT_SUBMASK;
    return reader;
}

AudioReader::~AudioReader()
{
    sf_close(static_cast<SNDFILE*>(file));
}

long AudioReader::read(float* const* channelData, long frames)
{
    const auto channels = static_cast<std::size_t>(channelCount);
    interleaved.resize(static_cast<std::size_t>(frames) * channels);
    const sf_count_t got = sf_readf_float(static_cast<SNDFILE*>(file), interleaved.data(), frames);
    for (sf_count_t f = 0; f < got; ++f)
        for (std::size_t c = 0; c < channels; ++c)
            channelData[c][f] = interleaved[static_cast<std::size_t>(f) * channels + c];
    return got > 0 ? static_cast<long>(got) : 0;
}

std::unique_ptr<AudioWriter> AudioWriter::open(
    const std::string& path, const FileFormat& format, int channels, int sampleRate, std::string& error)
{
    if (format.major == SF_FORMAT_WAV && format.isFloat())
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr)
        {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return nullptr;
        }
        auto writer =
            std::make_unique<FloatWavWriter>(f, channels, sampleRate, format.subtype == SF_FORMAT_DOUBLE ? 8 : 4);
        if (!writer->writeHeader())
        {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return nullptr;
        }
        return writer;
    }

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format.code();
    if (!sf_format_check(&info))
    {
        error = "cannot write " + path + ": " + format.describe() + " cannot hold " + std::to_string(channels) +
                " channels at " + std::to_string(sampleRate) + " Hz";
        return nullptr;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
    {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<SndfileWriter>(file, format, channels);
}

//------------------------------------------------------------------------------

bool readAudio(const std::string& path, Audio& audio, std::string& error)
{
    auto reader = AudioReader::open(path, error);
    if (!reader)
        return false;
    audio.sampleRate = reader->sampleRate();
    audio.channels.assign(static_cast<std::size_t>(reader->channels()), {});
    constexpr long chunk = 65536;
    std::vector<float*> pointers(audio.channels.size());
    for (long done = 0;;)
    {
        for (std::size_t c = 0; c < audio.channels.size(); ++c)
        {
            audio.channels[c].resize(static_cast<std::size_t>(done + chunk));
            pointers[c] = audio.channels[c].data() + done;
        }
        const long got = reader->read(pointers.data(), chunk);
        done += got;
        if (got < chunk)
        {
            for (auto& channel : audio.channels)
                channel.resize(static_cast<std::size_t>(done));
            return true;
        }
    }
}

bool writeAudio(const std::string& path, const Audio& audio, std::string& error, const std::string& formatName)
{
    const int channels = static_cast<int>(audio.channels.size());
    const int rate = static_cast<int>(std::lround(audio.sampleRate));
    FileFormat format;
    std::string note;
    if (channels == 0 || !chooseOutputFormat(path, formatName, 0, channels, rate, format, note, error))
    {
        if (channels == 0)
            error = "cannot write " + path + ": no channels";
        return false;
    }
    auto writer = AudioWriter::open(path, format, channels, rate, error);
    if (!writer)
        return false;
    std::vector<const float*> pointers;
    for (const auto& channel : audio.channels)
        pointers.push_back(channel.data());
    if (!writer->write(pointers.data(), audio.frames()))
    {
        error = "cannot write " + path + ": incomplete file";
        return false;
    }
    return writer->close(error);
}

//------------------------------------------------------------------------------

TestSignal::TestSignal(double sampleRate) : rate(sampleRate) {}

void TestSignal::generate(float* left, float* right, long frames)
{
    constexpr double twoPi = 6.283185307179586;
    constexpr double bpm = 120.0;
    const double beat = 60.0 / bpm;
    static const double bassNotes[] = {55.0, 55.0, 65.41, 73.42, 55.0, 82.41, 73.42, 65.41};

    for (long n = 0; n < frames; ++n, ++position)
    {
        const double t = static_cast<double>(position) / rate;
        const double inBeat = std::fmod(t, beat);
        const double inHalfBeat = std::fmod(t + beat / 2.0, beat);
        const auto step = static_cast<std::size_t>(t / (beat / 2.0));

        // Kick: a falling sine with a fast decay, on every beat.
        const double kickFreq = 50.0 + 100.0 * std::exp(-inBeat * 30.0);
        const double kick = std::sin(twoPi * kickFreq * inBeat) * std::exp(-inBeat * 8.0);

        // Hats: bursts of noise between the beats, a little louder on the right.
        noiseState = noiseState * 1664525u + 1013904223u;
        const double noise = static_cast<float>(static_cast<double>(noiseState) / 2147483648.0 - 1.0);
        const double hat = noise * std::exp(-inHalfBeat * 60.0);

        // Bass: a plucked saw-like tone on every half beat.
        const double freq = bassNotes[step % 8];
        const double inStep = std::fmod(t, beat / 2.0);
        const double phase = std::fmod(freq * t, 1.0);
        const double bass = (2.0 * phase - 1.0) * std::exp(-inStep * 6.0);

        left[n] = static_cast<float>(0.30 * kick + 0.06 * hat + 0.18 * bass);
        right[n] = static_cast<float>(0.30 * kick + 0.10 * hat + 0.12 * bass);
    }
}

Audio makeTestSignal(double sampleRate, double seconds)
{
    const auto frames = static_cast<std::size_t>(std::max(0.0, seconds * sampleRate));
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign(2, std::vector<float>(frames));
    TestSignal(sampleRate).generate(audio.channels[0].data(), audio.channels[1].data(), static_cast<long>(frames));
    return audio;
}

Level levelOf(const std::vector<float>& samples)
{
    LevelMeter meter;
    meter.add(samples.data(), static_cast<long>(samples.size()));
    return meter.level();
}

void LevelMeter::add(const float* samples, long n)
{
    for (long i = 0; i < n; ++i)
    {
        const float s = samples[i];
        if (!std::isfinite(s))
        {
            ++nonFiniteCount;
            continue;
        }
        peak = std::max(peak, std::fabs(s));
        sum += static_cast<double>(s) * static_cast<double>(s);
        ++count;
    }
}

Level LevelMeter::level() const
{
    Level level;
    level.peak = peak;
    level.rms = count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
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
