#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "vst/AudioEffectX.h"
#include "wrapper/MessageThread.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class VelmoAudioProcessor;

// The VST 2.4 wrapper around one audio processor: the host drives it through
// the effect record of AudioEffect; it drives the processor through the
// juce::AudioProcessor interface and reports the processor's changes back.
//
// Threads: processReplacing runs on the host's audio thread under the
// processor's callback lock; parameter calls run on any host thread without a
// lock; the editor opcodes, the editor itself and the housekeeping timer run
// on the shared message thread (MessageThread), to which the editor opcodes
// are handed synchronously. Nothing waits for the message thread
// while holding the callback lock.
class VelmoVstWrapper : public AudioEffectX, private juce::AudioProcessorListener, private juce::ComponentListener
{
public:
    // Takes ownership of the processor (not null).
    VelmoVstWrapper(audioMasterCallback audioMaster, std::unique_ptr<juce::AudioProcessor> processor);
    ~VelmoVstWrapper() override;

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    void open() override;
    void close() override;
    void suspend() override;
    void resume() override;

    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;

    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;

    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    bool canParameterBeAutomated(VstInt32 index) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput, VstSpeakerArrangement* pluginOutput) override;
    bool setBypass(bool onOff) override;
    VstInt32 getGetTailSize() override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;
    VstInt32 getPlugCategory() override;

    // How long a chunk handed to the host stays alive at least.
    static constexpr juce::uint32 chunkLifetimeMs = 2000;
    static constexpr int housekeepingIntervalMs = 250;

private:
    class HousekeepingTimer;

    // juce::AudioProcessorListener: called on the thread that made the change.
    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override;
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails& details) override;
    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override;

    // juce::ComponentListener, for the editor (message thread).
    void componentMovedOrResized(juce::Component&, bool wasMoved, bool wasResized) override;

    // Editor opcodes; each of these runs on the message thread.
    bool editorGetRect(ERect** rect);
    bool editorOpen(void* parentWindow);
    void editorClose();
    // Closes the editor (on the message thread) when one is open, and lets
    // the messages already posted be handled; any thread.
    void closeEditorAndSettle();
    void housekeeping();
    void setEditorRect(int width, int height);

    // Frees the chunks handed out more than chunkLifetimeMs ago (all of them
    // when all is set).
    void releaseChunks(bool all);

    bool isParameterIndex(VstInt32 index) const noexcept { return index >= 0 && index < numParams; }

    // First member, so it goes last: the message thread outlives everything here.
    MessageThread::Reference messageThreadReference;

    std::unique_ptr<juce::AudioProcessor> processor;
    // The same processor where it is Velmo's own, which reads the host's
    // inputs itself; else null.
    VelmoAudioProcessor* const velmoProcessor;

    // Message thread only.
    std::unique_ptr<juce::AudioProcessorEditor> editorComponent;
    std::unique_ptr<HousekeepingTimer> housekeepingTimer;
    ERect editorRect{};

    // Channel layout in use; written and read under the callback lock.
    int activeInputs = 2;
    int activeOutputs = 2;
    juce::MidiBuffer midiBuffer;

    std::atomic<bool> prepared{false};
    std::atomic<bool> bypassed{false};
    std::atomic<bool> destructionBegun{false};
    std::atomic<bool> editorIsOpen{false};

    // Chunks handed to the host, oldest first. Moving a MemoryBlock keeps its
    // data where it is, so the host's pointers stay valid.
    struct HandedOutChunk
    {
        juce::MemoryBlock data;
        juce::uint32 timeMs;
    };

    std::mutex chunkMutex;
    std::vector<HandedOutChunk> handedOutChunks;

    JUCE_DECLARE_NON_COPYABLE(VelmoVstWrapper)
};
