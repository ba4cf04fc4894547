#pragma once

#include "editor/VelmoAudioProcessorEditor.h"
#include "resources/VelmoImages.h"
#include "tests/processor/ProcessorTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace juce
{
// JUCE's Linux message loop step (juce_linux_Messaging.cpp): dispatches one
// pending message, or answers false at once when there is none.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
}

namespace EditorTest
{
// The children by z-order, bottom to top.
enum Child
{
    backgroundChild,
    levelMeterChild,
    colorKnobChild,
    gainKnobChild,
    punchKnobChild,
    compressorSwitchChild,
    bottomBarChild,
    linkButtonChild,
    powerButtonChild,
    childCount
};

inline const char* childName(int index)
{
    static const char* const names[] = {"background", "levelMeter", "colorKnob", "gainKnob", "punchKnob",
        "compressorSwitch", "bottomBar", "linkButton", "powerButton"};
    return index >= 0 && index < childCount ? names[index] : "?";
}

inline const juce::Rectangle<int> childBounds[] = {
    {0, 0, 450, 450},
    {80, 19, 285, 64},
    {78, 329, 70, 70},
    {298, 329, 70, 70},
    {126, 110, 201, 201},
    {200, 403, 51, 22},
    {0, 450, 450, 30},
    {0, 451, 67, 29},
    {388, 450, 62, 30},
};

//==========================================================================
// The embedded images, decoded here independently of the editor.
struct Images
{
    static juce::Image decode(const char* data, int size)
    {
        return juce::ImageFileFormat::loadFrom(data, (size_t) size);
    }

    juce::Image background = decode(VelmoImages::background_png, VelmoImages::background_pngSize);
    juce::Image punchKnob = decode(VelmoImages::punch_knob_png, VelmoImages::punch_knob_pngSize);
    juce::Image smallKnob = decode(VelmoImages::small_knob_png, VelmoImages::small_knob_pngSize);
    juce::Image meter = decode(VelmoImages::meter_png, VelmoImages::meter_pngSize);
    juce::Image bottomBar = decode(VelmoImages::bottom_bar_png, VelmoImages::bottom_bar_pngSize);
    juce::Image link = decode(VelmoImages::link_button_png, VelmoImages::link_button_pngSize);
    juce::Image power = decode(VelmoImages::power_png, VelmoImages::power_pngSize);
    juce::Image powerDown = decode(VelmoImages::power_down_png, VelmoImages::power_down_pngSize);
    juce::Image switchDown = decode(VelmoImages::switch_down_png, VelmoImages::switch_down_pngSize);
    juce::Image switchUp = decode(VelmoImages::switch_png, VelmoImages::switch_pngSize);

    static juce::Image frame(const juce::Image& strip, int frames, int index)
    {
        const int h = strip.getHeight() / frames;
        return strip.getClippedImage({0, index * h, strip.getWidth(), h});
    }
};

inline const Images& images()
{
    static const Images decoded;
    return decoded;
}

// What the window should show: the frame of every strip and whether the
// two toggling buttons show their down image.
struct Look
{
    int meterFrame = 25;
    int colorFrame = 0;
    int gainFrame = 32;
    int punchFrame = 0;
    bool compressorDown = true;
    bool powerDown = true;
};

// The window composed from the decoded images in z-order, each drawn one
// to one at its child's position.
inline juce::Image expectedPicture(const Look& look)
{
    const auto& im = images();
    juce::Image out(juce::Image::ARGB, 450, 480, true);
    juce::Graphics g(out);

    const auto put = [&g](const juce::Image& image, Child child)
    { g.drawImageAt(image, childBounds[child].getX(), childBounds[child].getY()); };

    put(im.background, backgroundChild);
    put(Images::frame(im.meter, 26, look.meterFrame), levelMeterChild);
    put(Images::frame(im.smallKnob, 65, look.colorFrame), colorKnobChild);
    put(Images::frame(im.smallKnob, 65, look.gainFrame), gainKnobChild);
    put(Images::frame(im.punchKnob, 66, look.punchFrame), punchKnobChild);
    put(look.compressorDown ? im.switchDown : im.switchUp, compressorSwitchChild);
    put(im.bottomBar, bottomBarChild);
    put(im.link, linkButtonChild);
    put(look.powerDown ? im.powerDown : im.power, powerButtonChild);
    return out;
}

// The topmost child under a pixel, for failure messages.
inline const char* childAt(juce::Point<int> p)
{
    for (int i = childCount; --i >= 0;)
        if (childBounds[i].contains(p))
            return childName(i);
    return "no child";
}

// Pixel-true comparison of two pictures within an area.
inline ::testing::AssertionResult samePixels(
    const juce::Image& actual, const juce::Image& expected, juce::Rectangle<int> area)
{
    int differing = 0;
    juce::Point<int> first;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (actual.getPixelAt(x, y) != expected.getPixelAt(x, y))
                if (differing++ == 0)
                    first = {x, y};

    if (differing == 0)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << differing << " pixels differ in " << area.toString() << ", the first at "
                                         << first.toString() << " (" << childAt(first)
                                         << "): " << actual.getPixelAt(first.x, first.y).toString() << " instead of "
                                         << expected.getPixelAt(first.x, first.y).toString();
}

//==========================================================================
// Delivers posted messages (async clicks, timer ticks) until `done` holds
// or the time runs out; answers whether `done` held.
template <typename Condition>
bool pumpUntil(Condition done, int timeoutMs = 3000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (!done())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;

        if (!juce::dispatchNextMessageOnSystemQueue(true))
            juce::Thread::sleep(1);
    }

    return true;
}

// Stands in for the VST wrapper: records every change reported to the host.
using HostRecorder = ProcessorTest::HostRecorder;

//==========================================================================
// A processor with a recording host, and its editor made by createEditor.
class EditorFixture : public ::testing::Test
{
protected:
    EditorFixture() { processor.addListener(&host); }

    ~EditorFixture() override
    {
        editor.reset();
        processor.removeListener(&host);
    }

    void openEditor()
    {
        editor.reset(dynamic_cast<VelmoAudioProcessorEditor*>(processor.createEditor()));
        ASSERT_NE(editor, nullptr);
    }

    template <typename Type>
    Type& child(int index) const
    {
        if (auto* c = dynamic_cast<Type*>(editor->getChildComponent(index)))
            return *c;
        throw std::runtime_error(std::string("unexpected component at the place of ") + childName(index));
    }

    juce::Slider& knob(int index) const { return child<juce::Slider>(index); }
    juce::Button& button(int index) const { return child<juce::Button>(index); }

    juce::Image snapshot() const { return editor->createComponentSnapshot(editor->getLocalBounds()); }

    // Clicks a button the way the framework does (asynchronously), waits
    // for the click, then lets the button go back to its normal state as
    // when the mouse has left it (the click flashes it down).
    void click(int index)
    {
        auto& b = button(index);
        const bool toggledBefore = b.getToggleState();
        int clicks = 0;
        struct Counter : juce::Button::Listener
        {
            explicit Counter(int& n) : count(n) {}
            void buttonClicked(juce::Button*) override { ++count; }
            int& count;
        } counter(clicks);

        b.addListener(&counter);
        b.triggerClick();
        const bool handled = pumpUntil([&] { return clicks > 0; });
        b.removeListener(&counter);
        b.setState(juce::Button::buttonNormal);

        ASSERT_TRUE(handled) << "the click on " << childName(index) << " was not delivered";
        if (b.getClickingTogglesState())
        {
            ASSERT_NE(b.getToggleState(), toggledBefore);
        }
    }

    juce::ScopedJuceInitialiser_GUI gui;
    VelmoAudioProcessor processor;
    HostRecorder host;
    std::unique_ptr<VelmoAudioProcessorEditor> editor;
};

inline void setParameters(VelmoAudioProcessor& p, float gain, float punch, float color)
{
    p.setParameter(VelmoAudioProcessor::gainParam, gain);
    p.setParameter(VelmoAudioProcessor::punchParam, punch);
    p.setParameter(VelmoAudioProcessor::colorParam, color);
}
}
