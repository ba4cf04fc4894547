// A small VST 2.4 host: loads a plug-in library, answers the plug-in's host
// callback the way a simple host does, records every callback, and drives the
// effect record (opcodes, process and parameter entries).
#pragma once

#include "vst/VstInterface.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmohost
{
// Speaker-arrangement types and speaker types used for mono and stereo.
constexpr VstInt32 kSpeakerArrUserDefined = -2;
constexpr VstInt32 kSpeakerArrMono = 0;
constexpr VstInt32 kSpeakerArrStereo = 1;
constexpr VstInt32 kSpeakerM = 0;
constexpr VstInt32 kSpeakerL = 1;
constexpr VstInt32 kSpeakerR = 2;

constexpr VstInt32 kPlugCategEffect = 1;

// Packs four characters into an identifier, first character highest ('Vlmo').
constexpr VstInt32 fourCC(const char (&s)[5])
{
    return static_cast<VstInt32>((static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])));
}

// "Vlmo" for 'Vlmo'; bytes outside printable ASCII become '?'.
std::string fourCCText(VstInt32 id);

// Names of the flag bits that are set, e.g. "hasEditor canReplacing".
std::string flagNames(VstInt32 flags);

// Name of a host-callback opcode ("audioMasterAutomate"), or its number.
std::string hostOpcodeName(VstInt32 opcode);

//------------------------------------------------------------------------------
// Recording the host callback

// One call of the host callback as the plug-in made it.
struct HostCall
{
    AEffect* effect = nullptr;
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    void* ptr = nullptr;
    float opt = 0.0f;
    std::thread::id thread;
    std::string text; // the text that ptr pointed at, for audioMasterCanDo; for
                      // audioMasterAutomate the display text (HostSettings::automationText)
    VstIntPtr answer = 0;
};

// Thread-safe list of host calls.
class CallRecorder
{
public:
    void add(const HostCall& call);
    std::vector<HostCall> calls() const;
    std::vector<HostCall> callsWith(VstInt32 opcode) const;
    std::size_t count(VstInt32 opcode) const;
    std::size_t size() const;
    void clear();
    // The calls recorded so far, which the recorder then forgets.
    std::vector<HostCall> take();

    // Waits until pred(calls) holds or the timeout passes; answers pred's last result.
    bool waitFor(
        const std::function<bool(const std::vector<HostCall>&)>& pred, std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<HostCall> list;
};

// Calls of the host callback that came with an effect record this host does
// not know (a record already closed, or calls from another thread during
// creation).
CallRecorder& unattributedCalls();

//------------------------------------------------------------------------------
// Host settings

struct HostSettings
{
    double sampleRate = 44100.0;
    int blockSize = 512;
    bool offline = false; // answer kVstProcessLevelOffline to the process-level query
    VstIntPtr vstVersion = kVstVersion;
    std::string vendor = "Velmo";
    std::string product = "velmo-host";
    VstInt32 vendorVersion = 1;
    // When the plug-in reports automation, read the parameter's display text
    // at once, so the call records the value and the text of the same moment.
    bool automationText = false;

    // Consulted first for every host call (on the caller's thread); an answer
    // replaces the host's own. Must be thread-safe.
    std::function<std::optional<VstIntPtr>(const HostCall&)> answer;
};

// The host's own answers to the can-do queries of a plug-in.
VstIntPtr hostCanDo(const std::string& query);

// True while this thread is inside the host callback, answering the plug-in
// (lets a test tell the host's own work from the plug-in's).
bool insideHostCallback();

//------------------------------------------------------------------------------
// Loading

using PluginEntry = AEffect* (*) (audioMasterCallback);

// A loaded plug-in library; unloaded when the last owner lets go.
class PluginLibrary
{
public:
    // Loads path and finds VSTPluginMain; null with error set on failure.
    // With keepLoaded the library stays mapped after the last owner lets go.
    static std::shared_ptr<PluginLibrary> load(const std::string& path, std::string& error, bool keepLoaded = false);
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& path() const { return libraryPath; }
    PluginEntry entry() const { return entryPoint; }

private:
    PluginLibrary() = default;

    void* handle = nullptr;
    PluginEntry entryPoint = nullptr;
    std::string libraryPath;
};

//------------------------------------------------------------------------------
// One plug-in instance

// Text that the plug-in wrote into a host buffer.
struct TextAnswer
{
    VstIntPtr result = 0;
    std::string text;
    bool overrun = false; // wrote beyond maxLen + 1 bytes
};

class Plugin
{
public:
    // Calls the library's entry with this host's callback and checks the record.
    // Null with error set when the entry answers null or a record without the magic.
    static std::unique_ptr<Plugin> create(
        std::shared_ptr<PluginLibrary> library, std::string& error, HostSettings settings = {});

    // Loads the library and creates one instance.
    static std::unique_ptr<Plugin> load(const std::string& path, std::string& error, HostSettings settings = {});

    // Switches off and closes the instance if the host has not done so.
    ~Plugin();

    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    AEffect* effect() const { return record; }
    bool isClosed() const { return record == nullptr; }
    CallRecorder& calls() { return recorder; }
    const std::shared_ptr<PluginLibrary>& library() const { return lib; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);

    // Life cycle
    void open();
    // Stores the rate the host reports and sends effSetSampleRate.
    void setSampleRate(double rate);
    // Stores the block size the host reports and sends effSetBlockSize.
    void setBlockSize(int size);
    double sampleRate() const { return rate.load(); }
    int blockSize() const { return block.load(); }
    // effMainsChanged, followed by effStartProcess (on) or preceded by effStopProcess (off).
    void setMains(bool on);
    bool mainsOn() const { return mains; }
    // effClose; the record is gone afterwards. The plug-in's answer (0 when
    // already closed).
    VstIntPtr close();

    // effSetSpeakerArrangement with plain mono or stereo (else user-defined)
    // arrangements; true when the plug-in accepts it.
    bool setSpeakerArrangement(int inputs, int outputs);
    // effSetBypass; the plug-in's answer.
    bool setBypass(bool on);

    // The record's processReplacing entry, called once.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);

    // Processes frames in blocks of at most blockSize() through processReplacing,
    // with separate input and output buffers. Channels the record has beyond
    // numIn and numOut get silent inputs and scratch outputs.
    void process(const float* const* in, int numIn, float* const* out, int numOut, long frames);

    // Parameters
    float getParameter(VstInt32 index);
    void setParameter(VstInt32 index, float value);
    TextAnswer parameterName(VstInt32 index);
    TextAnswer parameterLabel(VstInt32 index);
    TextAnswer parameterDisplay(VstInt32 index);
    bool canBeAutomated(VstInt32 index);
    // Index of the parameter with this name (ignoring case), or -1.
    int findParameter(const std::string& name);

    // Identity
    TextAnswer effectName();
    TextAnswer vendorString();
    TextAnswer productString();
    TextAnswer programName();
    VstIntPtr vendorVersion();
    VstIntPtr vstVersion();
    VstIntPtr plugCategory();
    VstIntPtr tailSize();
    VstIntPtr canDo(const std::string& query);

    // State: the chunk is copied at once.
    std::vector<std::uint8_t> getChunk(bool isPreset = false);
    VstIntPtr setChunk(const std::vector<std::uint8_t>& chunk, bool isPreset = false);

    // Editor
    // effEditGetRect; the rectangle when the plug-in answered one.
    std::optional<ERect> editorRect(VstIntPtr* answer = nullptr);
    // effEditOpen with the parent window (an X11 window id on Linux).
    bool openEditor(void* parent);
    void idleEditor();
    void closeEditor();

    // Answers a host call for this instance (the callback lands here).
    VstIntPtr answerCall(HostCall& call);

private:
    Plugin(std::shared_ptr<PluginLibrary> library, HostSettings settings);

    TextAnswer queryText(VstInt32 opcode, VstInt32 index, int maxLen);
    void ensureScratch(int frames, int channelsIn, int channelsOut);

    std::shared_ptr<PluginLibrary> lib;
    HostSettings config;
    CallRecorder recorder;
    AEffect* record = nullptr;
    std::atomic<double> rate;
    std::atomic<int> block;
    bool mains = false;
    std::string directory;

    // Buffers for process(): channel pointers and the silent and scratch channels.
    std::vector<float*> inPtrs, outPtrs;
    std::vector<float> silence, scratch;
};
} // namespace velmohost
