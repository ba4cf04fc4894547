#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A slider whose whole face is one frame of a film-strip image: the frame that
// matches the current value, scaled into the slider's bounds. Everything but
// the drawing is the plain juce::Slider.
class FilmStripSlider : public juce::Slider
{
public:
    FilmStripSlider();

    // Frames are side by side (frame 0 at the left) when isHorizontal is true,
    // else stacked (frame 0 at the top). A null image makes the slider draw nothing.
    void setFilmStrip(juce::Image image, int numFrames, bool isHorizontal);

    void paint(juce::Graphics& g) override;

private:
    juce::Image stripImage;
    int frameCount = 0;
    bool horizontalStrip = true;
    int frameWidth = 0;
    int frameHeight = 0;
};
