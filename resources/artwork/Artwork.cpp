#include "resources/artwork/Artwork.h"

#include "resources/VelmoIdentity.h"

#include <cmath>

namespace artwork
{
namespace
{
using juce::Colour;
using juce::Graphics;
using juce::Image;
using juce::Path;
using juce::PathStrokeType;
using juce::Point;
using juce::Rectangle;

constexpr float pi = juce::MathConstants<float>::pi;

// The lettering's words that name the product, its maker and its version.
juce::String productName()
{
    return VelmoIdentity::name;
}
juce::String makerName()
{
    return VelmoIdentity::vendor;
}
juce::String shortVersion()
{
    return juce::String(VelmoIdentity::versionMajor) + "." + juce::String(VelmoIdentity::versionMinor);
}

// Palette: dark anodised panel, cream print, amber light.
const Colour panelBase{0xff2c2d31};
const Colour printCream{0xffe9dfc6};
const Colour printMuted{0xff9c968a};
const Colour amber{0xffffae2b};
const Colour amberDeep{0xffe07b12};
const Colour ledGreen{0xff86e35e};
const Colour ledAmber{0xffffbf3a};
const Colour ledRed{0xffff4b36};

// Knob travel: 270 degrees, from 7:30 to 4:30, clockwise from 12 o'clock.
constexpr float travelStart = -0.75f * pi;
constexpr float travelEnd = 0.75f * pi;

Point<float> onCircle(Point<float> centre, float radius, float angle)
{
    return {centre.x + radius * std::sin(angle), centre.y - radius * std::cos(angle)};
}

float clampByte(float v)
{
    return juce::jlimit(0.0f, 255.0f, v);
}

// Text with a dark edge below it, as if printed on the metal.
void drawPrinted(Graphics& g, const juce::String& text, Rectangle<float> area, const juce::Font& font, Colour colour,
    juce::Justification just = juce::Justification::centred)
{
    g.setFont(font);
    g.setColour(juce::Colours::black.withAlpha(0.55f));
    g.drawText(text, area.translated(0.0f, 1.0f), just, false);
    g.setColour(colour);
    g.drawText(text, area, just, false);
}

void drawCentredText(Graphics& g, const juce::String& text, Point<float> centre, const juce::Font& font, Colour colour)
{
    const float w = font.getStringWidthFloat(text) + 4.0f;
    const float h = font.getHeight();
    drawPrinted(g, text, {centre.x - w * 0.5f, centre.y - h * 0.5f, w, h}, font, colour);
}

void softShadow(Graphics& g, Point<float> centre, float radius, float strength)
{
    juce::ColourGradient shadow(juce::Colours::black.withAlpha(strength), centre, juce::Colours::transparentBlack,
        centre.translated(radius, 0.0f), true);
    shadow.addColour(0.6, juce::Colours::black.withAlpha(strength * 0.6f));
    g.setGradientFill(shadow);
    g.fillEllipse(Rectangle<float>(radius * 2.0f, radius * 2.0f).withCentre(centre));
}

void drawScrew(Graphics& g, Point<float> centre, float angle)
{
    const float r = 5.5f;
    softShadow(g, centre.translated(0.0f, 1.5f), r + 3.0f, 0.7f);

    juce::ColourGradient head(
        Colour(0xffb9bbbf), centre.translated(-2.0f, -3.0f), Colour(0xff4a4c50), centre.translated(r, r), true);
    g.setGradientFill(head);
    g.fillEllipse(Rectangle<float>(r * 2.0f, r * 2.0f).withCentre(centre));
    g.setColour(Colour(0xff1c1d20));
    g.drawEllipse(Rectangle<float>(r * 2.0f, r * 2.0f).withCentre(centre), 0.8f);

    // Cross-head recess.
    for (float a : {angle, angle + pi * 0.5f})
    {
        const auto p1 = onCircle(centre, r - 1.4f, a);
        const auto p2 = onCircle(centre, r - 1.4f, a + pi);
        g.setColour(Colour(0xff26272a));
        g.drawLine({p1, p2}, 1.6f);
        g.setColour(juce::Colours::white.withAlpha(0.18f));
        g.drawLine({p1.translated(0.0f, 0.8f), p2.translated(0.0f, 0.8f)}, 0.5f);
    }
}

// Horizontal brushed-metal grain, streaks along x, from a fixed-seed noise.
void brushMetal(Image& image, Colour base, float streakStrength, juce::int64 seed)
{
    juce::Random rng(seed);
    const Image::BitmapData data(image, Image::BitmapData::readWrite);

    for (int y = 0; y < image.getHeight(); ++y)
    {
        const float rowShade = (rng.nextFloat() * 2.0f - 1.0f) * streakStrength * 0.35f;
        float grain = 0.0f;

        for (int x = 0; x < image.getWidth(); ++x)
        {
            grain = 0.92f * grain + 0.08f * (rng.nextFloat() * 2.0f - 1.0f);
            const float fine = (rng.nextFloat() * 2.0f - 1.0f) * 1.2f;
            const float d = rowShade + grain * streakStrength * 2.2f + fine;

            data.setPixelColour(x, y,
                Colour::fromRGB((juce::uint8) clampByte(base.getRed() + d),
                    (juce::uint8) clampByte(base.getGreen() + d), (juce::uint8) clampByte(base.getBlue() + d * 1.1f)));
        }
    }
}

// Engraved tick marks around a knob's travel, with optional labels.
void drawKnobScale(Graphics& g, Point<float> centre, float innerRadius, float outerRadius, int ticks, float majorExtra,
    float tickWidth)
{
    for (int i = 0; i < ticks; ++i)
    {
        const float t = (float) i / (float) (ticks - 1);
        const float a = travelStart + t * (travelEnd - travelStart);
        const bool major = (i == 0 || i == ticks - 1 || i * 2 == ticks - 1);
        const float outer = outerRadius + (major ? majorExtra : 0.0f);
        const auto p1 = onCircle(centre, innerRadius, a);
        const auto p2 = onCircle(centre, outer, a);

        g.setColour(juce::Colours::black.withAlpha(0.6f));
        g.drawLine({p1.translated(0.0f, 1.0f), p2.translated(0.0f, 1.0f)}, tickWidth);
        g.setColour(major ? printCream : printMuted);
        g.drawLine({p1, p2}, tickWidth);
    }
}

// A recessed, rounded opening in the panel.
void drawRecess(Graphics& g, Rectangle<float> r, float corner)
{
    g.setColour(juce::Colours::black.withAlpha(0.35f));
    g.fillRoundedRectangle(r.expanded(3.0f), corner + 3.0f);

    juce::ColourGradient rim(
        Colour(0xff121315), r.getX(), r.getY() - 3.0f, Colour(0xff4d4f55), r.getX(), r.getBottom() + 3.0f, false);
    g.setGradientFill(rim);
    g.fillRoundedRectangle(r.expanded(2.0f), corner + 2.0f);

    g.setColour(Colour(0xff0b0c0d));
    g.fillRoundedRectangle(r, corner);
}

//==========================================================================
struct KnobStyle
{
    float size;      // frame edge in pixels
    float arcRadius; // value ring
    float arcWidth;
    float skirtRadius; // knurled outer part
    float capRadius;   // spun-metal top
    int serrations;
    float pointerInner, pointerOuter, pointerWidth;
    float shadowOffset;
};

void drawKnobFrame(Graphics& g, const KnobStyle& s, float angle, float value)
{
    const Point<float> c{s.size * 0.5f, s.size * 0.5f};

    // Value ring: dark groove, lit from the start of travel up to the pointer.
    {
        Path groove;
        groove.addCentredArc(c.x, c.y, s.arcRadius, s.arcRadius, 0.0f, travelStart, travelEnd, true);
        g.setColour(Colour(0xff0d0e10));
        g.strokePath(groove, PathStrokeType(s.arcWidth + 1.5f, PathStrokeType::curved, PathStrokeType::rounded));
        g.setColour(Colour(0xff34302a));
        g.strokePath(groove, PathStrokeType(s.arcWidth * 0.55f, PathStrokeType::curved, PathStrokeType::rounded));

        if (value > 0.0f)
        {
            Path lit;
            lit.addCentredArc(c.x, c.y, s.arcRadius, s.arcRadius, 0.0f, travelStart, angle, true);
            g.setColour(amber.withAlpha(0.22f));
            g.strokePath(lit, PathStrokeType(s.arcWidth * 2.4f, PathStrokeType::curved, PathStrokeType::rounded));
            g.setColour(amberDeep);
            g.strokePath(lit, PathStrokeType(s.arcWidth, PathStrokeType::curved, PathStrokeType::rounded));
            g.setColour(amber.brighter(0.35f));
            g.strokePath(lit, PathStrokeType(s.arcWidth * 0.45f, PathStrokeType::curved, PathStrokeType::rounded));
        }
    }

    // Drop shadow under the knob.
    softShadow(g, c.translated(0.0f, s.shadowOffset), s.skirtRadius + s.shadowOffset * 1.6f, 0.75f);

    // Knurled skirt: the light stays put, the knurls turn with the knob.
    const auto skirt = Rectangle<float>(s.skirtRadius * 2.0f, s.skirtRadius * 2.0f).withCentre(c);
    juce::ColourGradient skirtFill(
        Colour(0xff4a4b50), c.x, c.y - s.skirtRadius, Colour(0xff101113), c.x, c.y + s.skirtRadius, false);
    g.setGradientFill(skirtFill);
    g.fillEllipse(skirt);

    for (int i = 0; i < s.serrations; ++i)
    {
        const float a = angle + 2.0f * pi * (float) i / (float) s.serrations;
        const auto p1 = onCircle(c, s.capRadius + 1.0f, a);
        const auto p2 = onCircle(c, s.skirtRadius - 0.6f, a);
        // Knurls catch the light on the upper side only.
        const float lightness = 0.5f + 0.5f * std::cos(a + 0.5f);
        g.setColour(juce::Colours::black.withAlpha(0.55f));
        g.drawLine({p1, p2}, s.size > 100.0f ? 1.6f : 1.0f);
        g.setColour(juce::Colours::white.withAlpha(0.05f + 0.14f * lightness));
        g.drawLine({onCircle(c, s.capRadius + 1.0f, a + 0.02f), onCircle(c, s.skirtRadius - 0.6f, a + 0.02f)},
            s.size > 100.0f ? 0.7f : 0.5f);
    }

    juce::ColourGradient skirtEdge(juce::Colours::white.withAlpha(0.35f), c.x, c.y - s.skirtRadius,
        juce::Colours::black.withAlpha(0.6f), c.x, c.y + s.skirtRadius, false);
    g.setGradientFill(skirtEdge);
    g.drawEllipse(skirt.reduced(0.5f), 1.0f);

    // Spun-aluminium cap.
    const auto cap = Rectangle<float>(s.capRadius * 2.0f, s.capRadius * 2.0f).withCentre(c);
    g.setColour(juce::Colours::black.withAlpha(0.5f));
    g.fillEllipse(cap.expanded(1.5f).translated(0.0f, 1.0f));

    juce::ColourGradient capFill(Colour(0xffa9abb0), c.x - s.capRadius * 0.35f, c.y - s.capRadius * 0.5f,
        Colour(0xff4d4f54), c.x + s.capRadius * 0.6f, c.y + s.capRadius, true);
    g.setGradientFill(capFill);
    g.fillEllipse(cap);

    // Fine turning rings.
    const int rings = (int) (s.capRadius / 1.6f);
    for (int i = 1; i < rings; ++i)
    {
        const float r = s.capRadius * (float) i / (float) rings;
        g.setColour((i % 2 == 0 ? juce::Colours::white : juce::Colours::black).withAlpha(0.045f));
        g.drawEllipse(Rectangle<float>(r * 2.0f, r * 2.0f).withCentre(c), 0.8f);
    }

    // The fixed cross-shaped sheen of spun metal.
    for (float a : {-0.6f, -0.6f + pi})
    {
        Path wedge;
        wedge.addPieSegment(cap, a - 0.28f, a + 0.28f, 0.0f);
        juce::ColourGradient sheen(juce::Colours::white.withAlpha(0.28f), c, juce::Colours::white.withAlpha(0.0f),
            onCircle(c, s.capRadius, a), true);
        g.setGradientFill(sheen);
        g.fillPath(wedge);
    }
    for (float a : {-0.6f + pi * 0.5f, -0.6f - pi * 0.5f})
    {
        Path wedge;
        wedge.addPieSegment(cap, a - 0.22f, a + 0.22f, 0.0f);
        juce::ColourGradient dark(juce::Colours::black.withAlpha(0.16f), c, juce::Colours::black.withAlpha(0.0f),
            onCircle(c, s.capRadius, a), true);
        g.setGradientFill(dark);
        g.fillPath(wedge);
    }

    juce::ColourGradient capEdge(juce::Colours::white.withAlpha(0.55f), c.x, c.y - s.capRadius,
        juce::Colours::black.withAlpha(0.5f), c.x, c.y + s.capRadius, false);
    g.setGradientFill(capEdge);
    g.drawEllipse(cap.reduced(0.4f), 0.9f);

    // Pointer: a cream line engraved into the cap, reaching into the skirt.
    const auto p1 = onCircle(c, s.pointerInner, angle);
    const auto p2 = onCircle(c, s.pointerOuter, angle);
    g.setColour(juce::Colours::black.withAlpha(0.65f));
    g.drawLine({p1.translated(0.0f, 0.8f), p2.translated(0.0f, 0.8f)}, s.pointerWidth + 1.6f);
    g.setColour(Colour(0xfff6efdf));
    Path pointer;
    pointer.startNewSubPath(p1);
    pointer.lineTo(p2);
    g.strokePath(pointer, PathStrokeType(s.pointerWidth, PathStrokeType::curved, PathStrokeType::rounded));
}

Image drawKnobStrip(const KnobStyle& s, int frames)
{
    const int edge = (int) s.size;
    Image strip(Image::ARGB, edge, edge * frames, true);
    Graphics g(strip);

    for (int f = 0; f < frames; ++f)
    {
        const float value = (float) f / (float) (frames - 1);
        const float angle = travelStart + value * (travelEnd - travelStart);
        Graphics::ScopedSaveState state(g);
        g.reduceClipRegion(0, f * edge, edge, edge);
        g.setOrigin(0, f * edge);
        drawKnobFrame(g, s, angle, value);
    }
    return strip;
}

const KnobStyle punchStyle{201.0f, 84.0f, 4.5f, 71.0f, 55.0f, 72, 14.0f, 66.0f, 4.5f, 5.0f};
const KnobStyle smallStyle{70.0f, 30.0f, 2.6f, 24.0f, 18.5f, 40, 4.0f, 22.0f, 2.4f, 2.0f};

//==========================================================================
Path powerSymbol(Point<float> c, float r)
{
    Path p;
    p.addCentredArc(c.x, c.y, r, r, 0.0f, 0.22f * pi, 1.78f * pi, true);
    p.startNewSubPath(c.x, c.y - r * 1.25f);
    p.lineTo(c.x, c.y - r * 0.15f);
    return p;
}

// A small dark pill-shaped cap as used for the buttons.
void drawPill(Graphics& g, Rectangle<float> r, bool pressed)
{
    const float corner = r.getHeight() * 0.5f;
    g.setColour(juce::Colours::black.withAlpha(0.55f));
    g.fillRoundedRectangle(r.expanded(1.5f).translated(0.0f, 1.0f), corner + 1.5f);

    juce::ColourGradient body(Colour(pressed ? 0xff232427 : 0xff45464b), r.getX(), r.getY(),
        Colour(pressed ? 0xff303135 : 0xff1e1f22), r.getX(), r.getBottom(), false);
    g.setGradientFill(body);
    g.fillRoundedRectangle(r, corner);

    juce::ColourGradient edge(juce::Colours::white.withAlpha(pressed ? 0.10f : 0.28f), r.getX(), r.getY(),
        juce::Colours::black.withAlpha(0.5f), r.getX(), r.getBottom(), false);
    g.setGradientFill(edge);
    g.drawRoundedRectangle(r.reduced(0.5f), corner - 0.5f, 1.0f);
}

// The little candle flame of the maker's mark.
Path flameMark(Rectangle<float> r)
{
    Path p;
    const float cx = r.getCentreX();
    p.startNewSubPath(cx, r.getY());
    p.cubicTo(cx + r.getWidth() * 0.15f, r.getY() + r.getHeight() * 0.3f, r.getRight(), r.getY() + r.getHeight() * 0.5f,
        r.getRight(), r.getY() + r.getHeight() * 0.72f);
    p.cubicTo(r.getRight(), r.getBottom(), r.getX(), r.getBottom(), r.getX(), r.getY() + r.getHeight() * 0.72f);
    p.cubicTo(r.getX(), r.getY() + r.getHeight() * 0.45f, cx - r.getWidth() * 0.05f, r.getY() + r.getHeight() * 0.3f,
        cx, r.getY());
    p.closeSubPath();
    return p;
}
}

//==============================================================================
juce::Font Fonts::make(float height, bool isBold, float extraKerning) const
{
    juce::Font font(isBold ? bold : regular);
    return font.withHeight(height).withExtraKerningFactor(extraKerning);
}

bool loadFonts(const juce::File& fontDirectory, Fonts& fonts)
{
    auto load = [&](const char* name) -> juce::Typeface::Ptr
    {
        juce::MemoryBlock data;
        if (!fontDirectory.getChildFile(name).loadFileAsData(data) || data.getSize() == 0)
            return nullptr;
        return juce::Typeface::createSystemTypefaceFor(data.getData(), data.getSize());
    };

    fonts.regular = load("DejaVuSans.ttf");
    fonts.bold = load("DejaVuSans-Bold.ttf");
    return fonts.regular != nullptr && fonts.bold != nullptr;
}

//==============================================================================
Image drawBackground(const Fonts& fonts)
{
    Image image(Image::RGB, layout::background.getWidth(), layout::background.getHeight(), false);
    image.clear(image.getBounds(), panelBase);
    brushMetal(image, panelBase, 3.2f, 0x56656c6d);

    Graphics g(image);
    const auto bounds = image.getBounds().toFloat();

    // Soft light from above, darker towards the edges.
    {
        juce::ColourGradient light(juce::Colours::white.withAlpha(0.07f), bounds.getCentreX(), 40.0f,
            juce::Colours::black.withAlpha(0.30f), bounds.getCentreX(), bounds.getBottom() + 160.0f, true);
        g.setGradientFill(light);
        g.fillRect(bounds);
    }

    // Bevelled panel edge.
    g.setColour(juce::Colours::white.withAlpha(0.10f));
    g.drawRect(bounds.reduced(1.0f), 1.0f);
    g.setColour(juce::Colours::black.withAlpha(0.6f));
    g.drawRect(bounds, 1.0f);

    // Lower deck behind the small controls, a shade darker.
    {
        const Rectangle<float> deck{28.0f, 318.0f, 394.0f, 124.0f};
        g.setColour(juce::Colours::black.withAlpha(0.16f));
        g.fillRoundedRectangle(deck, 8.0f);
        g.setColour(juce::Colours::black.withAlpha(0.35f));
        g.drawRoundedRectangle(deck, 8.0f, 1.0f);
        g.setColour(juce::Colours::white.withAlpha(0.06f));
        g.drawRoundedRectangle(deck.translated(0.0f, 1.0f), 8.0f, 1.0f);
    }

    // Meter window.
    {
        const auto meter = layout::levelMeter.toFloat();
        drawRecess(g, meter, 5.0f);
        drawPrinted(
            g, "L", {meter.getX() - 18.0f, meter.getY() + 18.0f, 14.0f, 14.0f}, fonts.make(11.0f, true), printMuted);
        drawPrinted(g, "OUTPUT", {meter.getRight() + 6.0f, meter.getY() + 18.0f, 64.0f, 13.0f},
            fonts.make(9.0f, true, 0.12f), printMuted, juce::Justification::centredLeft);
    }

    // Product name and maker, left and right of the big knob.
    {
        drawPrinted(g, productName(), {18.0f, 104.0f, 100.0f, 34.0f}, fonts.make(30.0f, true, -0.02f), printCream,
            juce::Justification::centredLeft);
        g.setColour(amber);
        g.fillRect(Rectangle<float>{20.0f, 140.0f, 44.0f, 2.0f});
        drawPrinted(g, "STEREO", {19.0f, 147.0f, 104.0f, 12.0f}, fonts.make(8.5f, true, 0.14f), printMuted,
            juce::Justification::centredLeft);
        drawPrinted(g, "PUNCH PROCESSOR", {19.0f, 158.0f, 104.0f, 12.0f}, fonts.make(8.5f, true, 0.1f), printMuted,
            juce::Justification::centredLeft);

        drawPrinted(g, makerName().toUpperCase(), {330.0f, 108.0f, 102.0f, 14.0f}, fonts.make(10.5f, true, 0.22f),
            printCream, juce::Justification::centredRight);
        drawPrinted(g, "STUDIO DYNAMICS", {330.0f, 123.0f, 102.0f, 12.0f}, fonts.make(8.0f, true, 0.16f), printMuted,
            juce::Justification::centredRight);
    }

    // Punch: ticks, numbers 0 to 10 and its name under the knob.
    {
        const auto c = layout::punchKnob.toFloat().getCentre();
        drawKnobScale(g, c, 91.0f, 97.0f, 11, 3.0f, 1.6f);
        const auto numbers = fonts.make(10.0f, true);
        for (int i = 0; i <= 10; ++i)
        {
            const float a = travelStart + (float) i / 10.0f * (travelEnd - travelStart);
            drawCentredText(g, juce::String(i), onCircle(c, 111.0f, a), numbers, printMuted);
        }
        drawCentredText(g, "PUNCH", {c.x, c.y + 86.0f}, fonts.make(15.0f, true, 0.18f), printCream);
    }

    // Color and Gain: ticks, end and centre values, names.
    auto smallScale = [&](Rectangle<int> knob, const char* name, const char* low, const char* mid, const char* high)
    {
        const auto c = knob.toFloat().getCentre();
        drawKnobScale(g, c, 33.0f, 36.0f, 11, 2.0f, 1.1f);
        const auto numbers = fonts.make(8.5f, true);
        drawCentredText(g, low, onCircle(c, 45.0f, travelStart).translated(-3.0f, 2.0f), numbers, printMuted);
        drawCentredText(g, mid, onCircle(c, 44.0f, 0.0f), numbers, printMuted);
        drawCentredText(g, high, onCircle(c, 45.0f, travelEnd).translated(3.0f, 2.0f), numbers, printMuted);
        drawCentredText(g, name, {c.x, (float) knob.getBottom() + 11.0f}, fonts.make(12.0f, true, 0.18f), printCream);
    };
    smallScale(layout::colorKnob, "COLOR", "0", "5", "10");
    smallScale(layout::gainKnob, "GAIN", "-36", "0 dB", "+4");

    // Compressor switch caption.
    {
        const auto sw = layout::compSwitch.toFloat();
        drawCentredText(
            g, "COMPRESSOR", {sw.getCentreX(), sw.getY() - 10.0f}, fonts.make(9.5f, true, 0.16f), printCream);
    }

    // Corner screws.
    drawScrew(g, {13.0f, 13.0f}, 0.3f);
    drawScrew(g, {437.0f, 13.0f}, 1.1f);
    drawScrew(g, {13.0f, 437.0f}, 0.7f);
    drawScrew(g, {437.0f, 437.0f}, 0.1f);

    return image;
}

Image drawPunchKnobStrip()
{
    return drawKnobStrip(punchStyle, EditorLayout::punchKnobFrames);
}
Image drawSmallKnobStrip()
{
    return drawKnobStrip(smallStyle, EditorLayout::smallKnobFrames);
}

Image drawMeterStrip(const Fonts& fonts)
{
    const int w = layout::levelMeter.getWidth();
    const int h = layout::levelMeter.getHeight();
    Image strip(Image::ARGB, w, h * EditorLayout::meterFrames, true);
    Graphics g(strip);

    constexpr int segments = EditorLayout::meterFrames - 1;
    const float left = 12.0f, right = (float) w - 12.0f;
    const float pitch = (right - left) / (float) segments;
    const float segW = pitch - 2.6f;

    auto segmentColour = [](int k) // k from 1
    { return k <= 16 ? ledGreen : (k <= 21 ? ledAmber : ledRed); };

    for (int f = 0; f < EditorLayout::meterFrames; ++f)
    {
        Graphics::ScopedSaveState state(g);
        g.reduceClipRegion(0, f * h, w, h);
        g.setOrigin(0, f * h);

        const Rectangle<float> face{0.0f, 0.0f, (float) w, (float) h};
        juce::ColourGradient glass(Colour(0xff16171a), 0.0f, 0.0f, Colour(0xff08090a), 0.0f, (float) h, false);
        g.setGradientFill(glass);
        g.fillRoundedRectangle(face, 5.0f);

        // Segment k lights when the frame reaches it: frame f lights segments 1..f.
        for (int k = 1; k <= segments; ++k)
        {
            const Rectangle<float> seg{left + pitch * (float) (k - 1) + 1.3f, 13.0f, segW, 20.0f};
            const auto colour = segmentColour(k);
            if (k <= f)
            {
                g.setColour(colour.withAlpha(0.22f));
                g.fillRoundedRectangle(seg.expanded(2.5f), 3.0f);
                juce::ColourGradient lit(
                    colour.brighter(0.6f), seg.getX(), seg.getY(), colour, seg.getX(), seg.getBottom(), false);
                g.setGradientFill(lit);
            }
            else
            {
                g.setColour(colour.withMultipliedBrightness(0.22f).withMultipliedSaturation(0.7f));
            }
            g.fillRoundedRectangle(seg, 1.5f);
        }

        // Scale: segment k lights above -(43 - k) dB.
        const auto numbers = fonts.make(8.5f, true);
        for (int db : {-40, -35, -30, -25, -20})
        {
            const int k = 43 + db;
            const float x = left + pitch * ((float) k - 0.5f);
            g.setColour(printMuted);
            g.fillRect(Rectangle<float>{x - 0.5f, 37.0f, 1.0f, 4.0f});
            g.setFont(numbers);
            g.drawText(juce::String(db), Rectangle<float>{x - 16.0f, 42.0f, 32.0f, 11.0f}, juce::Justification::centred,
                false);
        }
        g.setColour(printMuted.withAlpha(0.8f));
        g.setFont(fonts.make(8.0f, true, 0.1f));
        g.drawText(
            "dB", Rectangle<float>{right - 22.0f, 42.0f, 22.0f, 11.0f}, juce::Justification::centredRight, false);

        // Glass reflection over the top half.
        juce::ColourGradient shine(juce::Colours::white.withAlpha(0.07f), 0.0f, 0.0f,
            juce::Colours::white.withAlpha(0.0f), 0.0f, (float) h * 0.5f, false);
        g.setGradientFill(shine);
        g.fillRoundedRectangle(face.withHeight((float) h * 0.5f).reduced(2.0f, 1.0f), 4.0f);

        g.setColour(juce::Colours::black);
        g.drawRoundedRectangle(face.reduced(0.5f), 5.0f, 1.0f);
    }
    return strip;
}

Image drawBottomBar(const Fonts& fonts)
{
    const auto b = layout::bottomBar;
    Image image(Image::ARGB, b.getWidth(), b.getHeight(), true);
    Graphics g(image);
    const auto r = image.getBounds().toFloat();

    juce::ColourGradient fill(Colour(0xff202125), 0.0f, 0.0f, Colour(0xff0f1012), 0.0f, r.getHeight(), false);
    g.setGradientFill(fill);
    g.fillRect(r);
    g.setColour(Colour(0xff050506));
    g.fillRect(Rectangle<float>{0.0f, 0.0f, r.getWidth(), 1.0f});
    g.setColour(juce::Colours::white.withAlpha(0.09f));
    g.fillRect(Rectangle<float>{0.0f, 1.0f, r.getWidth(), 1.0f});

    // Separators next to the maker's button and the power button.
    for (float x : {70.0f, (float) (layout::powerButton.getX() - 3)})
    {
        g.setColour(juce::Colours::black.withAlpha(0.6f));
        g.fillRect(Rectangle<float>{x, 7.0f, 1.0f, 17.0f});
        g.setColour(juce::Colours::white.withAlpha(0.07f));
        g.fillRect(Rectangle<float>{x + 1.0f, 7.0f, 1.0f, 17.0f});
    }

    const auto name = fonts.make(14.0f, true, -0.01f);
    const auto tag = fonts.make(8.5f, true, 0.22f);
    const auto tagText = juce::String::fromUTF8("STEREO PUNCH PROCESSOR  \xc2\xb7  ") + shortVersion();
    const float nameW = name.getStringWidthFloat(productName());
    const float tagW = tag.getStringWidthFloat(tagText);
    const float total = nameW + 10.0f + tagW;
    const float x0 = (70.0f + (float) layout::powerButton.getX()) * 0.5f - total * 0.5f;

    g.setFont(name);
    g.setColour(printCream);
    g.drawText(productName(), Rectangle<float>{x0, 2.0f, nameW + 2.0f, 27.0f}, juce::Justification::centredLeft, false);
    g.setFont(tag);
    g.setColour(printMuted);
    g.drawText(tagText, Rectangle<float>{x0 + nameW + 10.0f, 3.0f, tagW + 4.0f, 27.0f},
        juce::Justification::centredLeft, false);
    return image;
}

Image drawLinkButton(const Fonts& fonts)
{
    const auto b = layout::linkButton;
    Image image(Image::ARGB, b.getWidth(), b.getHeight(), true);
    Graphics g(image);

    const Rectangle<float> flame{5.0f, 7.0f, 7.0f, 14.0f};
    juce::ColourGradient fire(Colour(0xffffe29a), flame.getCentreX(), flame.getBottom() - 3.0f, amberDeep,
        flame.getCentreX(), flame.getY(), false);
    g.setColour(amber.withAlpha(0.18f));
    g.fillEllipse(flame.expanded(4.0f, 2.0f).translated(0.0f, 2.0f));
    g.setGradientFill(fire);
    g.fillPath(flameMark(flame));
    g.setColour(printCream);
    g.fillRect(Rectangle<float>{flame.getCentreX() - 0.6f, flame.getBottom() - 0.5f, 1.2f, 2.5f});

    const auto font = fonts.make(10.5f, true, -0.03f);
    g.setFont(font);
    g.setColour(printCream);
    g.drawText(makerName(), Rectangle<float>{14.0f, 0.0f, (float) b.getWidth() - 14.0f, (float) b.getHeight()},
        juce::Justification::centred, false);
    return image;
}

Image drawPowerButton(const Fonts& fonts, bool lit)
{
    const auto b = layout::powerButton;
    Image image(Image::ARGB, b.getWidth(), b.getHeight(), true);
    Graphics g(image);

    const Rectangle<float> pill{3.0f, 6.0f, (float) b.getWidth() - 6.0f, 18.0f};
    drawPill(g, pill, lit);

    const Point<float> c{pill.getX() + 10.0f, pill.getCentreY() + 0.5f};
    const auto symbol = powerSymbol(c, 4.6f);
    if (lit)
    {
        g.setColour(amber.withAlpha(0.30f));
        g.strokePath(symbol, PathStrokeType(4.5f, PathStrokeType::curved, PathStrokeType::rounded));
        g.setColour(amber.brighter(0.3f));
    }
    else
    {
        g.setColour(printMuted.withMultipliedBrightness(0.8f));
    }
    g.strokePath(symbol, PathStrokeType(1.7f, PathStrokeType::curved, PathStrokeType::rounded));

    g.setFont(fonts.make(8.0f, true, 0.02f));
    g.setColour(lit ? printCream : printMuted);
    g.drawText("POWER", Rectangle<float>{c.x + 6.0f, pill.getY(), pill.getRight() - c.x - 8.0f, pill.getHeight()},
        juce::Justification::centred, false);
    return image;
}

Image drawSwitch(const Fonts& fonts, bool on)
{
    const auto b = layout::compSwitch;
    Image image(Image::ARGB, b.getWidth(), b.getHeight(), true);
    Graphics g(image);
    const auto r = image.getBounds().toFloat().reduced(1.0f, 1.5f);
    const float corner = r.getHeight() * 0.5f;

    // Slot.
    g.setColour(juce::Colours::white.withAlpha(0.10f));
    g.fillRoundedRectangle(r.translated(0.0f, 0.8f), corner);
    juce::ColourGradient slot(
        Colour(0xff060607), r.getX(), r.getY(), Colour(0xff1c1d20), r.getX(), r.getBottom(), false);
    g.setGradientFill(slot);
    g.fillRoundedRectangle(r, corner);

    // Sliding thumb: right when on, left when off; the word shows on the free side.
    const float thumbW = 24.0f;
    const auto thumb =
        on ? Rectangle<float>{r.getRight() - thumbW - 1.5f, r.getY() + 1.5f, thumbW, r.getHeight() - 3.0f}
           : Rectangle<float>{r.getX() + 1.5f, r.getY() + 1.5f, thumbW, r.getHeight() - 3.0f};
    const auto free = on ? Rectangle<float>{r.getX(), r.getY(), r.getWidth() - thumbW - 1.5f, r.getHeight()}
                         : Rectangle<float>{thumb.getRight(), r.getY(), r.getRight() - thumb.getRight(), r.getHeight()};

    if (on)
    {
        g.setColour(amber.withAlpha(0.16f));
        g.fillRoundedRectangle(free.reduced(2.0f, 2.0f), corner);
    }
    g.setFont(fonts.make(8.5f, true, 0.05f));
    g.setColour(on ? amber.brighter(0.2f) : printMuted.withMultipliedBrightness(0.85f));
    g.drawText(on ? "ON" : "OFF", free.translated(on ? 1.0f : 0.0f, 0.5f), juce::Justification::centred, false);

    drawPill(g, thumb, false);
    for (int i = -1; i <= 1; ++i)
    {
        const float x = thumb.getCentreX() + (float) i * 3.5f;
        g.setColour(juce::Colours::black.withAlpha(0.55f));
        g.fillRect(Rectangle<float>{x - 0.5f, thumb.getY() + 4.0f, 1.0f, thumb.getHeight() - 8.0f});
        g.setColour(juce::Colours::white.withAlpha(0.16f));
        g.fillRect(Rectangle<float>{x + 0.5f, thumb.getY() + 4.0f, 1.0f, thumb.getHeight() - 8.0f});
    }
    return image;
}

//==============================================================================
std::vector<NamedImage> drawAll(const Fonts& fonts)
{
    return {
        {"background.png", drawBackground(fonts)},
        {"punch_knob.png", drawPunchKnobStrip()},
        {"small_knob.png", drawSmallKnobStrip()},
        {"meter.png", drawMeterStrip(fonts)},
        {"bottom_bar.png", drawBottomBar(fonts)},
        {"link_button.png", drawLinkButton(fonts)},
        {"power.png", drawPowerButton(fonts, false)},
        {"power_down.png", drawPowerButton(fonts, true)},
        {"switch_down.png", drawSwitch(fonts, true)},
        {"switch.png", drawSwitch(fonts, false)},
    };
}

Image drawPreview(const std::vector<NamedImage>& images, int punchFrame, int colorFrame, int gainFrame, int meterFrame,
    bool powerOn, bool compressorOn)
{
    auto find = [&](const char* name)
    {
        for (const auto& n : images)
            if (n.fileName == name)
                return n.image;
        return Image();
    };

    auto frameOf = [](const Image& strip, int frames, int index)
    {
        const int h = strip.getHeight() / frames;
        return strip.getClippedImage({0, juce::jlimit(0, frames - 1, index) * h, strip.getWidth(), h});
    };

    Image preview(Image::RGB, EditorLayout::width, EditorLayout::height, true);
    Graphics g(preview);
    g.drawImageAt(find("background.png"), layout::background.getX(), layout::background.getY());
    g.drawImageAt(frameOf(find("meter.png"), EditorLayout::meterFrames, meterFrame), layout::levelMeter.getX(),
        layout::levelMeter.getY());
    g.drawImageAt(frameOf(find("small_knob.png"), EditorLayout::smallKnobFrames, colorFrame), layout::colorKnob.getX(),
        layout::colorKnob.getY());
    g.drawImageAt(frameOf(find("small_knob.png"), EditorLayout::smallKnobFrames, gainFrame), layout::gainKnob.getX(),
        layout::gainKnob.getY());
    g.drawImageAt(frameOf(find("punch_knob.png"), EditorLayout::punchKnobFrames, punchFrame), layout::punchKnob.getX(),
        layout::punchKnob.getY());
    g.drawImageAt(
        find(compressorOn ? "switch_down.png" : "switch.png"), layout::compSwitch.getX(), layout::compSwitch.getY());
    g.drawImageAt(find("bottom_bar.png"), layout::bottomBar.getX(), layout::bottomBar.getY());
    g.drawImageAt(find("link_button.png"), layout::linkButton.getX(), layout::linkButton.getY());
    g.drawImageAt(
        find(powerOn ? "power_down.png" : "power.png"), layout::powerButton.getX(), layout::powerButton.getY());
    return preview;
}
}
