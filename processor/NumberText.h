#pragma once

#include <juce_core/juce_core.h>

// Number-to-text conversions of the parameter texts and the state chunk.
namespace NumberText
{
// Exactly two decimals, exact halves rounded away from zero (0.125 -> "0.13").
juce::String twoDecimals(double value);

// Up to 20 significant digits in general notation, classic locale, no
// trailing zeros: 0 -> "0", 0.5 -> "0.5", 0.7f -> "0.69999998807907104492".
juce::String significantDigits20(double value);
}
