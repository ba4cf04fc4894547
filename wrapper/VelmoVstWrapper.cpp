#include "wrapper/VelmoVstWrapper.h"

#include "wrapper/VstText.h"
#include "wrapper/EditorParent.h"

#include "editor/EditorLayout.h"
#include "processor/VelmoAudioProcessor.h"
#include "resources/VelmoIdentity.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

// The processor speaks the framework's index-based parameter interface.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
constexpr double defaultSampleRate = 44100.0;
constexpr int defaultBlockSize = 1024;
// The most a host's announced block size makes the processor prepare
// for; beyond it the announcement is a host's mistake (2^31 frames would
// be gigabytes), and a longer block still works.
constexpr int maxPreparedBlockSize = 1 << 20;

// The plug-in category hosts are told: an audio effect.
constexpr VstInt32 plugCategoryEffect = 1;

bool textIsOneOf(const char* text, const char* const* list, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (std::strcmp(text, list[i]) == 0)
            return true;

    return false;
}

// Copies the host's inputs into the outputs. Any channel pointer may be
// shared between the two arrays (in-place processing, even crosswise), so
// when one is, the copy goes through a small stack buffer.
void copyInputsToOutputs(
    float* const* inputs, int numInputs, float* const* outputs, int numOutputs, int numSamples) noexcept
{
    constexpr int maxChannels = 2;
    const int numCopied = std::min({numInputs, numOutputs, maxChannels});

    auto inputFor = [&](int ch) -> const float*
    { return (inputs != nullptr && ch < numCopied) ? inputs[ch] : nullptr; };

    bool crossAliased = false;

    for (int i = 0; i < numCopied; ++i)
        for (int o = 0; o < numOutputs; ++o)
            if (o != i && inputFor(i) != nullptr && inputFor(i) == outputs[o])
                crossAliased = true;

    if (!crossAliased)
    {
        for (int ch = 0; ch < numOutputs; ++ch)
        {
            const float* in = inputFor(ch);

            if (in == nullptr)
                std::fill(outputs[ch], outputs[ch] + numSamples, 0.0f);
            else if (in != outputs[ch])
                std::memcpy(outputs[ch], in, sizeof(float) * static_cast<std::size_t>(numSamples));
        }

        return;
    }

    constexpr int chunk = 256;
    float scratch[maxChannels][chunk];

    for (int start = 0; start < numSamples; start += chunk)
    {
        const int n = std::min(chunk, numSamples - start);

        for (int ch = 0; ch < numCopied; ++ch)
        {
            if (const float* in = inputFor(ch))
                std::memcpy(scratch[ch], in + start, sizeof(float) * static_cast<std::size_t>(n));
            else
                std::fill(scratch[ch], scratch[ch] + n, 0.0f);
        }

        for (int ch = 0; ch < numOutputs; ++ch)
        {
            if (ch < numCopied)
                std::memcpy(outputs[ch] + start, scratch[ch], sizeof(float) * static_cast<std::size_t>(n));
            else
                std::fill(outputs[ch] + start, outputs[ch] + start + n, 0.0f);
        }
    }
}
}

//==============================================================================
class VelmoVstWrapper::HousekeepingTimer : public juce::Timer
{
public:
    explicit HousekeepingTimer(VelmoVstWrapper& w) : owner(w) {}
    ~HousekeepingTimer() override { stopTimer(); }

    void timerCallback() override { owner.housekeeping(); }

private:
    VelmoVstWrapper& owner;
};

//==============================================================================
VelmoVstWrapper::VelmoVstWrapper(audioMasterCallback master, std::unique_ptr<juce::AudioProcessor> p)
    : AudioEffectX(master, p->getNumPrograms(), p->getNumParameters()),
      processor(std::move(p)),
      velmoProcessor(dynamic_cast<VelmoAudioProcessor*>(processor.get()))
{
    cEffect.version = VelmoIdentity::versionCode;
    setUniqueID(VelmoIdentity::uniqueId);
    setNumInputs(2);
    setNumOutputs(2);
    isSynth(false);
    setFlag(effFlagsHasEditor, true);
    canProcessReplacing(true);
    noTail(processor->getTailLengthSeconds() <= 0.0);
    setInitialDelay(processor->getLatencySamples());
    programsAreChunks(true);

    processor->setPlayConfigDetails(activeInputs, activeOutputs, getSampleRate(), getBlockSize());
    processor->addListener(this);
}

VelmoVstWrapper::~VelmoVstWrapper()
{
    destructionBegun.store(true);

    try
    {
        closeEditorAndSettle();
    }
    catch (...)
    {
    }

    processor->removeListener(this);
    releaseChunks(true);
    processor.reset();
}

//==============================================================================
VstIntPtr VelmoVstWrapper::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (destructionBegun.load())
        return 0;

    try
    {
        switch (opcode)
        {
            case effEditGetRect:
            {
                if (ptr == nullptr)
                    return 0;

                bool ok = false;
                MessageThread::callSync([&] { ok = editorGetRect(static_cast<ERect**>(ptr)); });
                return ok ? 1 : 0;
            }

            case effEditOpen:
            {
                bool ok = false;
                MessageThread::callSync([&] { ok = editorOpen(ptr); });
                return ok ? 1 : 0;
            }

            case effEditClose:
                MessageThread::callSync([this] { editorClose(); });
                return 0;

            case effEditIdle:
                // The message loop runs on its own thread; nothing to pump here.
                releaseChunks(false);
                return 0;

            default:
                return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
        }
    }
    catch (...)
    {
        return 0;
    }
}

//==============================================================================
void VelmoVstWrapper::open()
{
    setFlag(effFlagsHasEditor, processor->hasEditor());
}

void VelmoVstWrapper::close()
{
    closeEditorAndSettle();
}

void VelmoVstWrapper::closeEditorAndSettle()
{
    // Also lets every change message already posted for this processor be
    // delivered before the processor goes.
    if (editorIsOpen.load())
        MessageThread::callSync([this] { editorClose(); });
    else
        MessageThread::settle();
}

void VelmoVstWrapper::suspend()
{
    prepared.store(false);
    processor->releaseResources();
}

void VelmoVstWrapper::resume()
{
    double rate = getSampleRate();
    if (!(rate > 0.0))
        rate = defaultSampleRate;

    int samplesPerBlock = getBlockSize();
    if (samplesPerBlock <= 0)
        samplesPerBlock = defaultBlockSize;

    samplesPerBlock = std::min(samplesPerBlock, maxPreparedBlockSize);

    processor->setNonRealtime(getCurrentProcessLevel() == kVstProcessLevelOffline);

    {
        const juce::ScopedLock sl(processor->getCallbackLock());
        processor->setRateAndBufferSizeDetails(rate, samplesPerBlock);
    }

    processor->prepareToPlay(rate, samplesPerBlock);
    prepared.store(true);

    setInitialDelay(processor->getLatencySamples());
    AudioEffectX::resume();
}

void VelmoVstWrapper::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (outputs == nullptr || sampleFrames <= 0)
        return;

    try
    {
        if (!prepared.load())
            resume();

        processor->setNonRealtime(getCurrentProcessLevel() == kVstProcessLevelOffline);

        const juce::ScopedLock sl(processor->getCallbackLock());

        const int numOutputs = activeOutputs;

        for (int ch = 0; ch < numOutputs; ++ch)
            if (outputs[ch] == nullptr)
                return;

        const bool softBypass = bypassed.load(std::memory_order_relaxed);
        if (!softBypass && velmoProcessor != nullptr && inputs != nullptr && activeInputs == 2 && numOutputs == 2 &&
            velmoProcessor->processApart(inputs, outputs, sampleFrames))
            return;

        copyInputsToOutputs(inputs, activeInputs, outputs, numOutputs, sampleFrames);

        // Refers to the host's output channels: nothing is allocated.
        juce::AudioBuffer<float> buffer(outputs, numOutputs, sampleFrames);
        midiBuffer.clear();

        if (softBypass)
            processor->processBlockBypassed(buffer, midiBuffer);
        else
            processor->processBlock(buffer, midiBuffer);
    }
    catch (...)
    {
        // The outputs keep the copied input.
    }
}

//==============================================================================
void VelmoVstWrapper::setParameter(VstInt32 index, float value)
{
    if (!isParameterIndex(index))
        return;

    try
    {
        processor->setParameter(index, value);
    }
    catch (...)
    {
    }
}

float VelmoVstWrapper::getParameter(VstInt32 index)
{
    return isParameterIndex(index) ? processor->getParameter(index) : 0.0f;
}

VstInt32 VelmoVstWrapper::getProgram()
{
    return numPrograms > 0 ? processor->getCurrentProgram() : 0;
}

void VelmoVstWrapper::setProgram(VstInt32 program)
{
    if (program < 0 || program >= numPrograms)
        return;

    curProgram = program;
    processor->setCurrentProgram(program);
}

void VelmoVstWrapper::setProgramName(char* name)
{
    if (numPrograms > 0 && name != nullptr)
        processor->changeProgramName(processor->getCurrentProgram(), VstText::read(name, kVstMaxProgNameLen));
}

void VelmoVstWrapper::getProgramName(char* name)
{
    VstText::copy(name, numPrograms > 0 ? processor->getProgramName(processor->getCurrentProgram()) : juce::String(),
        kVstMaxProgNameLen);
}

void VelmoVstWrapper::getParameterDisplay(VstInt32 index, char* text)
{
    VstText::copy(
        text, isParameterIndex(index) ? processor->getParameterText(index) : juce::String(), kVstMaxParamStrLen);
}

void VelmoVstWrapper::getParameterName(VstInt32 index, char* text)
{
    VstText::copy(
        text, isParameterIndex(index) ? processor->getParameterName(index) : juce::String(), kVstMaxParamStrLen);
}

//==============================================================================
VstInt32 VelmoVstWrapper::getChunk(void** data, bool isPreset)
{
    if (data == nullptr)
        return 0;

    *data = nullptr;
    releaseChunks(false);

    juce::MemoryBlock block;

    if (isPreset)
        processor->getCurrentProgramStateInformation(block);
    else
        processor->getStateInformation(block);

    if (block.getSize() == 0 || block.getSize() > static_cast<std::size_t>(std::numeric_limits<VstInt32>::max()))
        return 0;

    const std::lock_guard<std::mutex> lock(chunkMutex);
    handedOutChunks.push_back({std::move(block), juce::Time::getMillisecondCounter()});

    auto& handedOut = handedOutChunks.back().data;
    *data = handedOut.getData();
    return static_cast<VstInt32>(handedOut.getSize());
}

VstInt32 VelmoVstWrapper::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    if (data == nullptr || byteSize <= 0)
        return 0;

    if (isPreset)
        processor->setCurrentProgramStateInformation(data, byteSize);
    else
        processor->setStateInformation(data, byteSize);

    return 0;
}

void VelmoVstWrapper::releaseChunks(bool all)
{
    std::vector<HandedOutChunk> expired;

    {
        const std::lock_guard<std::mutex> lock(chunkMutex);
        const auto now = juce::Time::getMillisecondCounter();
        auto firstKept = std::find_if(handedOutChunks.begin(), handedOutChunks.end(),
            [&](const HandedOutChunk& c) { return !all && now - c.timeMs < chunkLifetimeMs; });

        std::move(handedOutChunks.begin(), firstKept, std::back_inserter(expired));
        handedOutChunks.erase(handedOutChunks.begin(), firstKept);
    }
}

//==============================================================================
bool VelmoVstWrapper::canParameterBeAutomated(VstInt32 index)
{
    return isParameterIndex(index) && processor->isParameterAutomatable(index);
}

bool VelmoVstWrapper::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (text == nullptr || index < 0 || index >= numPrograms)
        return false;

    VstText::copy(text, processor->getProgramName(index), kVstMaxProgNameLen);
    return true;
}

// The pin-properties record is not part of this system's interface
// definitions, so nothing is written into it.
bool VelmoVstWrapper::getInputProperties(VstInt32, VstPinProperties*)
{
    return false;
}
bool VelmoVstWrapper::getOutputProperties(VstInt32, VstPinProperties*)
{
    return false;
}

bool VelmoVstWrapper::setSpeakerArrangement(VstSpeakerArrangement* pluginInput, VstSpeakerArrangement* pluginOutput)
{
    if (pluginInput == nullptr || pluginOutput == nullptr)
        return false;

    const int numIns = pluginInput->numChannels;
    const int numOuts = pluginOutput->numChannels;

    if (!((numIns == 1 && numOuts == 1) || (numIns == 2 && numOuts == 2)))
        return false;

    const juce::ScopedLock sl(processor->getCallbackLock());

    processor->setPlayConfigDetails(numIns, numOuts, processor->getSampleRate(), processor->getBlockSize());

    if (processor->getTotalNumInputChannels() != numIns || processor->getTotalNumOutputChannels() != numOuts)
    {
        processor->setPlayConfigDetails(
            activeInputs, activeOutputs, processor->getSampleRate(), processor->getBlockSize());
        return false;
    }

    activeInputs = numIns;
    activeOutputs = numOuts;
    setNumInputs(numIns);
    setNumOutputs(numOuts);
    return true;
}

bool VelmoVstWrapper::setBypass(bool onOff)
{
    bypassed.store(onOff);
    return true;
}

VstInt32 VelmoVstWrapper::getGetTailSize()
{
    const double samples = processor->getTailLengthSeconds() * getSampleRate();

    if (!(samples > 0.0)) // no tail, or a sample rate that gives no number
        return 0;

    return static_cast<VstInt32>(juce::jlimit(0.0, (double) std::numeric_limits<VstInt32>::max(), std::round(samples)));
}

bool VelmoVstWrapper::getEffectName(char* name)
{
    VstText::copy(name, VelmoIdentity::name, kVstMaxEffectNameLen);
    return true;
}

bool VelmoVstWrapper::getVendorString(char* text)
{
    VstText::copy(text, VelmoIdentity::vendor, kVstMaxVendorStrLen);
    return true;
}

bool VelmoVstWrapper::getProductString(char* text)
{
    VstText::copy(text, VelmoIdentity::name, kVstMaxProductStrLen);
    return true;
}

VstInt32 VelmoVstWrapper::getVendorVersion()
{
    return VelmoIdentity::versionCode;
}

VstInt32 VelmoVstWrapper::canDo(char* text)
{
    if (text == nullptr)
        return 0;

    static const char* const refused[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstMidiEvents", "receiveVstEvents",
        "receiveVstMidiEvent", "receiveVstMidiEvents", "openCloseAnyThread"};
    static const char* const offered[] = {"receiveVstTimeInfo", "conformsToWindowRules", "bypass"};

    if (textIsOneOf(text, refused, std::size(refused)))
        return -1;

    if (textIsOneOf(text, offered, std::size(offered)))
        return 1;

    return 0;
}

VstInt32 VelmoVstWrapper::getPlugCategory()
{
    return plugCategoryEffect;
}

//==============================================================================
void VelmoVstWrapper::audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value)
{
    if (destructionBegun.load())
        return;

    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void VelmoVstWrapper::audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails& details)
{
    if (destructionBegun.load())
        return;

    setInitialDelay(processor->getLatencySamples());

    if (details.latencyChanged)
        ioChanged();

    if (details.parameterInfoChanged || details.programChanged || details.nonParameterStateChanged)
        updateDisplay();
}

void VelmoVstWrapper::audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index)
{
    if (!destructionBegun.load())
        beginEdit(index);
}

void VelmoVstWrapper::audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index)
{
    if (!destructionBegun.load())
        endEdit(index);
}

//==============================================================================
void VelmoVstWrapper::setEditorRect(int width, int height)
{
    editorRect.top = 0;
    editorRect.left = 0;
    editorRect.bottom = static_cast<VstInt16>(juce::jlimit(0, 32767, height));
    editorRect.right = static_cast<VstInt16>(juce::jlimit(0, 32767, width));
}

bool VelmoVstWrapper::editorGetRect(ERect** rect)
{
    if (rect == nullptr || !processor->hasEditor())
        return false;

    if (editorComponent != nullptr)
        setEditorRect(editorComponent->getWidth(), editorComponent->getHeight());
    else
        setEditorRect(EditorLayout::width, EditorLayout::height);

    *rect = &editorRect;
    return true;
}

bool VelmoVstWrapper::editorOpen(void* parentWindow)
{
    editorClose();

    bool ok = false;

    try
    {
        if (processor->hasEditor() && canAttachEditorTo(parentWindow))
        {
            editorComponent.reset(processor->createEditorIfNeeded());

            if (editorComponent != nullptr)
            {
                editorComponent->addComponentListener(this);
                // The editor's images cover all of it. An opaque window is an
                // ordinary child window on Windows; JUCE would draw a
                // non-opaque one as a layered window placed relative to the
                // screen instead of the host's window.
                editorComponent->setOpaque(true);
                editorComponent->setVisible(true);
                editorComponent->addToDesktop(0, parentWindow);
                ok = editorComponent->getPeer() != nullptr;
            }
        }
    }
    catch (...)
    {
        ok = false;
    }

    if (!ok)
    {
        editorClose();
        setFlag(effFlagsHasEditor, false);
        return false;
    }

    setFlag(effFlagsHasEditor, true);
    setEditorRect(editorComponent->getWidth(), editorComponent->getHeight());

    housekeepingTimer = std::make_unique<HousekeepingTimer>(*this);
    housekeepingTimer->startTimer(housekeepingIntervalMs);
    editorIsOpen.store(true);
    return true;
}

void VelmoVstWrapper::editorClose()
{
    editorIsOpen.store(false);
    housekeepingTimer.reset();

    if (editorComponent != nullptr)
    {
        editorComponent->removeComponentListener(this);
        editorComponent->removeFromDesktop();
        editorComponent.reset();
    }
}

void VelmoVstWrapper::housekeeping()
{
    releaseChunks(false);

    if (!destructionBegun.load())
        masterIdle();
}

void VelmoVstWrapper::componentMovedOrResized(juce::Component& component, bool, bool wasResized)
{
    if (!wasResized || &component != editorComponent.get() || destructionBegun.load())
        return;

    setEditorRect(component.getWidth(), component.getHeight());

    char sizeWindowText[] = "sizeWindow";

    if (canHostDo(sizeWindowText) == 1)
        sizeWindow(component.getWidth(), component.getHeight());
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
