#pragma once

#include "editor/EditorLayout.h"

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

    juce::Font make(float height, bool isBold, float extraKerning = 0.0f) const;
};

// Loads DejaVu Sans (Debian's fonts-dejavu-core) from fontDirectory; false if missing.
bool loadFonts(const juce::File& fontDirectory, Fonts& fonts);

// Where the editor places each picture (EditorLayout), as rectangles.
namespace layout
{
inline juce::Rectangle<int> rectangle(const EditorLayout::Bounds& b)
{
    return {b.x, b.y, b.width, b.height};
}

const juce::Rectangle<int> background = rectangle(EditorLayout::background);
const juce::Rectangle<int> levelMeter = rectangle(EditorLayout::levelMeter);
const juce::Rectangle<int> colorKnob = rectangle(EditorLayout::colorKnob);
const juce::Rectangle<int> gainKnob = rectangle(EditorLayout::gainKnob);
const juce::Rectangle<int> punchKnob = rectangle(EditorLayout::punchKnob);
const juce::Rectangle<int> compSwitch = rectangle(EditorLayout::compressorSwitch);
const juce::Rectangle<int> bottomBar = rectangle(EditorLayout::bottomBar);
const juce::Rectangle<int> linkButton = rectangle(EditorLayout::linkButton);
const juce::Rectangle<int> powerButton = rectangle(EditorLayout::powerButton);
}

juce::Image drawBackground(const Fonts&);
juce::Image drawPunchKnobStrip();
juce::Image drawSmallKnobStrip();
juce::Image drawMeterStrip(const Fonts&);
juce::Image drawBottomBar(const Fonts&);
juce::Image drawLinkButton(const Fonts&);
juce::Image drawPowerButton(const Fonts&, bool lit);
juce::Image drawSwitch(const Fonts&, bool on);

struct NamedImage
{
    juce::String fileName;
    juce::Image image;
};

// All ten images with their file names.
std::vector<NamedImage> drawAll(const Fonts&);

// The editor as it would look: background with every child at its bounds,
// showing the given frames and switch states.
juce::Image drawPreview(const std::vector<NamedImage>& images, int punchFrame, int colorFrame, int gainFrame,
    int meterFrame, bool powerOn, bool compressorOn);
}
