#include "resources/VelmoImages.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

namespace
{
struct ImageCase
{
    const char* name;
    const char* data;
    int size;
    int width;
    int height;
    bool alpha;
    int frames;
};

const ImageCase images[] = {
    {"background", VelmoImages::background_png, VelmoImages::background_pngSize, 450, 450, false, 1},
    {"punch_knob", VelmoImages::punch_knob_png, VelmoImages::punch_knob_pngSize, 201, 13266, true, 66},
    {"small_knob", VelmoImages::small_knob_png, VelmoImages::small_knob_pngSize, 70, 4550, true, 65},
    {"meter", VelmoImages::meter_png, VelmoImages::meter_pngSize, 285, 1664, true, 26},
    {"bottom_bar", VelmoImages::bottom_bar_png, VelmoImages::bottom_bar_pngSize, 450, 30, true, 1},
    {"link_button", VelmoImages::link_button_png, VelmoImages::link_button_pngSize, 67, 29, true, 1},
    {"power", VelmoImages::power_png, VelmoImages::power_pngSize, 62, 30, true, 1},
    {"power_down", VelmoImages::power_down_png, VelmoImages::power_down_pngSize, 62, 30, true, 1},
    {"switch_down", VelmoImages::switch_down_png, VelmoImages::switch_down_pngSize, 51, 22, true, 1},
    {"switch", VelmoImages::switch_png, VelmoImages::switch_pngSize, 51, 22, true, 1},
};

void PrintTo(const ImageCase& c, std::ostream* os)
{
    *os << c.name;
}

juce::Image decode(const ImageCase& c)
{
    return juce::ImageFileFormat::loadFrom(c.data, (size_t) c.size);
}

int countDifferentPixels(const juce::Image& a, const juce::Image& b)
{
    int n = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            n += a.getPixelAt(x, y) != b.getPixelAt(x, y) ? 1 : 0;
    return n;
}

juce::Image frameOf(const juce::Image& strip, int frames, int index)
{
    const int h = strip.getHeight() / frames;
    return strip.getClippedImage({0, index * h, strip.getWidth(), h});
}
}

class EmbeddedImage : public ::testing::TestWithParam<ImageCase>
{
};
class EmbeddedStrip : public ::testing::TestWithParam<ImageCase>
{
};

// Each image is an 8-bit PNG of the editor's size and pixel format:
// the background RGB without alpha, every other image RGBA.
TEST_P(EmbeddedImage, HasItsSizeAndPixelFormat)
{
    const auto c = GetParam();
    ASSERT_GT(c.size, 33);

    const auto* bytes = reinterpret_cast<const unsigned char*>(c.data);
    const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    ASSERT_EQ(std::memcmp(bytes, signature, sizeof(signature)), 0);
    ASSERT_EQ(std::memcmp(bytes + 12, "IHDR", 4), 0);
    EXPECT_EQ(bytes[24], 8) << "bit depth";
    EXPECT_EQ(bytes[25], c.alpha ? 6 : 2) << "colour type";

    const auto image = decode(c);
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.getWidth(), c.width);
    EXPECT_EQ(image.getHeight(), c.height);
    EXPECT_EQ(image.hasAlphaChannel(), c.alpha);
    EXPECT_EQ(image.getHeight() % c.frames, 0);
}

// The strips change from one frame to the next: the knobs' pointers turn,
// the meter lights one more segment.
TEST_P(EmbeddedStrip, EveryFrameDiffersFromTheNext)
{
    const auto c = GetParam();
    const auto strip = decode(c);
    ASSERT_TRUE(strip.isValid());
    const int pixelsPerFrame = strip.getWidth() * strip.getHeight() / c.frames;

    for (int f = 0; f + 1 < c.frames; ++f)
        EXPECT_GT(
            countDifferentPixels(frameOf(strip, c.frames, f), frameOf(strip, c.frames, f + 1)), pixelsPerFrame / 500)
            << c.name << " frames " << f << " and " << f + 1;
}

auto caseName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Editor, EmbeddedImage, ::testing::ValuesIn(images), caseName);
INSTANTIATE_TEST_SUITE_P(Editor, EmbeddedStrip, ::testing::Values(images[1], images[2], images[3]), caseName);

TEST(EmbeddedImages, ButtonStatesLookDifferent)
{
    const auto power = juce::ImageFileFormat::loadFrom(VelmoImages::power_png, (size_t) VelmoImages::power_pngSize);
    const auto powerDown =
        juce::ImageFileFormat::loadFrom(VelmoImages::power_down_png, (size_t) VelmoImages::power_down_pngSize);
    const auto sw = juce::ImageFileFormat::loadFrom(VelmoImages::switch_png, (size_t) VelmoImages::switch_pngSize);
    const auto swDown =
        juce::ImageFileFormat::loadFrom(VelmoImages::switch_down_png, (size_t) VelmoImages::switch_down_pngSize);

    EXPECT_GT(countDifferentPixels(power, powerDown), 50);
    EXPECT_GT(countDifferentPixels(sw, swDown), 50);
}
