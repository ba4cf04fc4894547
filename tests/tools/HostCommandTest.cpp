// The velmo-host command against the built plug-in: rendering files,
// state files, and its answers to bad arguments.
#include "tests/support/RunProgram.h"
#include "tests/support/TemporaryDirectory.h"
#include "tools/AudioFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
namespace fs = std::filesystem;
using velmohost::Audio;

struct Result
{
    int status = -1;
    std::string output;
};

// Runs velmo-host with the arguments (split at spaces; quotes group) and
// collects its standard output and error.
Result run(const std::string& arguments)
{
    std::vector<std::string> command = testsupport::splitWords(arguments);
    command.insert(command.begin(), VELMO_HOST_PATH);
    const testsupport::ProgramResult r = testsupport::runProgram(command);
    return {r.status, r.output};
}

std::string plugin()
{
    return VELMO_PLUGIN_PATH;
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

    testsupport::TemporaryDirectory dir{"velmo-host-test"};
};
} // namespace

TEST_F(HostCommand, InfoShowsTheIdentity)
{
    const Result r = run("info " + plugin());
    EXPECT_EQ(r.status, 0) << r.output;
    for (const char* line : {"'Vlmo'", "Velmo", "Tallowick", "flags:          0x231", "editor:         450 x 480",
                             "Punch", "bypass                 1"})
        EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
}

TEST_F(HostCommand, RendersTheGeneratedSignalAndReportsLevels)
{
    const Result r = run("render " + plugin() + " -o " + file("out.wav") + " --seconds 1 --rate 48000 -p Punch=0.5");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("generated test signal, 2 channels, 48000 Hz, 1.00 s"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("peak"), std::string::npos);

    const Audio out = read(file("out.wav"));
    EXPECT_EQ(out.sampleRate, 48000.0);
    ASSERT_EQ(out.channels.size(), 2u);
    EXPECT_EQ(out.frames(), 48000);
    EXPECT_NE(out.channels[0], out.channels[1]);
    EXPECT_GT(velmohost::levelOf(out.channels[0]).peak, 0.1f);
    EXPECT_LE(velmohost::levelOf(out.channels[0]).peak, 0.999f); // the limiter's ceiling
}

TEST_F(HostCommand, RendersAMonoFileAndBypassLeavesItAsItWas)
{
    Audio mono = velmohost::makeTestSignal(44100.0, 0.5);
    mono.channels.resize(1);
    std::string error;
    ASSERT_TRUE(velmohost::writeAudio(file("mono.wav"), mono, error)) << error;

    Result r = run("render " + plugin() + " -i " + file("mono.wav") + " -o " + file("processed.wav") + " -p Gain=0.8");
    ASSERT_EQ(r.status, 0) << r.output;
    const Audio processed = read(file("processed.wav"));
    ASSERT_EQ(processed.channels.size(), 1u);
    EXPECT_EQ(processed.frames(), mono.frames());
    EXPECT_NE(processed.channels[0], mono.channels[0]);

    r = run("render " + plugin() + " -i " + file("mono.wav") + " -o " + file("bypassed.wav") + " --bypass");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(file("bypassed.wav")).channels, mono.channels);
}

TEST_F(HostCommand, StateFilesCarryTheParameters)
{
    Result r = run("state " + plugin() + " --save-state " + file("default.chunk"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(fs::file_size(file("default.chunk")), 57u);

    r = run("state " + plugin() + " -p Gain=0.3 -p 1=0.7 -p color=0.9 --save-state " + file("set.chunk"));
    ASSERT_EQ(r.status, 0) << r.output;

    // Rendering with the saved state sounds exactly like rendering with the values.
    r = run("render " + plugin() + " --seconds 0.5 -o " + file("a.wav") + " --load-state " + file("set.chunk"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Color    0.899999976"), std::string::npos) << r.output;
    r = run("render " + plugin() + " --seconds 0.5 -o " + file("b.wav") + " -p Gain=0.3 -p Punch=0.7 -p Color=0.9");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(file("a.wav")).channels, read(file("b.wav")).channels);
}

TEST_F(HostCommand, BadArgumentsAreRefused)
{
    const std::pair<std::string, int> cases[] = {
        {"", 2},
        {"frobnicate " + plugin(), 2},
        {"render " + plugin() + " --block 0", 2},
        {"render " + plugin() + " --rate fast", 2},
        {"render " + plugin() + " -p Punch", 2},
        {"info /nonexistent/Velmo.so", 1},
        {"state " + plugin() + " -p Volume=0.5", 1},
        {"state " + plugin() + " --load-state /nonexistent.chunk", 1},
        {"render " + plugin() + " -i /nonexistent.wav", 1},
    };
    for (const auto& [arguments, status] : cases)
    {
        const Result r = run(arguments);
        EXPECT_EQ(r.status, status) << arguments << "\n" << r.output;
        EXPECT_NE(r.output.find("velmo-host:"), std::string::npos) << arguments;
    }
}
