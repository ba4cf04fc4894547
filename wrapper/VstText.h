#pragma once

#include <juce_core/juce_core.h>

// Texts between the host's buffers and JUCE strings.
namespace VstText
{
// Writes at most maxLen bytes of text's UTF-8 form into dest, never
// splitting a character, then a zero byte: at most maxLen + 1 bytes in
// all. Does nothing for a null dest.
void copy(char* dest, const juce::String& text, int maxLen) noexcept;

// Reads a zero-terminated host text of at most maxLen bytes.
juce::String read(const char* src, int maxLen);
}
