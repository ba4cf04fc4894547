// The Windows plug-in against the Linux one: the same input files rendered by
// velmo-host with Velmo.so and by velmo-host.exe with Velmo.dll under wine.
// A Linux program, run by the Windows builds' tests with
//
//   VELMO_LINUX_HOST, VELMO_LINUX_PLUGIN        the Linux velmo-host and Velmo.so
//   VELMO_WINDOWS_HOST, VELMO_WINDOWS_PLUGIN    the Windows velmo-host.exe and Velmo.dll
//   VELMO_WINE_RUN                              scripts/wine-run.sh
//
// The audio path's maths is the plug-in's own (dsp/maths), so the renders are
// the same bytes.
#include "tests/support/RunProgram.h"
#include "tests/support/TemporaryDirectory.h"
#include "tools/AudioFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
using velmohost::Audio;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
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

class WindowsRenders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name :
            {"VELMO_LINUX_HOST", "VELMO_LINUX_PLUGIN", "VELMO_WINDOWS_HOST", "VELMO_WINDOWS_PLUGIN", "VELMO_WINE_RUN"})
            ASSERT_FALSE(environment(name).empty()) << name << " is not set";
    }

    // Renders input through the given host command line; the output file.
    std::string render(const std::vector<std::string>& host, const std::string& plugin, const std::string& input,
        const Case& c, const std::string& outputName)
    {
        const std::string output = dir.file(outputName);
        std::vector<std::string> command(host);
        for (const std::string& a : {std::string("render"), plugin, std::string("-i"), input, std::string("-o"), output,
                 std::string("--block"), std::to_string(c.block)})
            command.push_back(a);
        for (const std::string& p : testsupport::splitWords(c.parameters))
            command.push_back(p);
        const testsupport::ProgramResult r = testsupport::runProgram(command);
        EXPECT_EQ(r.status, 0) << c.name << "\n" << r.output;
        return output;
    }

    Audio read(const std::string& path)
    {
        Audio audio;
        std::string error;
        EXPECT_TRUE(velmohost::readAudio(path, audio, error)) << error;
        return audio;
    }

    testsupport::TemporaryDirectory dir{"velmo-windows-renders"};
};
} // namespace

TEST_F(WindowsRenders, AreTheLinuxRendersByteForByte)
{
    const std::vector<std::string> linuxHost{environment("VELMO_LINUX_HOST")};
    const std::vector<std::string> windowsHost{environment("VELMO_WINE_RUN"), environment("VELMO_WINDOWS_HOST")};

    double largest = 0.0;
    int identical = 0;
    for (const Case& c : cases)
    {
        // Three seconds of drums, hats and bass, written once by this program.
        Audio input = velmohost::makeTestSignal(c.rate, 3.0);
        input.channels.resize(static_cast<std::size_t>(c.channels));
        const std::string inputFile = dir.file(std::string(c.name) + "-in.wav");
        std::string error;
        ASSERT_TRUE(velmohost::writeAudio(inputFile, input, error)) << error;

        const Audio onLinux = read(
            render(linuxHost, environment("VELMO_LINUX_PLUGIN"), inputFile, c, std::string(c.name) + "-linux.wav"));
        const Audio onWindows = read(render(
            windowsHost, environment("VELMO_WINDOWS_PLUGIN"), inputFile, c, std::string(c.name) + "-windows.wav"));
        ASSERT_EQ(onWindows.channels.size(), onLinux.channels.size()) << c.name;
        ASSERT_EQ(onWindows.frames(), input.frames()) << c.name;

        double difference = 0.0;
        bool sameBits = true;
        for (std::size_t ch = 0; ch < onLinux.channels.size(); ++ch)
        {
            const auto& a = onLinux.channels[ch];
            const auto& b = onWindows.channels[ch];
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
