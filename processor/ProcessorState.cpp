// The state chunk: "VC2!", the 32-bit little-endian length L of the XML text,
// L bytes of one-line XML (<Velmo_SETTINGS Gain=".." Punch=".." Color=".."/>)
// and a zero byte.

#include "processor/VelmoAudioProcessor.h"

#include "processor/NumberText.h"

#include <cstring>

namespace
{
    constexpr juce::uint32 chunkMagic = 0x21324356; // "VC2!" read little-endian

    bool equalsIgnoringAsciiCase (const juce::String& a, const juce::String& b)
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

    // The value of the first attribute whose name matches, ignoring case.
    double attributeValueIgnoringCase (const juce::XmlElement& xml, const juce::String& name)
    {
        for (int i = 0; i < xml.getNumAttributes(); ++i)
            if (equalsIgnoringAsciiCase (xml.getAttributeName (i), name))
                return xml.getAttributeValue (i).getDoubleValue();

        return 0.0;
    }
}

void VelmoAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::XmlElement xml (getName() + "_SETTINGS");

    for (int i = 0; i < getNumParameters(); ++i)
        xml.setAttribute (getParameterName (i).removeCharacters (" "),
                          NumberText::significantDigits20 ((double) getParameter (i)));

    {
        juce::MemoryOutputStream out (destData, false);
        out.writeInt ((int) chunkMagic);
        out.writeInt (0);
        xml.writeTo (out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte (0);
    }

    const auto length = juce::ByteOrder::swapIfBigEndian ((juce::uint32) (destData.getSize() - 9));
    std::memcpy (static_cast<char*> (destData.getData()) + 4, &length, sizeof (length));
}

void VelmoAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr)
        return;

    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! equalsIgnoringAsciiCase (xml->getTagName(), getName() + "_SETTINGS"))
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

    // By position: the i-th attribute sets parameter i, whatever its name.
    for (int i = 0; i < xml->getNumAttributes(); ++i)
        setParameterNotifyingHost (i, (float) attributeValueIgnoringCase (*xml, xml->getAttributeName (i)));

    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}
