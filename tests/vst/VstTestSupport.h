// Test doubles for the VST base: a recording host callback, a probe plug-in
// that records every virtual call the dispatchers make, and a fake editor.
#pragma once

#include "vst/AudioEffectX.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vsttest
{
constexpr bool k64 = sizeof(VstIntPtr) == 8;

// A value with only bit 32 set on x86-64 (0 on 32-bit builds, where such rows are skipped).
constexpr VstIntPtr kBit32 = static_cast<VstIntPtr>(k64 ? (std::uint64_t{1} << 32) : 0);

//------------------------------------------------------------------------------
// Host

struct HostCall
{
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

// The host callback of the test: records every call and answers per opcode.
// One instance is active at a time (the callback carries no user data).
class FakeHost
{
public:
    FakeHost();
    ~FakeHost();

    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::vector<HostCall> calls;
    std::map<VstInt32, VstIntPtr> answers;
    std::function<void(const HostCall&)> onCall;
};

//------------------------------------------------------------------------------
// Plug-in side

// One virtual call as seen by the probe. Integer and bool arguments go to
// x and y, pointers to p and q, a float to f and a text argument to text.
struct Call
{
    Call(std::string op_ = {}, VstIntPtr x_ = 0, VstIntPtr y_ = 0, const void* p_ = nullptr, const void* q_ = nullptr,
        float f_ = 0.0f, std::string text_ = {})
        : op(std::move(op_)), x(x_), y(y_), p(p_), q(q_), f(f_), text(std::move(text_))
    {
    }

    std::string op;
    VstIntPtr x;
    VstIntPtr y;
    const void* p;
    const void* q;
    float f;
    std::string text;
};

bool operator==(const Call& a, const Call& b);
std::ostream& operator<<(std::ostream& os, const Call& c);

// Overrides every AudioEffect operation that the base dispatcher and the
// entries call; each records itself and answers `answer` converted to its
// result type.
template <class Base>
class BaseProbe : public Base
{
public:
    explicit BaseProbe(audioMasterCallback host = nullptr, VstInt32 programs = 4, VstInt32 params = 3)
        : Base(host, programs, params)
    {
    }

    std::vector<Call> calls;
    VstIntPtr answer = 0;

    void record(Call c) { calls.push_back(std::move(c)); }
    void attachEditor(AEffEditor* e) { this->editor = e; }
    VstInt32 flags() { return this->getAeffect()->flags; }
    void setFlags(VstInt32 f) { this->getAeffect()->flags = f; }

    void open() override { record({"open"}); }
    void close() override { record({"close"}); }
    void suspend() override { record({"suspend"}); }
    void resume() override { record({"resume"}); }
    void setSampleRate(float rate) override
    {
        record({"setSampleRate", 0, 0, nullptr, nullptr, rate});
        Base::setSampleRate(rate);
    }
    void setBlockSize(VstInt32 size) override
    {
        record({"setBlockSize", size});
        Base::setBlockSize(size);
    }
    void processReplacing(float** in, float** out, VstInt32 frames) override
    {
        record({"processReplacing", frames, 0, in, out});
    }
    void processDoubleReplacing(double** in, double** out, VstInt32 frames) override
    {
        record({"processDoubleReplacing", frames, 0, in, out});
    }
    void process(float** in, float** out, VstInt32 frames) override { record({"process", frames, 0, in, out}); }
    void setParameter(VstInt32 index, float value) override
    {
        record({"setParameter", index, 0, nullptr, nullptr, value});
    }
    float getParameter(VstInt32 index) override
    {
        record({"getParameter", index});
        return static_cast<float>(answer) / 4.0f;
    }
    VstInt32 getProgram() override
    {
        record({"getProgram"});
        return static_cast<VstInt32>(answer);
    }
    void setProgram(VstInt32 program) override { record({"setProgram", program}); }
    void setProgramName(char* name) override { record({"setProgramName", 0, 0, name}); }
    void getProgramName(char* name) override { record({"getProgramName", 0, 0, name}); }
    void getParameterLabel(VstInt32 index, char* text) override { record({"getParameterLabel", index, 0, text}); }
    void getParameterDisplay(VstInt32 index, char* text) override { record({"getParameterDisplay", index, 0, text}); }
    void getParameterName(VstInt32 index, char* text) override { record({"getParameterName", index, 0, text}); }
    VstInt32 getChunk(void** data, bool isPreset) override
    {
        record({"getChunk", isPreset, 0, data});
        return static_cast<VstInt32>(answer);
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override
    {
        record({"setChunk", size, isPreset, data});
        return static_cast<VstInt32>(answer);
    }
};

// The probe over AudioEffectX, recording the operations of opcodes 25 to 79.
class XProbe : public BaseProbe<AudioEffectX>
{
public:
    using BaseProbe<AudioEffectX>::BaseProbe;

    // Resume is left to AudioEffectX unless a test asks for the record.
    bool recordResume = true;
    void resume() override
    {
        if (recordResume)
            record({"resume"});
        else
            AudioEffectX::resume();
    }

    bool b() const { return answer != 0; }
    VstInt32 i() const { return static_cast<VstInt32>(answer); }
    static std::string str(const char* s) { return s != nullptr ? s : ""; }

    VstInt32 processEvents(VstEvents* e) override
    {
        record({"processEvents", 0, 0, e});
        return i();
    }
    bool canParameterBeAutomated(VstInt32 index) override
    {
        record({"canParameterBeAutomated", index});
        return b();
    }
    bool string2parameter(VstInt32 index, char* text) override
    {
        record({"string2parameter", index, 0, text});
        return b();
    }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override
    {
        record({"getProgramNameIndexed", category, index, text});
        return b();
    }
    bool getInputProperties(VstInt32 index, VstPinProperties* p) override
    {
        record({"getInputProperties", index, 0, p});
        return b();
    }
    bool getOutputProperties(VstInt32 index, VstPinProperties* p) override
    {
        record({"getOutputProperties", index, 0, p});
        return b();
    }
    VstInt32 getPlugCategory() override
    {
        record({"getPlugCategory"});
        return i();
    }
    bool offlineNotify(VstAudioFile* f, VstInt32 n, bool start) override
    {
        record({"offlineNotify", n, start, f});
        return b();
    }
    bool offlinePrepare(VstOfflineTask* t, VstInt32 n) override
    {
        record({"offlinePrepare", n, 0, t});
        return b();
    }
    bool offlineRun(VstOfflineTask* t, VstInt32 n) override
    {
        record({"offlineRun", n, 0, t});
        return b();
    }
    bool processVariableIo(VstVariableIo* v) override
    {
        record({"processVariableIo", 0, 0, v});
        return b();
    }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override
    {
        record({"setSpeakerArrangement", 0, 0, in, out});
        return b();
    }
    bool setBypass(bool onOff) override
    {
        record({"setBypass", onOff});
        return b();
    }
    bool getEffectName(char* t) override
    {
        record({"getEffectName", 0, 0, t});
        return b();
    }
    bool getVendorString(char* t) override
    {
        record({"getVendorString", 0, 0, t});
        return b();
    }
    bool getProductString(char* t) override
    {
        record({"getProductString", 0, 0, t});
        return b();
    }
    VstInt32 getVendorVersion() override
    {
        record({"getVendorVersion"});
        return i();
    }
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override
    {
        record({"vendorSpecific", index, value, ptr, nullptr, opt});
        return answer;
    }
    VstInt32 canDo(char* t) override
    {
        record({"canDo", 0, 0, t, nullptr, 0.0f, str(t)});
        return i();
    }
    VstInt32 getGetTailSize() override
    {
        record({"getGetTailSize"});
        return i();
    }
    bool getParameterProperties(VstInt32 index, VstParameterProperties* p) override
    {
        record({"getParameterProperties", index, 0, p});
        return b();
    }
    VstInt32 getVstVersion() override
    {
        record({"getVstVersion"});
        return i();
    }
    VstInt32 getMidiProgramName(VstInt32 ch, MidiProgramName* m) override
    {
        record({"getMidiProgramName", ch, 0, m});
        return i();
    }
    VstInt32 getCurrentMidiProgram(VstInt32 ch, MidiProgramName* m) override
    {
        record({"getCurrentMidiProgram", ch, 0, m});
        return i();
    }
    VstInt32 getMidiProgramCategory(VstInt32 ch, MidiProgramCategory* m) override
    {
        record({"getMidiProgramCategory", ch, 0, m});
        return i();
    }
    bool hasMidiProgramsChanged(VstInt32 ch) override
    {
        record({"hasMidiProgramsChanged", ch});
        return b();
    }
    bool getMidiKeyName(VstInt32 ch, MidiKeyName* k) override
    {
        record({"getMidiKeyName", ch, 0, k});
        return b();
    }
    bool beginSetProgram() override
    {
        record({"beginSetProgram"});
        return b();
    }
    bool endSetProgram() override
    {
        record({"endSetProgram"});
        return b();
    }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override
    {
        record({"getSpeakerArrangement", 0, 0, in, out});
        return b();
    }
    VstInt32 getNextShellPlugin(char* name) override
    {
        record({"getNextShellPlugin", 0, 0, name});
        return i();
    }
    VstInt32 startProcess() override
    {
        record({"startProcess"});
        return i();
    }
    VstInt32 stopProcess() override
    {
        record({"stopProcess"});
        return i();
    }
    VstInt32 setTotalSampleToProcess(VstInt32 v) override
    {
        record({"setTotalSampleToProcess", v});
        return i();
    }
    bool setPanLaw(VstInt32 type, float v) override
    {
        record({"setPanLaw", type, 0, nullptr, nullptr, v});
        return b();
    }
    VstInt32 beginLoadBank(VstPatchChunkInfo* p) override
    {
        record({"beginLoadBank", 0, 0, p});
        return i();
    }
    VstInt32 beginLoadProgram(VstPatchChunkInfo* p) override
    {
        record({"beginLoadProgram", 0, 0, p});
        return i();
    }
    bool setProcessPrecision(VstInt32 p) override
    {
        record({"setProcessPrecision", p});
        return b();
    }
    VstInt32 getNumMidiInputChannels() override
    {
        record({"getNumMidiInputChannels"});
        return i();
    }
    VstInt32 getNumMidiOutputChannels() override
    {
        record({"getNumMidiOutputChannels"});
        return i();
    }
    void wantEvents(VstInt32 filter) override
    {
        record({"wantEvents", filter});
        AudioEffectX::wantEvents(filter);
    }
};

// An AudioEffectX with nothing but the required processReplacing: the host
// sees the class's own defaults.
class PlainEffect : public AudioEffectX
{
public:
    explicit PlainEffect(audioMasterCallback host = nullptr, VstInt32 programs = 0, VstInt32 params = 3)
        : AudioEffectX(host, programs, params)
    {
    }
    void processReplacing(float**, float**, VstInt32) override {}
    void attachEditor(AEffEditor* e) { editor = e; }
};

//------------------------------------------------------------------------------
// Editor

class FakeEditor : public AEffEditor
{
public:
    explicit FakeEditor(bool* destroyed = nullptr) : destroyed(destroyed) {}
    ~FakeEditor() override
    {
        if (destroyed != nullptr)
            *destroyed = true;
    }

    bool getRect(ERect** r) override
    {
        calls.push_back({"getRect", 0, 0, r});
        if (r != nullptr)
            *r = &rect;
        return answer;
    }
    bool open(void* ptr) override
    {
        calls.push_back({"open", 0, 0, ptr});
        return answer;
    }
    void close() override { calls.push_back({"close"}); }
    void idle() override { calls.push_back({"idle"}); }
    bool onKeyDown(VstKeyCode& k) override
    {
        calls.push_back({"onKeyDown", k.character, (k.virt << 8) | k.modifier});
        return answer;
    }
    bool onKeyUp(VstKeyCode& k) override
    {
        calls.push_back({"onKeyUp", k.character, (k.virt << 8) | k.modifier});
        return answer;
    }
    bool setKnobMode(VstInt32 mode) override
    {
        calls.push_back({"setKnobMode", mode});
        return answer;
    }

    std::vector<Call> calls;
    bool answer = true;
    ERect rect{1, 2, 3, 4};
    bool* destroyed;
};

// Calls the record's dispatcher entry as a host would.
inline VstIntPtr dispatch(
    AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}
} // namespace vsttest
