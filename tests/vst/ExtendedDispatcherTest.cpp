// Opcodes 25 to 79, AudioEffectX's defaults and resume.
#include "tests/vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace vsttest;

namespace
{
char bufA[16];
char bufB[16];
void* const A = bufA;
void* const B = bufB;
// A value that is also used as a pointer (effSetSpeakerArrangement, effGetSpeakerArrangement).
const VstIntPtr AasValue = reinterpret_cast<VstIntPtr>(A);

struct Row
{
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr answer;   // the operation's answer before conversion
    VstIntPtr expected; // what the host receives
    Call call;
};

std::vector<Row> extendedRows()
{
    std::vector<Row> rows = {
        // int results are sign-extended
        {effProcessEvents, 0, 0, A, 0, -1, -1, {"processEvents", 0, 0, A}},
        {effGetPlugCategory, 0, 0, nullptr, 0, 1, 1, {"getPlugCategory"}},
        {effGetVendorVersion, 0, 0, nullptr, 0, 120, 120, {"getVendorVersion"}},
        {effCanDo, 0, 0, A, 0, -1, -1, {"canDo", 0, 0, A}},
        {effCanDo, 0, 0, A, 0, 1, 1, {"canDo", 0, 0, A}},
        {effGetTailSize, 0, 0, nullptr, 0, 4410, 4410, {"getGetTailSize"}},
        {effGetVstVersion, 0, 0, nullptr, 0, 2400, 2400, {"getVstVersion"}},
        {effGetMidiProgramName, 5, 0, A, 0, 3, 3, {"getMidiProgramName", 5, 0, A}},
        {effGetCurrentMidiProgram, 6, 0, A, 0, -1, -1, {"getCurrentMidiProgram", 6, 0, A}},
        {effGetMidiProgramCategory, 7, 0, A, 0, 2, 2, {"getMidiProgramCategory", 7, 0, A}},
        {effShellGetNextPlugin, 0, 0, A, 0, 0x41424344, 0x41424344, {"getNextShellPlugin", 0, 0, A}},
        {effStartProcess, 0, 0, nullptr, 0, -7, -7, {"startProcess"}},
        {effStopProcess, 0, 0, nullptr, 0, 8, 8, {"stopProcess"}},
        {effSetTotalSampleToProcess, 0, 48000, nullptr, 0, 48000, 48000, {"setTotalSampleToProcess", 48000}},
        {effBeginLoadBank, 0, 0, A, 0, -1, -1, {"beginLoadBank", 0, 0, A}},
        {effBeginLoadProgram, 0, 0, A, 0, 1, 1, {"beginLoadProgram", 0, 0, A}},
        {effGetNumMidiInputChannels, 0, 0, nullptr, 0, 16, 16, {"getNumMidiInputChannels"}},
        {effGetNumMidiOutputChannels, 0, 0, nullptr, 0, -2, -2, {"getNumMidiOutputChannels"}},
        // bool results are 1 or 0
        {effCanBeAutomated, 2, 0, nullptr, 0, 1, 1, {"canParameterBeAutomated", 2}},
        {effCanBeAutomated, 2, 0, nullptr, 0, 0, 0, {"canParameterBeAutomated", 2}},
        {effString2Parameter, 1, 0, A, 0, 1, 1, {"string2parameter", 1, 0, A}},
        {effGetProgramNameIndexed, 4, 9, A, 0, 1, 1, {"getProgramNameIndexed", 9, 4, A}},
        {effGetInputProperties, 1, 0, A, 0, 1, 1, {"getInputProperties", 1, 0, A}},
        {effGetOutputProperties, 1, 0, A, 0, 0, 0, {"getOutputProperties", 1, 0, A}},
        {effOfflineNotify, 0, 3, A, 0, 1, 1, {"offlineNotify", 3, 0, A}},
        {effOfflineNotify, 2, 3, A, 0, 1, 1, {"offlineNotify", 3, 1, A}},
        {effOfflinePrepare, 0, 2, A, 0, 1, 1, {"offlinePrepare", 2, 0, A}},
        {effOfflineRun, 0, 2, A, 0, 1, 1, {"offlineRun", 2, 0, A}},
        {effProcessVarIo, 0, 0, A, 0, 1, 1, {"processVariableIo", 0, 0, A}},
        {effSetSpeakerArrangement, 0, AasValue, B, 0, 1, 1, {"setSpeakerArrangement", 0, 0, A, B}},
        {effSetBypass, 0, 1, nullptr, 0, 1, 1, {"setBypass", 1}},
        {effSetBypass, 0, 0, nullptr, 0, 1, 1, {"setBypass", 0}},
        {effGetEffectName, 0, 0, A, 0, 1, 1, {"getEffectName", 0, 0, A}},
        {effGetVendorString, 0, 0, A, 0, 1, 1, {"getVendorString", 0, 0, A}},
        {effGetProductString, 0, 0, A, 0, 1, 1, {"getProductString", 0, 0, A}},
        {effGetParameterProperties, 2, 0, A, 0, 1, 1, {"getParameterProperties", 2, 0, A}},
        {effHasMidiProgramsChanged, 3, 0, nullptr, 0, 1, 1, {"hasMidiProgramsChanged", 3}},
        {effGetMidiKeyName, 3, 0, A, 0, 1, 1, {"getMidiKeyName", 3, 0, A}},
        {effBeginSetProgram, 0, 0, nullptr, 0, 1, 1, {"beginSetProgram"}},
        {effEndSetProgram, 0, 0, nullptr, 0, 1, 1, {"endSetProgram"}},
        {effGetSpeakerArrangement, 0, AasValue, B, 0, 1, 1, {"getSpeakerArrangement", 0, 0, A, B}},
        {effSetPanLaw, 0, 1, nullptr, 0.5f, 1, 1, {"setPanLaw", 1, 0, nullptr, nullptr, 0.5f}},
        {effSetProcessPrecision, 0, 1, nullptr, 0, 1, 1, {"setProcessPrecision", 1}},
        // full results pass unchanged
        {effVendorSpecific, 3, 4, A, 1.5f, 99, 99, {"vendorSpecific", 3, 4, A, nullptr, 1.5f}},
        {effVendorSpecific, 0, 0, nullptr, 0, -1, -1, {"vendorSpecific"}},
    };
    if (k64)
    {
        rows.push_back({effSetBypass, 0, kBit32, nullptr, 0, 1, 1, {"setBypass", 1}});
        rows.push_back(
            {effVendorSpecific, 1, kBit32 + 2, A, 0, kBit32 + 9, kBit32 + 9, {"vendorSpecific", 1, kBit32 + 2, A}});
        rows.push_back({effGetProgramNameIndexed, 1, kBit32 - 1, A, 0, 1, 1, {"getProgramNameIndexed", -1, 1, A}});
        rows.push_back({effSetTotalSampleToProcess, 0, kBit32 + 7, nullptr, 0, 7, 7, {"setTotalSampleToProcess", 7}});
        rows.push_back({effGetPlugCategory, 0, 0, nullptr, 0, kBit32 + 1, 1, {"getPlugCategory"}});
    }
    return rows;
}
} // namespace

TEST(ExtendedDispatcher, OpcodeTable)
{
    for (const Row& row : extendedRows())
    {
        SCOPED_TRACE(::testing::Message() << "opcode " << row.opcode << " " << row.call.op);
        XProbe probe;
        probe.answer = row.answer;
        // The probe records canDo's text; the rows give only the pointer.
        bufA[0] = 0;
        const VstIntPtr result = dispatch(probe.getAeffect(), row.opcode, row.index, row.value, row.ptr, row.opt);
        EXPECT_EQ(result, row.expected);
        ASSERT_EQ(probe.calls.size(), 1u);
        EXPECT_EQ(probe.calls[0], row.call);
    }
}

TEST(ExtendedDispatcher, MinusOneReachesTheHostWithAllBitsSet)
{
    XProbe probe;
    probe.answer = -1;
    const VstIntPtr result = dispatch(probe.getAeffect(), effCanDo, 0, 0, bufA);
    EXPECT_EQ(static_cast<std::uintptr_t>(result), std::numeric_limits<std::uintptr_t>::max());
}

TEST(ExtendedDispatcher, DeprecatedAndUnknownOpcodesGoToTheBaseDispatcher)
{
    for (VstInt32 opcode : {28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 200, -1, -100})
    {
        XProbe probe;
        probe.answer = 1;
        EXPECT_EQ(dispatch(probe.getAeffect(), opcode, 1, 1, bufA, 1.0f), 0) << opcode;
        EXPECT_TRUE(probe.calls.empty()) << opcode;
    }
}

namespace
{
// Forwards to AudioEffectX::dispatcher as the framework's wrapper does; a
// virtual call back into dispatcher would show as a second count.
struct Forwarding : PlainEffect
{
    int count = 0;
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override
    {
        ++count;
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }
};
} // namespace

TEST(ExtendedDispatcher, BaseOpcodesAreHandedOnWithoutReenteringTheVirtualDispatcher)
{
    Forwarding effect;
    EXPECT_EQ(dispatch(effect.getAeffect(), effIdentify), 0x4E764566);
    EXPECT_EQ(dispatch(effect.getAeffect(), effSetBlockSize, 0, 333), 0);
    EXPECT_EQ(effect.getBlockSize(), 333);
    EXPECT_EQ(effect.count, 2);
}

TEST(ExtendedDispatcher, DefaultAnswers)
{
    struct Case
    {
        VstInt32 opcode;
        VstIntPtr value;
        VstIntPtr expected;
    };
    const Case cases[] = {
        {effGetVstVersion, 0, 2400},
        {effVendorSpecific, 5, 0},
        {effProcessEvents, 0, 0},
        {effStartProcess, 0, 0},
        {effStopProcess, 0, 0},
        {effGetNumMidiInputChannels, 0, 0},
        {effGetNumMidiOutputChannels, 0, 0},
        {effBeginLoadBank, 0, 0},
        {effBeginLoadProgram, 0, 0},
        {effGetMidiProgramName, 0, 0},
        {effGetMidiProgramCategory, 0, 0},
        {effShellGetNextPlugin, 0, 0},
        {effGetCurrentMidiProgram, 0, -1},
        {effSetTotalSampleToProcess, 48000, 48000},
        {effSetTotalSampleToProcess, -7, -7},
        {effSetPanLaw, 1, 0},
        {effSetProcessPrecision, 1, 0},
        {effBeginSetProgram, 0, 0},
        {effEndSetProgram, 0, 0},
        {effHasMidiProgramsChanged, 0, 0},
        {effGetMidiKeyName, 0, 0},
        {effProcessVarIo, 0, 0},
        {effString2Parameter, 0, 0},
        {effGetParameterProperties, 0, 0},
        {effOfflineNotify, 1, 0},
        {effOfflinePrepare, 1, 0},
        {effOfflineRun, 1, 0},
        {effEditKeyDown, 0x41, 0},
        {effEditKeyUp, 0x41, 0},
        {effSetEditKnobMode, 2, 0},
        // the wrapper's operations: the base answers in their result kinds
        {effCanBeAutomated, 0, 1},
        {effGetProgramNameIndexed, 0, 0},
        {effGetInputProperties, 0, 0},
        {effGetOutputProperties, 0, 0},
        {effSetSpeakerArrangement, 0, 0},
        {effSetBypass, 1, 0},
        {effGetTailSize, 0, 0},
        {effGetEffectName, 0, 0},
        {effGetVendorString, 0, 0},
        {effGetProductString, 0, 0},
        {effGetVendorVersion, 0, 0},
        {effCanDo, 0, 0},
        {effGetPlugCategory, 0, 0},
    };
    FakeHost host;
    PlainEffect effect(FakeHost::callback);
    for (const Case& c : cases)
    {
        bufA[0] = 0;
        EXPECT_EQ(dispatch(effect.getAeffect(), c.opcode, 0, c.value, bufA), c.expected) << "opcode " << c.opcode;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(ExtendedDispatcher, GetSpeakerArrangementClearsBothPointers)
{
    PlainEffect effect;
    VstSpeakerArrangement sentinel{};
    VstSpeakerArrangement* in = &sentinel;
    VstSpeakerArrangement* out = &sentinel;
    EXPECT_EQ(dispatch(effect.getAeffect(), effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);

    // A missing pointer is skipped.
    out = &sentinel;
    EXPECT_EQ(dispatch(effect.getAeffect(), effGetSpeakerArrangement, 0, 0, &out), 0);
    EXPECT_EQ(out, nullptr);
}

TEST(ExtendedDispatcher, KeyAndKnobOpcodesReachTheEditor)
{
    struct Case
    {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr value;
        float opt;
        bool editorAnswer;
        VstIntPtr expected;
        Call call; // x: character; y: virt << 8 | modifier
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {effEditKeyDown, 65, 0x1ff, 2.9f, true, 1, {"onKeyDown", 65, 0xff02}},
        {effEditKeyDown, 65, 0x1ff, 2.9f, false, 0, {"onKeyDown", 65, 0xff02}},
        {effEditKeyUp, 13, 0x20, 1.0f, true, 1, {"onKeyUp", 13, 0x2001}},
        {effEditKeyUp, -1, -1, -1.5f, true, 1, {"onKeyUp", -1, 0xffff}},
        {effEditKeyDown, 0, 3, 300.0f, true, 1, {"onKeyDown", 0, 0x032c}},
        // no integer part: the modifier is 0
        {effEditKeyDown, 0, 3, nan, true, 1, {"onKeyDown", 0, 0x0300}},
        {effEditKeyDown, 0, 3, 1e20f, true, 1, {"onKeyDown", 0, 0x0300}},
        {effSetEditKnobMode, 0, 2, 0.0f, true, 1, {"setKnobMode", 2}},
        {effSetEditKnobMode, 0, 2, 0.0f, false, 0, {"setKnobMode", 2}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.call.op);
        PlainEffect effect;
        auto* ed = new FakeEditor;
        ed->answer = c.editorAnswer;
        effect.attachEditor(ed);
        EXPECT_EQ(dispatch(effect.getAeffect(), c.opcode, c.index, c.value, nullptr, c.opt), c.expected);
        ASSERT_EQ(ed->calls.size(), 1u);
        EXPECT_EQ(ed->calls[0], c.call);
    }
}

TEST(ExtendedDispatcher, ResumeAsksForMidiOnlyWhenTheEffectWantsIt)
{
    struct Case
    {
        const char* what;
        bool synth;
        VstIntPtr canDoAnswer;
        bool asksCanDo;
        bool wantsMidi;
    };
    const Case cases[] = {
        {"can do 1", false, 1, true, true},
        {"can do -1", false, -1, true, false},
        {"can do 0", false, 0, true, false},
        {"can do 2", false, 2, true, false},
        {"synth", true, 1, false, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        FakeHost host;
        XProbe probe(FakeHost::callback);
        probe.recordResume = false;
        probe.answer = c.canDoAnswer;
        if (c.synth)
            probe.setFlags(probe.flags() | effFlagsIsSynth);

        dispatch(probe.getAeffect(), effMainsChanged, 0, 1);

        std::vector<Call> expected;
        if (c.asksCanDo)
            expected.push_back({"canDo", 0, 0, probe.calls.empty() ? nullptr : probe.calls[0].p, nullptr, 0.0f,
                "receiveVstMidiEvent"});
        if (c.wantsMidi)
            expected.push_back({"wantEvents", 1});
        EXPECT_EQ(probe.calls, expected);

        if (c.wantsMidi)
        {
            ASSERT_EQ(host.calls.size(), 1u);
            EXPECT_EQ(host.calls[0].opcode, audioMasterWantMidi);
            EXPECT_EQ(host.calls[0].value, 1);
            EXPECT_EQ(host.calls[0].effect, probe.getAeffect());
        }
        else
        {
            EXPECT_TRUE(host.calls.empty());
        }
    }
}

TEST(ExtendedDispatcher, SetBlockSizeAndSampleRateStoresBoth)
{
    FakeHost host;
    PlainEffect effect(FakeHost::callback);
    effect.setBlockSizeAndSampleRate(64, 96000.0f);
    EXPECT_EQ(effect.getBlockSize(), 64);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_TRUE(host.calls.empty());
}
