// What a host learns of the plug-in: the record, identity, abilities and parameters.
#include "PluginTestSupport.h"

#include <cstdint>
#include <cstring>

using namespace PluginTest;

TEST(PluginIdentity, RecordCarriesTheIdentityAndFlags)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    const AEffect& e = *plugin->effect();

    EXPECT_EQ(e.magic, kEffectMagic);
    EXPECT_EQ(e.uniqueID, fourCC("Vlmo"));
    EXPECT_EQ(e.version, 120);
    EXPECT_EQ(e.numPrograms, 0);
    EXPECT_EQ(e.numParams, 3);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.flags, 0x231);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_NE(e.object, nullptr);
    EXPECT_NE(e.processReplacing, nullptr);
}

// The bytes of the record at the interface's offsets, read without the host's
// own record type: 192 bytes in a 64-bit process, 144 in a 32-bit one.
TEST(PluginIdentity, RecordHasTheInterfaceLayout)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    const auto* bytes = reinterpret_cast<const unsigned char*>(plugin->effect());
    auto int32At = [bytes](std::size_t offset)
    {
        std::int32_t v;
        std::memcpy(&v, bytes + offset, sizeof v);
        return v;
    };
    auto pointerAt = [bytes](std::size_t offset)
    {
        void* v;
        std::memcpy(&v, bytes + offset, sizeof v);
        return v;
    };

    struct Layout
    {
        std::size_t size, numParams, flags, object, uniqueID, version, processReplacing, future;
    };
    constexpr bool is64 = sizeof(void*) == 8;
    const Layout l = is64 ? Layout{192, 44, 56, 96, 112, 116, 120, 136} : Layout{144, 24, 36, 64, 72, 76, 80, 88};

    EXPECT_EQ(int32At(0), kEffectMagic);
    EXPECT_EQ(int32At(l.numParams), 3);
    EXPECT_EQ(int32At(l.flags), 0x231);
    EXPECT_NE(pointerAt(l.object), nullptr);
    EXPECT_EQ(int32At(l.uniqueID), fourCC("Vlmo"));
    EXPECT_EQ(int32At(l.version), 120);
    EXPECT_NE(pointerAt(l.processReplacing), nullptr);
    EXPECT_EQ(l.future + 56, l.size);
    for (std::size_t i = l.future; i < l.size; ++i)
        EXPECT_EQ(bytes[i], 0) << "future byte " << i - l.future;
}

TEST(PluginIdentity, EntryAsksTheHostVersionFirstAndRefusesAHostAnsweringZero)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    const auto calls = plugin->calls().calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().opcode, audioMasterVersion);

    HostSettings oldHost;
    oldHost.vstVersion = 0;
    std::string error;
    EXPECT_EQ(Plugin::create(library(), error, oldHost), nullptr);
    EXPECT_EQ(library()->entry()(nullptr), nullptr);
}

TEST(PluginIdentity, AnswersTheIdentityQueries)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);

    struct TextCase
    {
        const char* what;
        TextAnswer answer;
        const char* text;
    };
    const TextCase texts[] = {
        {"effect name", plugin->effectName(), "Velmo"},
        {"vendor", plugin->vendorString(), "Tallowick"},
        {"product", plugin->productString(), "Velmo"},
        {"program name", plugin->programName(), ""},
    };
    for (const auto& t : texts)
    {
        EXPECT_EQ(t.answer.text, t.text) << t.what;
        EXPECT_FALSE(t.answer.overrun) << t.what;
    }
    EXPECT_EQ(plugin->effectName().result, 1);
    EXPECT_EQ(plugin->vendorVersion(), 120);
    EXPECT_EQ(plugin->vstVersion(), 2400);
    EXPECT_EQ(plugin->plugCategory(), kPlugCategEffect);
    EXPECT_EQ(plugin->tailSize(), 0);
    EXPECT_EQ(plugin->dispatch(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(plugin->dispatch(effGetNumMidiOutputChannels), 0);
    EXPECT_EQ(plugin->dispatch(effSetProcessPrecision, 0, 1), 0); // no double precision
}

TEST(PluginIdentity, CanDoAnswers)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    const std::pair<const char*, VstIntPtr> cases[] = {
        {"sendVstEvents", -1},
        {"sendVstMidiEvent", -1},
        {"sendVstMidiEvents", -1},
        {"receiveVstEvents", -1},
        {"receiveVstMidiEvent", -1},
        {"receiveVstMidiEvents", -1},
        {"openCloseAnyThread", -1},
        {"receiveVstTimeInfo", 1},
        {"conformsToWindowRules", 1},
        {"bypass", 1},
        {"offline", 0},
        {"midiProgramNames", 0},
        {"", 0},
        {"Bypass", 0},
        {"bypass ", 0},
    };
    for (const auto& [query, answer] : cases)
        EXPECT_EQ(plugin->canDo(query), answer) << '"' << query << '"';
    EXPECT_EQ(plugin->dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST(PluginIdentity, ParametersHaveNamesTextsAndNoLabels)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);

    const char* const names[] = {"Gain", "Punch", "Color"};
    const float defaults[] = {0.5f, 0.0f, 0.0f};
    for (VstInt32 i = 0; i < 3; ++i)
    {
        EXPECT_EQ(plugin->parameterName(i).text, names[i]);
        EXPECT_EQ(plugin->parameterLabel(i).text, "");
        EXPECT_EQ(plugin->getParameter(i), defaults[i]);
        EXPECT_TRUE(plugin->canBeAutomated(i));
    }
    EXPECT_FALSE(plugin->canBeAutomated(3));
    EXPECT_FALSE(plugin->canBeAutomated(-1));

    const std::pair<float, const char*> displays[] = {
        {0.0f, "0.00"},
        {0.5f, "0.50"},
        {1.0f, "1.00"},
        {0.125f, "0.13"},
        {0.375f, "0.38"},
        {0.994f, "0.99"},
    };
    for (const auto& [value, text] : displays)
    {
        plugin->setParameter(1, value);
        EXPECT_EQ(plugin->getParameter(1), value);
        EXPECT_EQ(plugin->parameterDisplay(1).text, text) << value;
    }
}

TEST(PluginIdentity, TextsStayWithinTheHostBuffers)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);

    // Long renderings (huge values) and unknown indices are cut and terminated.
    const float values[] = {12345678.0f, -1.0e9f, std::nanf(""), INFINITY};
    for (float v : values)
    {
        plugin->setParameter(0, v);
        const TextAnswer display = plugin->parameterDisplay(0);
        EXPECT_FALSE(display.overrun) << v;
        EXPECT_LE(display.text.size(), static_cast<std::size_t>(kVstMaxParamStrLen)) << v;
    }
    for (VstInt32 index : {-1, 3, 1000})
    {
        for (const TextAnswer& t :
            {plugin->parameterName(index), plugin->parameterDisplay(index), plugin->parameterLabel(index)})
        {
            EXPECT_EQ(t.text, "") << index;
            EXPECT_FALSE(t.overrun) << index;
        }
        EXPECT_EQ(plugin->getParameter(index), 0.0f);
        plugin->setParameter(index, 0.3f); // ignored
    }
}
