#include "tools/VstHost.h"

#include "tools/PluginLoader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <shared_mutex>

namespace velmohost
{
namespace
{
// Effect records of live instances; the callback finds its instance here.
std::shared_mutex registryMutex;
std::map<AEffect*, Plugin*> registry;

// The instance whose entry point is running on this thread.
thread_local Plugin* creatingOnThisThread = nullptr;
// Non-zero while this thread is inside a process entry.
thread_local int processingDepth = 0;
// Non-zero while this thread is inside the host callback.
thread_local int callbackDepth = 0;

std::string textAt(const void* ptr, std::size_t maxLen)
{
    if (ptr == nullptr)
        return {};
    const char* s = static_cast<const char*>(ptr);
    return std::string(s, strnlen(s, maxLen));
}

void copyText(void* ptr, const std::string& text, std::size_t maxLen)
{
    if (ptr == nullptr)
        return;
    char* dest = static_cast<char*>(ptr);
    const std::size_t n = std::min(text.size(), maxLen);
    std::memcpy(dest, text.data(), n);
    dest[n] = 0;
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Answers of a host that knows nothing about the instance (no settings of its own).
VstIntPtr anonymousAnswer(const HostCall& call)
{
    static const HostSettings defaults;
    switch (call.opcode)
    {
        case audioMasterVersion:
            return defaults.vstVersion;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(defaults.sampleRate);
        case audioMasterGetBlockSize:
            return defaults.blockSize;
        case audioMasterGetCurrentProcessLevel:
            return processingDepth > 0 ? kVstProcessLevelRealtime : kVstProcessLevelUser;
        case audioMasterCanDo:
            return hostCanDo(call.text);
        default:
            return 0;
    }
}

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    struct Depth
    {
        Depth() { ++callbackDepth; }
        ~Depth() { --callbackDepth; }
    } depth;

    HostCall call;
    call.effect = effect;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.ptr = ptr;
    call.opt = opt;
    call.thread = std::this_thread::get_id();
    if (opcode == audioMasterCanDo)
        call.text = textAt(ptr, 256);

    std::shared_lock<std::shared_mutex> lock(registryMutex);
    Plugin* plugin = nullptr;
    if (effect != nullptr)
    {
        auto it = registry.find(effect);
        if (it != registry.end())
            plugin = it->second;
    }
    if (plugin == nullptr)
        plugin = creatingOnThisThread;
    if (plugin != nullptr)
        return plugin->answerCall(call);

    call.answer = anonymousAnswer(call);
    unattributedCalls().add(call);
    return call.answer;
}

struct ProcessingScope
{
    ProcessingScope() { ++processingDepth; }
    ~ProcessingScope() { --processingDepth; }
};
} // namespace

//------------------------------------------------------------------------------

std::string fourCCText(VstInt32 id)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const int c = (static_cast<std::uint32_t>(id) >> shift) & 0xff;
        s += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    return s;
}

std::string flagNames(VstInt32 flags)
{
    static const std::pair<VstInt32, const char*> names[] = {
        {effFlagsHasEditor, "hasEditor"},
        {effFlagsHasClip, "hasClip"},
        {effFlagsHasVu, "hasVu"},
        {effFlagsCanMono, "canMono"},
        {effFlagsCanReplacing, "canReplacing"},
        {effFlagsProgramChunks, "programChunks"},
        {effFlagsIsSynth, "isSynth"},
        {effFlagsNoSoundInStop, "noSoundInStop"},
        {effFlagsExtIsAsync, "extIsAsync"},
        {effFlagsExtHasBuffer, "extHasBuffer"},
        {effFlagsCanDoubleReplacing, "canDoubleReplacing"},
    };
    std::string s;
    VstInt32 known = 0;
    for (const auto& [bit, name] : names)
    {
        known |= bit;
        if ((flags & bit) != 0)
            s += (s.empty() ? "" : " ") + std::string(name);
    }
    if ((flags & ~known) != 0)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(flags & ~known));
        s += (s.empty() ? "unknown " : " unknown ") + std::string(buf);
    }
    return s;
}

std::string hostOpcodeName(VstInt32 opcode)
{
    static const std::map<VstInt32, const char*> names = {
        {audioMasterAutomate, "audioMasterAutomate"},
        {audioMasterVersion, "audioMasterVersion"},
        {audioMasterCurrentId, "audioMasterCurrentId"},
        {audioMasterIdle, "audioMasterIdle"},
        {audioMasterPinConnected, "audioMasterPinConnected"},
        {audioMasterWantMidi, "audioMasterWantMidi"},
        {audioMasterGetTime, "audioMasterGetTime"},
        {audioMasterTempoAt, "audioMasterTempoAt"},
        {audioMasterGetNumAutomatableParameters, "audioMasterGetNumAutomatableParameters"},
        {audioMasterGetParameterQuantization, "audioMasterGetParameterQuantization"},
        {audioMasterIOChanged, "audioMasterIOChanged"},
        {audioMasterNeedIdle, "audioMasterNeedIdle"},
        {audioMasterSizeWindow, "audioMasterSizeWindow"},
        {audioMasterGetSampleRate, "audioMasterGetSampleRate"},
        {audioMasterGetBlockSize, "audioMasterGetBlockSize"},
        {audioMasterGetInputLatency, "audioMasterGetInputLatency"},
        {audioMasterGetOutputLatency, "audioMasterGetOutputLatency"},
        {audioMasterGetPreviousPlug, "audioMasterGetPreviousPlug"},
        {audioMasterGetNextPlug, "audioMasterGetNextPlug"},
        {audioMasterWillReplaceOrAccumulate, "audioMasterWillReplaceOrAccumulate"},
        {audioMasterGetCurrentProcessLevel, "audioMasterGetCurrentProcessLevel"},
        {audioMasterGetAutomationState, "audioMasterGetAutomationState"},
        {audioMasterOfflineStart, "audioMasterOfflineStart"},
        {audioMasterOfflineRead, "audioMasterOfflineRead"},
        {audioMasterOfflineWrite, "audioMasterOfflineWrite"},
        {audioMasterOfflineGetCurrentPass, "audioMasterOfflineGetCurrentPass"},
        {audioMasterOfflineGetCurrentMetaPass, "audioMasterOfflineGetCurrentMetaPass"},
        {audioMasterSetOutputSampleRate, "audioMasterSetOutputSampleRate"},
        {audioMasterGetOutputSpeakerArrangement, "audioMasterGetOutputSpeakerArrangement"},
        {audioMasterGetVendorString, "audioMasterGetVendorString"},
        {audioMasterGetProductString, "audioMasterGetProductString"},
        {audioMasterGetVendorVersion, "audioMasterGetVendorVersion"},
        {audioMasterVendorSpecific, "audioMasterVendorSpecific"},
        {audioMasterCanDo, "audioMasterCanDo"},
        {audioMasterGetLanguage, "audioMasterGetLanguage"},
        {audioMasterOpenWindow, "audioMasterOpenWindow"},
        {audioMasterCloseWindow, "audioMasterCloseWindow"},
        {audioMasterGetDirectory, "audioMasterGetDirectory"},
        {audioMasterUpdateDisplay, "audioMasterUpdateDisplay"},
        {audioMasterBeginEdit, "audioMasterBeginEdit"},
        {audioMasterEndEdit, "audioMasterEndEdit"},
        {audioMasterOpenFileSelector, "audioMasterOpenFileSelector"},
        {audioMasterCloseFileSelector, "audioMasterCloseFileSelector"},
        {audioMasterGetChunkFile, "audioMasterGetChunkFile"},
        {audioMasterGetInputSpeakerArrangement, "audioMasterGetInputSpeakerArrangement"},
    };
    auto it = names.find(opcode);
    return it != names.end() ? it->second : "host opcode " + std::to_string(opcode);
}

bool insideHostCallback()
{
    return callbackDepth > 0;
}

VstIntPtr hostCanDo(const std::string& query)
{
    static const char* const yes[] = {"sizeWindow", "startStopProcess"};
    static const char* const no[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents",
        "receiveVstMidiEvent", "reportConnectionChanges", "acceptIOChanges", "offline", "openFileSelector",
        "closeFileSelector", "shellCategory", "supportShell", "editFile", "supplyIdle"};
    for (const char* s : yes)
        if (query == s)
            return 1;
    for (const char* s : no)
        if (query == s)
            return -1;
    return 0;
}

//------------------------------------------------------------------------------

void CallRecorder::add(const HostCall& call)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        list.push_back(call);
    }
    changed.notify_all();
}

std::vector<HostCall> CallRecorder::calls() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return list;
}

std::vector<HostCall> CallRecorder::callsWith(VstInt32 opcode) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<HostCall> out;
    for (const HostCall& c : list)
        if (c.opcode == opcode)
            out.push_back(c);
    return out;
}

std::size_t CallRecorder::count(VstInt32 opcode) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<std::size_t>(
        std::count_if(list.begin(), list.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

std::size_t CallRecorder::size() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return list.size();
}

void CallRecorder::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    list.clear();
}

std::vector<HostCall> CallRecorder::take()
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<HostCall> taken;
    taken.swap(list);
    return taken;
}

bool CallRecorder::waitFor(
    const std::function<bool(const std::vector<HostCall>&)>& pred, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return pred(list); });
}

CallRecorder& unattributedCalls()
{
    static CallRecorder recorder;
    return recorder;
}

//------------------------------------------------------------------------------

std::shared_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string& error, bool keepLoaded)
{
    const std::string file = loader::resolvePath(path);
    std::string why;
    void* handle = loader::open(file, keepLoaded, why);
    if (handle == nullptr)
    {
        error = "cannot load " + path + ": " + why;
        return nullptr;
    }

    void* symbol = loader::symbol(handle, "VSTPluginMain");
    if (symbol == nullptr)
        symbol = loader::symbol(handle, "main"); // the entry's older name, the only one some plug-ins export
    if (symbol == nullptr)
    {
        error = path + " exports neither VSTPluginMain nor main";
        loader::close(handle);
        return nullptr;
    }

    std::shared_ptr<PluginLibrary> lib(new PluginLibrary());
    lib->handle = handle;
    lib->entryPoint = reinterpret_cast<PluginEntry>(symbol);
    lib->libraryPath = file;
    return lib;
}

PluginLibrary::~PluginLibrary()
{
    if (handle != nullptr)
        loader::close(handle);
}

//------------------------------------------------------------------------------

Plugin::Plugin(std::shared_ptr<PluginLibrary> library, HostSettings settings)
    : lib(std::move(library)), config(std::move(settings)), rate(config.sampleRate), block(config.blockSize)
{
    const std::string& p = lib->path();
    const auto slash = p.find_last_of("/\\");
    directory = slash == std::string::npos ? "." : p.substr(0, slash);
}

std::unique_ptr<Plugin> Plugin::create(
    std::shared_ptr<PluginLibrary> library, std::string& error, HostSettings settings)
{
    if (!library)
    {
        error = "no plug-in library";
        return nullptr;
    }
    std::unique_ptr<Plugin> plugin(new Plugin(library, std::move(settings)));

    AEffect* effect = nullptr;
    creatingOnThisThread = plugin.get();
    try
    {
        effect = library->entry()(&hostCallback);
    }
    catch (...)
    {
        creatingOnThisThread = nullptr;
        error = library->path() + ": VSTPluginMain threw an exception";
        return nullptr;
    }
    creatingOnThisThread = nullptr;

    if (effect == nullptr)
    {
        error = library->path() + ": VSTPluginMain answered no effect";
        return nullptr;
    }
    if (effect->magic != kEffectMagic)
    {
        // Not a record we can drive, not even to close it.
        error = library->path() + ": the effect record has no VST magic";
        return nullptr;
    }

    {
        std::unique_lock<std::shared_mutex> lock(registryMutex);
        registry[effect] = plugin.get();
    }
    plugin->record = effect;
    return plugin;
}

std::unique_ptr<Plugin> Plugin::load(const std::string& path, std::string& error, HostSettings settings)
{
    auto lib = PluginLibrary::load(path, error);
    if (!lib)
        return nullptr;
    return create(std::move(lib), error, std::move(settings));
}

Plugin::~Plugin()
{
    if (record == nullptr)
        return;
    if (mains)
        setMains(false);
    close();
}

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (record == nullptr)
        return 0;
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void Plugin::open()
{
    dispatch(effOpen);
}

void Plugin::setSampleRate(double newRate)
{
    rate.store(newRate);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(newRate));
}

void Plugin::setBlockSize(int size)
{
    block.store(size);
    dispatch(effSetBlockSize, 0, size);
}

void Plugin::setMains(bool on)
{
    if (on)
    {
        dispatch(effMainsChanged, 0, 1);
        dispatch(effStartProcess);
    }
    else
    {
        dispatch(effStopProcess);
        dispatch(effMainsChanged, 0, 0);
    }
    mains = on;
}

VstIntPtr Plugin::close()
{
    if (record == nullptr)
        return 0;
    const VstIntPtr answer = dispatch(effClose);
    {
        std::unique_lock<std::shared_mutex> lock(registryMutex);
        registry.erase(record);
    }
    record = nullptr;
    mains = false;
    return answer;
}

bool Plugin::setSpeakerArrangement(int inputs, int outputs)
{
    // One block of 8 + 112 * n bytes per arrangement, 8-byte aligned.
    auto makeArrangement = [](int channels, std::vector<std::uint64_t>& storage)
    {
        const std::size_t bytes = 8 + sizeof(VstSpeakerProperties) * static_cast<std::size_t>(channels);
        storage.assign(std::max(bytes, sizeof(VstSpeakerArrangement)) / 8 + 1, 0);
        auto* a = reinterpret_cast<VstSpeakerArrangement*>(storage.data());
        a->type = channels == 1 ? kSpeakerArrMono : channels == 2 ? kSpeakerArrStereo : kSpeakerArrUserDefined;
        a->numChannels = channels;
        for (int c = 0; c < channels; ++c)
        {
            VstSpeakerProperties& s = a->speakers[c];
            s.type = channels == 1 ? kSpeakerM : channels == 2 ? (c == 0 ? kSpeakerL : kSpeakerR) : 0;
            const char* name = channels == 1 ? "M" : channels == 2 ? (c == 0 ? "L" : "R") : "";
            std::strncpy(s.name, name, sizeof s.name - 1);
        }
        return a;
    };
    std::vector<std::uint64_t> inStorage, outStorage;
    VstSpeakerArrangement* in = makeArrangement(inputs, inStorage);
    VstSpeakerArrangement* out = makeArrangement(outputs, outStorage);
    return dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(in), out) != 0;
}

bool Plugin::setBypass(bool on)
{
    return dispatch(effSetBypass, 0, on ? 1 : 0) != 0;
}

void Plugin::processReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    if (record == nullptr)
        return;
    ProcessingScope scope;
    record->processReplacing(record, inputs, outputs, frames);
}

void Plugin::ensureScratch(int frames, int channelsIn, int channelsOut)
{
    frames = std::max(frames, 1);
    if (inPtrs.size() < static_cast<std::size_t>(channelsIn))
        inPtrs.resize(static_cast<std::size_t>(channelsIn));
    if (outPtrs.size() < static_cast<std::size_t>(channelsOut))
        outPtrs.resize(static_cast<std::size_t>(channelsOut));
    if (silence.size() < static_cast<std::size_t>(frames))
        silence.resize(static_cast<std::size_t>(frames));
    const std::size_t scratchSize = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelsOut);
    if (scratch.size() < scratchSize)
        scratch.resize(scratchSize);
}

void Plugin::process(const float* const* in, int numIn, float* const* out, int numOut, long frames)
{
    if (record == nullptr || frames <= 0)
        return;
    const int blockFrames = std::max(1, block.load());
    const int channelsIn = std::max(numIn, record->numInputs);
    const int channelsOut = std::max(numOut, record->numOutputs);
    ensureScratch(blockFrames, channelsIn, channelsOut);

    for (long done = 0; done < frames;)
    {
        const int n = static_cast<int>(std::min<long>(blockFrames, frames - done));
        std::fill(silence.begin(), silence.begin() + n, 0.0f);
        for (int c = 0; c < channelsIn; ++c)
            inPtrs[static_cast<std::size_t>(c)] = c < numIn ? const_cast<float*>(in[c]) + done : silence.data();
        for (int c = 0; c < channelsOut; ++c)
            outPtrs[static_cast<std::size_t>(c)] =
                c < numOut ? out[c] + done
                           : scratch.data() + static_cast<std::size_t>(c) * static_cast<std::size_t>(blockFrames);
        processReplacing(inPtrs.data(), outPtrs.data(), n);
        done += n;
    }
}

float Plugin::getParameter(VstInt32 index)
{
    return record != nullptr ? record->getParameter(record, index) : 0.0f;
}

void Plugin::setParameter(VstInt32 index, float value)
{
    if (record != nullptr)
        record->setParameter(record, index, value);
}

TextAnswer Plugin::queryText(VstInt32 opcode, VstInt32 index, int maxLen)
{
    // maxLen + 1 zero bytes for the plug-in, then a guard that shows overruns.
    constexpr char guard = 0x5a;
    constexpr std::size_t guardBytes = 256;
    std::vector<char> buffer(static_cast<std::size_t>(maxLen) + 1 + guardBytes, guard);
    std::fill(buffer.begin(), buffer.begin() + maxLen + 1, 0);
    buffer.back() = 0;

    TextAnswer answer;
    answer.result = dispatch(opcode, index, 0, buffer.data());
    answer.text = std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
    for (std::size_t i = static_cast<std::size_t>(maxLen) + 1; i + 1 < buffer.size(); ++i)
        if (buffer[i] != guard)
            answer.overrun = true;
    return answer;
}

TextAnswer Plugin::parameterName(VstInt32 index)
{
    return queryText(effGetParamName, index, kVstMaxParamStrLen);
}
TextAnswer Plugin::parameterLabel(VstInt32 index)
{
    return queryText(effGetParamLabel, index, kVstMaxParamStrLen);
}
TextAnswer Plugin::parameterDisplay(VstInt32 index)
{
    return queryText(effGetParamDisplay, index, kVstMaxParamStrLen);
}
TextAnswer Plugin::effectName()
{
    return queryText(effGetEffectName, 0, kVstMaxEffectNameLen);
}
TextAnswer Plugin::vendorString()
{
    return queryText(effGetVendorString, 0, kVstMaxVendorStrLen);
}
TextAnswer Plugin::productString()
{
    return queryText(effGetProductString, 0, kVstMaxProductStrLen);
}
TextAnswer Plugin::programName()
{
    return queryText(effGetProgramName, 0, kVstMaxProgNameLen);
}

bool Plugin::canBeAutomated(VstInt32 index)
{
    return dispatch(effCanBeAutomated, index) != 0;
}

int Plugin::findParameter(const std::string& name)
{
    if (record == nullptr)
        return -1;
    const std::string wanted = lower(name);
    for (VstInt32 i = 0; i < record->numParams; ++i)
        if (lower(parameterName(i).text) == wanted)
            return i;
    return -1;
}

VstIntPtr Plugin::vendorVersion()
{
    return dispatch(effGetVendorVersion);
}
VstIntPtr Plugin::vstVersion()
{
    return dispatch(effGetVstVersion);
}
VstIntPtr Plugin::plugCategory()
{
    return dispatch(effGetPlugCategory);
}
VstIntPtr Plugin::tailSize()
{
    return dispatch(effGetTailSize);
}

VstIntPtr Plugin::canDo(const std::string& query)
{
    std::vector<char> text(query.begin(), query.end());
    text.push_back(0);
    return dispatch(effCanDo, 0, 0, text.data());
}

std::vector<std::uint8_t> Plugin::getChunk(bool isPreset)
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

VstIntPtr Plugin::setChunk(const std::vector<std::uint8_t>& chunk, bool isPreset)
{
    std::vector<std::uint8_t> copy(chunk);
    std::uint8_t none = 0;
    void* data = copy.empty() ? &none : copy.data();
    return dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(copy.size()), data);
}

std::optional<ERect> Plugin::editorRect(VstIntPtr* answer)
{
    ERect* rect = nullptr;
    const VstIntPtr result = dispatch(effEditGetRect, 0, 0, &rect);
    if (answer != nullptr)
        *answer = result;
    if (rect == nullptr)
        return std::nullopt;
    return *rect;
}

bool Plugin::openEditor(void* parent)
{
    return dispatch(effEditOpen, 0, 0, parent) != 0;
}

void Plugin::idleEditor()
{
    dispatch(effEditIdle);
}

void Plugin::closeEditor()
{
    dispatch(effEditClose);
}

VstIntPtr Plugin::answerCall(HostCall& call)
{
    std::optional<VstIntPtr> custom;
    if (config.answer)
        custom = config.answer(call);

    if (custom)
    {
        call.answer = *custom;
    }
    else
    {
        switch (call.opcode)
        {
            case audioMasterVersion:
                call.answer = config.vstVersion;
                break;
            case audioMasterGetSampleRate:
                call.answer = static_cast<VstIntPtr>(std::llround(rate.load()));
                break;
            case audioMasterGetBlockSize:
                call.answer = block.load();
                break;
            case audioMasterGetCurrentProcessLevel:
                call.answer = config.offline        ? kVstProcessLevelOffline
                              : processingDepth > 0 ? kVstProcessLevelRealtime
                                                    : kVstProcessLevelUser;
                break;
            case audioMasterGetVendorString:
                copyText(call.ptr, config.vendor, kVstMaxVendorStrLen);
                call.answer = call.ptr != nullptr ? 1 : 0;
                break;
            case audioMasterGetProductString:
                copyText(call.ptr, config.product, kVstMaxProductStrLen);
                call.answer = call.ptr != nullptr ? 1 : 0;
                break;
            case audioMasterGetVendorVersion:
                call.answer = config.vendorVersion;
                break;
            case audioMasterCanDo:
                call.answer = hostCanDo(call.text);
                break;
            case audioMasterGetLanguage:
                call.answer = 1; // English
                break;
            case audioMasterWillReplaceOrAccumulate:
                call.answer = 1; // replacing
                break;
            case audioMasterGetDirectory:
                call.answer = reinterpret_cast<VstIntPtr>(directory.c_str());
                break;
            case audioMasterUpdateDisplay:
            case audioMasterBeginEdit:
            case audioMasterEndEdit:
                call.answer = 1;
                break;
            case audioMasterAutomate:
                if (config.automationText)
                    call.text = parameterDisplay(call.index).text;
                call.answer = 0;
                break;
            default:
                // Automation is recorded; time info, window sizing, file selectors,
                // offline work and the rest are not offered.
                call.answer = 0;
                break;
        }
    }
    recorder.add(call);
    return call.answer;
}
} // namespace velmohost
