// The velmo-host command against the built plug-in: help, rendering files
// in every format this build writes, state files, a long render's memory,
// and its answers to bad command lines.
#include "tests/support/RunProgram.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestSignals.h"
#include "tools/AudioFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using velmohost::Audio;

struct Result
{
    int status = -1;
    std::string output; // standard output and error together
};

Result run(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{VELMO_HOST_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const testsupport::ProgramResult r = testsupport::runProgram(command);
    // Line ends as written on Linux (a Windows program writes \r\n).
    std::string output;
    for (char c : r.output)
        if (c != '\r')
            output += c;
    return {r.status, output};
}

// Runs velmo-host with the arguments split at spaces.
Result run(const std::string& arguments)
{
    return run(testsupport::splitWords(arguments));
}

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

const std::string plugin = VELMO_PLUGIN_PATH;

bool writable(const std::string& extension)
{
    const auto list = velmohost::writableExtensions();
    return std::find(list.begin(), list.end(), extension) != list.end();
}

class HostCommand : public ::testing::Test
{
protected:
    std::string file(const std::string& name) const { return dir.file(name); }

    Audio read(const std::string& path)
    {
        Audio audio;
        std::string error;
        EXPECT_TRUE(velmohost::readAudio(path, audio, error)) << error;
        return audio;
    }

    velmohost::FileFormat formatOf(const std::string& path)
    {
        std::string error;
        auto reader = velmohost::AudioReader::open(path, error);
        EXPECT_TRUE(reader) << error;
        return reader ? reader->format() : velmohost::FileFormat{};
    }

    // Half a second of the test signal in the given format (--format name).
    std::string writeInput(const std::string& name, const std::string& format, double rate = 44100.0, int channels = 2)
    {
        Audio audio = velmohost::makeTestSignal(rate, 0.5);
        audio.channels.resize(static_cast<std::size_t>(channels), audio.channels[0]);
        std::string error;
        EXPECT_TRUE(velmohost::writeAudio(file(name), audio, error, format)) << error;
        return file(name);
    }

    void writeBytes(const std::string& name, const std::string& bytes)
    {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }

    testsupport::TemporaryDirectory dir{"velmo-host-test"};
};

// A state chunk around the text: "VC2!", its length, the text, a zero byte.
std::string chunk(const std::string& text)
{
    const auto n = static_cast<std::uint32_t>(text.size());
    std::string bytes = "VC2!";
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((n >> (8 * i)) & 0xff);
    return bytes + text + std::string(1, '\0');
}
} // namespace

TEST_F(HostCommand, InfoShowsTheIdentityAndTheParametersWithTheirTexts)
{
    const Result r = run("info " + plugin);
    EXPECT_EQ(r.status, 0) << r.output;
    for (const char* line : {"'Vlmo'", "Velmo", "Tallowick", "flags:          0x231", "editor:         450 x 480",
             "bypass                 1", "  0  Gain     0.5  (\"0.50\")  from \"0.00\" at 0 to \"1.00\" at 1",
             "  1  Punch    0  (\"0.00\")", "  2  Color    0  (\"0.00\")"})
        EXPECT_TRUE(contains(r.output, line)) << line << "\n" << r.output;
}

TEST_F(HostCommand, HelpListsEveryCommandEveryOptionAndAnExample)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"info", {}},
        {"render", {"-i, --input FILE", "-o, --output FILE", "-p, --param NAME=VALUE", "--format NAME", "--rate HZ",
                       "--block N", "--seconds S", "--load-state FILE", "--save-state FILE", "--bypass",
                       "--no-progress", "--stats"}},
        {"state", {"-p, --param NAME=VALUE", "--load-state FILE", "--save-state FILE"}},
        {"editor", {"-p, --param NAME=VALUE", "--rate HZ", "--block N", "--seconds S", "--load-state FILE",
                       "--save-state FILE", "--play"}},
    };

    for (const char* tool : {"--help", "-h", "help"})
    {
        const Result r = run(tool);
        EXPECT_EQ(r.status, 0) << tool << "\n" << r.output;
        for (const auto& [name, options] : commands)
            EXPECT_TRUE(contains(r.output, "velmo-host " + name + " PLUGIN")) << tool << ": " << name;
        EXPECT_TRUE(contains(r.output, "examples:\n  velmo-host ")) << r.output;
    }

    for (const auto& [name, options] : commands)
        for (const std::string& arguments : {name + " --help", "help " + name, name + " " + plugin + " -p Gain=9 -h"})
        {
            const Result r = run(arguments);
            EXPECT_EQ(r.status, 0) << arguments << "\n" << r.output;
            EXPECT_TRUE(contains(r.output, "usage: velmo-host " + name + " PLUGIN")) << arguments;
            EXPECT_TRUE(contains(r.output, "-h, --help")) << arguments;
            EXPECT_TRUE(contains(r.output, "\nexample")) << arguments;
            for (const std::string& option : options)
                EXPECT_TRUE(contains(r.output, option)) << arguments << ": " << option << "\n" << r.output;
        }

    // render's help lists the output formats of this build.
    const Result r = run("render --help");
    for (const std::string& ext : velmohost::writableExtensions())
        EXPECT_TRUE(contains(r.output, "." + ext + " ") || contains(r.output, "." + ext + "\n")) << ext;

    const Result version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("velmo-host 1.", 0), 0u) << version.output;
}

TEST_F(HostCommand, BadCommandLinesAreRefusedWithStatus2AndSayWhatIsWrong)
{
    const std::string in = writeInput("in.wav", "16");
    const std::string out = file("out.wav");
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {"no command given", "info, render, state, editor and bench"}},
        {"frobnicate " + plugin, {"unknown command frobnicate", "info, render, state, editor and bench"}},
        {"-p Gain=0.5 render " + plugin, {"the command comes first"}},
        {"render", {"render needs PLUGIN"}},
        {"render " + plugin + " extra", {"unexpected argument extra"}},
        {"render " + plugin + " --frobnicate", {"unknown option --frobnicate"}},
        {"render " + plugin + " --play", {"render does not take --play"}},
        {"state " + plugin + " --bypass", {"state does not take --bypass"}},
        {"render " + plugin + " --block 0", {"--block 0", "1 to 65536"}},
        {"render " + plugin + " --block 1.5", {"--block 1.5", "whole number"}},
        {"render " + plugin + " --block", {"--block needs a value"}},
        {"render " + plugin + " --rate fast", {"--rate fast", "whole number of hertz"}},
        {"render " + plugin + " --rate 48000 --rate 44100", {"--rate is given twice"}},
        {"render " + plugin + " --seconds -1", {"--seconds -1", "not negative"}},
        {"render " + plugin + " --bypass=yes", {"--bypass takes no value"}},
        // Parameter values: numbers from 0 to 1, named in the message.
        {"render " + plugin + " -p Punch", {"-p Punch", "NAME=VALUE"}},
        {"render " + plugin + " -p Gain=abc",
            {"-p Gain=abc", "\"abc\" is not a number", "Gain takes a number from 0 to 1"}},
        {"render " + plugin + " -p Punch=nan", {"-p Punch=nan", "\"nan\" is not a number"}},
        {"render " + plugin + " -p Punch=inf", {"-p Punch=inf", "\"inf\" is not a number"}},
        {"render " + plugin + " -p Gain=5", {"-p Gain=5", "5 is outside 0 to 1"}},
        {"render " + plugin + " -p Gain=-1", {"-p Gain=-1", "-1 is outside 0 to 1"}},
        {"render " + plugin + " -p Gain=0.5x", {"\"0.5x\" is not a number"}},
        {"state " + plugin + " -p Volume=0.5",
            {"no parameter \"Volume\"", "Gain, Punch and Color (or their numbers 0 to 2)"}},
        {"state " + plugin + " -p 3=0.5", {"no parameter \"3\""}},
        // Output formats: by extension, among those the library writes.
        {"render " + plugin + " -o " + file("x.mp4"), {"cannot write .mp4 files", "the audio library writes", ".wav"}},
        {"render " + plugin + " -o " + file("noextension"), {"has no extension", ".aiff"}},
        {"render " + plugin + " -o " + out + " --format 12", {"--format 12: no such sample format", "16, 24"}},
        {"render " + plugin + " -o " + file("x.voc") + " --format float",
            {".voc files cannot hold 32-bit float", "16"}},
        // Sample rates: a file renders at its own.
        {"render " + plugin + " -i " + in + " -o " + out + " --rate 48000",
            {"--rate 48000 does not match", "44100 Hz"}},
        {"render " + plugin + " -i " + in + " -o " + out + " --seconds 2", {"--seconds", "does not apply to -i"}},
        {"render " + plugin + " -i " + in + " -o " + in, {"is the input file"}},
    };
    for (const auto& [arguments, fragments] : cases)
    {
        const Result r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments << "\n" << r.output;
        EXPECT_TRUE(contains(r.output, "velmo-host: ")) << arguments;
        for (const std::string& f : fragments)
            EXPECT_TRUE(contains(r.output, f)) << arguments << ": " << f << "\n" << r.output;
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(read(in).frames(), 22050);
}

TEST_F(HostCommand, FailuresAtRunTimeExitWith1)
{
    writeInput("three.wav", "16", 44100.0, 3);
    const std::pair<std::string, std::string> cases[] = {
        {"info " + file("nothing.so"), "cannot load"},
        {"render " + plugin + " -i " + file("nothing.wav") + " -o " + file("o.wav"), "cannot read"},
        {"render " + plugin + " -i " + file("three.wav") + " -o " + file("o.wav"), "has 3 channels"},
        {"render " + plugin + " -o " + file("no/such/folder/o.wav"), "cannot write"},
        {"state " + plugin + " --load-state " + file("nothing.chunk"), "cannot read the state file"},
    };
    for (const auto& [arguments, fragment] : cases)
    {
        const Result r = run(arguments);
        EXPECT_EQ(r.status, 1) << arguments << "\n" << r.output;
        EXPECT_TRUE(contains(r.output, "velmo-host: ")) << arguments;
        EXPECT_TRUE(contains(r.output, fragment)) << arguments << "\n" << r.output;
    }
}

TEST_F(HostCommand, RendersTheGeneratedSignalAtTheRateAsked)
{
    const Result r = run("render " + plugin + " -o " + file("out.wav") + " --seconds 1 --rate 48000 -p Punch=0.5");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "generated test signal, 2 channels, 48000 Hz, 1.00 s")) << r.output;
    EXPECT_TRUE(contains(r.output, "output: " + file("out.wav") + ", WAV (Microsoft), 32 bit float")) << r.output;
    EXPECT_TRUE(contains(r.output, "output levels:\n  L  peak")) << r.output;

    const Audio out = read(file("out.wav"));
    EXPECT_EQ(out.sampleRate, 48000.0);
    ASSERT_EQ(out.channels.size(), 2u);
    EXPECT_EQ(out.frames(), 48000);
    EXPECT_NE(out.channels[0], out.channels[1]);
    EXPECT_GT(velmohost::levelOf(out.channels[0]).peak, 0.1f);
    EXPECT_LE(velmohost::levelOf(out.channels[0]).peak, 0.999f); // the limiter's ceiling
}

TEST_F(HostCommand, AFileRendersAtItsOwnRateAndBypassLeavesItAsItWas)
{
    const std::string mono = writeInput("mono.wav", "float", 22050.0, 1);

    Result r = run("render " + plugin + " -i " + mono + " -o " + file("processed.wav") + " -p Gain=0.8 --rate 22050");
    ASSERT_EQ(r.status, 0) << r.output;
    const Audio processed = read(file("processed.wav"));
    ASSERT_EQ(processed.channels.size(), 1u);
    EXPECT_EQ(processed.sampleRate, 22050.0);
    EXPECT_EQ(processed.frames(), 11025);
    EXPECT_NE(processed.channels[0], read(mono).channels[0]);

    r = run("render " + plugin + " -i " + mono + " -o " + file("bypassed.wav") + " --bypass");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(file("bypassed.wav")).channels, read(mono).channels);
}

// Every format on the list of this build's library: the output keeps the
// input's samples and their format, bypassed bit for bit.
TEST_F(HostCommand, FormatsRoundTripThroughTheAudioLibrary)
{
    const std::pair<const char*, const char*> formats[] = {
        {"wav", "16"},
        {"wav", "24"},
        {"wav", "32"},
        {"wav", "float"},
        {"wav", "double"},
        {"wav", "8"},
        {"aiff", "16"},
        {"aiff", "24"},
        {"aif", "float"},
        {"flac", "16"},
        {"flac", "24"},
        {"caf", "24"},
        {"w64", "float"},
        {"au", "16"},
        {"rf64", "24"},
    };
    int tried = 0;
    for (const auto& [ext, format] : formats)
    {
        if (!writable(ext))
            continue;
        ++tried;
        const std::string name = std::string(format) + "." + ext;
        const std::string in = writeInput("in-" + name, format);
        const velmohost::FileFormat inFormat = formatOf(in);

        const std::string bypassed = file("bypassed-" + name);
        Result r = run("render " + plugin + " -i " + in + " -o " + bypassed + " --bypass");
        ASSERT_EQ(r.status, 0) << name << "\n" << r.output;
        EXPECT_EQ(formatOf(bypassed).code(), inFormat.code()) << name;
        EXPECT_EQ(read(bypassed).channels, read(in).channels) << name;

        const std::string processed = file("processed-" + name);
        r = run("render " + plugin + " -i " + in + " -o " + processed + " -p Punch=0.4 -p Color=0.3");
        ASSERT_EQ(r.status, 0) << name << "\n" << r.output;
        EXPECT_EQ(formatOf(processed).code(), inFormat.code()) << name;
        EXPECT_TRUE(contains(r.output, "output: " + processed + ", " + inFormat.describe())) << r.output;
        EXPECT_NE(read(processed).channels, read(in).channels) << name;
    }
    EXPECT_GE(tried, 10);

    // Where the format cannot hold the input's samples it takes its best, and says so.
    const std::string floats = writeInput("floats.wav", "float");
    if (writable("flac"))
    {
        const Result r = run("render " + plugin + " -i " + floats + " -o " + file("floats.flac"));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_TRUE(contains(r.output, ".flac files cannot hold the input's 32 bit float samples")) << r.output;
        EXPECT_EQ(formatOf(file("floats.flac")).describe(), "FLAC (Free Lossless Audio Codec), Signed 24 bit PCM");
    }
    // --format chooses: 16-bit samples are whole floats, so none change.
    const std::string ints = writeInput("ints.aiff", "16");
    const Result r =
        run("render " + plugin + " -i " + ints + " -o " + file("ints-float.wav") + " --format float --bypass");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(formatOf(file("ints-float.wav")).describe(), "WAV (Microsoft), 32 bit float");
    EXPECT_EQ(read(file("ints-float.wav")).channels, read(ints).channels);
}

// Float WAV files carry the format chunk that non-PCM formats need: 18
// bytes, ending in an extension size of 0, then a fact chunk. Samples pass
// bit for bit.
TEST_F(HostCommand, FloatWavFilesHaveAFullFormatChunkAndKeepEveryBit)
{
    const Result r = run("render " + plugin + " --seconds 0.25 -o " + file("float.wav"));
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string bytes = bytesOf(file("float.wav"));
    ASSERT_GT(bytes.size(), 58u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.substr(16, 4), std::string("\x12\0\0\0", 4)); // 18 bytes
    EXPECT_EQ(bytes.substr(20, 2), std::string("\x03\0", 2));     // IEEE float
    EXPECT_EQ(bytes.substr(36, 2), std::string("\0\0", 2));       // no extension
    EXPECT_EQ(bytes.substr(38, 4), "fact");
    EXPECT_EQ(bytes.substr(50, 4), "data");
    const auto riffSize = static_cast<std::size_t>(static_cast<unsigned char>(bytes[4])) |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[5])) << 8 |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[6])) << 16 |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[7])) << 24;
    EXPECT_EQ(riffSize + 8, bytes.size());

    // Bypassed, a float file comes back byte for byte.
    const Result again =
        run("render " + plugin + " -i " + file("float.wav") + " -o " + file("again.wav") + " --bypass");
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(bytesOf(file("again.wav")), bytes);
}

TEST_F(HostCommand, IntegerOutputsWarnWhenSamplesClip)
{
    const std::string in = writeInput("in.wav", "16");
    Result r = run("render " + plugin + " -i " + in + " -o " + file("loud.wav") + " -p Gain=1 -p Punch=0.5");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "velmo-host: warning: ")) << r.output;
    EXPECT_TRUE(contains(r.output, "beyond full scale and are clipped in " + file("loud.wav") + " (Signed 16 bit PCM)"))
        << r.output;
    EXPECT_EQ(velmohost::levelOf(read(file("loud.wav")).channels[0]).peak, 1.0f); // -32768

    // Float samples keep what lies beyond full scale, without a warning.
    r = run(
        "render " + plugin + " -i " + in + " -o " + file("loud-float.wav") + " --format float -p Gain=1 -p Punch=0.5");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(contains(r.output, "warning")) << r.output;
    EXPECT_GT(velmohost::levelOf(read(file("loud-float.wav")).channels[0]).peak, 1.4f);
}

TEST_F(HostCommand, StateFilesCarryTheParameters)
{
    Result r = run("state " + plugin + " --save-state " + file("default.chunk"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(fs::file_size(file("default.chunk")), 57u);

    r = run("state " + plugin + " -p Gain=0.3 -p 1=0.7 -p color=0.9 --save-state " + file("set.chunk"));
    ASSERT_EQ(r.status, 0) << r.output;

    // Rendering with the saved state sounds exactly like rendering with the values.
    r = run("render " + plugin + " --seconds 0.5 -o " + file("a.wav") + " --load-state " + file("set.chunk"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "Color    0.899999976")) << r.output;
    r = run("render " + plugin + " --seconds 0.5 -o " + file("b.wav") + " -p Gain=0.3 -p Punch=0.7 -p Color=0.9");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(file("a.wav")).channels, read(file("b.wav")).channels);

    // Chunks written by hand are taken too, even when they change nothing.
    writeBytes("hand.chunk", chunk("<velmo_settings Gain=\"0.25\"/>"));
    r = run("state " + plugin + " --load-state " + file("hand.chunk"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "Gain     0.25  (\"0.25\")")) << r.output;
    writeBytes("same.chunk", chunk("<Velmo_SETTINGS Gain=\"0.5\" Punch=\"0\" Color=\"0.0\"/>"));
    r = run("state " + plugin + " --load-state " + file("same.chunk"));
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(HostCommand, StateFilesThatAreNotVelmoChunksOrThatThePluginRejectsFail)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", " is empty"},
        {"hello, world", "is not a Velmo state chunk: it does not start with \"VC2!\""},
        {"VC2!", "is not a Velmo state chunk: it ends after 4 bytes"},
        {chunk("<Velmo_SETTINGS Gain=\"0.3\"/>").substr(0, 20),
            "its length field says 28 bytes of text where the file holds 12"},
        {"VC2!" + std::string("\0\0\0\0", 4) + "x", "its length field says 0"},
        {chunk("Gain=0.3"), "its text is not XML"},
        {chunk("<Other_SETTINGS Gain=\"0.3\"/>"), "the plug-in rejected the state"},
        {chunk("<Velmo_SETTINGS Gain=0.3/>"), "the plug-in rejected the state"},
        {chunk("<Velmo_SETTINGS/>"), "the plug-in rejected the state"},
        {chunk("<Velmo_SETTINGS Gain=\"0.3\" Punch=\"2\"/>"),
            "sets Punch to 2; parameter values are numbers from 0 to 1"},
    };
    int n = 0;
    for (const auto& [bytes, fragment] : cases)
    {
        const std::string name = "bad" + std::to_string(n++) + ".chunk";
        writeBytes(name, bytes);
        for (const std::string& command : {"state " + plugin, "render " + plugin + " -o " + file("o.wav")})
        {
            const Result r = run(command + " --load-state " + file(name));
            EXPECT_EQ(r.status, 1) << command << " " << name << "\n" << r.output;
            EXPECT_TRUE(contains(r.output, "velmo-host: ")) << name;
            EXPECT_TRUE(contains(r.output, fragment)) << name << ": " << fragment << "\n" << r.output;
        }
        EXPECT_FALSE(fs::exists(file("o.wav"))) << name;
    }
}

// A 10-minute 96 kHz stereo file passes in blocks: the host's peak memory
// is what half a second of the same file takes, and far below the size of
// the file (230 MB in, as much out).
TEST_F(HostCommand, ALongFileRendersInConstantMemory)
{
    constexpr int rate = 96000;
    auto writeSignal = [&](const std::string& name, std::int64_t frames)
    {
        velmohost::FileFormat format;
        std::string note, error;
        ASSERT_TRUE(velmohost::chooseOutputFormat(file(name), "16", 0, 2, rate, format, note, error)) << error;
        auto writer = velmohost::AudioWriter::open(file(name), format, 2, rate, error);
        ASSERT_TRUE(writer) << error;
        const auto signal = testsignals::programme(2, 48000);
        const float* channels[] = {signal[0].data(), signal[1].data()};
        for (std::int64_t done = 0; done < frames; done += 48000)
            ASSERT_TRUE(writer->write(channels, static_cast<long>(std::min<std::int64_t>(48000, frames - done))));
        ASSERT_TRUE(writer->close(error)) << error;
    };
    auto peakMegabytes = [&](const std::string& in, const std::string& out)
    {
        const Result r =
            run({"render", plugin, "-i", file(in), "-o", file(out), "-p", "Punch=0.5", "-p", "Color=0.5", "--stats"});
        EXPECT_EQ(r.status, 0) << r.output;
        const auto at = r.output.find("peak memory ");
        EXPECT_NE(at, std::string::npos) << r.output;
        return at == std::string::npos ? 0.0 : std::stod(r.output.substr(at + 12));
    };

    constexpr std::int64_t frames = 600LL * rate;
    writeSignal("short.wav", rate / 2);
    writeSignal("long.wav", frames);
    const double base = peakMegabytes("short.wav", "short-out.wav");
    const double peak = peakMegabytes("long.wav", "long-out.wav");
    std::printf("peak memory: %.1f MB for a 10-minute 96 kHz stereo render, %.1f MB for half a second\n", peak, base);
    EXPECT_GT(base, 0.0);
    EXPECT_LT(peak, base + 8.0);
    EXPECT_LT(peak, VELMO_HOST_PEAK_MEMORY_MB);

    std::string error;
    auto out = velmohost::AudioReader::open(file("long-out.wav"), error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(out->frames(), frames);
    EXPECT_EQ(out->sampleRate(), rate);
}
