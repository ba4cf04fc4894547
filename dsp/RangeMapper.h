#pragma once

#include <cstdint>

// Maps a normalised control value (0..1) onto a signal-processing quantity
// such as decibels or hertz along one of three straight-line curves.
class RangeMapper
{
public:
    enum Mode : std::int32_t
    {
        modeSymmetric = 0, // line through (center, 0), scale per center of input
        modeLinear = 1,    // line through (0, 0), scale per unit of input
        modeAsymmetric = 2 // downRange per center below center, upRange per center above
    };

    // Single-precision throughout. NaN maps to 0; the input is clamped to
    // maxInput first, then to minInput. Unknown modes map everything to 0.
    float mapValue(float x) const;

    float center = 0.5f;
    float maxInput = 1.0f;
    float minInput = 0.0f;
    float scale = 0.0f;
    float upRange = 0.0f;
    float downRange = 0.0f;
    std::int32_t mode = modeSymmetric;
};
