#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

// Draws the editor's ten images. Every picture is computed from fixed numbers
// (and a fixed-seed noise for the brushed metal), so a run gives the same files.
namespace artwork
{
    // The typefaces the labels are set in.
    struct Fonts
    {
        juce::Typeface::Ptr regular;
        juce::Typeface::Ptr bold;

        juce::Font make (float height, bool isBold, float extraKerning = 0.0f) const;
    };

    // Loads DejaVu Sans (Debian's fonts-dejavu-core) from fontDirectory; false if missing.
    bool loadFonts (const juce::File& fontDirectory, Fonts& fonts);

    // Where the editor places each picture (editor coordinates).
    namespace layout
    {
        const juce::Rectangle<int> background  { 0, 0, 450, 450 };
        const juce::Rectangle<int> levelMeter  { 80, 19, 285, 64 };
        const juce::Rectangle<int> colorKnob   { 78, 329, 70, 70 };
        const juce::Rectangle<int> gainKnob    { 298, 329, 70, 70 };
        const juce::Rectangle<int> punchKnob   { 126, 110, 201, 201 };
        const juce::Rectangle<int> compSwitch  { 200, 403, 51, 22 };
        const juce::Rectangle<int> bottomBar   { 0, 450, 450, 30 };
        const juce::Rectangle<int> linkButton  { 0, 451, 67, 29 };
        const juce::Rectangle<int> powerButton { 388, 450, 62, 30 };
    }

    constexpr int punchFrames = 66;
    constexpr int smallKnobFrames = 65;
    constexpr int meterFrames = 26;

    juce::Image drawBackground (const Fonts&);
    juce::Image drawPunchKnobStrip();
    juce::Image drawSmallKnobStrip();
    juce::Image drawMeterStrip (const Fonts&);
    juce::Image drawBottomBar (const Fonts&);
    juce::Image drawLinkButton (const Fonts&);
    juce::Image drawPowerButton (const Fonts&, bool lit);
    juce::Image drawSwitch (const Fonts&, bool on);

    struct NamedImage
    {
        juce::String fileName;
        juce::Image image;
    };

    // All ten images with their file names.
    std::vector<NamedImage> drawAll (const Fonts&);

    // The editor as it would look: background with every child at its bounds,
    // showing the given frames and switch states.
    juce::Image drawPreview (const std::vector<NamedImage>& images,
                             int punchFrame, int colorFrame, int gainFrame, int meterFrame,
                             bool powerOn, bool compressorOn);
}
