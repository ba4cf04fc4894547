#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "dsp/Butterworth.h"
#include "dsp/Compressor.h"
#include "dsp/DirectFormI.h"
#include "dsp/Filter.h"
#include "dsp/MeterEnvelope.h"
#include "dsp/RangeMapper.h"
#include "dsp/SmoothedFilterDesign.h"
#include "dsp/StereoChain.h"

#include <atomic>
#include <memory>

// The band-shelf equaliser and the parameter values last given to it.
struct ShelfFilterHolder
{
    using ShelfFilter = Dsp::SmoothedFilterDesign<Dsp::Butterworth::Design::BandShelf<1>, 2, Dsp::DirectFormI>;

    // Writes shelfParams, builds a new filter, replaces (and deletes) the old
    // one and gives the new one its first parameters, which apply at once.
    void createFilter(double sampleRate, double centreHz, double bandwidthHz, double gainDb);

    Dsp::ParamValues shelfParams{};
    std::unique_ptr<Dsp::Filter> shelfFilter;
};

// The plug-in's audio processor: three parameters (Gain, Punch, Color), two
// editor switches, and the chain drive -> band shelf -> mid/side ->
// compressor -> output gain -> level follower.
//
// Threads: processBlock runs under getCallbackLock(), which the wrapper holds
// around every block. Anything that re-designs or replaces the filter, or
// prepares the compressor and follower, takes the same lock, so it never
// overlaps a running block; so do the wrapper's changes of rate, block size
// and channel layout. Nothing else takes it: those steps rebuild state a
// block reads sample by sample, while a parameter change is one relaxed
// atomic store the next block picks up, so host and editor threads setting
// values never wait for the audio thread.
class VelmoAudioProcessor : public juce::AudioProcessor, public juce::ChangeBroadcaster
{
public:
    // The parameters' indices, as hosts number them.
    enum Parameters
    {
        gainParam = 0,
        punchParam = 1,
        colorParam = 2,
        numParameters
    };

    struct ParameterInfo
    {
        Parameters index;
        const char* name;
        float defaultValue;
    };

    // The one table of the parameters, in index order: the processor's names,
    // defaults and values, the state chunk's attributes and the editor's
    // double-click values all come from it.
    static constexpr ParameterInfo parameterTable[numParameters] = {
        {gainParam, "Gain", 0.5f},
        {punchParam, "Punch", 0.0f},
        {colorParam, "Color", 0.0f},
    };

    VelmoAudioProcessor();
    ~VelmoAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay(double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;

    // Denormals: no flush-to-zero (no juce::ScopedNoDenormals, no FTZ/DAZ
    // bits set), so every build and platform gives the same bytes with full
    // IEEE arithmetic. Where subnormals would linger, in the shelf's
    // recursion during silence, the first section's alternating +-1e-8
    // offset keeps them out instead.
    using juce::AudioProcessor::processBlock;
    void processBlock(juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;

    // processBlock for two inputs and two outputs in separate buffers, so
    // the host's input needs no copy first: the same result as copying the
    // inputs to the outputs and processing those. An input may be its own
    // output; otherwise the buffers must not overlap. Answers false, having
    // touched nothing, when this block needs the in-place path (other
    // channel counts, the power switch off, a configuration the one-pass
    // chain does not cover).
    bool processApart(const float* const* inputs, float* const* outputs, int numSamples);

    const juce::String getInputChannelName(int index) const override;
    const juce::String getOutputChannelName(int index) const override;
    bool isInputChannelStereoPair(int index) const override;
    bool isOutputChannelStereoPair(int index) const override;
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumParameters() override;
    const juce::String getParameterName(int index) override;
    float getParameter(int index) override;
    const juce::String getParameterText(int index) override;
    void setParameter(int index, float value) override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    // Re-designs the shelf from the Color value: gain, centre and bandwidth, in
    // that order, each sent to the filter (when there is one).
    void applyColorToShelf();

    // The chain on channels 0 and 1 of a buffer with at least two channels.
    void processStereo(juce::AudioSampleBuffer& buffer);

    // The chain in one pass from the inputs to the outputs (which may be the
    // inputs), for the processor's own configuration; false, having touched
    // nothing, for any other.
    bool processStereoOnePass(const StereoChain::Channels& io, int n);

    // Keeps the mid signal and scales the side signal by width: the sum and
    // the difference in single precision, the halving in double.
    static void midSide(float& left, float& right, float width)
    {
        const float mid = (float) ((double) (left + right) * 0.5);
        const float side = (right - left) * width;
        left = mid - side;
        right = mid + side;
    }

    // Members, in this order. The editor reads meter.levelL and flips the
    // two switches; the rest is public for inspection.
    MeterEnvelope meter;
    ShelfFilterHolder shelf;
    RangeMapper colorFreqMapper;
    RangeMapper colorWidthMapper;
    RangeMapper colorGainMapper;
    RangeMapper outputGainMapper;
    RangeMapper punchDriveMapper;
    Compressor compressor;
    std::atomic<float> stereoWidth{};
    float widthScale = 3.0f; // the channels' difference is scaled by Punch x widthScale
    std::atomic<float> outputGain{};
    std::atomic<float> driveGain{};
    std::atomic<bool> bypassed{false};
    std::atomic<bool> compressorBypassed{false};

private:
    struct ShelfValues
    {
        float centreHz, bandwidthHz, gainDb;
    };

    // The values the host sets, by index.
    std::atomic<float> parameterValues[numParameters];

    static bool isParameterIndex(int index) { return index >= 0 && index < numParameters; }

    // What follows from a parameter's new value: the output gain from Gain,
    // the drive and the stereo width from Punch, the shelf's design from Color.
    void applyParameter(Parameters index, float value);

    // The stereo width for a Punch value; never non-finite.
    float widthFor(float punch) const;

    // What applyColorToShelf gives the filter for a Color value, floors included.
    ShelfValues shelfValuesForColor(float color) const;

    // Feeds samples [begin, end) to the level follower, its levels in locals.
    void followBlock(const float* left, const float* right, int begin, int end);

    // Everything for the processor's own configuration, in one pass: the
    // outputs before steadyFrom hold the driven and filtered gliding start;
    // from there the inputs go through the drive and the shelf's steady
    // part. Then mid/side, the unlinked peak-clipping compressor, the output
    // gain and the follower.
    void runChain(
        ShelfFilterHolder::ShelfFilter& filter, const StereoChain::Channels& io, float drive, int steadyFrom, int n);

    // Whether the last block needed the compressor's gain curve (a hint for
    // the one-pass chain; it changes no result).
    bool chainLoud = false;

    // Two channels for the mono path, sized in prepareToPlay.
    juce::AudioSampleBuffer monoScratch;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VelmoAudioProcessor)
};
