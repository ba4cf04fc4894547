// Opcodes 0 to 24, driven through the record's dispatcher entry.
#include "tests/vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vsttest;

namespace
{
char buffer[64];
void* const buf = buffer;

struct Row
{
    const char* what;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr answer;   // what the probe's operation answers
    VstIntPtr expected; // what the host receives
    std::vector<Call> calls;
};

std::vector<Row> baseRows()
{
    std::vector<Row> rows = {
        {"open", effOpen, 0, 0, nullptr, 0, 5, 0, {{"open"}}},
        {"first program", effSetProgram, 0, 0, nullptr, 0, 0, 0, {{"setProgram", 0}}},
        {"last program", effSetProgram, 0, 3, nullptr, 0, 0, 0, {{"setProgram", 3}}},
        {"program == numPrograms", effSetProgram, 0, 4, nullptr, 0, 0, 0, {}},
        {"negative program", effSetProgram, 0, -1, nullptr, 0, 0, 0, {}},
        {"get program", effGetProgram, 0, 0, nullptr, 0, 2, 2, {{"getProgram"}}},
        {"negative program sign-extended", effGetProgram, 0, 0, nullptr, 0, -5, -5, {{"getProgram"}}},
        {"set program name", effSetProgramName, 0, 0, buf, 0, 0, 0, {{"setProgramName", 0, 0, buf}}},
        {"get program name", effGetProgramName, 0, 0, buf, 0, 0, 0, {{"getProgramName", 0, 0, buf}}},
        {"label", effGetParamLabel, 2, 0, buf, 0, 0, 0, {{"getParameterLabel", 2, 0, buf}}},
        {"display", effGetParamDisplay, 1, 0, buf, 0, 0, 0, {{"getParameterDisplay", 1, 0, buf}}},
        {"name", effGetParamName, 0, 0, buf, 0, 0, 0, {{"getParameterName", 0, 0, buf}}},
        {"vu", effGetVu, 0, 0, nullptr, 0, 9, 0, {}},
        {"sample rate from opt", effSetSampleRate, 0, 96000, nullptr, 48000.0f, 0, 0,
            {{"setSampleRate", 0, 0, nullptr, nullptr, 48000.0f}}},
        {"block size", effSetBlockSize, 0, 512, nullptr, 0, 0, 0, {{"setBlockSize", 512}}},
        {"mains on", effMainsChanged, 0, 1, nullptr, 0, 0, 0, {{"resume"}}},
        {"mains on, -1", effMainsChanged, 0, -1, nullptr, 0, 0, 0, {{"resume"}}},
        {"mains off", effMainsChanged, 0, 0, nullptr, 0, 0, 0, {{"suspend"}}},
        {"get rect, no editor", effEditGetRect, 0, 0, buf, 0, 1, 0, {}},
        {"edit open, no editor", effEditOpen, 0, 0, buf, 0, 1, 0, {}},
        {"edit close, no editor", effEditClose, 0, 0, nullptr, 0, 1, 0, {}},
        {"edit idle, no editor", effEditIdle, 0, 0, nullptr, 0, 1, 0, {}},
        {"edit draw", effEditDraw, 0, 0, buf, 0, 1, 0, {}},
        {"edit mouse", effEditMouse, 1, 1, nullptr, 0, 1, 0, {}},
        {"edit key", effEditKey, 1, 1, nullptr, 0, 1, 0, {}},
        {"edit top", effEditTop, 0, 0, nullptr, 0, 1, 0, {}},
        {"edit sleep", effEditSleep, 0, 0, nullptr, 0, 1, 0, {}},
        {"identify", effIdentify, 0, 0, nullptr, 0, 1, 0x4E764566, {}},
        {"bank chunk", effGetChunk, 0, 0, buf, 0, 100, 100, {{"getChunk", 0, 0, buf}}},
        {"preset chunk", effGetChunk, 3, 0, buf, 0, 100, 100, {{"getChunk", 1, 0, buf}}},
        {"negative chunk size sign-extended", effGetChunk, -1, 0, buf, 0, -2, -2, {{"getChunk", 1, 0, buf}}},
        {"set bank chunk", effSetChunk, 0, 77, buf, 0, 1, 1, {{"setChunk", 77, 0, buf}}},
        {"set preset chunk", effSetChunk, 1, 77, buf, 0, -3, -3, {{"setChunk", 77, 1, buf}}},
        {"negative opcode", -1, 0, 0, nullptr, 0, 1, 0, {}},
    };
    if (k64)
    {
        rows.push_back({"program beyond 32 bits", effSetProgram, 0, kBit32, nullptr, 0, 0, 0, {}});
        rows.push_back(
            {"program beyond 32 bits, low bits in range", effSetProgram, 0, kBit32 + 1, nullptr, 0, 0, 0, {}});
        rows.push_back({"block size truncated to 32 bits", effSetBlockSize, 0, kBit32 + 256, nullptr, 0, 0, 0,
            {{"setBlockSize", 256}}});
        rows.push_back({"mains on, only bit 32", effMainsChanged, 0, kBit32, nullptr, 0, 0, 0, {{"resume"}}});
        rows.push_back(
            {"chunk size truncated to 32 bits", effSetChunk, 0, kBit32 + 5, buf, 0, 0, 0, {{"setChunk", 5, 0, buf}}});
    }
    return rows;
}
} // namespace

TEST(BaseDispatcher, OpcodeTable)
{
    for (const Row& row : baseRows())
    {
        SCOPED_TRACE(row.what);
        BaseProbe<AudioEffect> probe;
        probe.answer = row.answer;
        AEffect* e = probe.getAeffect();
        EXPECT_EQ(dispatch(e, row.opcode, row.index, row.value, row.ptr, row.opt), row.expected);
        EXPECT_EQ(probe.calls, row.calls);
    }
}

TEST(BaseDispatcher, SameTableThroughTheExtendedDispatcher)
{
    for (const Row& row : baseRows())
    {
        SCOPED_TRACE(row.what);
        XProbe probe;
        probe.answer = row.answer;
        AEffect* e = probe.getAeffect();
        EXPECT_EQ(dispatch(e, row.opcode, row.index, row.value, row.ptr, row.opt), row.expected);
        EXPECT_EQ(probe.calls, row.calls);
    }
}

TEST(BaseDispatcher, ExtendedOpcodesAnswerZeroOnTheBaseClass)
{
    for (VstInt32 opcode : {25, 26, 50, 51, 58, 79, 80, 1000})
    {
        BaseProbe<AudioEffect> probe;
        probe.answer = 1;
        EXPECT_EQ(dispatch(probe.getAeffect(), opcode, 1, 1, buf, 1.0f), 0) << opcode;
        EXPECT_TRUE(probe.calls.empty()) << opcode;
    }
}

TEST(BaseDispatcher, NoProgramsIgnoresEverySetProgram)
{
    BaseProbe<AudioEffect> probe(nullptr, 0, 3);
    for (VstIntPtr value : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-1}})
        dispatch(probe.getAeffect(), effSetProgram, 0, value);
    EXPECT_TRUE(probe.calls.empty());
}

TEST(BaseDispatcher, DefaultsRoundTripThroughTheRecord)
{
    PlainEffect effect(nullptr, 3, 2);
    AEffect* e = effect.getAeffect();

    dispatch(e, effSetProgram, 0, 2);
    EXPECT_EQ(dispatch(e, effGetProgram), 2);

    dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(e, effSetBlockSize, 0, 256);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getBlockSize(), 256);

    for (VstInt32 opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName})
    {
        char text[8];
        std::memset(text, 'x', sizeof(text));
        EXPECT_EQ(dispatch(e, opcode, 0, 0, text), 0);
        EXPECT_EQ(text[0], 0) << opcode;
        EXPECT_EQ(text[1], 'x') << opcode;
        // A host that passes no buffer gets nothing written.
        EXPECT_EQ(dispatch(e, opcode, 0, 0, nullptr), 0);
    }

    void* chunk = buf;
    EXPECT_EQ(dispatch(e, effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(chunk, buf);
    EXPECT_EQ(dispatch(e, effSetChunk, 0, 16, buf), 0);
}

TEST(BaseDispatcher, EditorOpcodesReachAnAttachedEditor)
{
    struct Case
    {
        VstInt32 opcode;
        bool editorAnswer;
        VstIntPtr expected;
        const char* op;
    };
    const Case cases[] = {
        {effEditGetRect, true, 1, "getRect"},
        {effEditGetRect, false, 0, "getRect"},
        {effEditOpen, true, 1, "open"},
        {effEditOpen, false, 0, "open"},
        {effEditClose, true, 0, "close"},
        {effEditIdle, true, 0, "idle"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.op);
        PlainEffect effect;
        auto* ed = new FakeEditor;
        ed->answer = c.editorAnswer;
        effect.attachEditor(ed);

        ERect* rect = nullptr;
        void* ptr = c.opcode == effEditGetRect ? static_cast<void*>(&rect) : buf;
        EXPECT_EQ(dispatch(effect.getAeffect(), c.opcode, 0, 0, ptr), c.expected);
        ASSERT_EQ(ed->calls.size(), 1u);
        EXPECT_EQ(ed->calls[0].op, c.op);
        if (c.opcode == effEditGetRect)
        {
            EXPECT_EQ(rect, &ed->rect);
        }
        if (c.opcode == effEditOpen)
        {
            EXPECT_EQ(ed->calls[0].p, buf);
        }
    }
}

TEST(BaseDispatcher, GetRectWithoutEditorLeavesTheHostsPointer)
{
    PlainEffect effect;
    ERect sentinel{};
    ERect* rect = &sentinel;
    EXPECT_EQ(dispatch(effect.getAeffect(), effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, &sentinel);
}
