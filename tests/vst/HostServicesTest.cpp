// Host services: the exact call each sends, the conversion of the host's
// answer, and the fixed answers without a host callback.
#include "tests/vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vsttest;

namespace
{
char bufA[16];
void* const A = bufA;

VstIntPtr asPtr(const void* p)
{
    return reinterpret_cast<VstIntPtr>(p);
}

struct Service
{
    const char* what;
    std::function<VstIntPtr(PlainEffect&)> call; // runs the service, answer as VstIntPtr
    HostCall sent;                               // effect is checked separately
    VstIntPtr hostAnswer;
    VstIntPtr expected;
    VstIntPtr withoutHost;
};

std::vector<Service> services()
{
    const VstIntPtr P = asPtr(A);
    std::vector<Service> rows = {
        // AudioEffect
        {"getMasterVersion", [](PlainEffect& e) { return VstIntPtr{e.getMasterVersion()}; },
            {nullptr, 1, 0, 0, nullptr, 0}, 2400, 2400, 1},
        {"getMasterVersion, host answers 0", [](PlainEffect& e) { return VstIntPtr{e.getMasterVersion()}; },
            {nullptr, 1, 0, 0, nullptr, 0}, 0, 1, 1},
        {"getCurrentUniqueId", [](PlainEffect& e) { return VstIntPtr{e.getCurrentUniqueId()}; },
            {nullptr, 2, 0, 0, nullptr, 0}, 0x41424344, 0x41424344, 0},
        {"masterIdle",
            [](PlainEffect& e)
            {
                e.masterIdle();
                return VstIntPtr{0};
            },
            {nullptr, 3, 0, 0, nullptr, 0}, 1, 0, 0},
        {"isInputConnected, 0", [](PlainEffect& e) { return VstIntPtr{e.isInputConnected(3)}; },
            {nullptr, 4, 3, 0, nullptr, 0}, 0, 1, 1},
        {"isInputConnected, 1", [](PlainEffect& e) { return VstIntPtr{e.isInputConnected(3)}; },
            {nullptr, 4, 3, 0, nullptr, 0}, 1, 0, 1},
        {"isOutputConnected, 0", [](PlainEffect& e) { return VstIntPtr{e.isOutputConnected(1)}; },
            {nullptr, 4, 1, 1, nullptr, 0}, 0, 1, 1},
        {"isOutputConnected, -1", [](PlainEffect& e) { return VstIntPtr{e.isOutputConnected(1)}; },
            {nullptr, 4, 1, 1, nullptr, 0}, -1, 0, 1},

        // AudioEffectX
        {"wantEvents",
            [](PlainEffect& e)
            {
                e.wantEvents(5);
                return VstIntPtr{0};
            },
            {nullptr, 6, 0, 5, nullptr, 0}, 1, 0, 0},
        {"getTimeInfo", [](PlainEffect& e) { return asPtr(e.getTimeInfo(0xfe00)); },
            {nullptr, 7, 0, 0xfe00, nullptr, 0}, P, P, 0},
        {"tempoAt", [](PlainEffect& e) { return VstIntPtr{e.tempoAt(-9)}; }, {nullptr, 10, 0, -9, nullptr, 0}, 120000,
            120000, 0},
        {"getNumAutomatableParameters", [](PlainEffect& e) { return VstIntPtr{e.getNumAutomatableParameters()}; },
            {nullptr, 11, 0, 0, nullptr, 0}, 3, 3, 0},
        {"getParameterQuantization", [](PlainEffect& e) { return VstIntPtr{e.getParameterQuantization()}; },
            {nullptr, 12, 0, 0, nullptr, 0}, -1, -1, 0},
        {"ioChanged", [](PlainEffect& e) { return VstIntPtr{e.ioChanged()}; }, {nullptr, 13, 0, 0, nullptr, 0}, 5, 1,
            0},
        {"needIdle", [](PlainEffect& e) { return VstIntPtr{e.needIdle()}; }, {nullptr, 14, 0, 0, nullptr, 0}, 0, 0, 0},
        {"sizeWindow", [](PlainEffect& e) { return VstIntPtr{e.sizeWindow(450, 480)}; },
            {nullptr, 15, 450, 480, nullptr, 0}, 1, 1, 0},
        {"getInputLatency", [](PlainEffect& e) { return VstIntPtr{e.getInputLatency()}; },
            {nullptr, 18, 0, 0, nullptr, 0}, 64, 64, 0},
        {"getOutputLatency", [](PlainEffect& e) { return VstIntPtr{e.getOutputLatency()}; },
            {nullptr, 19, 0, 0, nullptr, 0}, 32, 32, 0},
        {"getPreviousPlug", [](PlainEffect& e) { return asPtr(e.getPreviousPlug(3)); }, {nullptr, 20, 0, 0, nullptr, 0},
            P, P, 0},
        {"getNextPlug", [](PlainEffect& e) { return asPtr(e.getNextPlug(4)); }, {nullptr, 21, 0, 0, nullptr, 0}, P, P,
            0},
        {"willProcessReplacing", [](PlainEffect& e) { return VstIntPtr{e.willProcessReplacing()}; },
            {nullptr, 22, 0, 0, nullptr, 0}, 1, 1, 0},
        {"getCurrentProcessLevel", [](PlainEffect& e) { return VstIntPtr{e.getCurrentProcessLevel()}; },
            {nullptr, 23, 0, 0, nullptr, 0}, kVstProcessLevelOffline, kVstProcessLevelOffline, 0},
        {"getAutomationState", [](PlainEffect& e) { return VstIntPtr{e.getAutomationState()}; },
            {nullptr, 24, 0, 0, nullptr, 0}, 2, 2, 0},
        {"offlineStart", [](PlainEffect& e) { return VstIntPtr{e.offlineStart(static_cast<VstAudioFile*>(A), 3, 2)}; },
            {nullptr, 25, 2, 3, A, 0}, 1, 1, 0},
        {"offlineRead, source",
            [](PlainEffect& e) { return VstIntPtr{e.offlineRead(static_cast<VstOfflineTask*>(A), 7, true)}; },
            {nullptr, 26, 1, 7, A, 0}, 1, 1, 0},
        {"offlineRead, not source",
            [](PlainEffect& e) { return VstIntPtr{e.offlineRead(static_cast<VstOfflineTask*>(A), 7, false)}; },
            {nullptr, 26, 0, 7, A, 0}, 0, 0, 0},
        {"offlineWrite", [](PlainEffect& e) { return VstIntPtr{e.offlineWrite(static_cast<VstOfflineTask*>(A), 6)}; },
            {nullptr, 27, 0, 6, A, 0}, 1, 1, 0},
        {"offlineGetCurrentPass", [](PlainEffect& e) { return VstIntPtr{e.offlineGetCurrentPass()}; },
            {nullptr, 28, 0, 0, nullptr, 0}, 7, 1, 0},
        {"offlineGetCurrentMetaPass", [](PlainEffect& e) { return VstIntPtr{e.offlineGetCurrentMetaPass()}; },
            {nullptr, 29, 0, 0, nullptr, 0}, -3, 1, 0},
        {"setOutputSamplerate",
            [](PlainEffect& e)
            {
                e.setOutputSamplerate(22050.0f);
                return VstIntPtr{0};
            },
            {nullptr, 30, 0, 0, nullptr, 22050.0f}, 1, 0, 0},
        {"getOutputSpeakerArrangement", [](PlainEffect& e) { return asPtr(e.getOutputSpeakerArrangement()); },
            {nullptr, 31, 0, 0, nullptr, 0}, P, P, 0},
        {"getHostVendorString", [](PlainEffect& e) { return VstIntPtr{e.getHostVendorString(bufA)}; },
            {nullptr, 32, 0, 0, A, 0}, 1, 1, 0},
        {"getHostProductString", [](PlainEffect& e) { return VstIntPtr{e.getHostProductString(bufA)}; },
            {nullptr, 33, 0, 0, A, 0}, 0, 0, 0},
        {"getHostVendorVersion", [](PlainEffect& e) { return VstIntPtr{e.getHostVendorVersion()}; },
            {nullptr, 34, 0, 0, nullptr, 0}, 1000, 1000, 0},
        {"hostVendorSpecific", [](PlainEffect& e) { return e.hostVendorSpecific(-2, -3, A, 0.5f); },
            {nullptr, 35, -2, -3, A, 0.5f}, -4, -4, 0},
        {"canHostDo", [](PlainEffect& e) { return VstIntPtr{e.canHostDo(bufA)}; }, {nullptr, 37, 0, 0, A, 0}, -1, 1, 0},
        {"canHostDo, no", [](PlainEffect& e) { return VstIntPtr{e.canHostDo(bufA)}; }, {nullptr, 37, 0, 0, A, 0}, 0, 0,
            0},
        {"getHostLanguage", [](PlainEffect& e) { return VstIntPtr{e.getHostLanguage()}; },
            {nullptr, 38, 0, 0, nullptr, 0}, 1, 1, 0},
        {"openWindow", [](PlainEffect& e) { return asPtr(e.openWindow(static_cast<VstWindow*>(A))); },
            {nullptr, 39, 0, 0, A, 0}, P, P, 0},
        {"closeWindow", [](PlainEffect& e) { return VstIntPtr{e.closeWindow(static_cast<VstWindow*>(A))}; },
            {nullptr, 40, 0, 0, A, 0}, 1, 1, 0},
        {"getDirectory", [](PlainEffect& e) { return asPtr(e.getDirectory()); }, {nullptr, 41, 0, 0, nullptr, 0}, P, P,
            0},
        {"updateDisplay", [](PlainEffect& e) { return VstIntPtr{e.updateDisplay()}; }, {nullptr, 42, 0, 0, nullptr, 0},
            1, 1, 0},
        {"beginEdit", [](PlainEffect& e) { return VstIntPtr{e.beginEdit(2)}; }, {nullptr, 43, 2, 0, nullptr, 0}, 1, 1,
            0},
        {"endEdit", [](PlainEffect& e) { return VstIntPtr{e.endEdit(2)}; }, {nullptr, 44, 2, 0, nullptr, 0}, 1, 1, 0},
        {"openFileSelector",
            [](PlainEffect& e) { return VstIntPtr{e.openFileSelector(static_cast<VstFileSelect*>(A))}; },
            {nullptr, 45, 0, 0, A, 0}, 1, 1, 0},
        {"closeFileSelector",
            [](PlainEffect& e) { return VstIntPtr{e.closeFileSelector(static_cast<VstFileSelect*>(A))}; },
            {nullptr, 46, 0, 0, A, 0}, 1, 1, 0},
        {"getChunkFile", [](PlainEffect& e) { return VstIntPtr{e.getChunkFile(A)}; }, {nullptr, 48, 0, 0, A, 0}, 1, 1,
            0},
        {"getInputSpeakerArrangement", [](PlainEffect& e) { return asPtr(e.getInputSpeakerArrangement()); },
            {nullptr, 49, 0, 0, nullptr, 0}, P, P, 0},
    };
    if (k64)
    {
        // bool looks at the whole answer, int32 at its low 32 bits.
        rows.push_back({"ioChanged, only bit 32", [](PlainEffect& e) { return VstIntPtr{e.ioChanged()}; },
            {nullptr, 13, 0, 0, nullptr, 0}, kBit32, 1, 0});
        rows.push_back({"getInputLatency, only bit 32", [](PlainEffect& e) { return VstIntPtr{e.getInputLatency()}; },
            {nullptr, 18, 0, 0, nullptr, 0}, kBit32 + 5, 5, 0});
        rows.push_back({"canHostDo, only bit 32", [](PlainEffect& e) { return VstIntPtr{e.canHostDo(bufA)}; },
            {nullptr, 37, 0, 0, A, 0}, kBit32, 1, 0});
        rows.push_back(
            {"isInputConnected, only bit 32", [](PlainEffect& e) { return VstIntPtr{e.isInputConnected(0)}; },
                {nullptr, 4, 0, 0, nullptr, 0}, kBit32, 1, 1});
        rows.push_back({"getMasterVersion, only bit 32", [](PlainEffect& e) { return VstIntPtr{e.getMasterVersion()}; },
            {nullptr, 1, 0, 0, nullptr, 0}, kBit32, 1, 1});
        rows.push_back({"hostVendorSpecific, wide",
            [](PlainEffect& e) { return e.hostVendorSpecific(1, kBit32 + 1, nullptr, 0.0f); },
            {nullptr, 35, 1, kBit32 + 1, nullptr, 0}, kBit32 + 2, kBit32 + 2, 0});
    }
    return rows;
}
} // namespace

TEST(HostServices, EachSendsOneExactCallAndConvertsTheAnswer)
{
    for (const Service& s : services())
    {
        SCOPED_TRACE(s.what);
        FakeHost host;
        host.answers[s.sent.opcode] = s.hostAnswer;
        PlainEffect effect(FakeHost::callback);

        EXPECT_EQ(s.call(effect), s.expected);

        ASSERT_EQ(host.calls.size(), 1u);
        const HostCall& c = host.calls[0];
        EXPECT_EQ(c.effect, effect.getAeffect());
        EXPECT_EQ(c.opcode, s.sent.opcode);
        EXPECT_EQ(c.index, s.sent.index);
        EXPECT_EQ(c.value, s.sent.value);
        EXPECT_EQ(c.ptr, s.sent.ptr);
        EXPECT_EQ(c.opt, s.sent.opt);
    }
}

TEST(HostServices, FixedAnswersWithoutAHostCallback)
{
    FakeHost host; // installed but never handed to the effect
    for (const Service& s : services())
    {
        PlainEffect effect(nullptr);
        EXPECT_EQ(s.call(effect), s.withoutHost) << s.what;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(HostServices, NullSelectorOrPathAnswersFalseWithoutACall)
{
    FakeHost host;
    host.answers[audioMasterOpenFileSelector] = 1;
    host.answers[audioMasterCloseFileSelector] = 1;
    host.answers[audioMasterGetChunkFile] = 1;
    PlainEffect effect(FakeHost::callback);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(host.calls.empty());
}

TEST(HostServices, SetParameterAutomatedSetsTheParameterBeforeTellingTheHost)
{
    FakeHost host;
    BaseProbe<AudioEffectX> probe(FakeHost::callback);
    std::size_t callsWhenHostHeard = 0;
    host.onCall = [&](const HostCall&) { callsWhenHostHeard = probe.calls.size(); };

    probe.setParameterAutomated(2, 0.75f);

    const std::vector<Call> expected = {{"setParameter", 2, 0, nullptr, nullptr, 0.75f}};
    EXPECT_EQ(probe.calls, expected);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(callsWhenHostHeard, 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(host.calls[0].index, 2);
    EXPECT_EQ(host.calls[0].value, 0);
    EXPECT_EQ(host.calls[0].ptr, nullptr);
    EXPECT_EQ(host.calls[0].opt, 0.75f);

    BaseProbe<AudioEffectX> alone(nullptr);
    alone.setParameterAutomated(1, 0.5f);
    EXPECT_EQ(alone.calls.size(), 1u);
}

TEST(HostServices, UpdateSampleRateKeepsOnlyPositiveAnswers)
{
    struct Case
    {
        VstIntPtr hostAnswer;
        double expected;
    };
    std::vector<Case> cases = {{48000, 48000.0}, {0, 44100.0}, {-1, 44100.0}};
    if (k64)
        cases.push_back({kBit32, 4294967296.0});
    for (const Case& c : cases)
    {
        FakeHost host;
        host.answers[audioMasterGetSampleRate] = c.hostAnswer;
        PlainEffect effect(FakeHost::callback);
        EXPECT_EQ(effect.updateSampleRate(), c.expected) << c.hostAnswer;
        EXPECT_EQ(effect.getSampleRate(), static_cast<float>(c.expected));
        ASSERT_EQ(host.calls.size(), 1u);
        EXPECT_EQ(host.calls[0].opcode, audioMasterGetSampleRate);
    }

    PlainEffect alone(nullptr);
    EXPECT_EQ(alone.updateSampleRate(), 44100.0);
}

TEST(HostServices, UpdateBlockSizeKeepsOnlyPositiveLow32Bits)
{
    struct Case
    {
        VstIntPtr hostAnswer;
        VstInt32 expected;
    };
    std::vector<Case> cases = {{512, 512}, {0, 1024}, {-1, 1024}};
    if (k64)
        cases.push_back({kBit32, 1024});
    for (const Case& c : cases)
    {
        FakeHost host;
        host.answers[audioMasterGetBlockSize] = c.hostAnswer;
        PlainEffect effect(FakeHost::callback);
        EXPECT_EQ(effect.updateBlockSize(), c.expected) << c.hostAnswer;
        EXPECT_EQ(effect.getBlockSize(), c.expected);
        ASSERT_EQ(host.calls.size(), 1u);
        EXPECT_EQ(host.calls[0].opcode, audioMasterGetBlockSize);
    }

    PlainEffect alone(nullptr);
    EXPECT_EQ(alone.updateBlockSize(), 1024);
}

//------------------------------------------------------------------------------
// Flags and record fields

TEST(EffectFlags, EachSetterChangesOnlyItsBit)
{
    struct Setter
    {
        const char* what;
        std::function<void(PlainEffect&, bool)> set;
        VstInt32 bit;
    };
    const Setter setters[] = {
        {"canProcessReplacing", [](PlainEffect& e, bool s) { e.canProcessReplacing(s); }, 0x10},
        {"canDoubleReplacing", [](PlainEffect& e, bool s) { e.canDoubleReplacing(s); }, 0x1000},
        {"programsAreChunks", [](PlainEffect& e, bool s) { e.programsAreChunks(s); }, 0x20},
        {"hasVu", [](PlainEffect& e, bool s) { e.hasVu(s); }, 0x4},
        {"hasClip", [](PlainEffect& e, bool s) { e.hasClip(s); }, 0x2},
        {"canMono", [](PlainEffect& e, bool s) { e.canMono(s); }, 0x8},
        {"isSynth", [](PlainEffect& e, bool s) { e.isSynth(s); }, 0x100},
        {"noTail", [](PlainEffect& e, bool s) { e.noTail(s); }, 0x200},
        {"wantAsyncOperation", [](PlainEffect& e, bool s) { e.wantAsyncOperation(s); }, 0x400},
        {"hasExternalBuffer", [](PlainEffect& e, bool s) { e.hasExternalBuffer(s); }, 0x800},
    };
    const VstInt32 patterns[] = {0, 0x31, ~0, 0x5a5a5a5a};
    FakeHost host;
    for (const Setter& s : setters)
    {
        for (VstInt32 pattern : patterns)
        {
            SCOPED_TRACE(::testing::Message() << s.what << " on " << std::hex << pattern);
            PlainEffect effect(FakeHost::callback);
            AEffect* e = effect.getAeffect();
            e->flags = pattern;
            s.set(effect, true);
            EXPECT_EQ(e->flags, pattern | s.bit);
            s.set(effect, false);
            EXPECT_EQ(e->flags, pattern & ~s.bit);
        }
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(EffectFlags, NoTailOnTheWrappersFlags)
{
    PlainEffect effect;
    effect.getAeffect()->flags = 0x31;
    effect.noTail(true);
    EXPECT_EQ(effect.getAeffect()->flags, 0x231);
}

TEST(EffectFlags, FieldSettersWriteTheRecord)
{
    PlainEffect effect;
    effect.setUniqueID(0x566c6d6f);
    effect.setNumInputs(2);
    effect.setNumOutputs(6);
    effect.setInitialDelay(128);
    effect.setRealtimeQualities(3);
    effect.setOfflineQualities(4);

    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->uniqueID, 0x566c6d6f);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 6);
    EXPECT_EQ(e->initialDelay, 128);
    EXPECT_EQ(e->realQualities, 3);
    EXPECT_EQ(e->offQualities, 4);
    EXPECT_EQ(effect.getVu(), 0.0f);
    EXPECT_EQ(effect.getEditor(), nullptr);
}
