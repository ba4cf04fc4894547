// Non-finite input samples and parameter values: the output is finite again
// from the next block on, and a non-finite parameter never reaches the audio.
#include "tests/processor/ProcessorTestSupport.h"

#include "processor/NumberText.h"

#include <limits>

using namespace ProcessorTest;

namespace
{
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();
constexpr int blockSize = 256;

struct Prepared
{
    Prepared(int channels, float gain, float punch, float color)
    {
        p.setParameter(VelmoAudioProcessor::gainParam, gain);
        p.setParameter(VelmoAudioProcessor::punchParam, punch);
        p.setParameter(VelmoAudioProcessor::colorParam, color);
        p.setPlayConfigDetails(channels, channels, 44100.0, blockSize);
        p.prepareToPlay(44100.0, blockSize);
        buffer.setSize(channels, blockSize);
    }

    // Processes the next block of the test signal, with `bad` at `badIndex`
    // of channel 0 when badIndex is not negative.
    void block(float bad = 0.0f, int badIndex = -1)
    {
        fillSignal(buffer, position);
        if (equalChannels)
            buffer.copyFrom(1, 0, buffer, 0, 0, blockSize);
        if (badIndex >= 0)
            buffer.setSample(0, badIndex, bad);
        position += blockSize;
        juce::MidiBuffer midi;
        const juce::ScopedLock sl(p.getCallbackLock());
        p.processBlock(buffer, midi);
    }

    int nonFiniteSamples() const
    {
        int count = 0;
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            for (int i = 0; i < blockSize; ++i)
                count += std::isfinite(buffer.getSample(ch, i)) ? 0 : 1;
        return count;
    }

    VelmoAudioProcessor p;
    juce::AudioSampleBuffer buffer;
    int position = 0;
    bool equalChannels = false; // stereo: the left signal on both
};
}

TEST(ProcessorNonFiniteInput, OutputIsFiniteAgainFromTheNextBlock)
{
    const struct
    {
        const char* name;
        float bad;
        int channels;
        float punch, color;
        bool gliding;
    } cases[] = {
        {"NaN, stereo", notANumber, 2, 0.5f, 0.5f, false},
        {"+infinity, stereo", infinity, 2, 0.5f, 0.5f, false},
        {"-infinity, stereo", -infinity, 2, 0.0f, 0.0f, false},
        {"NaN, mono", notANumber, 1, 0.5f, 0.5f, false},
        {"+infinity, mono", infinity, 1, 1.0f, 1.0f, false},
        {"NaN while Color glides", notANumber, 2, 0.5f, 0.2f, true},
        {"finite, but infinite after the drive", 1.0e37f, 2, 1.0f, 0.5f, false},
    };

    for (const auto& c : cases)
    {
        Prepared s(c.channels, 0.5f, c.punch, c.color);
        s.block();
        if (c.gliding)
            s.p.setParameter(VelmoAudioProcessor::colorParam, 0.8f);
        s.block(c.bad, 100);
        EXPECT_GT(s.nonFiniteSamples(), 0) << c.name << ": the bad sample itself goes through";

        int badBlocks = 0;
        for (int b = 0; b < 8; ++b)
        {
            s.block();
            badBlocks += s.nonFiniteSamples() > 0 ? 1 : 0;
        }
        EXPECT_EQ(badBlocks, 0) << c.name << ": blocks with non-finite output after the bad one";
        EXPECT_TRUE(std::isfinite(s.p.meter.levelL.load())) << c.name;
    }
}

TEST(ProcessorNonFiniteParameters, AreStoredAndReportedButTheAudioStaysFinite)
{
    for (int index : {(int) VelmoAudioProcessor::gainParam, (int) VelmoAudioProcessor::punchParam,
             (int) VelmoAudioProcessor::colorParam})
        for (float value : {notANumber, infinity, -infinity})
        {
            Prepared s(2, 0.5f, 0.5f, 0.5f);
            s.block();
            s.p.setParameter(index, value);
            const float stored = s.p.getParameter(index);
            EXPECT_TRUE(std::isnan(value) ? std::isnan(stored) : stored == value) << index << " " << value;

            int badBlocks = 0;
            for (int b = 0; b < 6; ++b)
            {
                s.block();
                badBlocks += s.nonFiniteSamples() > 0 ? 1 : 0;
            }
            EXPECT_EQ(badBlocks, 0) << "parameter " << index << " = " << value;
        }
}

TEST(ProcessorNonFiniteParameters, PunchActsAsTheDriveMapperReadsIt)
{
    // NaN as 0 and infinities clamped to 0..1, for the drive and the width alike.
    const struct
    {
        float value, sameAs;
    } cases[] = {{notANumber, 0.0f}, {infinity, 1.0f}, {-infinity, 0.0f}};

    for (const auto& c : cases)
    {
        Prepared odd(2, 0.5f, 0.3f, 0.4f), plain(2, 0.5f, 0.3f, 0.4f);
        odd.p.setParameter(VelmoAudioProcessor::punchParam, c.value);
        plain.p.setParameter(VelmoAudioProcessor::punchParam, c.sameAs);
        int differingBlocks = 0;
        for (int b = 0; b < 4; ++b)
        {
            odd.block();
            plain.block();
            for (int ch = 0; ch < 2; ++ch)
                differingBlocks += std::memcmp(odd.buffer.getReadPointer(ch), plain.buffer.getReadPointer(ch),
                                       sizeof(float) * blockSize) != 0
                                       ? 1
                                       : 0;
        }
        EXPECT_EQ(differingBlocks, 0) << "Punch " << c.value << " against " << c.sameAs;
    }
}

TEST(ProcessorNonFiniteParameters, PunchWhoseWidthOverflowsKeepsTheAudioFinite)
{
    // Finite values so large that Punch x 3 overflows: stored and reported
    // as given; the width is 1.5 x Punch while a float holds it, else the
    // largest float of its sign.
    constexpr float largest = std::numeric_limits<float>::max();
    const struct
    {
        float punch, width;
    } cases[] = {{1.0e38f, 1.0e38f * 3.0f * 0.5f}, {1.2e38f, 1.2e38f * 1.5f}, {2.2e38f, 2.2e38f * 1.5f},
        {2.5e38f, largest}, {largest, largest}, {-largest, -largest}};

    const struct
    {
        const char* name;
        int channels;
        bool equal;
    } layouts[] = {{"mono", 1, false}, {"stereo, equal channels", 2, true}, {"stereo", 2, false}};

    for (const auto& c : cases)
        for (const auto& layout : layouts)
        {
            SCOPED_TRACE(testing::Message() << "Punch " << c.punch << ", " << layout.name);
            Prepared s(layout.channels, 0.5f, c.punch, 0.5f);
            s.equalChannels = layout.equal;
            EXPECT_EQ(s.p.getParameter(VelmoAudioProcessor::punchParam), c.punch);
            EXPECT_EQ(s.p.stereoWidth.load(), c.width);

            juce::MemoryBlock chunk;
            s.p.getStateInformation(chunk);
            const std::string text(static_cast<const char*>(chunk.getData()), chunk.getSize());
            EXPECT_NE(text.find(" Punch=\"" + NumberText::significantDigits20((double) c.punch).toStdString() + "\""),
                std::string::npos);

            int badBlocks = 0;
            for (int b = 0; b < 6; ++b)
            {
                s.block();
                badBlocks += s.nonFiniteSamples() > 0 ? 1 : 0;
            }
            EXPECT_EQ(badBlocks, 0);
        }
}
