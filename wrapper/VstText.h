#pragma once

#include <juce_core/juce_core.h>

// Text lengths of the VST 2.4 interface, in bytes without the terminating
// zero: a host buffer holds one byte more.
namespace VstText
{
    constexpr int maxParamStrLen = 8;     // parameter names, labels and display texts
    constexpr int maxProgNameLen = 24;    // program names
    constexpr int maxEffectNameLen = 32;  // effect name
    constexpr int maxVendorStrLen = 64;   // vendor
    constexpr int maxProductStrLen = 64;  // product

    // Writes at most maxLen bytes of text's UTF-8 form into dest, never
    // splitting a character, then a zero byte: at most maxLen + 1 bytes in
    // all. Does nothing for a null dest.
    void copy (char* dest, const juce::String& text, int maxLen) noexcept;

    // Reads a zero-terminated host text of at most maxLen bytes.
    juce::String read (const char* src, int maxLen);
}
