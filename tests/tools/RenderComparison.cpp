// One build's renders against the Linux build's: the same input files
// rendered by the Linux velmo-host with Velmo.so and by another velmo-host
// with another plug-in, started through a launcher. A Linux program, run
// with
//
//   VELMO_LINUX_HOST, VELMO_LINUX_PLUGIN    the Linux velmo-host and Velmo.so
//   VELMO_OTHER_HOST, VELMO_OTHER_PLUGIN    the other velmo-host and plug-in
//   VELMO_LAUNCHER                          the command (and its arguments, split
//                                           at spaces) that starts the other host
//
// by the Windows builds' tests (velmo-host.exe with Velmo.dll under wine) and
// by the Linux build's (the same Velmo.so, the C library left without its
// code for processors with fused multiply-add). Every build gives the same
// bytes.
#include "tools/AudioFile.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using velmohost::Audio;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

struct Outcome
{
    int status = -1;
    std::string output;
};

Outcome run(const juce::StringArray& command)
{
    Outcome r;
    juce::ChildProcess process;
    if (!process.start(command))
        return r;
    r.output = process.readAllProcessOutput().toStdString();
    if (process.waitForProcessToFinish(120000))
        r.status = static_cast<int>(process.getExitCode());
    return r;
}

struct Case
{
    const char* name;
    double rate;
    int block;
    int channels;
    const char* parameters;
};

// Rates, block sizes (one of them 1, one odd), parameter sets from the
// defaults to everything at its end, and mono.
const Case cases[] = {
    {"defaults-44100", 44100, 512, 2, ""},
    {"drive-44100", 44100, 64, 2, "-p Gain=0.5 -p Punch=0.5 -p Color=0.5"},
    {"ends-44100", 44100, 4096, 2, "-p Gain=1 -p Punch=1 -p Color=1"},
    {"colour-44100-block1", 44100, 1, 2, "-p Gain=0.7 -p Punch=0.2 -p Color=0.3"},
    {"defaults-48000", 48000, 256, 2, ""},
    {"drive-48000", 48000, 37, 2, "-p Gain=0.5 -p Punch=0.5 -p Color=0.5"},
    {"quiet-48000", 48000, 1024, 2, "-p Gain=0.1 -p Punch=0.05 -p Color=0.8"},
    {"mono-48000", 48000, 333, 1, "-p Gain=0.6 -p Punch=0.4 -p Color=0.6"},
    {"defaults-96000", 96000, 512, 2, ""},
    {"drive-96000", 96000, 2048, 2, "-p Gain=0.5 -p Punch=0.5 -p Color=0.5"},
    {"ends-96000", 96000, 17, 2, "-p Gain=1 -p Punch=1 -p Color=1"},
    {"mono-96000", 96000, 128, 1, "-p Gain=0.3 -p Punch=0.9 -p Color=0.1"},
};

class Renders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"VELMO_LINUX_HOST", "VELMO_LINUX_PLUGIN", "VELMO_OTHER_HOST",
                                 "VELMO_OTHER_PLUGIN", "VELMO_LAUNCHER"})
            ASSERT_FALSE(environment(name).empty()) << name << " is not set";
        dir = fs::temp_directory_path() / ("velmo-renders-" + juce::Uuid().toString().toStdString());
        fs::create_directories(dir);
    }

    void TearDown() override { fs::remove_all(dir); }

    // Renders input through the given host command line; the output file.
    std::string render(const juce::StringArray& host, const std::string& plugin, const std::string& input,
                       const Case& c, const std::string& outputName)
    {
        const std::string output = (dir / outputName).string();
        juce::StringArray command(host);
        command.addArray(juce::StringArray{"render", plugin.c_str(), "-i", input.c_str(), "-o", output.c_str(),
                                           "--block", juce::String(c.block)});
        command.addTokens(c.parameters, true);
        const Outcome r = run(command);
        EXPECT_EQ(r.status, 0) << command.joinIntoString(" ") << "\n" << r.output;
        return output;
    }

    Audio read(const std::string& path)
    {
        Audio audio;
        std::string error;
        EXPECT_TRUE(velmohost::readAudio(path, audio, error)) << error;
        return audio;
    }

    fs::path dir;
};
} // namespace

TEST_F(Renders, AreTheLinuxRendersByteForByte)
{
    const juce::StringArray linuxHost{environment("VELMO_LINUX_HOST").c_str()};
    juce::StringArray otherHost;
    otherHost.addTokens(environment("VELMO_LAUNCHER").c_str(), " ", "");
    otherHost.removeEmptyStrings();
    otherHost.add(environment("VELMO_OTHER_HOST").c_str());

    double largest = 0.0;
    int identical = 0;
    for (const Case& c : cases)
    {
        // Three seconds of drums, hats and bass, written once by this program.
        Audio input = velmohost::makeTestSignal(c.rate, 3.0);
        input.channels.resize(static_cast<std::size_t>(c.channels));
        const std::string inputFile = (dir / (std::string(c.name) + "-in.wav")).string();
        std::string error;
        ASSERT_TRUE(velmohost::writeAudio(inputFile, input, error)) << error;

        const Audio onLinux = read(render(linuxHost, environment("VELMO_LINUX_PLUGIN"), inputFile, c,
                                          std::string(c.name) + "-linux.wav"));
        const Audio other = read(render(otherHost, environment("VELMO_OTHER_PLUGIN"), inputFile, c,
                                        std::string(c.name) + "-other.wav"));
        ASSERT_EQ(other.channels.size(), onLinux.channels.size()) << c.name;
        ASSERT_EQ(other.frames(), input.frames()) << c.name;

        double difference = 0.0;
        bool sameBits = true;
        for (std::size_t ch = 0; ch < onLinux.channels.size(); ++ch)
        {
            const auto& a = onLinux.channels[ch];
            const auto& b = other.channels[ch];
            ASSERT_EQ(a.size(), b.size()) << c.name;
            sameBits = sameBits && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
            for (std::size_t i = 0; i < a.size(); ++i)
                difference = std::max(difference, std::fabs(static_cast<double>(a[i]) - static_cast<double>(b[i])));
        }
        EXPECT_TRUE(sameBits) << c.name << ": largest difference " << difference;
        identical += sameBits ? 1 : 0;
        largest = std::max(largest, difference);
        std::printf("%-22s %s, largest difference %.3g\n", c.name, sameBits ? "identical" : "differs  ", difference);
    }
    std::printf("%d of %zu renders byte-identical; largest difference %.3g\n", identical, std::size(cases), largest);
}
