#include "editor/VelmoAudioProcessorEditor.h"

#include "editor/EditorLayout.h"
#include "resources/VelmoImages.h"

#include <cmath>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;

constexpr int meterIntervalMs = 50;
constexpr double meterMaximum = 26.0;

juce::Rectangle<int> boundsOf(const EditorLayout::Bounds& b)
{
    return {b.x, b.y, b.width, b.height};
}

juce::Image decode(const char* data, int size)
{
    return juce::ImageFileFormat::loadFrom(data, (size_t) size);
}

// The settings every film-strip slider here shares: rotary drag, a
// vertical strip, no text box.
void setUpStrip(FilmStripSlider& slider, const juce::Image& strip, int frames)
{
    slider.setSliderStyle(juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setFilmStrip(strip, frames, false);
    slider.setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
}

// The button takes the size of its normal image (keeping its position);
// every state is drawn at full opacity without an overlay, and the whole
// rectangle takes the mouse.
void setButtonImages(
    juce::ImageButton& button, const juce::Image& normal, const juce::Image& over, const juce::Image& down)
{
    const auto noOverlay = juce::Colours::transparentBlack;
    button.setImages(true, true, true, normal, 1.0f, noOverlay, over, 1.0f, noOverlay, down, 1.0f, noOverlay, 0.0f);
}

// The meter's position for a linear level: 0 for silence; 1 at -42 dB and
// below (and for a negative or NaN level); in between, the level in whole
// dB (cut toward zero, so -41.5 dB is -41) plus 43, up to 24 at -19 dB; and
// the top, 26, above -19 dB. Position 25 is never shown.
constexpr float lowestPositionDb = -42.0f;
constexpr float topPositionAboveDb = -19.0f;
constexpr int positionAtZeroDb = 43;

double meterValueForLevel(float level)
{
    if (level == 0.0f)
        return 0.0;

    if (!(level > 0.0f))
        return 1.0;

    const float db = 20.0f * std::log10(level);

    if (db > topPositionAboveDb)
        return meterMaximum;

    if (db <= lowestPositionDb)
        return 1.0;

    return (double) ((int) db + positionAtZeroDb);
}
}

VelmoAudioProcessorEditor::VelmoAudioProcessorEditor(VelmoAudioProcessor& processorToEdit)
    : juce::AudioProcessorEditor(processorToEdit)
{
    processor = &processorToEdit;
    processor->addChangeListener(this);

    setSize(EditorLayout::width, EditorLayout::height);

    loadImages();
    layOutControls();
    layOutBottomBar();

    startTimer(meterIntervalMs);
}

VelmoAudioProcessorEditor::~VelmoAudioProcessorEditor()
{
    // Neither a change message nor a timer tick may reach a child once the
    // children start to go.
    if (processor != nullptr)
    {
        processor->removeChangeListener(this);
        processor = nullptr;
    }

    stopTimer();
}

void VelmoAudioProcessorEditor::loadImages()
{
    using namespace VelmoImages;

    backgroundImage = decode(background_png, background_pngSize);
    smallKnobStrip = decode(small_knob_png, small_knob_pngSize);
    punchKnobStrip = decode(punch_knob_png, punch_knob_pngSize);
    meterStrip = decode(meter_png, meter_pngSize);
    bottomBarImage = decode(bottom_bar_png, bottom_bar_pngSize);
    linkButtonImage = decode(link_button_png, link_button_pngSize);
    powerImage = decode(power_png, power_pngSize);
    powerDownImage = decode(power_down_png, power_down_pngSize);
    switchDownImage = decode(switch_down_png, switch_down_pngSize);
    switchImage = decode(switch_png, switch_pngSize);
}

void VelmoAudioProcessorEditor::layOutControls()
{
    auto& owner = static_cast<VelmoAudioProcessor&>(*getAudioProcessor());

    addAndMakeVisible(background);
    background.setImage(backgroundImage);
    background.setBounds(boundsOf(EditorLayout::background));

    addAndMakeVisible(levelMeter);
    setUpStrip(levelMeter, meterStrip, EditorLayout::meterFrames);
    levelMeter.setBounds(boundsOf(EditorLayout::levelMeter));
    levelMeter.setEnabled(false);
    levelMeter.setAlpha(1.0f);
    levelMeter.setRange(0.0, meterMaximum, 1.0);
    levelMeter.setValue(meterMaximum, juce::dontSendNotification);

    struct Knob
    {
        FilmStripSlider& slider;
        const juce::Image& strip;
        int frames;
        const EditorLayout::Bounds& bounds;
        VelmoAudioProcessor::Parameters parameter;
    };

    const Knob knobs[] = {
        {colorKnob, smallKnobStrip, EditorLayout::smallKnobFrames, EditorLayout::colorKnob,
            VelmoAudioProcessor::colorParam},
        {gainKnob, smallKnobStrip, EditorLayout::smallKnobFrames, EditorLayout::gainKnob,
            VelmoAudioProcessor::gainParam},
        {punchKnob, punchKnobStrip, EditorLayout::punchKnobFrames, EditorLayout::punchKnob,
            VelmoAudioProcessor::punchParam},
    };

    for (const auto& k : knobs)
    {
        addAndMakeVisible(k.slider);
        setUpStrip(k.slider, k.strip, k.frames);
        k.slider.setBounds(boundsOf(k.bounds));
        k.slider.setRange(0.0, 1.0, 0.01);
        k.slider.setValue((double) owner.getParameter(k.parameter), juce::dontSendNotification);
        k.slider.addListener(this);
        // A double click returns the knob to its parameter's default.
        k.slider.setDoubleClickReturnValue(
            true, (double) VelmoAudioProcessor::parameterTable[k.parameter].defaultValue);
    }

    addAndMakeVisible(compressorSwitch);
    compressorSwitch.setBounds(boundsOf(EditorLayout::compressorSwitch));
    setButtonImages(compressorSwitch, switchImage, switchImage, switchDownImage);
    compressorSwitch.addListener(this);
    compressorSwitch.setClickingTogglesState(true);
    compressorSwitch.setToggleState(!owner.compressorBypassed.load(relaxed), juce::dontSendNotification);

    refreshKnobs();
}

void VelmoAudioProcessorEditor::layOutBottomBar()
{
    auto& owner = static_cast<VelmoAudioProcessor&>(*getAudioProcessor());

    addAndMakeVisible(bottomBar);
    bottomBar.setImage(bottomBarImage);
    bottomBar.setBounds(boundsOf(EditorLayout::bottomBar));

    addAndMakeVisible(linkButton);
    linkButton.setBounds(boundsOf(EditorLayout::linkButton));
    setButtonImages(linkButton, linkButtonImage, linkButtonImage, linkButtonImage);
    linkButton.addListener(this);

    addAndMakeVisible(powerButton);
    powerButton.setBounds(boundsOf(EditorLayout::powerButton));
    setButtonImages(powerButton, powerImage, powerImage, powerDownImage);
    powerButton.addListener(this);
    powerButton.setClickingTogglesState(true);
    powerButton.setToggleState(!owner.bypassed.load(relaxed), juce::dontSendNotification);
}

void VelmoAudioProcessorEditor::sliderValueChanged(juce::Slider* slider)
{
    if (processor == nullptr)
        return;

    int index;

    if (slider == &gainKnob)
        index = VelmoAudioProcessor::gainParam;
    else if (slider == &punchKnob)
        index = VelmoAudioProcessor::punchParam;
    else if (slider == &colorKnob)
        index = VelmoAudioProcessor::colorParam;
    else
        return;

    // The plain-index parameter interface is the one this processor has.
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    processor->setParameterNotifyingHost(index, (float) slider->getValue());
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

void VelmoAudioProcessorEditor::buttonClicked(juce::Button* button)
{
    auto& owner = static_cast<VelmoAudioProcessor&>(*getAudioProcessor());

    // The buttons toggle themselves before this call, so their toggle state
    // stays "not bypassed".
    if (button == &linkButton)
    {
        juce::URL(makerWebSite).launchInDefaultBrowser();
    }
    else if (button == &powerButton)
    {
        owner.bypassed.store(!owner.bypassed.load(relaxed), relaxed);
    }
    else if (button == &compressorSwitch)
    {
        owner.compressorBypassed.store(!owner.compressorBypassed.load(relaxed), relaxed);
    }
}

void VelmoAudioProcessorEditor::changeListenerCallback(juce::ChangeBroadcaster*)
{
    refreshKnobs();
}

void VelmoAudioProcessorEditor::refreshKnobs()
{
    if (processor == nullptr)
        return;

    const float color = processor->getParameter(VelmoAudioProcessor::colorParam);
    const float gain = processor->getParameter(VelmoAudioProcessor::gainParam);
    const float punch = processor->getParameter(VelmoAudioProcessor::punchParam);

    // A NaN on either side never compares equal, so it counts as a change.
    const auto follow = [](FilmStripSlider& knob, float value)
    {
        if (!(knob.getValue() == (double) value))
            knob.setValue((double) value, juce::dontSendNotification);
    };

    follow(colorKnob, color);
    follow(gainKnob, gain);
    follow(punchKnob, punch);
}

void VelmoAudioProcessorEditor::timerCallback()
{
    auto* owner = static_cast<VelmoAudioProcessor*>(getAudioProcessor());

    if (owner == nullptr)
        return;

    const double value = meterValueForLevel(owner->meter.levelL.load(relaxed));

    if (!(levelMeter.getValue() == value))
        levelMeter.setValue(value, juce::dontSendNotification);
}
