#include "wrapper/VstText.h"

#include <cstring>

namespace VstText
{
void copy(char* dest, const juce::String& text, int maxLen) noexcept
{
    if (dest == nullptr || maxLen < 0)
        return;

    const char* utf8 = text.toRawUTF8();
    const std::size_t length = std::strlen(utf8);
    std::size_t n = std::min(length, static_cast<std::size_t>(maxLen));

    // Back off to the start of a character when the cut falls inside one.
    while (n > 0 && n < length && (static_cast<unsigned char>(utf8[n]) & 0xc0) == 0x80)
        --n;

    std::memcpy(dest, utf8, n);
    dest[n] = 0;
}

juce::String read(const char* src, int maxLen)
{
    if (src == nullptr || maxLen <= 0)
        return {};

    const std::size_t length = strnlen(src, static_cast<std::size_t>(maxLen));
    return juce::String::fromUTF8(src, static_cast<int>(length));
}
}
