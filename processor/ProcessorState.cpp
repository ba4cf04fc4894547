// The state chunk: "VC2!", the 32-bit little-endian length L of the XML text,
// L bytes of one-line XML (<Velmo_SETTINGS Gain=".." Punch=".." Color=".."/>)
// and a zero byte.

#include "processor/VelmoAudioProcessor.h"

#include "processor/NumberText.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

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

    // The characters juce::XmlDocument takes for names.
    bool isXmlIdentifierChar (juce::juce_wchar c)
    {
        static const juce::uint32 legalChars[] = { 0, 0x7ff6000, 0x87fffffe, 0x7fffffe, 0 };

        if ((juce::uint32) c < 32 * std::size (legalChars))
            return (legalChars[(juce::uint32) c >> 5] & (1u << ((juce::uint32) c & 31))) != 0;

        return juce::CharacterFunctions::isLetterOrDigit (c) || c == '_' || c == '-' || c == ':' || c == '.';
    }

    // Reads the element of a state text in one pass, as juce::XmlDocument reads
    // a document's outermost element (same characters, whitespace, comments,
    // entities, quirks and errors), but without what makes that parser slow or
    // deep on damaged input: the element's content may only be a closing tag
    // (text, child elements and a document type are refused), searches that
    // found no end once are not repeated, and only the first few attributes
    // are kept; the rest are read and counted.
    class StateElementReader
    {
    public:
        // The value as the UTF-8 bytes XmlDocument would have put into its
        // string, gathered here without that string's cost per append.
        struct Attribute
        {
            juce::String name;
            std::string value;

            double getDoubleValue() const { return juce::CharPointer_UTF8 (value.c_str()).getDoubleValue(); }
        };

        // text: zero-terminated, with at least paddingBytes more zeros after it.
        StateElementReader (const char* text, int attributesToKeep)
            : input (text), keep (attributesToKeep)
        {
        }

        // Room after the terminator for look-ahead, in case.
        static constexpr std::size_t paddingBytes = 16;

        // True when the text holds an element that XmlDocument would have
        // returned, within the limits above.
        bool read()
        {
            if (input.isEmpty())
                return false;

            skipNextWhiteSpace();

            if (juce::CharacterFunctions::compareUpTo (input, juce::CharPointer_ASCII ("<?xml"), 5) == 0)
            {
                auto headerEnd = juce::CharacterFunctions::find (input, juce::CharPointer_ASCII ("?>"));

                if (headerEnd.isEmpty())
                    return false;

                input = headerEnd + 2;
                skipNextWhiteSpace();
            }

            if (juce::CharacterFunctions::compareUpTo (input, juce::CharPointer_ASCII ("<!DOCTYPE"), 9) == 0)
                return false;

            return readElement() && ! errorOccurred;
        }

        juce::String tagName;
        std::vector<Attribute> attributes;  // the first attributesToKeep
        int numAttributes = 0;

    private:
        bool readElement()
        {
            skipNextWhiteSpace();

            if (outOfData || *input != '<')
                return false;

            ++input;
            auto endOfToken = findEndOfToken (input);

            if (endOfToken == input)
            {
                // No tag name, but a gap after the '<' is allowed.
                skipNextWhiteSpace();
                endOfToken = findEndOfToken (input);

                if (endOfToken == input)
                    return false;
            }

            tagName = juce::String (input, endOfToken);
            input = endOfToken;

            for (;;)
            {
                skipNextWhiteSpace();
                const auto c = *input;

                if (c == '/' && input[1] == '>')
                {
                    input += 2;
                    return true;
                }

                if (c == '>')
                {
                    ++input;
                    readClosingTag();
                    return true;
                }

                if (! isXmlIdentifierChar (c))
                {
                    if (! outOfData)
                        fail();

                    return true;
                }

                const auto nameStart = input;
                const auto nameEnd = findEndOfToken (input);
                input = nameEnd;
                skipNextWhiteSpace();

                if (readNextChar() != '=')
                {
                    fail();
                    return true;
                }

                skipNextWhiteSpace();
                const auto quote = *input;

                // A name and '=' without a quoted value end the attributes quietly.
                if (quote != '"' && quote != '\'')
                    return true;

                if (numAttributes < keep)
                {
                    Attribute a { juce::String (nameStart, nameEnd), {} };
                    readQuotedString (&a.value);
                    attributes.push_back (std::move (a));
                }
                else
                {
                    readQuotedString (nullptr);
                }

                ++numAttributes;
            }
        }

        // The content of an element written with '>': nothing but a closing tag.
        void readClosingTag()
        {
            skipNextWhiteSpace();

            if (outOfData)
            {
                fail();  // unmatched tags
                return;
            }

            if (*input == '<' && input[1] == '/')
            {
                const auto closeTag = input.indexOf ((juce::juce_wchar) '>');

                if (closeTag >= 0)
                    input += closeTag + 1;

                return;
            }

            fail();  // text, child elements or CDATA
        }

        static juce::String::CharPointerType findEndOfToken (juce::String::CharPointerType p)
        {
            while (isXmlIdentifierChar (*p))
                ++p;

            return p;
        }

        juce::juce_wchar readNextChar()
        {
            const auto c = input.getAndAdvance();

            if (c == 0)
            {
                outOfData = true;
                --input;
            }

            return c;
        }

        // Index of the first `what` at or after input, or -1. A search that
        // failed once fails at once from any later position.
        int indexOf (const char* what, juce::String::CharPointerType& noneFrom)
        {
            if (noneFrom.getAddress() != nullptr && input.getAddress() >= noneFrom.getAddress())
                return -1;

            const auto index = input.indexOf (juce::CharPointer_ASCII (what));

            if (index < 0)
                noneFrom = input;

            return index;
        }

        void skipNextWhiteSpace()
        {
            for (;;)
            {
                input.incrementToEndOfWhitespace();

                if (input.isEmpty())
                {
                    outOfData = true;
                    break;
                }

                if (*input == '<')
                {
                    if (input[1] == '!' && input[2] == '-' && input[3] == '-')
                    {
                        input += 4;
                        const auto closeComment = indexOf ("-->", noCommentEndFrom);

                        if (closeComment < 0)
                        {
                            outOfData = true;
                            break;
                        }

                        input += closeComment + 3;
                        continue;
                    }

                    if (input[1] == '?')
                    {
                        input += 2;
                        const auto closeBracket = indexOf ("?>", noInstructionEndFrom);

                        if (closeBracket < 0)
                        {
                            outOfData = true;
                            break;
                        }

                        input += closeBracket + 2;
                        continue;
                    }
                }

                break;
            }
        }

        // As juce::String appends a character: nothing for a zero.
        static void append (std::string* result, juce::juce_wchar c)
        {
            if (result == nullptr || c == 0)
                return;

            char bytes[8];
            juce::CharPointer_UTF8 end (bytes);
            end.write (c);
            result->append (bytes, end.getAddress());
        }

        static void append (std::string* result, juce::String::CharPointerType start, juce::String::CharPointerType end)
        {
            if (result != nullptr)
                result->append (start.getAddress(), end.getAddress());
        }

        void readQuotedString (std::string* result)
        {
            const auto quote = readNextChar();

            while (! outOfData)
            {
                const auto c = readNextChar();

                if (c == quote)
                    break;

                --input;

                if (c == '&')
                {
                    readEntity (result);
                    continue;
                }

                const auto start = input;

                for (;;)
                {
                    const auto character = *input;

                    if (character == quote)
                    {
                        append (result, start, input);
                        ++input;
                        return;
                    }

                    if (character == '&')
                    {
                        append (result, start, input);
                        break;
                    }

                    if (character == 0)
                    {
                        fail();  // unmatched quotes
                        outOfData = true;
                        break;
                    }

                    ++input;
                }
            }
        }

        void readEntity (std::string* result)
        {
            ++input;  // the ampersand

            struct Named { const char* text; int length; juce::juce_wchar c; };
            static const Named named[] = { { "amp;", 4, '&' }, { "quot;", 5, '"' }, { "apos;", 5, '\'' },
                                           { "lt;", 3, '<' }, { "gt;", 3, '>' } };

            for (const auto& n : named)
            {
                if (input.compareIgnoreCaseUpTo (juce::CharPointer_ASCII (n.text), n.length) == 0)
                {
                    input += n.length;
                    append (result, n.c);
                    return;
                }
            }

            if (*input == '#')
            {
                juce::uint64 charCode = 0;  // wraps where XmlDocument would overflow
                ++input;

                if (*input == 'x' || *input == 'X')
                {
                    ++input;
                    int numChars = 0;

                    while (input[0] != ';')
                    {
                        const auto hexValue = juce::CharacterFunctions::getHexDigitValue (input[0]);

                        if (hexValue < 0 || ++numChars > 8)
                            break;

                        charCode = (charCode << 4) | (juce::uint64) hexValue;
                        ++input;
                    }

                    // XmlDocument steps over the character after the digits,
                    // even past the end of the text; this stops at the end.
                    if (! input.isEmpty())
                        ++input;
                }
                else if (input[0] >= '0' && input[0] <= '9')
                {
                    int numChars = 0;

                    for (;;)
                    {
                        const auto firstChar = input[0];

                        if (firstChar == 0)
                            return;

                        if (firstChar == ';')
                            break;

                        if (++numChars > 12)
                            break;

                        charCode = charCode * 10 + (juce::uint64) ((juce::int64) firstChar - '0');
                        ++input;
                    }

                    ++input;
                }
                else
                {
                    append (result, '&');
                    return;
                }

                append (result, (juce::juce_wchar) charCode);
                return;
            }

            // Any other entity: with no document type, its name stands for it.
            const auto nameStart = input;
            const auto closingSemiColon = input.indexOf ((juce::juce_wchar) ';');

            if (closingSemiColon < 0)
            {
                outOfData = true;
                append (result, '&');
                return;
            }

            input += closingSemiColon + 1;

            auto name = nameStart;
            for (int i = 0; i < closingSemiColon; ++i)
                append (result, name.getAndAdvance());
        }

        // An error that makes XmlDocument give no element. (Its other errors,
        // in character references and unknown entities, let it carry on, and
        // could only clear an error here that ends the reading anyway.)
        void fail()  { errorOccurred = true; }

        juce::String::CharPointerType input;
        juce::String::CharPointerType noCommentEndFrom { nullptr };
        juce::String::CharPointerType noInstructionEndFrom { nullptr };
        const int keep;
        bool outOfData = false;
        bool errorOccurred = false;
    };
}

namespace
{
    // The text up to its first zero byte, as String::fromUTF8 takes it, with
    // zeros after it. JUCE's character pointer agrees with itself only on
    // valid UTF-8 (counting characters and stepping over them can disagree
    // on a broken sequence, and end up far past the text), so text that is
    // not valid UTF-8 is first written out again as the characters it
    // decodes to. Valid text is kept byte for byte.
    std::vector<char> textForReading (const char* bytes, int numBytes)
    {
        std::vector<char> text (bytes, bytes + numBytes);
        text.push_back (0);

        if (! juce::CharPointer_UTF8::isValidString (text.data(), numBytes))
        {
            std::vector<char> decoded (4 * (size_t) numBytes + 1);
            juce::CharPointer_UTF8 from (text.data()), to (decoded.data());

            for (auto c = from.getAndAdvance(); c != 0; c = from.getAndAdvance())
                to.write (c);

            to.writeNull();
            decoded.resize ((size_t) (to.getAddress() - decoded.data()) + 1);
            text.swap (decoded);
        }

        text.resize (text.size() + StateElementReader::paddingBytes, 0);
        return text;
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
    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != chunkMagic)
        return;

    const auto length = (int) juce::ByteOrder::littleEndianInt (static_cast<const char*> (data) + 4);

    if (length <= 0)
        return;

    const auto text = textForReading (static_cast<const char*> (data) + 8, juce::jmin (sizeInBytes - 8, length));
    const int numParameters = getNumParameters();
    StateElementReader reader (text.data(), numParameters);

    if (! reader.read() || ! equalsIgnoringAsciiCase (reader.tagName, getName() + "_SETTINGS"))
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

    // By position: the i-th attribute sets parameter i, whatever its name, to
    // the value of the first attribute of the same name (ignoring case), which
    // comes no later than the i-th itself. Attributes past the parameters only
    // make setParameter send its change message; their values go nowhere.
    for (int i = 0; i < reader.numAttributes; ++i)
    {
        float value = 0.0f;

        if (i < numParameters)
        {
            const auto& attributes = reader.attributes;
            const auto& name = attributes[(size_t) i].name;
            auto first = attributes.begin();

            while (! equalsIgnoringAsciiCase (first->name, name))
                ++first;

            value = (float) first->getDoubleValue();
        }

        setParameterNotifyingHost (i, value);
    }

    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}
