#include "editor/FilmStripSlider.h"

#include <cmath>

FilmStripSlider::FilmStripSlider() = default;

void FilmStripSlider::setFilmStrip(juce::Image image, int numFrames, bool isHorizontal)
{
    stripImage = image;

    if (stripImage.isValid())
    {
        // Fewer than one frame cannot be cut from a strip: keep the image but show nothing.
        frameCount = juce::jmax(0, numFrames);
        horizontalStrip = isHorizontal;

        if (frameCount > 0)
        {
            if (horizontalStrip)
            {
                frameWidth = stripImage.getWidth() / frameCount;
                frameHeight = stripImage.getHeight();
            }
            else
            {
                frameWidth = stripImage.getWidth();
                frameHeight = stripImage.getHeight() / frameCount;
            }
        }
    }
    else
    {
        frameCount = 0;
    }

    repaint();
}

void FilmStripSlider::paint(juce::Graphics& g)
{
    if (stripImage.isNull() || frameCount < 1)
        return;

    const double minimum = getMinimum();
    const double span = getMaximum() - minimum;
    const double position = (span > 0.0) ? (getValue() - minimum) / span * (double) (frameCount - 1) : 0.0;

    // Truncation toward zero; the clamp only guards the conversion.
    const int frame = std::isfinite(position) ? (int) juce::jlimit(0.0, (double) (frameCount - 1), position) : 0;

    int destWidth = getWidth();
    int destHeight = getHeight();

    // The text-box height comes off both sides of the picture.
    if (getTextBoxPosition() == juce::Slider::TextBoxBelow)
    {
        destWidth -= getTextBoxHeight();
        destHeight -= getTextBoxHeight();
    }

    if (!horizontalStrip)
    {
        g.drawImage(stripImage, 0, 0, destWidth, destHeight, 0, frame * frameHeight, frameWidth, frameHeight, false);
    }
    else
    {
        const int destX = (int) ((getWidth() - destWidth) * 0.5);
        g.drawImage(stripImage, destX, 0, destWidth, destHeight, frame * frameWidth, 0, frameWidth, frameHeight, false);
    }
}
