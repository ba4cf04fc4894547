// The state chunk as the framework's XML parser reads it: getXmlFromBinary,
// then the attributes looked up by index, as the processor read chunks before
// it had a reader of its own. Kept to compare against; its time grows with
// the cube of the attribute count, so it is for small chunks only.
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <optional>
#include <vector>

namespace StateChunkReference
{
    inline bool equalsIgnoringAsciiCase (const juce::String& a, const juce::String& b)
    {
        auto p = a.getCharPointer();
        auto q = b.getCharPointer();

        for (;;)
        {
            auto c = p.getAndAdvance();
            auto d = q.getAndAdvance();

            if (c >= 'A' && c <= 'Z')  c += 'a' - 'A';
            if (d >= 'A' && d <= 'Z')  d += 'a' - 'A';

            if (c != d)
                return false;

            if (c == 0)
                return true;
        }
    }

    struct Reading
    {
        std::vector<float> values;  // the i-th sets parameter i (those past the parameters go nowhere)
        bool hasContent = false;    // the element holds text or child elements
    };

    // What a chunk sets, or nothing when it is refused.
    inline std::optional<Reading> read (const void* data, int sizeInBytes, const juce::String& tagName)
    {
        if (data == nullptr)
            return std::nullopt;

        const auto xml = juce::AudioProcessor::getXmlFromBinary (data, sizeInBytes);

        if (xml == nullptr || ! equalsIgnoringAsciiCase (xml->getTagName(), tagName))
            return std::nullopt;

        Reading reading;
        reading.hasContent = xml->getNumChildElements() > 0;

        for (int i = 0; i < xml->getNumAttributes(); ++i)
        {
            double value = 0.0;

            for (int j = 0; j < xml->getNumAttributes(); ++j)
            {
                if (equalsIgnoringAsciiCase (xml->getAttributeName (j), xml->getAttributeName (i)))
                {
                    value = xml->getAttributeValue (j).getDoubleValue();
                    break;
                }
            }

            reading.values.push_back ((float) value);
        }

        return reading;
    }
}
