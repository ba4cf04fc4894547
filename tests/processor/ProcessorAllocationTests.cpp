// Block processing allocates nothing on the stereo path, nor on a mono block
// that fits the size announced to prepareToPlay.
//
// JUCE's buffers allocate with malloc, not operator new, so the C allocator
// itself is replaced here (glibc lets a program define malloc and friends);
// the default operator new goes through malloc and is counted as well.

#include "tests/processor/ProcessorTestSupport.h"

#include <cstddef>

extern "C"
{
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);
    void* __libc_memalign (std::size_t, std::size_t);
    void __libc_free (void*);
}

namespace
{
    thread_local bool counting = false;
    thread_local int allocations = 0;

    void note()
    {
        if (counting)
            ++allocations;
    }
}

extern "C"
{
    void* malloc (std::size_t size)
    {
        note();
        return __libc_malloc (size);
    }

    void* calloc (std::size_t count, std::size_t size)
    {
        note();
        return __libc_calloc (count, size);
    }

    void* realloc (void* p, std::size_t size)
    {
        note();
        return __libc_realloc (p, size);
    }

    void* aligned_alloc (std::size_t alignment, std::size_t size)
    {
        note();
        return __libc_memalign (alignment, size);
    }

    void* memalign (std::size_t alignment, std::size_t size)
    {
        note();
        return __libc_memalign (alignment, size);
    }

    int posix_memalign (void** out, std::size_t alignment, std::size_t size)
    {
        note();
        void* p = __libc_memalign (alignment, size);
        if (p == nullptr)
            return 12; // ENOMEM
        *out = p;
        return 0;
    }

    void free (void* p)
    {
        __libc_free (p);
    }
}

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

    void prepare (VelmoAudioProcessor& p, int ins, int outs, int blockSize)
    {
        p.setParameter (VelmoAudioProcessor::punchParam, 0.6f);
        p.setPlayConfigDetails (ins, outs, 44100.0, blockSize);
        p.prepareToPlay (44100.0, blockSize);
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
        prepare (p, c.ins, c.outs, c.blockSize);

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

// The counter sees the allocations of JUCE's buffers: a mono block longer
// than announced grows the scratch buffer once, and then fits it.
TEST (ProcessorAllocation, LongerMonoBlockGrowsTheScratchOnce)
{
    VelmoAudioProcessor p;
    prepare (p, 1, 1, 128);

    juce::AudioSampleBuffer longer (1, 1000);
    ProcessorTest::fillSignal (longer, 0, 0.6f);
    EXPECT_GT (allocationsWhileProcessing (p, longer), 0);
    EXPECT_EQ (allocationsWhileProcessing (p, longer), 0);

    juce::AudioSampleBuffer announced (1, 128);
    EXPECT_EQ (allocationsWhileProcessing (p, announced), 0);
}
