#include "editor/FilmStripSlider.h"

#include <gtest/gtest.h>

#include <ostream>

namespace
{
// Frame i of a test strip is filled with a colour whose red channel is i,
// so the frame shown can be read back from any drawn pixel.
juce::Colour frameColour(int frame)
{
    return juce::Colour((juce::uint8) frame, 40, 200);
}

// numFrames frames of frameW x frameH, then `extra` rows (or columns) of magenta
// that no frame covers.
juce::Image makeStrip(int numFrames, int frameW, int frameH, bool horizontal, int extra = 0)
{
    const int w = horizontal ? frameW * numFrames + extra : frameW;
    const int h = horizontal ? frameH : frameH * numFrames + extra;
    juce::Image strip(juce::Image::ARGB, w, h, true);
    strip.clear(strip.getBounds(), juce::Colours::magenta);
    for (int i = 0; i < numFrames; ++i)
    {
        const auto area = horizontal ? juce::Rectangle<int>(i * frameW, 0, frameW, frameH)
                                     : juce::Rectangle<int>(0, i * frameH, frameW, frameH);
        strip.clear(area, frameColour(i));
    }
    return strip;
}

juce::Image render(FilmStripSlider& slider)
{
    juce::Image out(juce::Image::ARGB, slider.getWidth(), slider.getHeight(), true);
    juce::Graphics g(out);
    slider.paint(g);
    return out;
}

// The editor's settings: rotary, no text box, the frame size as bounds.
void setUpLikeEditor(FilmStripSlider& slider, int w, int h)
{
    slider.setSliderStyle(juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
    slider.setBounds(0, 0, w, h);
}

bool isTransparent(const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getAlpha() != 0)
                return false;
    return true;
}

// Bounds of the pixels that are not transparent (empty if none).
juce::Rectangle<int> drawnArea(const juce::Image& image)
{
    juce::Rectangle<int> area;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getAlpha() != 0)
                area = area.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1) : area.getUnion({x, y, 1, 1});
    return area;
}
}

//==============================================================================
struct FrameCase
{
    double maximum;
    double interval;
    int frames;
    double value;
    int expectedFrame;
};

void PrintTo(const FrameCase& c, std::ostream* os)
{
    *os << "range 0.." << c.maximum << ", " << c.frames << " frames, value " << c.value;
}

class FilmStripFrameChoice : public ::testing::TestWithParam<FrameCase>
{
};

TEST_P(FilmStripFrameChoice, TruncatesTheValuePosition)
{
    const auto c = GetParam();
    FilmStripSlider slider;
    setUpLikeEditor(slider, 8, 6);
    slider.setFilmStrip(makeStrip(c.frames, 8, 6, false), c.frames, false);
    slider.setRange(0.0, c.maximum, c.interval);
    slider.setValue(c.value, juce::dontSendNotification);

    const auto out = render(slider);
    EXPECT_EQ(out.getPixelAt(4, 3), frameColour(c.expectedFrame)) << "value " << c.value;
    EXPECT_EQ(out.getPixelAt(0, 0), out.getPixelAt(7, 5));
}

INSTANTIATE_TEST_SUITE_P(ExampleTables, FilmStripFrameChoice,
    ::testing::Values(FrameCase{1.0, 0.01, 65, 0.0, 0}, FrameCase{1.0, 0.01, 65, 0.01, 0},
        FrameCase{1.0, 0.01, 65, 0.5, 32}, FrameCase{1.0, 0.01, 65, 0.99, 63}, FrameCase{1.0, 0.01, 65, 1.0, 64},
        FrameCase{1.0, 0.01, 66, 0.0, 0}, FrameCase{1.0, 0.01, 66, 0.5, 32}, FrameCase{1.0, 0.01, 66, 1.0, 65},
        FrameCase{26.0, 1.0, 26, 0.0, 0}, FrameCase{26.0, 1.0, 26, 1.0, 0}, FrameCase{26.0, 1.0, 26, 2.0, 1},
        FrameCase{26.0, 1.0, 26, 24.0, 23}, FrameCase{26.0, 1.0, 26, 25.0, 24}, FrameCase{26.0, 1.0, 26, 26.0, 25}));

//==============================================================================
TEST(FilmStripSlider, DrawsTheFrameOneToOneAtTheOrigin)
{
    // A strip whose pixels are all different: frame f, pixel (x, y) -> (x, y, f).
    constexpr int frames = 5, w = 12, h = 9;
    juce::Image strip(juce::Image::ARGB, w, h * frames, true);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                strip.setPixelAt(
                    x, f * h + y, juce::Colour((juce::uint8)(x * 20), (juce::uint8)(y * 25), (juce::uint8)(f * 50)));

    FilmStripSlider slider;
    setUpLikeEditor(slider, w, h);
    slider.setFilmStrip(strip, frames, false);
    slider.setRange(0.0, 1.0, 0.01);
    slider.setValue(0.75, juce::dontSendNotification); // frame 3

    const auto out = render(slider);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(out.getPixelAt(x, y), strip.getPixelAt(x, 3 * h + y)) << x << "," << y;
}

TEST(FilmStripSlider, LeftoverStripPixelsAreNeverShown)
{
    // 10 frames in 103 rows: frames are 10 rows high, rows 100..102 are never drawn.
    FilmStripSlider slider;
    setUpLikeEditor(slider, 6, 10);
    slider.setFilmStrip(makeStrip(10, 6, 10, false, 3), 10, false);
    slider.setRange(0.0, 1.0, 0.01);

    for (double v : {0.0, 0.5, 1.0})
    {
        slider.setValue(v, juce::dontSendNotification);
        const auto out = render(slider);
        const auto expected = frameColour((int) (v * 9.0));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(out.getPixelAt(x, y), expected) << "value " << v << " at " << x << "," << y;
    }

    // The same along a horizontal strip: 4 frames in 4 * 5 + 2 columns.
    FilmStripSlider across;
    setUpLikeEditor(across, 5, 7);
    across.setFilmStrip(makeStrip(4, 5, 7, true, 2), 4, true);
    across.setRange(0.0, 3.0, 1.0);
    across.setValue(3.0, juce::dontSendNotification);
    const auto out = render(across);
    for (int x = 0; x < 5; ++x)
        ASSERT_EQ(out.getPixelAt(x, 3), frameColour(3)) << x;
}

TEST(FilmStripSlider, HorizontalStripPicksFramesFromTheLeft)
{
    FilmStripSlider slider;
    setUpLikeEditor(slider, 7, 5);
    slider.setFilmStrip(makeStrip(11, 7, 5, true), 11, true);
    slider.setRange(0.0, 10.0, 1.0);

    for (int v : {0, 4, 10})
    {
        slider.setValue(v, juce::dontSendNotification);
        const auto out = render(slider);
        EXPECT_EQ(out.getPixelAt(0, 0), frameColour(v));
        EXPECT_EQ(out.getPixelAt(6, 4), frameColour(v));
    }
}

TEST(FilmStripSlider, ScalesTheFrameIntoItsBounds)
{
    FilmStripSlider slider;
    setUpLikeEditor(slider, 40, 30);
    slider.setFilmStrip(makeStrip(3, 4, 3, false), 3, false);
    slider.setRange(0.0, 2.0, 1.0);
    slider.setValue(1.0, juce::dontSendNotification);

    const auto out = render(slider);
    EXPECT_EQ(drawnArea(out), juce::Rectangle<int>(0, 0, 40, 30));
    EXPECT_EQ(out.getPixelAt(20, 15), frameColour(1));
}

//==============================================================================
struct TextBoxCase
{
    juce::Slider::TextEntryBoxPosition position;
    bool horizontal;
    juce::Rectangle<int> expectedArea;
};

void PrintTo(const TextBoxCase& c, std::ostream* os)
{
    *os << "text box position " << (int) c.position << (c.horizontal ? ", horizontal" : ", vertical");
}

class FilmStripTextBox : public ::testing::TestWithParam<TextBoxCase>
{
};

// With the text box below, its height comes off both the width and the height;
// a horizontal strip is then centred across, a vertical one stays at x 0.
TEST_P(FilmStripTextBox, DestinationRectangle)
{
    const auto c = GetParam();
    FilmStripSlider slider;
    slider.setSliderStyle(juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setTextBoxStyle(c.position, false, 50, 15);
    slider.setBounds(0, 0, 100, 120);
    slider.setFilmStrip(makeStrip(4, 10, 10, c.horizontal), 4, c.horizontal);
    slider.setRange(0.0, 1.0, 0.01);
    slider.setValue(1.0, juce::dontSendNotification);

    const auto out = render(slider);
    EXPECT_EQ(drawnArea(out), c.expectedArea);
    EXPECT_EQ(out.getPixelAt(c.expectedArea.getCentreX(), c.expectedArea.getCentreY()), frameColour(3));
}

INSTANTIATE_TEST_SUITE_P(Positions, FilmStripTextBox,
    ::testing::Values(
        // 100 - 15 = 85 wide, 120 - 15 = 105 high; (100 - 85) * 0.5 = 7.5 truncates to 7.
        TextBoxCase{juce::Slider::TextBoxBelow, false, {0, 0, 85, 105}},
        TextBoxCase{juce::Slider::TextBoxBelow, true, {7, 0, 85, 105}},
        TextBoxCase{juce::Slider::TextBoxAbove, true, {0, 0, 100, 120}},
        TextBoxCase{juce::Slider::TextBoxLeft, false, {0, 0, 100, 120}},
        TextBoxCase{juce::Slider::NoTextBox, true, {0, 0, 100, 120}}));

//==============================================================================
TEST(FilmStripSlider, WithoutAStripNothingIsDrawn)
{
    FilmStripSlider fresh;
    setUpLikeEditor(fresh, 30, 20);
    EXPECT_TRUE(isTransparent(render(fresh)));

    // A strip set before is dropped by a null image; the slider still works as a slider.
    FilmStripSlider slider;
    setUpLikeEditor(slider, 8, 6);
    slider.setFilmStrip(makeStrip(5, 8, 6, false), 5, false);
    slider.setRange(0.0, 1.0, 0.01);
    ASSERT_FALSE(isTransparent(render(slider)));

    slider.setFilmStrip(juce::Image(), 5, false);
    slider.setValue(0.5, juce::dontSendNotification);
    EXPECT_TRUE(isTransparent(render(slider)));
    EXPECT_DOUBLE_EQ(slider.getValue(), 0.5);

    // And a valid strip again brings the picture back.
    slider.setFilmStrip(makeStrip(5, 8, 6, false), 5, false);
    EXPECT_EQ(render(slider).getPixelAt(4, 3), frameColour(2));
}

TEST(FilmStripSlider, NoFrameCountDrawsNothing)
{
    for (int frames : {0, -3})
    {
        FilmStripSlider slider;
        setUpLikeEditor(slider, 8, 6);
        slider.setFilmStrip(makeStrip(4, 8, 6, false), frames, false);
        slider.setRange(0.0, 1.0, 0.01);
        slider.setValue(1.0, juce::dontSendNotification);
        EXPECT_TRUE(isTransparent(render(slider))) << frames;
    }
}

// Only the frame is drawn: no track, thumb or text box, in any slider style,
// and nothing from the component tree either when the whole slider is painted.
TEST(FilmStripSlider, DrawsOnlyTheFrame)
{
    const juce::Image clearStrip(juce::Image::ARGB, 20, 20 * 3, true);

    for (auto style : {juce::Slider::LinearHorizontal, juce::Slider::LinearBar, juce::Slider::Rotary,
             juce::Slider::RotaryHorizontalVerticalDrag})
    {
        FilmStripSlider slider;
        slider.setSliderStyle(style);
        slider.setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
        slider.setBounds(0, 0, 20, 20);
        slider.setFilmStrip(clearStrip, 3, false);
        slider.setRange(0.0, 1.0, 0.01);
        slider.setValue(0.5, juce::dontSendNotification);

        EXPECT_TRUE(isTransparent(render(slider))) << style;

        juce::Image whole(juce::Image::ARGB, 20, 20, true);
        juce::Graphics g(whole);
        slider.paintEntireComponent(g, true);
        EXPECT_TRUE(isTransparent(whole)) << style;
    }
}

TEST(FilmStripSlider, SlidersCanShareOneStrip)
{
    const auto strip = makeStrip(65, 7, 7, false);
    FilmStripSlider a, b;
    for (auto* s : {&a, &b})
    {
        setUpLikeEditor(*s, 7, 7);
        s->setFilmStrip(strip, 65, false);
        s->setRange(0.0, 1.0, 0.01);
    }
    a.setValue(0.25, juce::dontSendNotification);
    b.setValue(0.75, juce::dontSendNotification);

    EXPECT_EQ(render(a).getPixelAt(3, 3), frameColour(16));
    EXPECT_EQ(render(b).getPixelAt(3, 3), frameColour(48));
}
