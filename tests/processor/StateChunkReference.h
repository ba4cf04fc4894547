// The state chunk as the framework's XML parser reads it: getXmlFromBinary,
// then the attributes looked up by index, as the processor read chunks before
// it had a reader of its own. Kept to compare against; its time grows with
// the cube of the attribute count, so it is for small chunks only.
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace StateChunkReference
{
inline bool equalsIgnoringAsciiCase(const juce::String& a, const juce::String& b)
{
    auto p = a.getCharPointer();
    auto q = b.getCharPointer();

    for (;;)
    {
        auto c = p.getAndAdvance();
        auto d = q.getAndAdvance();

        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (d >= 'A' && d <= 'Z')
            d += 'a' - 'A';

        if (c != d)
            return false;

        if (c == 0)
            return true;
    }
}

// Whether read() is safe on a chunk. The framework's parser reads past
// the end of its text after a broken UTF-8 sequence, or after a
// hexadecimal character reference whose digits run to the end of the
// text (or of an entity name that it reads as elements); it never ends
// on a processing instruction followed by text inside an element; and
// it expands the entities of a document type without bound. Chunks that
// might do any of these are left out, a few harmless ones with them.
inline bool canRead(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8)
        return true;

    const auto* bytes = static_cast<const char*>(data);
    const auto length = (int) juce::ByteOrder::littleEndianInt(bytes + 4);
    std::string text(bytes + 8, (std::size_t) juce::jmax(0, juce::jmin(length, sizeInBytes - 8)));
    text = text.substr(0, text.find('\0'));

    if (!juce::CharPointer_UTF8::isValidString(text.data(), (int) text.size()) ||
        text.find("<?", 1) != std::string::npos || text.find("<!DOCTYPE") != std::string::npos)
        return false;

    for (auto at = text.find("&#"); at != std::string::npos; at = text.find("&#", at + 1))
    {
        if (at + 2 >= text.size() || (text[at + 2] != 'x' && text[at + 2] != 'X'))
            continue;

        auto end = at + 3;
        while (end < text.size() && end - at - 3 < 8 && std::isxdigit((unsigned char) text[end]))
            ++end;

        if (end == text.size() || (text[end] == ';' && text.find("&<") < at))
            return false;
    }

    return true;
}

struct Reading
{
    std::vector<float> values; // the i-th sets parameter i (those past the parameters go nowhere)
    bool hasContent = false;   // the element holds text or child elements
};

// What a chunk sets, or nothing when it is refused.
inline std::optional<Reading> read(const void* data, int sizeInBytes, const juce::String& tagName)
{
    if (data == nullptr)
        return std::nullopt;

    const auto xml = juce::AudioProcessor::getXmlFromBinary(data, sizeInBytes);

    if (xml == nullptr || !equalsIgnoringAsciiCase(xml->getTagName(), tagName))
        return std::nullopt;

    Reading reading;
    reading.hasContent = xml->getNumChildElements() > 0;

    for (int i = 0; i < xml->getNumAttributes(); ++i)
    {
        double value = 0.0;

        for (int j = 0; j < xml->getNumAttributes(); ++j)
        {
            if (equalsIgnoringAsciiCase(xml->getAttributeName(j), xml->getAttributeName(i)))
            {
                value = xml->getAttributeValue(j).getDoubleValue();
                break;
            }
        }

        reading.values.push_back((float) value);
    }

    return reading;
}
}
