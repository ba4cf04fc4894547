// Block processing allocates nothing on the stereo path, nor on a mono block
// that fits the size announced to prepareToPlay. JUCE's buffers allocate with
// malloc, not operator new, so the C allocator itself is counted.

#include "tests/processor/ProcessorTestSupport.h"
#include "tests/support/AllocationCounter.h"

namespace
{
int allocationsWhileProcessing(VelmoAudioProcessor& p, juce::AudioSampleBuffer& buffer)
{
    juce::MidiBuffer midi;
    const juce::ScopedLock sl(p.getCallbackLock());
    testsupport::allocations::start();
    p.processBlock(buffer, midi);
    return (int) testsupport::allocations::stop();
}

void prepare(VelmoAudioProcessor& p, int ins, int outs, int blockSize)
{
    p.setParameter(VelmoAudioProcessor::punchParam, 0.6f);
    p.setPlayConfigDetails(ins, outs, 44100.0, blockSize);
    p.prepareToPlay(44100.0, blockSize);
}
}

TEST(ProcessorAllocation, BlocksAllocateNothing)
{
    struct Case
    {
        int ins, outs, blockSize;
    };
    const Case cases[] = {{2, 2, 512}, {1, 1, 512}, {1, 2, 256}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.ins << " in, " << c.outs << " out");
        VelmoAudioProcessor p;
        prepare(p, c.ins, c.outs, c.blockSize);

        juce::AudioSampleBuffer buffer(std::max(c.ins, c.outs), c.blockSize);

        for (int k = 0; k < 4; ++k)
        {
            if (k == 2)
                p.setParameter(VelmoAudioProcessor::colorParam, 0.5f); // blocks that glide

            ProcessorTest::fillSignal(buffer, k * c.blockSize, 0.6f, 0.5f);
            EXPECT_EQ(allocationsWhileProcessing(p, buffer), 0) << "block " << k;

            // A shorter block reuses the same scratch space.
            juce::AudioSampleBuffer shorter(buffer.getNumChannels(), c.blockSize / 3);
            EXPECT_EQ(allocationsWhileProcessing(p, shorter), 0) << "short block " << k;
        }
    }
}

// The counter sees the allocations of JUCE's buffers: a mono block longer
// than announced grows the scratch buffer once, and then fits it.
TEST(ProcessorAllocation, LongerMonoBlockGrowsTheScratchOnce)
{
    VelmoAudioProcessor p;
    prepare(p, 1, 1, 128);

    juce::AudioSampleBuffer longer(1, 1000);
    ProcessorTest::fillSignal(longer, 0, 0.6f);
    EXPECT_GT(allocationsWhileProcessing(p, longer), 0);
    EXPECT_EQ(allocationsWhileProcessing(p, longer), 0);

    juce::AudioSampleBuffer announced(1, 128);
    EXPECT_EQ(allocationsWhileProcessing(p, announced), 0);
}
