#include "vst/AudioEffectX.h"

#include <cstring>
#include <new>

namespace
{
// Sizes of an arrangement block: the header, then one record per channel.
constexpr std::size_t kArrangementHeader = offsetof(VstSpeakerArrangement, speakers);
constexpr VstInt32 kMaxArrangementChannels = 19173961; // 8 + 112 * n fits in 32 bits

VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, VstInt32 i)
{
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) + kArrangementHeader) + i;
}

VstIntPtr asBool(bool b)
{
    return b ? 1 : 0;
}

// Low 8 bits of a float truncated toward zero; 0 where the value has no
// 32-bit integer part (NaN, infinities, huge values).
std::uint8_t lowByteOf(float f)
{
    if (!(f > -2147483648.0f && f < 2147483648.0f))
        return 0;
    return static_cast<std::uint8_t>(static_cast<VstInt32>(f) & 0xff);
}
} // namespace

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster_, VstInt32 numPrograms_, VstInt32 numParams_)
    : AudioEffect(audioMaster_, numPrograms_, numParams_)
{
}

AudioEffectX::~AudioEffectX() = default;

//------------------------------------------------------------------------------
// Dispatcher

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    const VstInt32 value32 = static_cast<VstInt32>(value);

    switch (opcode)
    {
        case effProcessEvents:
            return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated:
            return asBool(canParameterBeAutomated(index));
        case effString2Parameter:
            return asBool(string2parameter(index, static_cast<char*>(ptr)));
        case effGetProgramNameIndexed:
            return asBool(getProgramNameIndexed(value32, index, static_cast<char*>(ptr)));
        case effGetInputProperties:
            return asBool(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case effGetOutputProperties:
            return asBool(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case effGetPlugCategory:
            return getPlugCategory();
        case effOfflineNotify:
            return asBool(offlineNotify(static_cast<VstAudioFile*>(ptr), value32, index != 0));
        case effOfflinePrepare:
            return asBool(offlinePrepare(static_cast<VstOfflineTask*>(ptr), value32));
        case effOfflineRun:
            return asBool(offlineRun(static_cast<VstOfflineTask*>(ptr), value32));
        case effProcessVarIo:
            return asBool(processVariableIo(static_cast<VstVariableIo*>(ptr)));
        case effSetSpeakerArrangement:
            return asBool(setSpeakerArrangement(
                reinterpret_cast<VstSpeakerArrangement*>(value), static_cast<VstSpeakerArrangement*>(ptr)));
        case effSetBypass:
            return asBool(setBypass(value != 0));
        case effGetEffectName:
            return asBool(getEffectName(static_cast<char*>(ptr)));
        case effGetVendorString:
            return asBool(getVendorString(static_cast<char*>(ptr)));
        case effGetProductString:
            return asBool(getProductString(static_cast<char*>(ptr)));
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            return vendorSpecific(index, value, ptr, opt);
        case effCanDo:
            return canDo(static_cast<char*>(ptr));
        case effGetTailSize:
            return getGetTailSize();
        case effGetParameterProperties:
            return asBool(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp:
        {
            if (editor == nullptr)
                return 0;
            VstKeyCode keyCode;
            keyCode.character = index;
            keyCode.virt = static_cast<std::uint8_t>(value & 0xff);
            keyCode.modifier = lowByteOf(opt);
            return asBool(opcode == effEditKeyDown ? editor->onKeyDown(keyCode) : editor->onKeyUp(keyCode));
        }
        case effSetEditKnobMode:
            if (editor == nullptr)
                return 0;
            return asBool(editor->setKnobMode(value32));
        case effGetMidiProgramName:
            return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case effHasMidiProgramsChanged:
            return asBool(hasMidiProgramsChanged(index));
        case effGetMidiKeyName:
            return asBool(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
        case effBeginSetProgram:
            return asBool(beginSetProgram());
        case effEndSetProgram:
            return asBool(endSetProgram());
        case effGetSpeakerArrangement:
            return asBool(getSpeakerArrangement(
                reinterpret_cast<VstSpeakerArrangement**>(value), static_cast<VstSpeakerArrangement**>(ptr)));
        case effShellGetNextPlugin:
            return getNextShellPlugin(static_cast<char*>(ptr));
        case effStartProcess:
            return startProcess();
        case effStopProcess:
            return stopProcess();
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(value32);
        case effSetPanLaw:
            return asBool(setPanLaw(value32, opt));
        case effBeginLoadBank:
            return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        case effBeginLoadProgram:
            return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        case effSetProcessPrecision:
            return asBool(setProcessPrecision(value32));
        case effGetNumMidiInputChannels:
            return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels:
            return getNumMidiOutputChannels();
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume()
{
    if ((cEffect.flags & effFlagsIsSynth) != 0)
    {
        wantEvents(1);
        return;
    }
    char query[] = "receiveVstMidiEvent";
    if (canDo(query) == 1)
        wantEvents(1);
}

//------------------------------------------------------------------------------
// Plug-in side defaults

bool AudioEffectX::canParameterBeAutomated(VstInt32)
{
    return true;
}

bool AudioEffectX::string2parameter(VstInt32, char*)
{
    return false;
}

bool AudioEffectX::getParameterProperties(VstInt32, VstParameterProperties*)
{
    return false;
}

bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char*)
{
    return false;
}

bool AudioEffectX::beginSetProgram()
{
    return false;
}

bool AudioEffectX::endSetProgram()
{
    return false;
}

VstInt32 AudioEffectX::beginLoadBank(VstPatchChunkInfo*)
{
    return 0;
}

VstInt32 AudioEffectX::beginLoadProgram(VstPatchChunkInfo*)
{
    return 0;
}

bool AudioEffectX::getInputProperties(VstInt32, VstPinProperties*)
{
    return false;
}

bool AudioEffectX::getOutputProperties(VstInt32, VstPinProperties*)
{
    return false;
}

bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*)
{
    return false;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput, VstSpeakerArrangement** pluginOutput)
{
    if (pluginInput != nullptr)
        *pluginInput = nullptr;
    if (pluginOutput != nullptr)
        *pluginOutput = nullptr;
    return false;
}

bool AudioEffectX::setBypass(bool)
{
    return false;
}

bool AudioEffectX::setPanLaw(VstInt32, float)
{
    return false;
}

bool AudioEffectX::setProcessPrecision(VstInt32)
{
    return false;
}

VstInt32 AudioEffectX::getNumMidiInputChannels()
{
    return 0;
}

VstInt32 AudioEffectX::getNumMidiOutputChannels()
{
    return 0;
}

VstInt32 AudioEffectX::processEvents(VstEvents*)
{
    return 0;
}

VstInt32 AudioEffectX::startProcess()
{
    return 0;
}

VstInt32 AudioEffectX::stopProcess()
{
    return 0;
}

bool AudioEffectX::processVariableIo(VstVariableIo*)
{
    return false;
}

VstInt32 AudioEffectX::setTotalSampleToProcess(VstInt32 value)
{
    return value;
}

VstInt32 AudioEffectX::getGetTailSize()
{
    return 0;
}

bool AudioEffectX::getEffectName(char*)
{
    return false;
}

bool AudioEffectX::getVendorString(char*)
{
    return false;
}

bool AudioEffectX::getProductString(char*)
{
    return false;
}

VstInt32 AudioEffectX::getVendorVersion()
{
    return 0;
}

VstIntPtr AudioEffectX::vendorSpecific(VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

VstInt32 AudioEffectX::canDo(char*)
{
    return 0;
}

VstInt32 AudioEffectX::getVstVersion()
{
    return kVstVersion;
}

VstInt32 AudioEffectX::getPlugCategory()
{
    return 0;
}

VstInt32 AudioEffectX::getMidiProgramName(VstInt32, MidiProgramName*)
{
    return 0;
}

VstInt32 AudioEffectX::getCurrentMidiProgram(VstInt32, MidiProgramName*)
{
    return -1;
}

VstInt32 AudioEffectX::getMidiProgramCategory(VstInt32, MidiProgramCategory*)
{
    return 0;
}

bool AudioEffectX::hasMidiProgramsChanged(VstInt32)
{
    return false;
}

bool AudioEffectX::getMidiKeyName(VstInt32, MidiKeyName*)
{
    return false;
}

VstInt32 AudioEffectX::getNextShellPlugin(char*)
{
    return 0;
}

bool AudioEffectX::offlineNotify(VstAudioFile*, VstInt32, bool)
{
    return false;
}

bool AudioEffectX::offlinePrepare(VstOfflineTask*, VstInt32)
{
    return false;
}

bool AudioEffectX::offlineRun(VstOfflineTask*, VstInt32)
{
    return false;
}

VstInt32 AudioEffectX::offlineGetNumPasses()
{
    return 0;
}

VstInt32 AudioEffectX::offlineGetNumMetaPasses()
{
    return 0;
}

VstInt32 AudioEffectX::getNumCategories()
{
    return 1;
}

bool AudioEffectX::copyProgram(VstInt32)
{
    return false;
}

void AudioEffectX::inputConnected(VstInt32, bool) {}

void AudioEffectX::outputConnected(VstInt32, bool) {}

VstInt32 AudioEffectX::reportCurrentPosition()
{
    return 0;
}

float* AudioEffectX::reportDestinationBuffer()
{
    return nullptr;
}

void AudioEffectX::setBlockSizeAndSampleRate(VstInt32 newBlockSize, float newSampleRate)
{
    sampleRate = newSampleRate;
    blockSize = newBlockSize;
}

bool AudioEffectX::getErrorText(char*)
{
    return false;
}

void* AudioEffectX::getIcon()
{
    return nullptr;
}

bool AudioEffectX::setViewPosition(VstInt32, VstInt32)
{
    return false;
}

VstInt32 AudioEffectX::fxIdle()
{
    return 0;
}

bool AudioEffectX::keysRequired()
{
    return false;
}

//------------------------------------------------------------------------------
// Host services

bool AudioEffectX::beginEdit(VstInt32 index)
{
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index)
{
    return callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::ioChanged()
{
    return callHost(audioMasterIOChanged) != 0;
}

double AudioEffectX::updateSampleRate()
{
    const VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0)
        sampleRate = static_cast<float>(rate);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize()
{
    const VstInt32 size = static_cast<VstInt32>(callHost(audioMasterGetBlockSize));
    if (size > 0)
        blockSize = size;
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency()
{
    return static_cast<VstInt32>(callHost(audioMasterGetInputLatency));
}

VstInt32 AudioEffectX::getOutputLatency()
{
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getCurrentProcessLevel()
{
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}

VstInt32 AudioEffectX::getAutomationState()
{
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::getHostVendorString(char* text)
{
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text)
{
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion()
{
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg)
{
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

VstInt32 AudioEffectX::canHostDo(char* text)
{
    return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::getHostLanguage()
{
    return static_cast<VstInt32>(callHost(audioMasterGetLanguage));
}

void* AudioEffectX::getDirectory()
{
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool AudioEffectX::updateDisplay()
{
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* ptr)
{
    if (ptr == nullptr)
        return false;
    return callHost(audioMasterOpenFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* ptr)
{
    if (ptr == nullptr)
        return false;
    return callHost(audioMasterCloseFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath)
{
    if (nativePath == nullptr)
        return false;
    return callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource)
{
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstInt32 option)
{
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles)
{
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass()
{
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass()
{
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::wantEvents(VstInt32 filter)
{
    callHost(audioMasterWantMidi, 0, filter);
}

VstInt32 AudioEffectX::tempoAt(VstInt32 pos)
{
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos));
}

VstInt32 AudioEffectX::getNumAutomatableParameters()
{
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}

VstInt32 AudioEffectX::getParameterQuantization()
{
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::needIdle()
{
    return callHost(audioMasterNeedIdle) != 0;
}

AEffect* AudioEffectX::getPreviousPlug(VstInt32)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(VstInt32)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

VstInt32 AudioEffectX::willProcessReplacing()
{
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}

void AudioEffectX::setOutputSamplerate(float samplerate)
{
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

void* AudioEffectX::openWindow(VstWindow* window)
{
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(VstWindow* window)
{
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

//------------------------------------------------------------------------------
// Effect flags

void AudioEffectX::isSynth(bool state)
{
    setFlag(effFlagsIsSynth, state);
}

void AudioEffectX::noTail(bool state)
{
    setFlag(effFlagsNoSoundInStop, state);
}

void AudioEffectX::wantAsyncOperation(bool state)
{
    setFlag(effFlagsExtIsAsync, state);
}

void AudioEffectX::hasExternalBuffer(bool state)
{
    setFlag(effFlagsExtHasBuffer, state);
}

//------------------------------------------------------------------------------
// Speaker arrangements

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels)
{
    if (*arrangement != nullptr)
    {
        ::operator delete(static_cast<void*>(*arrangement));
        *arrangement = nullptr;
    }

    // A count whose block size does not fit 32 bits cannot be represented.
    if (nbChannels < 0 || nbChannels > kMaxArrangementChannels)
        return false;

    const std::size_t size = kArrangementHeader + sizeof(VstSpeakerProperties) * static_cast<std::size_t>(nbChannels);
    void* block = ::operator new(size);
    std::memset(block, 0, size);
    std::memcpy(
        static_cast<char*>(block) + offsetof(VstSpeakerArrangement, numChannels), &nbChannels, sizeof(nbChannels));
    *arrangement = static_cast<VstSpeakerArrangement*>(block);
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement)
{
    if (*arrangement != nullptr)
    {
        ::operator delete(static_cast<void*>(*arrangement));
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from)
{
    if (from == nullptr || to == nullptr)
        return false;

    std::size_t n = 0;
    while (n < 63 && from->name[n] != 0)
    {
        to->name[n] = from->name[n];
        ++n;
    }
    std::memset(to->name + n, 0, sizeof(to->name) - n);

    to->type = from->type;
    std::memcpy(&to->azimuth, &from->azimuth, sizeof(float));
    std::memcpy(&to->elevation, &from->elevation, sizeof(float));
    std::memcpy(&to->radius, &from->radius, sizeof(float));
    std::memcpy(&to->reserved, &from->reserved, sizeof(float));
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from)
{
    if (from == nullptr)
        return false;

    if (!deallocateArrangement(to))
        return false;
    if (!allocateArrangement(to, from->numChannels))
        return false;

    VstSpeakerArrangement* target = *to;
    target->type = from->type;
    for (VstInt32 i = 0; i < target->numChannels; ++i)
    {
        if (!copySpeaker(speakerAt(target, i), speakerAt(from, i)))
            return false;
    }
    return true;
}
