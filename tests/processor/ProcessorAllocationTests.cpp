// Block processing allocates nothing on the stereo path, nor on a mono block
// that fits the size announced to prepareToPlay.

#include "tests/processor/ProcessorTestSupport.h"

#include <cstdlib>
#include <new>

namespace
{
    thread_local bool counting = false;
    thread_local int allocations = 0;
}

void* operator new (std::size_t size)
{
    if (counting)
        ++allocations;

    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void operator delete (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }

namespace
{
    int allocationsWhileProcessing (VelmoAudioProcessor& p, juce::AudioSampleBuffer& buffer)
    {
        juce::MidiBuffer midi;
        const juce::ScopedLock sl (p.getCallbackLock());
        allocations = 0;
        counting = true;
        p.processBlock (buffer, midi);
        counting = false;
        return allocations;
    }
}

TEST (ProcessorAllocation, BlocksAllocateNothing)
{
    struct Case { int ins, outs, blockSize; };
    const Case cases[] = { { 2, 2, 512 }, { 1, 1, 512 }, { 1, 2, 256 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.ins << " in, " << c.outs << " out");
        VelmoAudioProcessor p;
        p.setParameter (VelmoAudioProcessor::punchParam, 0.6f);
        p.setPlayConfigDetails (c.ins, c.outs, 44100.0, c.blockSize);
        p.prepareToPlay (44100.0, c.blockSize);

        juce::AudioSampleBuffer buffer (std::max (c.ins, c.outs), c.blockSize);

        for (int k = 0; k < 4; ++k)
        {
            if (k == 2)
                p.setParameter (VelmoAudioProcessor::colorParam, 0.5f);  // blocks that glide

            ProcessorTest::fillSignal (buffer, k * c.blockSize, 0.6f, 0.5f);
            EXPECT_EQ (allocationsWhileProcessing (p, buffer), 0) << "block " << k;

            // A shorter block reuses the same scratch space.
            juce::AudioSampleBuffer shorter (buffer.getNumChannels(), c.blockSize / 3);
            EXPECT_EQ (allocationsWhileProcessing (p, shorter), 0) << "short block " << k;
        }
    }
}
