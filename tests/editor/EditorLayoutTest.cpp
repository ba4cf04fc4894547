#include "tests/editor/EditorTestSupport.h"

#include <ostream>

using namespace EditorTest;

using EditorLayout = EditorFixture;

TEST_F(EditorLayout, ChildrenInZOrderWithTheirBoundsAndSettings)
{
    openEditor();

    EXPECT_EQ(editor->getWidth(), 450);
    EXPECT_EQ(editor->getHeight(), 480);
    EXPECT_EQ(editor->getAudioProcessor(), &processor);
    ASSERT_EQ(editor->getNumChildComponents(), (int) childCount);

    for (int i = 0; i < childCount; ++i)
    {
        auto* c = editor->getChildComponent(i);
        EXPECT_EQ(c->getBounds(), childBounds[i]) << childName(i);
        EXPECT_TRUE(c->isVisible()) << childName(i);
    }

    // Together the background and the bottom bar cover the window.
    EXPECT_EQ(childBounds[backgroundChild].getUnion(childBounds[bottomBarChild]), editor->getLocalBounds());

    EXPECT_NO_THROW(child<juce::ImageComponent>(backgroundChild));
    EXPECT_NO_THROW(child<juce::ImageComponent>(bottomBarChild));
    for (int b : {compressorSwitchChild, linkButtonChild, powerButtonChild})
        EXPECT_NO_THROW(child<juce::ImageButton>(b)) << childName(b);

    struct KnobSettings
    {
        Child child;
        double doubleClickValue;
    };
    for (const auto& k :
        {KnobSettings{colorKnobChild, 0.0}, KnobSettings{gainKnobChild, 0.5}, KnobSettings{punchKnobChild, 0.0}})
    {
        auto& s = child<FilmStripSlider>(k.child);
        EXPECT_EQ(s.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag) << childName(k.child);
        EXPECT_EQ(s.getTextBoxPosition(), juce::Slider::NoTextBox) << childName(k.child);
        EXPECT_EQ(s.getRange(), juce::Range<double>(0.0, 1.0)) << childName(k.child);
        EXPECT_EQ(s.getInterval(), 0.01) << childName(k.child);
        EXPECT_TRUE(s.isEnabled()) << childName(k.child);
        EXPECT_TRUE(s.isDoubleClickReturnEnabled()) << childName(k.child);
        EXPECT_EQ(s.getDoubleClickReturnValue(), k.doubleClickValue) << childName(k.child);
    }

    auto& meter = child<FilmStripSlider>(levelMeterChild);
    EXPECT_EQ(meter.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
    EXPECT_EQ(meter.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_FALSE(meter.isEnabled());
    EXPECT_EQ(meter.getAlpha(), 1.0f);
    EXPECT_EQ(meter.getRange(), juce::Range<double>(0.0, 26.0));
    EXPECT_EQ(meter.getInterval(), 1.0);
    EXPECT_EQ(meter.getValue(), 26.0); // until the first tick

    EXPECT_TRUE(button(compressorSwitchChild).getClickingTogglesState());
    EXPECT_TRUE(button(powerButtonChild).getClickingTogglesState());
    EXPECT_FALSE(button(linkButtonChild).getClickingTogglesState());
}

// The default processor: Gain 0.5 (frame 32), Punch and Color 0, meter at its
// last frame before the first tick, processing and compressor on (down images).
TEST_F(EditorLayout, DrawsEveryImageInItsPlace)
{
    openEditor();

    const auto picture = snapshot();
    ASSERT_EQ(picture.getBounds(), juce::Rectangle<int>(0, 0, 450, 480));
    EXPECT_TRUE(samePixels(picture, expectedPicture({}), picture.getBounds()));

    // The comparison tells the button states apart.
    Look upImages;
    upImages.compressorDown = false;
    upImages.powerDown = false;
    EXPECT_FALSE(samePixels(picture, expectedPicture(upImages), childBounds[powerButtonChild]));
    EXPECT_FALSE(samePixels(picture, expectedPicture(upImages), childBounds[compressorSwitchChild]));
}

TEST_F(EditorLayout, EveryEditorDecodesItsOwnImages)
{
    openEditor();
    VelmoAudioProcessorEditor second(processor);

    const auto first = child<juce::ImageComponent>(backgroundChild).getImage();
    const auto other = dynamic_cast<juce::ImageComponent&>(*second.getChildComponent(backgroundChild)).getImage();
    ASSERT_TRUE(first.isValid());
    ASSERT_TRUE(other.isValid());
    EXPECT_NE(first.getPixelData(), other.getPixelData());
}

//==============================================================================
struct OpeningCase
{
    float gain, punch, color;
    double gainKnob, punchKnob, colorKnob;
    int gainFrame, punchFrame, colorFrame;
};

void PrintTo(const OpeningCase& c, std::ostream* os)
{
    *os << "Gain " << c.gain << ", Punch " << c.punch << ", Color " << c.color;
}

class EditorOpening : public EditorFixture, public ::testing::WithParamInterface<OpeningCase>
{
};

// The knobs start at the processor's values, shown by their frames, and
// nothing reaches the host, neither at opening nor from the pending change.
TEST_P(EditorOpening, KnobsShowTheParametersWithoutNotifying)
{
    const auto c = GetParam();
    setParameters(processor, c.gain, c.punch, c.color);
    ASSERT_TRUE(host.changes.empty());

    openEditor();
    processor.dispatchPendingMessages();

    EXPECT_NEAR(knob(gainKnobChild).getValue(), c.gainKnob, 1e-12);
    EXPECT_NEAR(knob(punchKnobChild).getValue(), c.punchKnob, 1e-12);
    EXPECT_NEAR(knob(colorKnobChild).getValue(), c.colorKnob, 1e-12);
    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::gainParam), c.gain);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::punchParam), c.punch);
    EXPECT_EQ(processor.getParameter(VelmoAudioProcessor::colorParam), c.color);

    Look look;
    look.gainFrame = c.gainFrame;
    look.punchFrame = c.punchFrame;
    look.colorFrame = c.colorFrame;
    const auto picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), picture.getBounds()));

    // Neighbouring frames would have been seen.
    Look off = look;
    off.gainFrame += c.gainFrame < 64 ? 1 : -1;
    off.punchFrame += c.punchFrame < 65 ? 1 : -1;
    off.colorFrame += c.colorFrame < 64 ? 1 : -1;
    for (int k : {gainKnobChild, punchKnobChild, colorKnobChild})
        EXPECT_FALSE(samePixels(picture, expectedPicture(off), childBounds[k])) << childName(k);
}

INSTANTIATE_TEST_SUITE_P(Parameters, EditorOpening,
    ::testing::Values(
        // Small knobs: 65 frames, frame trunc(v * 64); Punch: 66 frames, trunc(v * 65).
        OpeningCase{0.37f, 1.0f, 0.0f, 0.37, 1.0, 0.0, 23, 65, 0},
        OpeningCase{0.0f, 0.5f, 1.0f, 0.0, 0.5, 1.0, 0, 32, 64},
        OpeningCase{1.0f, 0.01f, 0.99f, 1.0, 0.01, 0.99, 64, 0, 63},
        // A host value between two steps shows at the nearest step.
        OpeningCase{0.374f, 0.996f, 0.256f, 0.37, 1.0, 0.26, 23, 65, 16}));

//==============================================================================
struct SwitchCase
{
    bool bypassed, compressorBypassed;
};

void PrintTo(const SwitchCase& c, std::ostream* os)
{
    *os << "bypassed " << c.bypassed << ", compressor bypassed " << c.compressorBypassed;
}

class EditorSwitchesAtOpening : public EditorFixture, public ::testing::WithParamInterface<SwitchCase>
{
};

// A switch is toggled on (and shows its down image) while its function is active.
TEST_P(EditorSwitchesAtOpening, ShowTheProcessorFlags)
{
    const auto c = GetParam();
    processor.bypassed = c.bypassed;
    processor.compressorBypassed = c.compressorBypassed;

    openEditor();

    EXPECT_EQ(button(powerButtonChild).getToggleState(), !c.bypassed);
    EXPECT_EQ(button(compressorSwitchChild).getToggleState(), !c.compressorBypassed);
    EXPECT_FALSE(button(linkButtonChild).getToggleState());

    Look look;
    look.powerDown = !c.bypassed;
    look.compressorDown = !c.compressorBypassed;
    const auto picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), picture.getBounds()));

    // Opening reads the flags and leaves them alone.
    EXPECT_EQ(processor.bypassed.load(), c.bypassed);
    EXPECT_EQ(processor.compressorBypassed.load(), c.compressorBypassed);
}

INSTANTIATE_TEST_SUITE_P(Flags, EditorSwitchesAtOpening,
    ::testing::Values(
        SwitchCase{false, false}, SwitchCase{true, false}, SwitchCase{false, true}, SwitchCase{true, true}));

//==============================================================================
struct ButtonStateCase
{
    Child button;
    juce::Button::ButtonState state;
    bool showsDownImage;
};

void PrintTo(const ButtonStateCase& c, std::ostream* os)
{
    *os << childName(c.button) << " in state " << (int) c.state;
}

class EditorButtonStates : public EditorFixture, public ::testing::WithParamInterface<ButtonStateCase>
{
};

// With both switches toggled off: the normal image while the mouse is away
// or over the button, the down image while it is pressed.
TEST_P(EditorButtonStates, ShowTheImageOfTheState)
{
    const auto c = GetParam();
    processor.bypassed = true;
    processor.compressorBypassed = true;
    openEditor();

    button(c.button).setState(c.state);

    Look look;
    look.powerDown = c.button == powerButtonChild && c.showsDownImage;
    look.compressorDown = c.button == compressorSwitchChild && c.showsDownImage;
    const auto picture = snapshot();
    EXPECT_TRUE(samePixels(picture, expectedPicture(look), picture.getBounds()));
}

INSTANTIATE_TEST_SUITE_P(States, EditorButtonStates,
    ::testing::Values(ButtonStateCase{powerButtonChild, juce::Button::buttonNormal, false},
        ButtonStateCase{powerButtonChild, juce::Button::buttonOver, false},
        ButtonStateCase{powerButtonChild, juce::Button::buttonDown, true},
        ButtonStateCase{compressorSwitchChild, juce::Button::buttonNormal, false},
        ButtonStateCase{compressorSwitchChild, juce::Button::buttonOver, false},
        ButtonStateCase{compressorSwitchChild, juce::Button::buttonDown, true},
        // The link button has one image for every state.
        ButtonStateCase{linkButtonChild, juce::Button::buttonNormal, false},
        ButtonStateCase{linkButtonChild, juce::Button::buttonOver, false},
        ButtonStateCase{linkButtonChild, juce::Button::buttonDown, false}));
