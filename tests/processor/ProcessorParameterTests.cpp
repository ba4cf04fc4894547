#include "tests/processor/ProcessorTestSupport.h"

#include <limits>

using namespace ProcessorTest;

namespace
{
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
}

TEST(ProcessorConstruction, StartsAtTheDefaults)
{
    VelmoAudioProcessor p;

    EXPECT_EQ(p.getName(), "Velmo");
    EXPECT_EQ(p.getNumParameters(), 3);
    EXPECT_EQ(p.getParameter(VelmoAudioProcessor::gainParam), 0.5f);
    EXPECT_EQ(p.getParameter(VelmoAudioProcessor::punchParam), 0.0f);
    EXPECT_EQ(p.getParameter(VelmoAudioProcessor::colorParam), 0.0f);
    EXPECT_EQ(p.getParameterText(0), "0.50");
    EXPECT_EQ(p.getParameterText(1), "0.00");
    EXPECT_EQ(p.getParameterText(2), "0.00");
    EXPECT_EQ(p.stereoWidth.load(), 0.0f);
    EXPECT_EQ(p.outputGain.load(), 1.0f);
    EXPECT_EQ(p.driveGain.load(), 1.0f);
    EXPECT_EQ(p.widthScale, 3.0f);
    EXPECT_FALSE(p.bypassed.load());
    EXPECT_FALSE(p.compressorBypassed.load());
    EXPECT_EQ(p.shelf.shelfFilter, nullptr);
    EXPECT_FALSE(p.compressor.enabled);
}

TEST(ProcessorConstruction, MappersAndFollowerAreConfigured)
{
    VelmoAudioProcessor p;

    EXPECT_EQ(p.colorFreqMapper.mode, RangeMapper::modeLinear);
    EXPECT_EQ(p.colorFreqMapper.scale, 16500.0f);
    EXPECT_EQ(p.colorWidthMapper.mode, RangeMapper::modeLinear);
    EXPECT_EQ(p.colorWidthMapper.scale, 6000.0f);
    EXPECT_EQ(p.colorGainMapper.mode, RangeMapper::modeLinear);
    EXPECT_EQ(p.colorGainMapper.scale, 24.0f);
    EXPECT_EQ(p.outputGainMapper.mode, RangeMapper::modeAsymmetric);
    EXPECT_EQ(p.outputGainMapper.upRange, 4.0f);
    EXPECT_EQ(p.outputGainMapper.downRange, 36.0f);
    EXPECT_EQ(p.punchDriveMapper.mode, RangeMapper::modeLinear);
    EXPECT_EQ(p.punchDriveMapper.scale, 64.0f);

    for (auto* m :
        {&p.colorFreqMapper, &p.colorWidthMapper, &p.colorGainMapper, &p.outputGainMapper, &p.punchDriveMapper})
    {
        EXPECT_EQ(m->center, 0.5f);
        EXPECT_EQ(m->minInput, 0.0f);
        EXPECT_EQ(m->maxInput, 1.0f);
    }

    MeterEnvelope reference;
    reference.sampleRate = 44100.0f;
    reference.attackMs = 50.0f;
    reference.releaseMs = 50.0f;
    reference.updateCoefficients();
    EXPECT_EQ(p.meter.sampleRate, 44100.0f);
    EXPECT_EQ(p.meter.ceiling, 2.0f);
    EXPECT_EQ(p.meter.attackCoef, reference.attackCoef);
    EXPECT_EQ(p.meter.releaseCoef, reference.releaseCoef);
    EXPECT_EQ(p.meter.levelL.load(), 0.0f);
    EXPECT_EQ(p.meter.levelR.load(), 0.0f);
}

TEST(ProcessorParameters, OutputGainFollowsTwoLinesInDb)
{
    struct Case
    {
        float value;
        float db;
    };
    const Case cases[] = {
        {0.0f, -36.0f}, {0.25f, -18.0f}, {0.5f, 0.0f}, {0.75f, 2.0f}, {1.0f, 4.0f}, {-1.0f, -36.0f}, {3.0f, 4.0f}};

    for (const auto& c : cases)
    {
        VelmoAudioProcessor p;
        p.setParameter(VelmoAudioProcessor::gainParam, 0.1f);
        p.setParameter(VelmoAudioProcessor::gainParam, c.value);
        EXPECT_EQ(p.getParameter(VelmoAudioProcessor::gainParam), c.value);
        EXPECT_EQ(p.outputGain.load(), dbToGain(c.db)) << "gain " << c.value;
    }

    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::gainParam, 0.0f);
    EXPECT_NEAR(p.outputGain.load(), 0.01585f, 1e-5f);
    p.setParameter(VelmoAudioProcessor::gainParam, 1.0f);
    EXPECT_NEAR(p.outputGain.load(), 1.5849f, 1e-4f);
}

TEST(ProcessorParameters, PunchSetsDriveAndUnclampedWidth)
{
    struct Case
    {
        float value;
        float driveDb;
        float width;
    };
    const Case cases[] = {{1.0f / 3.0f, 64.0f / 3.0f, 0.5f}, {0.5f, 32.0f, 0.75f}, {1.0f, 64.0f, 1.5f},
        {2.0f, 64.0f, 3.0f}, {-0.5f, 0.0f, -0.75f}};

    for (const auto& c : cases)
    {
        VelmoAudioProcessor p;
        p.setParameter(VelmoAudioProcessor::punchParam, c.value);
        EXPECT_EQ(p.getParameter(VelmoAudioProcessor::punchParam), c.value);
        EXPECT_EQ(p.driveGain.load(), dbToGain(p.punchDriveMapper.mapValue(c.value))) << c.value;
        EXPECT_FLOAT_EQ(p.driveGain.load(), dbToGain(c.driveDb)) << c.value;
        EXPECT_EQ(p.stereoWidth.load(), c.width) << c.value;
    }
}

TEST(ProcessorParameters, NanIsStoredAndAlwaysCountsAsAChange)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::gainParam, 0.0f);
    p.setParameter(VelmoAudioProcessor::gainParam, notANumber);
    EXPECT_TRUE(std::isnan(p.getParameter(VelmoAudioProcessor::gainParam)));
    EXPECT_EQ(p.outputGain.load(), 1.0f);

    // A second NaN is a change again: it recomputes (observable through the
    // punch width, which a NaN leaves at that of Punch 0, never NaN).
    p.setParameter(VelmoAudioProcessor::punchParam, notANumber);
    EXPECT_EQ(p.stereoWidth.load(), 0.0f);
    p.stereoWidth = 7.0f;
    p.setParameter(VelmoAudioProcessor::punchParam, notANumber);
    EXPECT_EQ(p.stereoWidth.load(), 0.0f);
    EXPECT_EQ(p.driveGain.load(), 1.0f);
}

TEST(ProcessorParameters, EqualValueRecomputesNothingButStillAnnounces)
{
    VelmoAudioProcessor p;
    ChangeCounter changes(p);

    p.setParameter(VelmoAudioProcessor::punchParam, 0.5f);
    EXPECT_EQ(changes.count(), 1);

    // Tamper with the derived values: an equal value must leave them alone.
    p.driveGain = 123.0f;
    p.stereoWidth = 9.0f;
    p.outputGain = 5.0f;
    p.setParameter(VelmoAudioProcessor::punchParam, 0.5f);
    EXPECT_EQ(changes.count(), 2);
    p.setParameter(VelmoAudioProcessor::gainParam, 0.5f);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(p.driveGain.load(), 123.0f);
    EXPECT_EQ(p.stereoWidth.load(), 9.0f);
    EXPECT_EQ(p.outputGain.load(), 5.0f);

    p.prepareToPlay(44100.0, 512);
    auto* spy = installSpy(p);
    p.setParameter(VelmoAudioProcessor::colorParam, 0.0f);
    EXPECT_TRUE(spy->received.empty());
    EXPECT_EQ(changes.count(), 4);
}

TEST(ProcessorParameters, OutOfRangeIndexStoresNothingButAnnounces)
{
    VelmoAudioProcessor p;
    ChangeCounter changes(p);

    for (int index : {3, -1, 100})
    {
        const int before = changes.count();
        p.setParameter(index, 0.9f);
        EXPECT_EQ(changes.count(), before + 1) << index;
    }

    EXPECT_EQ(p.getParameter(0), 0.5f);
    EXPECT_EQ(p.getParameter(1), 0.0f);
    EXPECT_EQ(p.getParameter(2), 0.0f);
    EXPECT_EQ(p.outputGain.load(), 1.0f);
    EXPECT_EQ(p.driveGain.load(), 1.0f);
}

TEST(ProcessorParameters, ColorBeforePrepareOnlyUpdatesShelfParams)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::colorParam, 0.5f);

    EXPECT_EQ(p.shelf.shelfFilter, nullptr);
    EXPECT_EQ(p.shelf.shelfParams[2], 8250.0);
    EXPECT_EQ(p.shelf.shelfParams[3], 3000.0);
    EXPECT_EQ(p.shelf.shelfParams[4], 12.0);
}

TEST(ProcessorParameters, ColorSendsGainThenCentreThenBandwidth)
{
    VelmoAudioProcessor p;
    p.prepareToPlay(48000.0, 256);
    auto* spy = installSpy(p);

    p.setParameter(VelmoAudioProcessor::colorParam, 0.5f);

    ASSERT_EQ(spy->received.size(), 3u);
    const double expected[3][5] = {{48000, 1, 80, 80, 12}, {48000, 1, 8250, 80, 12}, {48000, 1, 8250, 3000, 12}};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(spy->received[(size_t) k][(size_t) i], expected[k][i]) << "set " << k << " value " << i;
}

TEST(ProcessorParameters, ColorFloorsHold)
{
    struct Case
    {
        float color;
        double centre, width, gain;
    };
    const Case cases[] = {{1.0f / 48.0f, 16500.0f / 48.0f, 125.0, 1.0}, // only the gain floor
        {0.001f, 80.0, 80.0, 1.0},                                      // all three floors
        {-0.5f, 80.0, 80.0, 1.0}, {notANumber, 80.0, 80.0, 1.0}, {1.0f, 16500.0, 6000.0, 24.0},
        {2.0f, 16500.0, 6000.0, 24.0}};

    for (const auto& c : cases)
    {
        VelmoAudioProcessor p;
        p.prepareToPlay(44100.0, 64);
        auto* spy = installSpy(p);
        p.setParameter(VelmoAudioProcessor::colorParam, c.color);

        ASSERT_EQ(spy->received.size(), 3u);
        const auto& last = spy->received.back();
        EXPECT_EQ(spy->received.front()[4], c.gain) << c.color;
        EXPECT_FLOAT_EQ((float) last[2], (float) c.centre) << c.color;
        EXPECT_FLOAT_EQ((float) last[3], (float) c.width) << c.color;
        EXPECT_EQ(last[4], c.gain) << c.color;
    }
}

TEST(ProcessorParameters, NamesAndTexts)
{
    VelmoAudioProcessor p;
    EXPECT_EQ(p.getParameterName(0), "Gain");
    EXPECT_EQ(p.getParameterName(1), "Punch");
    EXPECT_EQ(p.getParameterName(2), "Color");
    EXPECT_EQ(p.getParameterName(3), "");
    EXPECT_EQ(p.getParameterName(-1), "");
    EXPECT_EQ(p.getParameter(3), 0.0f);
    EXPECT_EQ(p.getParameter(-1), 0.0f);
    EXPECT_EQ(p.getParameterText(3), "0.00");

    struct Case
    {
        float value;
        const char* text;
    };
    const Case cases[] = {{0.125f, "0.13"}, {1.0f, "1.00"}, {0.375f, "0.38"}, {0.7f, "0.70"}, {0.335f, "0.34"},
        {0.005f, "0.00"}, {-0.125f, "-0.13"}, {2.0f, "2.00"}};
    for (const auto& c : cases)
    {
        p.setParameter(VelmoAudioProcessor::gainParam, c.value);
        EXPECT_EQ(p.getParameterText(VelmoAudioProcessor::gainParam), c.text) << c.value;
    }

    // The framework's two-argument forms reach the one-argument ones.
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    juce::AudioProcessor& base = p;
    EXPECT_EQ(base.getParameterName(1, 3), "Pun");
    EXPECT_EQ(base.getParameterText(0, 100), "2.00");
    EXPECT_TRUE(base.isParameterAutomatable(2));
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

TEST(ProcessorParameters, NotifyingHostReportsInRangeIndicesOnly)
{
    VelmoAudioProcessor p;
    HostRecorder host;
    p.addListener(&host);

    setNotifyingHost(p, VelmoAudioProcessor::punchParam, 0.25f);
    setNotifyingHost(p, 3, 0.5f);
    setNotifyingHost(p, -1, 0.5f);

    ASSERT_EQ(host.changes.size(), 1u);
    EXPECT_EQ(host.changes[0].index, 1);
    EXPECT_EQ(host.changes[0].value, 0.25f);
    EXPECT_EQ(p.getParameter(1), 0.25f);
    p.removeListener(&host);
}

TEST(ProcessorFramework, FixedAnswers)
{
    VelmoAudioProcessor p;
    EXPECT_EQ(p.getInputChannelName(0), "1");
    EXPECT_EQ(p.getOutputChannelName(1), "2");
    EXPECT_TRUE(p.isInputChannelStereoPair(0));
    EXPECT_TRUE(p.isOutputChannelStereoPair(7));
    EXPECT_FALSE(p.silenceInProducesSilenceOut());
    EXPECT_EQ(p.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE(p.acceptsMidi());
    EXPECT_FALSE(p.producesMidi());
    EXPECT_TRUE(p.hasEditor());
    EXPECT_EQ(p.getNumPrograms(), 0);
    EXPECT_EQ(p.getCurrentProgram(), 0);
    p.setCurrentProgram(3);
    EXPECT_EQ(p.getCurrentProgram(), 0);
    EXPECT_EQ(p.getProgramName(0), "");
    p.changeProgramName(0, "x");
    EXPECT_EQ(p.getProgramName(0), "");
}

TEST(ProcessorFramework, FactoryMakesAFreshProcessor)
{
    std::unique_ptr<juce::AudioProcessor> p(createPluginFilter());
    ASSERT_NE(dynamic_cast<VelmoAudioProcessor*>(p.get()), nullptr);
    EXPECT_EQ(p->getName(), "Velmo");
}
