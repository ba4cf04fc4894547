#pragma once

#include "editor/FilmStripSlider.h"
#include "processor/VelmoAudioProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

// The plug-in's editor: a window of fixed size (EditorLayout) built from the
// embedded PNG images. Three film-strip knobs set and follow the parameters, a film-strip
// meter follows the left output level, two image buttons flip the processor's
// switches and one opens the maker's web site.
//
// Everything runs on the message thread; the values shared with the audio
// thread are the processor's relaxed atomics, read and flipped directly.
class VelmoAudioProcessorEditor : public juce::AudioProcessorEditor,
                                  public juce::Slider::Listener,
                                  public juce::ChangeListener,
                                  public juce::Timer,
                                  public juce::Button::Listener
{
public:
    // The address the link button opens.
    static constexpr const char* makerWebSite = "https://www.tallowick.com/velmo";

    explicit VelmoAudioProcessorEditor(VelmoAudioProcessor& processorToEdit);
    ~VelmoAudioProcessorEditor() override;

    // A knob turned by the user: the new value goes to the host.
    void sliderValueChanged(juce::Slider* slider) override;

    // Link button: the web site; power button and compressor switch: flip the
    // processor's switch.
    void buttonClicked(juce::Button* button) override;

    // A parameter changed somewhere: move the knobs to it.
    void changeListenerCallback(juce::ChangeBroadcaster* source) override;

    // Every 50 ms: the meter follows the left output level.
    void timerCallback() override;

    // Moves every knob whose value differs from its parameter, without notification.
    void refreshKnobs();

private:
    // Steps of construction, in this order.
    void loadImages();
    void layOutControls();
    void layOutBottomBar();

    // Images, decoded anew for every editor.
    juce::Image backgroundImage;
    juce::Image punchKnobStrip;
    juce::Image smallKnobStrip;
    juce::Image meterStrip;
    juce::Image bottomBarImage;
    juce::Image linkButtonImage;
    juce::Image powerImage;
    juce::Image powerDownImage;
    juce::Image switchDownImage;
    juce::Image switchImage;

    // Children; their z-order is the order of adding, not this one.
    FilmStripSlider colorKnob;
    FilmStripSlider gainKnob;
    FilmStripSlider punchKnob;
    FilmStripSlider levelMeter;
    juce::ImageComponent background;
    juce::ImageComponent bottomBar;
    juce::ImageButton linkButton;
    juce::ImageButton powerButton;
    juce::ImageButton compressorSwitch;

    // The processor under edit; null once destruction has begun.
    VelmoAudioProcessor* processor = nullptr;

    JUCE_DECLARE_NON_COPYABLE(VelmoAudioProcessorEditor)
};
