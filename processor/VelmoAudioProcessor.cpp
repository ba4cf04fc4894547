#include "processor/VelmoAudioProcessor.h"

#include "processor/NumberText.h"

#include "dsp/maths/Maths.h"
#include "resources/VelmoIdentity.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;

// The voicing: what each parameter does in real units.
namespace Voicing
{
// Color, 0 to 1, moves the shelf's centre, bandwidth and boost up
// from 0 in straight lines, each kept at or above its floor.
constexpr float colorCentreHzAtOne = 16500.0f;
constexpr float colorBandwidthHzAtOne = 6000.0f;
constexpr float colorBoostDbAtOne = 24.0f;
constexpr float lowestCentreHz = 80.0f;
constexpr float lowestBoostDb = 1.0f;
constexpr float lowestBandwidthHz = 80.0f;

// The shelf's design until Color moves: flat, at the centre and
// bandwidth floors.
constexpr double flatCentreHz = 80.0;
constexpr double flatBandwidthHz = 80.0;
constexpr double flatGainDb = 0.0;

// Gain: -36 dB at 0, 0 dB at 0.5, +4 dB at 1.
constexpr float gainDbBelowMiddle = 36.0f;
constexpr float gainDbAboveMiddle = 4.0f;

// Punch drives the input by up to 64 dB.
constexpr float punchDriveDbAtOne = 64.0f;

// The compressor/limiter: threshold, ratio, attack and release.
constexpr std::int32_t limiterThresholdDb = -1;
constexpr std::int32_t limiterRatio = 15;
constexpr std::int32_t limiterAttackMs = 5;
constexpr std::int32_t limiterReleaseMs = 50;
}

// "Different" for parameter updates: a NaN on either side always counts.
bool differs(float a, float b)
{
    return !(a == b);
}

float dbToGain(float db)
{
    return Maths::power(10.0f, db * 0.05f);
}

constexpr bool parameterTableInIndexOrder()
{
    for (int i = 0; i < VelmoAudioProcessor::numParameters; ++i)
        if (VelmoAudioProcessor::parameterTable[i].index != i)
            return false;

    return true;
}

static_assert(parameterTableInIndexOrder(), "the parameter table lists the parameters in index order");
}

//==============================================================================
void ShelfFilterHolder::createFilter(double sampleRate, double centreHz, double bandwidthHz, double gainDb)
{
    shelfParams[0] = sampleRate;
    shelfParams[1] = 1.0;
    shelfParams[2] = centreHz;
    shelfParams[3] = bandwidthHz;
    shelfParams[4] = gainDb;

    std::unique_ptr<Dsp::Filter> newFilter(new ShelfFilter());
    shelfFilter = std::move(newFilter);
    shelfFilter->assignParams(shelfParams);
}

//==============================================================================
VelmoAudioProcessor::VelmoAudioProcessor()
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true))
{
    colorFreqMapper.mode = RangeMapper::modeLinear;
    colorFreqMapper.scale = Voicing::colorCentreHzAtOne;
    colorWidthMapper.mode = RangeMapper::modeLinear;
    colorWidthMapper.scale = Voicing::colorBandwidthHzAtOne;
    colorGainMapper.mode = RangeMapper::modeLinear;
    colorGainMapper.scale = Voicing::colorBoostDbAtOne;
    outputGainMapper.mode = RangeMapper::modeAsymmetric;
    outputGainMapper.upRange = Voicing::gainDbAboveMiddle;
    outputGainMapper.downRange = Voicing::gainDbBelowMiddle;
    punchDriveMapper.mode = RangeMapper::modeLinear;
    punchDriveMapper.scale = Voicing::punchDriveDbAtOne;

    // Every parameter starts at its default, with what follows from it.
    for (const auto& parameter : parameterTable)
    {
        parameterValues[parameter.index].store(parameter.defaultValue, relaxed);
        applyParameter(parameter.index, parameter.defaultValue);
    }
}

VelmoAudioProcessor::~VelmoAudioProcessor() = default;

const juce::String VelmoAudioProcessor::getName() const
{
    return VelmoIdentity::name;
}

void VelmoAudioProcessor::releaseResources() {}

//==============================================================================
const juce::String VelmoAudioProcessor::getInputChannelName(int index) const
{
    return juce::String(index + 1);
}

const juce::String VelmoAudioProcessor::getOutputChannelName(int index) const
{
    return juce::String(index + 1);
}

bool VelmoAudioProcessor::isInputChannelStereoPair(int) const
{
    return true;
}
bool VelmoAudioProcessor::isOutputChannelStereoPair(int) const
{
    return true;
}
bool VelmoAudioProcessor::silenceInProducesSilenceOut() const
{
    return false;
}
double VelmoAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}
bool VelmoAudioProcessor::acceptsMidi() const
{
    return false;
}
bool VelmoAudioProcessor::producesMidi() const
{
    return false;
}
bool VelmoAudioProcessor::hasEditor() const
{
    return true;
}

//==============================================================================
int VelmoAudioProcessor::getNumParameters()
{
    return numParameters;
}

const juce::String VelmoAudioProcessor::getParameterName(int index)
{
    if (isParameterIndex(index))
        return parameterTable[index].name;

    return {};
}

float VelmoAudioProcessor::getParameter(int index)
{
    return isParameterIndex(index) ? parameterValues[index].load(relaxed) : 0.0f;
}

const juce::String VelmoAudioProcessor::getParameterText(int index)
{
    return NumberText::twoDecimals((double) getParameter(index));
}

void VelmoAudioProcessor::setParameter(int index, float value)
{
    if (isParameterIndex(index) && differs(value, parameterValues[index].load(relaxed)))
    {
        parameterValues[index].store(value, relaxed);
        applyParameter((Parameters) index, value);
    }

    sendChangeMessage();
}

void VelmoAudioProcessor::applyParameter(Parameters index, float value)
{
    switch (index)
    {
        case gainParam:
            outputGain.store(dbToGain(outputGainMapper.mapValue(value)), relaxed);
            break;

        case punchParam:
            driveGain.store(dbToGain(punchDriveMapper.mapValue(value)), relaxed);
            stereoWidth.store(widthFor(value), relaxed);
            break;

        case colorParam:
            applyColorToShelf();
            break;

        case numParameters:
            break;
    }
}

float VelmoAudioProcessor::widthFor(float punch) const
{
    // A non-finite Punch is read as the drive mapper reads it: NaN as the
    // lower end, infinities as the nearer end. Finite values are not clamped.
    if (!std::isfinite(punch))
        punch = punch > 0.0f ? punchDriveMapper.maxInput : punchDriveMapper.minInput;

    float width = punch * widthScale * 0.5f;

    // Punch x 3 overflows from about 1.13e38 on, where 1.5 x Punch is still
    // a float up to about 2.27e38; beyond that the width is the largest
    // float of its sign. An infinite width would turn equal channels
    // (0 x width) into NaN; a finite one keeps them, and the limiter clips
    // the rest as any huge sample.
    if (!std::isfinite(width))
    {
        width = punch * (widthScale * 0.5f);

        if (!std::isfinite(width))
            width = std::copysign(std::numeric_limits<float>::max(), punch);
    }

    return width;
}

VelmoAudioProcessor::ShelfValues VelmoAudioProcessor::shelfValuesForColor(float color) const
{
    ShelfValues v;
    v.centreHz = std::max(colorFreqMapper.mapValue(color), Voicing::lowestCentreHz);
    v.gainDb = std::max(colorGainMapper.mapValue(color), Voicing::lowestBoostDb);
    v.bandwidthHz = std::max(colorWidthMapper.mapValue(color), Voicing::lowestBandwidthHz);
    return v;
}

void VelmoAudioProcessor::applyColorToShelf()
{
    // Re-designing while a block runs through the filter would corrupt it.
    const juce::ScopedLock sl(getCallbackLock());

    const auto v = shelfValuesForColor(parameterValues[colorParam].load(relaxed));
    auto* filter = shelf.shelfFilter.get();

    shelf.shelfParams[4] = v.gainDb;
    if (filter != nullptr)
        filter->assignParams(shelf.shelfParams);

    shelf.shelfParams[2] = v.centreHz;
    if (filter != nullptr)
        filter->assignParams(shelf.shelfParams);

    shelf.shelfParams[3] = v.bandwidthHz;
    if (filter != nullptr)
        filter->assignParams(shelf.shelfParams);
}

//==============================================================================
int VelmoAudioProcessor::getNumPrograms()
{
    return 0;
}
int VelmoAudioProcessor::getCurrentProgram()
{
    return 0;
}
void VelmoAudioProcessor::setCurrentProgram(int) {}
const juce::String VelmoAudioProcessor::getProgramName(int)
{
    return {};
}
void VelmoAudioProcessor::changeProgramName(int, const juce::String&) {}

//==============================================================================
void VelmoAudioProcessor::prepareToPlay(double sampleRate, int samplesPerBlock)
{
    // The wrapper may be processing on another thread: keep the follower,
    // the filter replacement and the compressor set-up out of any block.
    const juce::ScopedLock sl(getCallbackLock());

    meter.sampleRate = (float) sampleRate;
    meter.updateCoefficients();

    // A Color set (or restored) before this point sounds from the first
    // block on; Color 0 keeps the flat design.
    const float color = parameterValues[colorParam].load(relaxed);

    if (color != 0.0f)
    {
        const auto v = shelfValuesForColor(color);
        shelf.createFilter(sampleRate, v.centreHz, v.bandwidthHz, v.gainDb);
    }
    else
    {
        shelf.createFilter(sampleRate, Voicing::flatCentreHz, Voicing::flatBandwidthHz, Voicing::flatGainDb);
    }

    compressor.sampleRate = sampleRate;
    compressor.enabled = true;
    compressor.resetState();
    // The limiter of the voicing, without makeup gain, with a hard knee, each
    // channel on its own, peaks held and clipped: what the one-pass chain runs.
    compressor.applySetting(thresholdSetting, Voicing::limiterThresholdDb);
    compressor.applySetting(ratioSetting, Voicing::limiterRatio);
    compressor.applySetting(makeupSetting, 0);
    compressor.applySetting(attackSetting, Voicing::limiterAttackMs);
    compressor.applySetting(releaseSetting, Voicing::limiterReleaseMs);
    compressor.applySetting(autoMakeupSetting, 0);
    compressor.applySetting(kneeSetting, 0);
    compressor.applySetting(unlinkedSetting, 1);
    compressor.applySetting(peakClipSetting, 1);

    monoScratch.setSize(2, std::max(samplesPerBlock, 0), false, true, false);
}

void VelmoAudioProcessor::processBlock(juce::AudioSampleBuffer& buffer, juce::MidiBuffer&)
{
    const int numSamples = buffer.getNumSamples();
    const int numInputs = getTotalNumInputChannels();
    const int numOutputs = getTotalNumOutputChannels();
    const int numBufferChannels = buffer.getNumChannels();

    if (numInputs == 2 && numBufferChannels >= 2)
    {
        processStereo(buffer);
    }
    else if (numInputs == 1 && numBufferChannels >= 1)
    {
        // Grows only for a block longer than the one announced in prepareToPlay.
        monoScratch.setSize(2, numSamples, false, false, true);
        monoScratch.clear();
        monoScratch.addFrom(0, 0, buffer, 0, 0, numSamples, 1.0f);
        monoScratch.addFrom(1, 0, buffer, 0, 0, numSamples, 1.0f);
        processStereo(monoScratch);
        buffer.copyFrom(0, 0, monoScratch, 0, 0, numSamples);
    }

    for (int ch = std::max(numInputs, 0); ch < std::min(numOutputs, numBufferChannels); ++ch)
        buffer.clear(ch, 0, numSamples);
}

bool VelmoAudioProcessor::processApart(const float* const* inputs, float* const* outputs, int numSamples)
{
    if (getTotalNumInputChannels() != 2 || getTotalNumOutputChannels() != 2 || bypassed.load(relaxed))
        return false;

    // (std::less: a total order even for pointers into different buffers)
    const std::less<const float*> before;
    const auto overlaps = [&](const float* a, const float* b)
    { return before(a, b + numSamples) && before(b, a + numSamples); };
    for (int i = 0; i < 2; ++i)
        for (int o = 0; o < 2; ++o)
            if (inputs[i] == nullptr || outputs[o] == nullptr ||
                (overlaps(inputs[i], outputs[o]) && !(i == o && inputs[i] == outputs[o])))
                return false;

    return processStereoOnePass({inputs[0], inputs[1], outputs[0], outputs[1]}, numSamples);
}

bool VelmoAudioProcessor::processStereoOnePass(const StereoChain::Channels& io, int n)
{
    const float drive = driveGain.load(relaxed);
    auto* shelfFilter = dynamic_cast<ShelfFilterHolder::ShelfFilter*>(shelf.shelfFilter.get());
    const bool compress = !compressorBypassed.load(relaxed) && n != 0 && compressor.enabled;
    if (!compress || shelfFilter == nullptr || compressor.unlinked == 0 || compressor.peakClip == 0 || drive == 0.0f)
        return false;

    // The gliding start: driven into the outputs, then filtered there.
    const int gliding = shelfFilter->glidingPartLength(n);
    for (int i = 0; i < gliding; ++i)
    {
        io.left[i] = io.inLeft[i] * drive;
        io.right[i] = io.inRight[i] * drive;
    }
    float* const channels[] = {io.left, io.right};
    const int steadyFrom = shelfFilter->processGlidingPart(n, channels);
    compressor.leftChannel = io.left;
    compressor.rightChannel = io.right;
    compressor.numSamples = (double) n;
    runChain(*shelfFilter, io, drive, steadyFrom, n);
    shelfFilter->endBlock();
    return true;
}

void VelmoAudioProcessor::processStereo(juce::AudioSampleBuffer& buffer)
{
    const int n = buffer.getNumSamples();
    float* const* channels = buffer.getArrayOfWritePointers();
    float* const left = channels[0];
    float* const right = channels[1];

    if (bypassed.load(relaxed))
    {
        followBlock(left, right, 0, n);
        return;
    }

    if (buffer.getNumChannels() == 2 && processStereoOnePass({left, right, left, right}, n))
        return;

    buffer.applyGain(driveGain.load(relaxed));

    const bool compress = !compressorBypassed.load(relaxed) && n != 0 && compressor.enabled;

    if (auto* filter = shelf.shelfFilter.get())
        filter->processChannels(n, channels);

    const float width = stereoWidth.load(relaxed);

    for (int i = 0; i < n; ++i)
        midSide(left[i], right[i], width);

    if (compress)
    {
        compressor.numSamples = (double) n;
        compressor.compressBlock(left, right);
    }

    buffer.applyGain(outputGain.load(relaxed));
    followBlock(left, right, 0, n);
}

void VelmoAudioProcessor::followBlock(const float* left, const float* right, int begin, int end)
{
    float levelL = meter.levelL.load(relaxed);
    float levelR = meter.levelR.load(relaxed);
    for (int i = begin; i < end; ++i)
    {
        levelL = meter.next(levelL, left[i]);
        levelR = meter.next(levelR, right[i]);
    }
    meter.levelL.store(levelL, relaxed);
    meter.levelR.store(levelR, relaxed);
}

void VelmoAudioProcessor::runChain(
    ShelfFilterHolder::ShelfFilter& filter, const StereoChain::Channels& io, float drive, int steadyFrom, int n)
{
    static_assert(ShelfFilterHolder::ShelfFilter::History::maxSections == 1, "one section per channel");

    auto& historyL = filter.history(0);
    auto& historyR = filter.history(1);
    StereoChain::Section section{filter.steadyCascade().sections[0], historyL.sectionStates[0],
        historyR.sectionStates[0], historyL.denormalOffset, historyR.denormalOffset};
    StereoChain::Follower follower{
        meter.ceiling, meter.attackCoef, meter.releaseCoef, meter.levelL.load(relaxed), meter.levelR.load(relaxed)};
    const float width = stereoWidth.load(relaxed);
    const float gain = outputGain.load(relaxed);
    Compressor::Run run = compressor.begin();

    const StereoChain::Channels glided{io.left, io.right, io.left, io.right};
    StereoChain::run(glided, 0, steadyFrom, 1.0f, false, section, width, run, gain, follower, chainLoud);
    StereoChain::run(io, steadyFrom, n, drive, filter.steadyCascade().sectionCount == 1, section, width, run, gain,
        follower, chainLoud);

    historyL.sectionStates[0] = section.l;
    historyR.sectionStates[0] = section.r;
    historyL.denormalOffset = section.offsetL;
    historyR.denormalOffset = section.offsetR;
    compressor.end(run, true);
    meter.levelL.store(follower.levelL, relaxed);
    meter.levelR.store(follower.levelR, relaxed);
}
