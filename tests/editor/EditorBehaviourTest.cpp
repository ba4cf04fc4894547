#include "tests/editor/EditorTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <ostream>
#include <set>

using namespace EditorTest;

//==============================================================================
// Meter

struct MeterCase
{
    const char* label;
    float level;
    double value;
    int frame;
};

void PrintTo(const MeterCase& c, std::ostream* os)
{
    *os << c.label;
}

class EditorMeter : public EditorFixture, public ::testing::WithParamInterface<MeterCase>
{
};

TEST_P(EditorMeter, TickShowsTheLeftLevel)
{
    const auto c = GetParam();
    openEditor();
    auto& meter = knob(levelMeterChild);

    processor.meter.levelL = c.level;
    processor.meter.levelR = 1.0f; // not displayed
    editor->timerCallback();

    EXPECT_EQ(meter.getValue(), c.value);

    Look look;
    look.meterFrame = c.frame;
    const auto picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), childBounds[levelMeterChild]));

    Look neighbour = look;
    neighbour.meterFrame += c.frame < 25 ? 1 : -1;
    EXPECT_FALSE(samePixels(picture, expectedPicture(neighbour), childBounds[levelMeterChild]));
    EXPECT_TRUE(host.changes.empty());
}

namespace
{
float dbToLevel(float db)
{
    return std::pow(10.0f, db / 20.0f);
}
}

INSTANTIATE_TEST_SUITE_P(Levels, EditorMeter,
    ::testing::Values(MeterCase{"silence", 0.0f, 0.0, 0}, MeterCase{"negative zero", -0.0f, 0.0, 0},
        MeterCase{"0.001 (-60 dB)", 0.001f, 1.0, 0}, MeterCase{"1e-30 (below the -100 dB floor)", 1e-30f, 1.0, 0},
        MeterCase{"-42.5 dB", dbToLevel(-42.5f), 1.0, 0}, MeterCase{"-41.5 dB", dbToLevel(-41.5f), 2.0, 1},
        MeterCase{"-30.5 dB", dbToLevel(-30.5f), 13.0, 12}, MeterCase{"-20.5 dB", dbToLevel(-20.5f), 23.0, 22},
        MeterCase{"0.1 (-20 dB)", 0.1f, 23.0, 22}, MeterCase{"-19.5 dB", dbToLevel(-19.5f), 24.0, 23},
        MeterCase{"0.11 (-19.2 dB)", 0.11f, 24.0, 23}, MeterCase{"0.12 (-18.4 dB)", 0.12f, 26.0, 25},
        MeterCase{"1.0 (0 dB)", 1.0f, 26.0, 25}, MeterCase{"2.0 (+6 dB)", 2.0f, 26.0, 25},
        MeterCase{"infinity", std::numeric_limits<float>::infinity(), 26.0, 25}, MeterCase{"negative", -0.5f, 1.0, 0},
        MeterCase{"NaN", std::numeric_limits<float>::quiet_NaN(), 1.0, 0}));

using EditorMeterTicks = EditorFixture;

// From -100 dB to +6 dB every value from 1 to 24 and 26 appears, never 25:
// the meter jumps from frame 23 to frame 25.
TEST_F(EditorMeterTicks, SweepSkipsValue25)
{
    openEditor();
    auto& meter = knob(levelMeterChild);

    std::set<int> seen;
    double previous = 0.0;
    for (int step = 0; step <= 2120; ++step)
    {
        processor.meter.levelL = dbToLevel(-100.0f + 0.05f * (float) step);
        editor->timerCallback();
        const double v = meter.getValue();
        EXPECT_GE(v, previous) << "level " << processor.meter.levelL.load();
        previous = v;
        seen.insert((int) v);
    }

    std::set<int> expected;
    for (int v = 1; v <= 24; ++v)
        expected.insert(v);
    expected.insert(26);
    EXPECT_EQ(seen, expected);
}

// The editor's own 50 ms timer drives the meter.
TEST_F(EditorMeterTicks, FollowsTheLevelOnItsTimer)
{
    openEditor();
    EXPECT_TRUE(editor->isTimerRunning());
    EXPECT_EQ(editor->getTimerInterval(), 50);

    processor.meter.levelL = 0.1f;
    EXPECT_TRUE(pumpUntil([&] { return knob(levelMeterChild).getValue() == 23.0; }));

    processor.meter.levelL = 0.0f;
    EXPECT_TRUE(pumpUntil([&] { return knob(levelMeterChild).getValue() == 0.0; }));
}

//==============================================================================
// Knobs and the host

struct KnobCase
{
    Child knob;
    int parameter;
};

void PrintTo(const KnobCase& c, std::ostream* os)
{
    *os << childName(c.knob);
}

class EditorKnobTurn : public EditorFixture, public ::testing::WithParamInterface<KnobCase>
{
};

// Each value change of a knob reaches the host once, as the knob's value; the
// change message that comes back leaves the knob alone and sends nothing.
TEST_P(EditorKnobTurn, SendsEachValueChangeOnce)
{
    const auto c = GetParam();
    openEditor();
    auto& k = knob(c.knob);
    k.setValue(0.25, juce::dontSendNotification); // a known start, away from every test value

    struct Step
    {
        double turnTo;
        bool changes;
        double shown;
    };
    const Step steps[] = {
        {0.42, true, 0.42},
        {0.4249, false, 0.42}, // same step
        {0.426, true, 0.43},
        {0.37, true, 0.37},
        {1.7, true, 1.0}, // clamped
        {1.0, false, 1.0},
        {0.0, true, 0.0},
    };

    size_t expectedChanges = 0;
    for (const auto& s : steps)
    {
        k.setValue(s.turnTo, juce::sendNotificationSync); // as a drag does
        expectedChanges += s.changes ? 1 : 0;

        ASSERT_EQ(host.changes.size(), expectedChanges) << "turned to " << s.turnTo;
        EXPECT_NEAR(k.getValue(), s.shown, 1e-12);
        EXPECT_EQ(host.changes.back().index, c.parameter);
        EXPECT_EQ(host.changes.back().value, (float) k.getValue());
        EXPECT_EQ(processor.getParameter(c.parameter), (float) k.getValue());

        const double before = k.getValue();
        processor.dispatchPendingMessages();
        EXPECT_EQ(k.getValue(), before) << "turned to " << s.turnTo;
        EXPECT_EQ(host.changes.size(), expectedChanges) << "turned to " << s.turnTo;
    }
}

INSTANTIATE_TEST_SUITE_P(Knobs, EditorKnobTurn,
    ::testing::Values(KnobCase{gainKnobChild, VelmoAudioProcessor::gainParam},
        KnobCase{punchKnobChild, VelmoAudioProcessor::punchParam},
        KnobCase{colorKnobChild, VelmoAudioProcessor::colorParam}),
    [](const auto& info) { return std::string(childName(info.param.knob)); });

using EditorKnobs = EditorFixture;

TEST_F(EditorKnobs, MeterValueChangesReachNoParameter)
{
    openEditor();
    knob(levelMeterChild).setValue(3.0, juce::sendNotificationSync);
    editor->sliderValueChanged(&knob(levelMeterChild));
    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(processor.getParameter(0), 0.5f);
    EXPECT_EQ(processor.getParameter(1), 0.0f);
    EXPECT_EQ(processor.getParameter(2), 0.0f);
}

// Host automation reaches the knobs through the change message, silently.
TEST_F(EditorKnobs, HostChangesMoveTheKnobsWithoutNotifying)
{
    openEditor();

    processor.setParameter(VelmoAudioProcessor::punchParam, 0.5f);
    EXPECT_EQ(knob(punchKnobChild).getValue(), 0.0); // the message is still on its way
    processor.dispatchPendingMessages();
    EXPECT_EQ(knob(punchKnobChild).getValue(), 0.5);

    Look look;
    look.punchFrame = 32;
    auto picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), picture.getBounds()));

    // Several changes, one message; a value between two steps shows at the
    // nearest step while the processor keeps it exactly.
    setParameters(processor, 0.374f, 1.0f, 0.99f);
    processor.dispatchPendingMessages();
    EXPECT_NEAR(knob(gainKnobChild).getValue(), 0.37, 1e-12);
    EXPECT_EQ(knob(punchKnobChild).getValue(), 1.0);
    EXPECT_NEAR(knob(colorKnobChild).getValue(), 0.99, 1e-12);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::gainParam), 0.374f);

    look.gainFrame = 23;
    look.punchFrame = 65;
    look.colorFrame = 63;
    picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), picture.getBounds()));

    // A refresh with nothing new changes nothing.
    editor->changeListenerCallback(&processor);
    EXPECT_NEAR(knob(gainKnobChild).getValue(), 0.37, 1e-12);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::gainParam), 0.374f);

    EXPECT_TRUE(host.changes.empty());
}

//==============================================================================
// Buttons

struct SwitchButtonCase
{
    Child button;
    std::atomic<bool> VelmoAudioProcessor::*flag;
    std::atomic<bool> VelmoAudioProcessor::*otherFlag;
};

void PrintTo(const SwitchButtonCase& c, std::ostream* os)
{
    *os << childName(c.button);
}

class EditorSwitchClick : public EditorFixture, public ::testing::WithParamInterface<SwitchButtonCase>
{
};

// Two clicks flip the flag and the button's picture and bring both back.
TEST_P(EditorSwitchClick, TwoClicksReturnToTheStart)
{
    const auto c = GetParam();
    setParameters(processor, 0.3f, 0.6f, 0.9f);
    processor.meter.levelL = 1.0f; // timer ticks while clicking keep the meter at 26
    openEditor();
    const auto start = snapshot();
    auto& b = button(c.button);

    click(c.button);
    EXPECT_TRUE((processor.*c.flag).load());
    EXPECT_FALSE((processor.*c.otherFlag).load());
    EXPECT_FALSE(b.getToggleState());

    Look look;
    look.gainFrame = 19;  // trunc (0.3 * 64)
    look.punchFrame = 39; // trunc (0.6 * 65)
    look.colorFrame = 57; // trunc (0.9 * 64)
    look.powerDown = c.button != powerButtonChild;
    look.compressorDown = c.button != compressorSwitchChild;
    const auto picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), picture.getBounds()));

    click(c.button);
    EXPECT_FALSE((processor.*c.flag).load());
    EXPECT_FALSE((processor.*c.otherFlag).load());
    EXPECT_TRUE(b.getToggleState());
    EXPECT_TRUE(samePixels(snapshot(), start, start.getBounds()));

    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::gainParam), 0.3f);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::punchParam), 0.6f);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::colorParam), 0.9f);
}

INSTANTIATE_TEST_SUITE_P(Switches, EditorSwitchClick,
    ::testing::Values(
        SwitchButtonCase{powerButtonChild, &VelmoAudioProcessor::bypassed, &VelmoAudioProcessor::compressorBypassed},
        SwitchButtonCase{
            compressorSwitchChild, &VelmoAudioProcessor::compressorBypassed, &VelmoAudioProcessor::bypassed}),
    [](const auto& info) { return std::string(childName(info.param.button)); });

#if !JUCE_WINDOWS
namespace
{
// A fresh temporary directory, first on PATH while the object lives.
struct CommandDirectory
{
    CommandDirectory()
    {
        if (const char* p = std::getenv("PATH"))
            savedPath = p;
        dir.createDirectory();
        ::setenv("PATH", (dir.getFullPathName() + ":" + savedPath).toRawUTF8(), 1);
    }

    ~CommandDirectory()
    {
        ::setenv("PATH", savedPath.toRawUTF8(), 1);
        dir.deleteRecursively();
    }

    const juce::File dir =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("velmo-link-test", "");
    juce::String savedPath;
};
}
#endif

using EditorLink = EditorFixture;

// JUCE hands the address to xdg-open; a recording stand-in takes its place.
TEST_F(EditorLink, LinkButtonOpensTheMakersSiteAndNothingElse)
{
#if JUCE_WINDOWS
    GTEST_SKIP() << "Windows hands the address to ShellExecute; a stand-in for the browser is a Linux program";
#else
    const CommandDirectory commands;
    ASSERT_TRUE(commands.dir.isDirectory());
    const auto record = commands.dir.getChildFile("calls.txt");
    const auto standIn = commands.dir.getChildFile("xdg-open");
    ASSERT_TRUE(standIn.replaceWithText(
        "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + record.getFullPathName() + "'\n", false, false, "\n"));
    ASSERT_TRUE(standIn.setExecutePermission(true));

    setParameters(processor, 0.3f, 0.6f, 0.9f);
    processor.compressorBypassed = true;
    processor.meter.levelL = 1.0f; // timer ticks while clicking keep the meter at 26
    openEditor();
    const auto before = snapshot();

    click(linkButtonChild);
    const bool called = pumpUntil([&] { return record.loadFileAsString().endsWithChar('\n'); }, 10000);
    ASSERT_TRUE(called) << "xdg-open was not called";
    juce::Thread::sleep(100); // a second call would have arrived by now
    EXPECT_EQ(record.loadFileAsString(), "https://www.tallowick.com/velmo\n");

    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::gainParam), 0.3f);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::punchParam), 0.6f);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::colorParam), 0.9f);
    EXPECT_FALSE(processor.bypassed.load());
    EXPECT_TRUE(processor.compressorBypassed.load());
    EXPECT_TRUE(button(powerButtonChild).getToggleState());
    EXPECT_FALSE(button(compressorSwitchChild).getToggleState());
    EXPECT_FALSE(button(linkButtonChild).getToggleState());
    EXPECT_TRUE(samePixels(snapshot(), before, before.getBounds()));
#endif
}

//==============================================================================
// Closing

using EditorClosing = EditorFixture;

// The change listener and the timer are gone before the first child goes;
// the children go in reverse order of declaration.
TEST_F(EditorClosing, StopsCallbacksBeforeTheChildrenGo)
{
    openEditor();

    struct Watcher : juce::ComponentListener
    {
        void componentBeingDeleted(juce::Component& c) override { onDeleted(c); }
        std::function<void(juce::Component&)> onDeleted;
    } watcher;

    std::map<juce::Component*, int> indexOf;
    for (int i = 0; i < childCount; ++i)
    {
        indexOf[editor->getChildComponent(i)] = i;
        editor->getChildComponent(i)->addComponentListener(&watcher);
    }

    juce::Timer& timer = *editor;
    auto& color = knob(colorKnobChild);
    std::vector<int> order;

    watcher.onDeleted = [&](juce::Component& c)
    {
        order.push_back(indexOf[&c]);
        EXPECT_FALSE(timer.isTimerRunning()) << "while deleting " << childName(indexOf[&c]);

        if (order.size() == 1)
        {
            // The knobs are still there: a change message must not reach them.
            processor.setParameter(VelmoAudioProcessor::colorParam, 0.9f);
            processor.dispatchPendingMessages();
            EXPECT_EQ(color.getValue(), 0.0);
        }
    };

    editor.reset();

    const std::vector<int> expected{compressorSwitchChild, powerButtonChild, linkButtonChild, bottomBarChild,
        backgroundChild, levelMeterChild, punchKnobChild, gainKnobChild, colorKnobChild};
    EXPECT_EQ(order, expected);

    // Nothing is left behind to call back.
    processor.meter.levelL = 0.5f;
    processor.setParameter(VelmoAudioProcessor::gainParam, 0.1f);
    processor.dispatchPendingMessages();
    pumpUntil([] { return false; }, 150);
    EXPECT_TRUE(host.changes.empty());
}
