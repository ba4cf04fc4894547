// Color changes, prepares and editor-style reads on other threads while the
// audio thread runs blocks under the callback lock. Built a second time under
// ThreadSanitizer (processor_tsan_tests), where any overlap is reported.

#include "tests/processor/ProcessorTestSupport.h"

#include <atomic>
#include <thread>

using namespace ProcessorTest;

// The sanitised build names its suite apart, so the two runs stay distinct in CTest.
#ifndef PROCESSOR_THREAD_SUITE
#define PROCESSOR_THREAD_SUITE ProcessorThreads
#endif

TEST(PROCESSOR_THREAD_SUITE, ParameterChangesAndPreparesNeverOverlapABlock)
{
    constexpr int blockSize = 128;
    constexpr int numBlocks = 1500;

    VelmoAudioProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, blockSize);
    p.prepareToPlay(44100.0, blockSize);

    std::atomic<bool> audioDone{false};
    std::atomic<int> badSamples{0};

    std::thread audio(
        [&]
        {
            juce::AudioSampleBuffer buffer(2, blockSize);
            juce::MidiBuffer midi;

            for (int k = 0; k < numBlocks; ++k)
            {
                fillSignal(buffer, k * blockSize, 0.5f, 0.4f);
                {
                    const juce::ScopedLock sl(p.getCallbackLock());
                    p.processBlock(buffer, midi);
                }

                for (int ch = 0; ch < 2; ++ch)
                    for (int i = 0; i < blockSize; ++i)
                        if (!std::isfinite(buffer.getSample(ch, i)))
                            ++badSamples;
            }

            audioDone = true;
        });

    // The editor's side: Color knob, switches, meter and texts.
    std::thread editor(
        [&]
        {
            for (int k = 0; !audioDone; ++k)
            {
                p.setParameter(VelmoAudioProcessor::colorParam, (float) (k % 101) / 100.0f);
                p.bypassed = (k % 11) == 0;
                p.compressorBypassed = (k % 5) == 0;
                (void) p.meter.levelL.load();
                (void) p.getParameterText(VelmoAudioProcessor::colorParam);
                std::this_thread::yield();
            }
        });

    // The host's side: automation, a state restore and re-preparing.
    std::thread host(
        [&]
        {
            VelmoAudioProcessor other;
            other.setParameter(VelmoAudioProcessor::colorParam, 0.25f);
            juce::MemoryBlock chunk;
            other.getStateInformation(chunk);

            for (int k = 0; !audioDone; ++k)
            {
                p.setParameter(VelmoAudioProcessor::punchParam, (float) (k % 50) / 50.0f);
                p.setParameter(VelmoAudioProcessor::gainParam, (float) (k % 30) / 30.0f);

                if (k % 20 == 0)
                    p.prepareToPlay(k % 40 == 0 ? 48000.0 : 44100.0, blockSize);

                if (k % 25 == 0)
                    p.setStateInformation(chunk.getData(), (int) chunk.getSize());

                juce::MemoryBlock state;
                p.getStateInformation(state);
                std::this_thread::yield();
            }
        });

    audio.join();
    editor.join();
    host.join();

    EXPECT_EQ(badSamples.load(), 0);
}
