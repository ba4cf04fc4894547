#include "tests/processor/ProcessorTestSupport.h"
#include "tests/support/CompressorState.h"

using namespace ProcessorTest;

namespace
{
using ShelfFilter = ShelfFilterHolder::ShelfFilter;

void prepare(VelmoAudioProcessor& p, int ins, int outs, double sampleRate, int blockSize)
{
    p.setPlayConfigDetails(ins, outs, sampleRate, blockSize);
    p.prepareToPlay(sampleRate, blockSize);
}

void process(VelmoAudioProcessor& p, juce::AudioSampleBuffer& buffer)
{
    juce::MidiBuffer midi;
    const juce::ScopedLock sl(p.getCallbackLock());
    p.processBlock(buffer, midi);
}

void prepareCompressor(Compressor& c, double sampleRate)
{
    c.sampleRate = sampleRate;
    c.enabled = true;
    c.resetState();
    const std::int32_t settings[9] = {-1, 15, 0, 5, 50, 0, 0, 1, 1};
    for (int s = 0; s < 9; ++s)
        c.applySetting((CompressorSetting) s, settings[s]);
}

// The chain rebuilt from the signal-processing parts, stage by stage.
struct ReferenceChain
{
    ReferenceChain(double sampleRate, double centre, double width, double gainDb)
    {
        filter->assignParams({sampleRate, 1.0, centre, width, gainDb, 0.0, 0.0, 0.0});
        prepareCompressor(compressor, sampleRate);
        meter.sampleRate = (float) sampleRate;
        meter.updateCoefficients();
    }

    void run(float* l, float* r, int n, float drive, float width, float out, bool compress)
    {
        for (int i = 0; i < n; ++i)
        {
            l[i] *= drive;
            r[i] *= drive;
        }

        float* channels[2] = {l, r};
        filter->processChannels(n, channels);

        for (int i = 0; i < n; ++i)
        {
            const float mid = (float) ((double) (l[i] + r[i]) * 0.5);
            const float side = (r[i] - l[i]) * width;
            l[i] = mid - side;
            r[i] = mid + side;
        }

        if (compress && n > 0)
        {
            compressor.numSamples = n;
            compressor.compressBlock(l, r);
        }

        for (int i = 0; i < n; ++i)
        {
            l[i] *= out;
            r[i] *= out;
            meter.followSample(l[i], r[i]);
        }
    }

    std::unique_ptr<ShelfFilter> filter = std::make_unique<ShelfFilter>();
    Compressor compressor;
    MeterEnvelope meter;
};

void expectSameSamples(const juce::AudioSampleBuffer& a, const juce::AudioSampleBuffer& b, int channels)
{
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < a.getNumSamples(); ++i)
            ASSERT_EQ(a.getSample(ch, i), b.getSample(ch, i)) << "channel " << ch << " sample " << i;
}
}

TEST(ProcessorPrepare, SetsUpFollowerFilterAndCompressor)
{
    VelmoAudioProcessor p;
    p.meter.levelL = 0.4f;
    p.meter.levelR = 0.3f;
    prepare(p, 2, 2, 48000.0, 512);

    MeterEnvelope meter48k;
    meter48k.sampleRate = 48000.0f;
    meter48k.updateCoefficients();
    EXPECT_EQ(p.meter.sampleRate, 48000.0f);
    EXPECT_EQ(p.meter.attackCoef, meter48k.attackCoef);
    EXPECT_EQ(p.meter.releaseCoef, meter48k.releaseCoef);
    EXPECT_EQ(p.meter.levelL.load(), 0.4f);
    EXPECT_EQ(p.meter.levelR.load(), 0.3f);

    ASSERT_NE(p.shelf.shelfFilter, nullptr);
    const double expected[5] = {48000, 1, 80, 80, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.shelf.shelfParams[(size_t) i], expected[i]);

    const auto& c = p.compressor;
    EXPECT_TRUE(c.enabled);
    EXPECT_EQ(c.sampleRate, 48000.0);
    EXPECT_EQ(c.thresholdDb, -1);
    EXPECT_EQ(c.ratio, 15);
    EXPECT_EQ(c.makeupDb, 0);
    EXPECT_EQ(c.attackTimeMs, 5);
    EXPECT_EQ(c.releaseTimeMs, 50);
    EXPECT_EQ(c.autoMakeup, 0);
    EXPECT_EQ(c.kneePercent, 0);
    EXPECT_EQ(c.unlinked, 1);
    EXPECT_EQ(c.peakClip, 1);
    EXPECT_EQ(c.holdLength, 600);
}

TEST(ProcessorPrepare, EachPrepareReplacesTheFilterAndResetsTheCompressor)
{
    VelmoAudioProcessor p;
    prepare(p, 2, 2, 44100.0, 256);

    juce::AudioSampleBuffer buffer(2, 256);
    fillSignal(buffer, 0, 0.9f, 0.9f);
    p.setParameter(VelmoAudioProcessor::punchParam, 0.5f);
    process(p, buffer);
    ASSERT_NE(p.compressor.envelopeL, 0.0f);

    bool firstDeleted = false;
    installSpy(p, &firstDeleted);
    p.prepareToPlay(44100.0, 256);

    EXPECT_TRUE(firstDeleted);
    EXPECT_EQ(dynamic_cast<ShelfFilter*>(p.shelf.shelfFilter.get()) != nullptr, true);
    EXPECT_EQ(p.compressor.envelopeL, 0.0f);
    EXPECT_EQ(p.compressor.prevGainL, 1.0f);
    // The derived values belong to the parameters, not to preparing.
    EXPECT_EQ(p.driveGain.load(), dbToGain(32.0f));
}

// The decided point: a Color set before the first prepare sounds after it,
// as the new filter's first parameters (no glide).
TEST(ProcessorPrepare, ColorSetBeforePrepareSoundsFromTheFirstBlock)
{
    struct Case
    {
        const char* how;
        float color;
        double centre, width, gain;
    };
    const Case cases[] = {{"setParameter", 0.7f, 0.7f * 16500.0f, 0.7f * 6000.0f, 0.7f * 24.0f},
        {"state chunk", 0.7f, 0.7f * 16500.0f, 0.7f * 6000.0f, 0.7f * 24.0f},
        {"setParameter", 0.001f, 80.0, 80.0, 1.0}, // the floors, as applyColorToShelf
        {"setParameter", 0.0f, 80.0, 80.0, 0.0}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.how);
        VelmoAudioProcessor p;

        if (juce::String(c.how) == "state chunk")
        {
            VelmoAudioProcessor saved;
            saved.setParameter(VelmoAudioProcessor::colorParam, c.color);
            juce::MemoryBlock chunk;
            saved.getStateInformation(chunk);
            p.setStateInformation(chunk.getData(), (int) chunk.getSize());
        }
        else
        {
            p.setParameter(VelmoAudioProcessor::colorParam, c.color);
        }

        p.compressorBypassed = true;
        prepare(p, 2, 2, 44100.0, 512);

        EXPECT_EQ(p.shelf.shelfParams[0], 44100.0);
        EXPECT_EQ(p.shelf.shelfParams[1], 1.0);
        EXPECT_EQ(p.shelf.shelfParams[2], c.centre);
        EXPECT_EQ(p.shelf.shelfParams[3], c.width);
        EXPECT_EQ(p.shelf.shelfParams[4], c.gain);

        ReferenceChain ref(44100.0, c.centre, c.width, c.gain);
        juce::AudioSampleBuffer buffer(2, 512), expected(2, 512);
        fillSignal(buffer, 0);
        expected.makeCopyOf(buffer);
        process(p, buffer);
        ref.run(expected.getWritePointer(0), expected.getWritePointer(1), 512, 1.0f, 0.0f, 1.0f, false);
        expectSameSamples(buffer, expected, 2);
    }
}

TEST(ProcessorChain, MatchesTheStagesInOrder)
{
    struct Case
    {
        float gain, punch, color;
        bool compressorOff;
    };
    const Case cases[] = {{0.5f, 0.0f, 0.0f, true}, {0.7f, 1.0f / 3.0f, 0.3f, false}, {0.3f, 1.0f, 0.9f, false},
        {0.5f, 0.5f, 0.0f, false}, {0.9f, 0.2f, 0.6f, true}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "gain " << c.gain << " punch " << c.punch << " color " << c.color);
        VelmoAudioProcessor p;
        p.setParameter(VelmoAudioProcessor::gainParam, c.gain);
        p.setParameter(VelmoAudioProcessor::punchParam, c.punch);
        prepare(p, 2, 2, 44100.0, 300);
        p.compressorBypassed = c.compressorOff;

        ReferenceChain ref(44100.0, 80.0, 80.0, 0.0);
        const float drive = p.driveGain, width = p.stereoWidth, out = p.outputGain;

        for (int block = 0; block < 6; ++block)
        {
            if (block == 2 && c.color != 0.0f)
            {
                // A Color change after prepare: three parameter sets, gain first.
                p.setParameter(VelmoAudioProcessor::colorParam, c.color);
                Dsp::ParamValues v{44100.0, 1.0, 80.0, 80.0, 0.0, 0.0, 0.0, 0.0};
                v[4] = std::max(c.color * 24.0f, 1.0f);
                ref.filter->assignParams(v);
                v[2] = std::max(c.color * 16500.0f, 80.0f);
                ref.filter->assignParams(v);
                v[3] = std::max(c.color * 6000.0f, 80.0f);
                ref.filter->assignParams(v);
            }

            juce::AudioSampleBuffer buffer(2, 300), expected(2, 300);
            fillSignal(buffer, block * 300);
            expected.makeCopyOf(buffer);
            process(p, buffer);
            ref.run(expected.getWritePointer(0), expected.getWritePointer(1), 300, drive, width, out, !c.compressorOff);
            expectSameSamples(buffer, expected, 2);

            if (c.punch == 0.0f)
            {
                for (int i = 0; i < 300; ++i)
                    ASSERT_EQ(buffer.getSample(0, i), buffer.getSample(1, i));
            }
        }

        EXPECT_EQ(p.meter.levelL.load(), ref.meter.levelL.load());
        EXPECT_EQ(p.meter.levelR.load(), ref.meter.levelR.load());
    }
}

TEST(ProcessorChain, ThirdOfPunchKeepsTheStereoDifference)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::punchParam, 1.0f / 3.0f);
    p.setParameter(VelmoAudioProcessor::gainParam, 0.0f); // keep the driven signal small
    prepare(p, 2, 2, 44100.0, 256);
    p.compressorBypassed = true;
    ASSERT_EQ(p.stereoWidth.load(), 0.5f);

    juce::AudioSampleBuffer buffer(2, 256), in(2, 256);
    fillSignal(in, 0);
    buffer.makeCopyOf(in);
    process(p, buffer);

    // The 80 Hz, 0 dB shelf is flat, so the difference only sees the two gains.
    const float scale = p.driveGain.load() * p.outputGain.load();
    for (int i = 0; i < 256; ++i)
    {
        const float diffIn = in.getSample(1, i) - in.getSample(0, i);
        const float diffOut = buffer.getSample(1, i) - buffer.getSample(0, i);
        ASSERT_NEAR(diffOut, diffIn * scale, 1e-4f) << i;
    }
}

TEST(ProcessorChain, BypassPassesTheInputAndFollowsIt)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::punchParam, 1.0f);
    p.setParameter(VelmoAudioProcessor::colorParam, 0.8f);
    prepare(p, 2, 2, 44100.0, 512);
    p.bypassed = true;

    MeterEnvelope follower;
    juce::AudioSampleBuffer buffer(2, 512), in(2, 512);
    fillSignal(in, 0, 0.8f, 0.6f);
    buffer.makeCopyOf(in);
    process(p, buffer);

    expectSameSamples(buffer, in, 2);
    for (int i = 0; i < 512; ++i)
        follower.followSample(in.getSample(0, i), in.getSample(1, i));
    EXPECT_EQ(p.meter.levelL.load(), follower.levelL.load());
    EXPECT_EQ(p.meter.levelR.load(), follower.levelR.load());
    EXPECT_GT(p.meter.levelL.load(), 0.1f);
}

// The host's soft bypass: the framework's bypassed entry, which the processor
// inherits, leaves a stereo block as the wrapper copied it and feeds nothing.
TEST(ProcessorChain, HostBypassedBlockIsLeftAlone)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::punchParam, 1.0f);
    prepare(p, 2, 2, 44100.0, 256);

    juce::AudioSampleBuffer buffer(2, 256), in(2, 256);
    fillSignal(in, 0, 0.8f, 0.6f);
    buffer.makeCopyOf(in);
    juce::MidiBuffer midi;
    p.processBlockBypassed(buffer, midi);

    expectSameSamples(buffer, in, 2);
    EXPECT_EQ(p.meter.levelL.load(), 0.0f);
}

TEST(ProcessorChain, EmptyBlockChangesNothing)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::punchParam, 0.6f);
    prepare(p, 2, 2, 44100.0, 128);

    juce::AudioSampleBuffer warmUp(2, 128);
    fillSignal(warmUp, 0, 0.9f, 0.7f);
    process(p, warmUp);

    const Compressor before = p.compressor;
    const float levelL = p.meter.levelL, levelR = p.meter.levelR;

    juce::AudioSampleBuffer empty(2, 0);
    process(p, empty);

    EXPECT_TRUE(testsupport::sameSignalState(p.compressor, before));
    EXPECT_EQ(p.compressor.numSamples, before.numSamples);
    EXPECT_EQ(p.meter.levelL.load(), levelL);
    EXPECT_EQ(p.meter.levelR.load(), levelR);
}

TEST(ProcessorChannels, MonoIsTheLeftOutputOfTwoEqualChannels)
{
    for (int outs : {1, 2})
    {
        SCOPED_TRACE(testing::Message() << "outputs " << outs);
        VelmoAudioProcessor mono, stereo;
        for (auto* p : {&mono, &stereo})
        {
            p->setParameter(VelmoAudioProcessor::punchParam, 0.7f);
            p->setParameter(VelmoAudioProcessor::colorParam, 0.4f);
            p->setParameter(VelmoAudioProcessor::gainParam, 0.6f);
        }
        prepare(mono, 1, outs, 44100.0, 256);
        prepare(stereo, 2, 2, 44100.0, 256);

        // The last block is longer than announced: the scratch buffer grows.
        for (int n : {256, 100, 256, 700})
        {
            juce::AudioSampleBuffer m(outs, n), s(2, n);
            fillSignal(m, 0, 0.7f);
            if (outs == 2)
            {
                m.clear(1, 0, n);
                m.setSample(1, 3, 0.5f); // must come out zeroed
            }
            s.copyFrom(0, 0, m, 0, 0, n);
            s.copyFrom(1, 0, m, 0, 0, n);

            process(mono, m);
            process(stereo, s);

            for (int i = 0; i < n; ++i)
            {
                ASSERT_EQ(m.getSample(0, i), s.getSample(0, i)) << i;
                if (outs == 2)
                {
                    ASSERT_EQ(m.getSample(1, i), 0.0f) << i;
                }
            }
        }
        EXPECT_EQ(mono.meter.levelL.load(), stereo.meter.levelL.load());
        EXPECT_EQ(mono.meter.levelR.load(), stereo.meter.levelR.load());
    }
}

TEST(ProcessorChannels, OtherInputCountsAreNotProcessed)
{
    struct Case
    {
        int ins, outs;
        bool outputsZeroed;
    };
    const Case cases[] = {{0, 2, true}, {3, 2, false}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.ins << " in, " << c.outs << " out");
        VelmoAudioProcessor p;
        p.setParameter(VelmoAudioProcessor::punchParam, 0.5f);
        prepare(p, c.ins, c.outs, 44100.0, 64);
        ASSERT_EQ(p.getTotalNumInputChannels(), c.ins);
        ASSERT_EQ(p.getTotalNumOutputChannels(), c.outs);

        const int channels = std::max(c.ins, c.outs);
        juce::AudioSampleBuffer buffer(channels, 64), in(channels, 64);
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < 64; ++i)
                in.setSample(ch, i, 0.01f * (float) (i + 1) * (float) (ch + 1));
        buffer.makeCopyOf(in);
        process(p, buffer);

        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ(buffer.getSample(ch, i), c.outputsZeroed ? 0.0f : in.getSample(ch, i));
        EXPECT_EQ(p.meter.levelL.load(), 0.0f);
    }
}

TEST(ProcessorChannels, StereoInWithMoreOutputsZeroesTheSurplus)
{
    VelmoAudioProcessor p;
    prepare(p, 2, 4, 44100.0, 32);

    juce::AudioSampleBuffer buffer(4, 32);
    for (int ch = 0; ch < 4; ++ch)
        for (int i = 0; i < 32; ++i)
            buffer.setSample(ch, i, 0.25f);
    process(p, buffer);

    for (int i = 0; i < 32; ++i)
    {
        EXPECT_NE(buffer.getSample(0, i), 0.0f);
        EXPECT_EQ(buffer.getSample(2, i), 0.0f);
        EXPECT_EQ(buffer.getSample(3, i), 0.0f);
    }
}

TEST(ProcessorChannels, BufferNarrowerThanTheLayoutIsLeftAlone)
{
    VelmoAudioProcessor p;
    prepare(p, 2, 2, 44100.0, 32);

    juce::AudioSampleBuffer buffer(1, 32);
    buffer.clear();
    buffer.setSample(0, 5, 0.5f);
    process(p, buffer);
    EXPECT_EQ(buffer.getSample(0, 5), 0.5f);
}
