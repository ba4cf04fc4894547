// The effect record as the host sees it, and the six entries.
#include "tests/vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vsttest;

namespace
{
template <typename T>
T fieldAt(const AEffect* e, std::size_t offset)
{
    T v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(e) + offset, sizeof(T));
    return v;
}

bool allZero(const AEffect* e, std::size_t from, std::size_t count)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(e) + from;
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}
} // namespace

TEST(EffectRecord, FreshRecordHasTheConstructorValuesAtTheInterfaceOffsets)
{
    PlainEffect effect(nullptr, 5, 7);
    const AEffect* e = effect.getAeffect();

    // Offsets of the x86-64 and the 32-bit build.
    struct Layout
    {
        std::size_t size, dispatcher, numPrograms, numParams, numInputs, numOutputs, flags, resvd1, resvd2,
            initialDelay, realQualities, offQualities, ioRatio, object, user, uniqueID, version, processReplacing,
            future;
    };
    const Layout l = k64 ? Layout{192, 8, 40, 44, 48, 52, 56, 64, 72, 80, 84, 88, 92, 96, 104, 112, 116, 120, 136}
                         : Layout{144, 4, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60, 64, 68, 72, 76, 80, 88};
    ASSERT_EQ(sizeof(AEffect), l.size);

    const unsigned char magicBytes[4] = {0x50, 0x74, 0x73, 0x56};
    EXPECT_EQ(std::memcmp(e, magicBytes, 4), 0);
    EXPECT_EQ(e->magic, kEffectMagic);

    EXPECT_EQ(fieldAt<VstInt32>(e, l.numPrograms), 5);
    EXPECT_EQ(fieldAt<VstInt32>(e, l.numParams), 7);
    EXPECT_EQ(fieldAt<VstInt32>(e, l.numInputs), 1);
    EXPECT_EQ(fieldAt<VstInt32>(e, l.numOutputs), 2);
    EXPECT_EQ(fieldAt<VstInt32>(e, l.flags), 0x10);
    EXPECT_EQ(fieldAt<float>(e, l.ioRatio), 1.0f);
    EXPECT_EQ(fieldAt<void*>(e, l.object), static_cast<void*>(&effect));
    EXPECT_EQ(fieldAt<VstInt32>(e, l.uniqueID), 0x4E6F4566);
    EXPECT_EQ(fieldAt<VstInt32>(e, l.version), 1);

    EXPECT_EQ(fieldAt<AEffectDispatcherProc>(e, l.dispatcher), &AudioEffect::dispatchEffectClass);
    EXPECT_EQ(e->process, &AudioEffect::processClass);
    EXPECT_EQ(e->setParameter, &AudioEffect::setParameterClass);
    EXPECT_EQ(e->getParameter, &AudioEffect::getParameterClass);
    EXPECT_EQ(fieldAt<AEffectProcessProc>(e, l.processReplacing), &AudioEffect::processClassReplacing);
    EXPECT_EQ(e->processDoubleReplacing, &AudioEffect::processClassDoubleReplacing);

    EXPECT_TRUE(allZero(e, l.resvd1, sizeof(VstIntPtr)));
    EXPECT_TRUE(allZero(e, l.resvd2, sizeof(VstIntPtr)));
    EXPECT_TRUE(allZero(e, l.initialDelay, 12)); // initialDelay, realQualities, offQualities
    EXPECT_TRUE(allZero(e, l.user, sizeof(void*)));
    EXPECT_TRUE(allZero(e, l.future, 56));
    if (k64)
    {
        EXPECT_TRUE(allZero(e, 4, 4));
        EXPECT_TRUE(allZero(e, 60, 4));
    }
}

TEST(EffectRecord, EntriesForwardToTheObject)
{
    BaseProbe<AudioEffect> probe;
    AEffect* e = probe.getAeffect();
    float* in[2] = {};
    float* out[2] = {};
    double* din[2] = {};
    double* dout[2] = {};

    probe.answer = 3;
    EXPECT_EQ(e->getParameter(e, 2), 0.75f);
    e->setParameter(e, 1, 0.25f);
    e->process(e, in, out, 64);
    e->processReplacing(e, in, out, 128);
    e->processDoubleReplacing(e, din, dout, 256);

    const std::vector<Call> expected = {
        {"getParameter", 2},
        {"setParameter", 1, 0, nullptr, nullptr, 0.25f},
        {"process", 64, 0, in, out},
        {"processReplacing", 128, 0, in, out},
        {"processDoubleReplacing", 256, 0, din, dout},
    };
    EXPECT_EQ(probe.calls, expected);
}

TEST(EffectRecord, DefaultProcessEntriesLeaveOutputsUntouched)
{
    PlainEffect effect;
    AEffect* e = effect.getAeffect();
    float fbuf[4] = {1, 2, 3, 4};
    double dbuf[4] = {5, 6, 7, 8};
    float* fch[1] = {fbuf};
    double* dch[1] = {dbuf};

    e->process(e, fch, fch, 4);
    e->processDoubleReplacing(e, dch, dch, 4);
    EXPECT_EQ(fbuf[3], 4.0f);
    EXPECT_EQ(dbuf[0], 5.0);
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
}

namespace
{
struct Closing : PlainEffect
{
    std::vector<std::string>* log;
    explicit Closing(std::vector<std::string>* l) : log(l) {}
    ~Closing() override { log->push_back("destructor"); }
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override
    {
        log->push_back("dispatcher " + std::to_string(opcode));
        AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
        return 7;
    }
    void close() override { log->push_back("close"); }
};
} // namespace

TEST(EffectRecord, CloseAnswersOneAndDeletesTheObject)
{
    std::vector<std::string> log;
    auto* effect = new Closing(&log);
    AEffect* e = effect->getAeffect();

    EXPECT_EQ(dispatch(e, effOpen), 7); // other opcodes pass the dispatcher's answer
    EXPECT_EQ(dispatch(e, effClose), 1);

    const std::vector<std::string> expected = {"dispatcher 0", "dispatcher 1", "close", "destructor"};
    EXPECT_EQ(log, expected);
}

TEST(EffectRecord, DestructorDeletesAnAttachedEditor)
{
    bool destroyed = false;
    {
        PlainEffect effect;
        effect.attachEditor(new FakeEditor(&destroyed));
        EXPECT_NE(effect.getEditor(), nullptr);
    }
    EXPECT_TRUE(destroyed);
}
