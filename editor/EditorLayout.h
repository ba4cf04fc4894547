#pragma once

// Where the editor puts each of its pictures (editor coordinates, pixels) and
// how many frames each film strip holds. The editor, the wrapper's editor
// rectangle and the artwork program that draws the pictures read these
// numbers; plain C++, so that each of them can.
namespace EditorLayout
{
struct Bounds
{
    int x, y, width, height;
};

constexpr Bounds background{0, 0, 450, 450};
constexpr Bounds levelMeter{80, 19, 285, 64};
constexpr Bounds colorKnob{78, 329, 70, 70};
constexpr Bounds gainKnob{298, 329, 70, 70};
constexpr Bounds punchKnob{126, 110, 201, 201};
constexpr Bounds compressorSwitch{200, 403, 51, 22};
constexpr Bounds bottomBar{0, 450, 450, 30};
constexpr Bounds linkButton{0, 451, 67, 29}; // one pixel below the top of the bar
constexpr Bounds powerButton{388, 450, 62, 30};

// The window: the panel with the bar below it.
constexpr int width = background.width;
constexpr int height = bottomBar.y + bottomBar.height;

// Frames of the film strips, each strip a column of equal frames.
constexpr int punchKnobFrames = 66;
constexpr int smallKnobFrames = 65;
constexpr int meterFrames = 26;
}
