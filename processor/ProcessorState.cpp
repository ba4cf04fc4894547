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

bool equalsIgnoringAsciiCase(const juce::String& a, const juce::String& b)
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

// The characters juce::XmlDocument takes for names.
bool isXmlIdentifierChar(juce::juce_wchar c)
{
    static const juce::uint32 legalChars[] = {0, 0x7ff6000, 0x87fffffe, 0x7fffffe, 0};

    if ((juce::uint32) c < 32 * std::size(legalChars))
        return (legalChars[(juce::uint32) c >> 5] & (1u << ((juce::uint32) c & 31))) != 0;

    return juce::CharacterFunctions::isLetterOrDigit(c) || c == '_' || c == '-' || c == ':' || c == '.';
}

// Reads the element of a state text in one pass, as juce::XmlDocument
// reads a document's outermost element: same characters, whitespace,
// comments, entities, content, quirks and errors, so that it gives an
// element exactly when XmlDocument::getDocumentElement would, with the
// same tag and attributes. What makes that parser slow, deep or endless
// on damaged input is left out:
// - element content is read with a count of open elements in place of
//   recursion, and kept nowhere (only the outermost tag and its first
//   attributes are kept; the rest are read and counted);
// - a search that found no end once is not repeated from further on;
// - a document type declaration refuses the text (below);
// - a processing instruction inside content is passed over as a comment
//   is. XmlDocument steps back over it before reading text that follows
//   it, stops at it again and never ends; everywhere else it passes over
//   instructions as over comments, and so does this, there too.
class StateElementReader
{
public:
    // The value as the UTF-8 bytes XmlDocument would have put into its
    // string, gathered here without that string's cost per append.
    struct Attribute
    {
        juce::String name;
        std::string value;

        double getDoubleValue() const { return juce::CharPointer_UTF8(value.c_str()).getDoubleValue(); }
    };

    // text: zero-terminated, with at least paddingBytes more zeros after it.
    StateElementReader(const char* text, int attributesToKeep) : input(text), keep(attributesToKeep) {}

    // Room after the terminator for look-ahead, in case.
    static constexpr std::size_t paddingBytes = 16;

    // True when the text holds an element that XmlDocument would have
    // returned.
    bool read()
    {
        if (input.isEmpty())
            return false;

        skipNextWhiteSpace();

        if (juce::CharacterFunctions::compareUpTo(input, juce::CharPointer_ASCII("<?xml"), 5) == 0)
        {
            auto headerEnd = juce::CharacterFunctions::find(input, juce::CharPointer_ASCII("?>"));

            if (headerEnd.isEmpty())
                return false;

            input = headerEnd + 2;
            skipNextWhiteSpace();
        }

        // A document type declaration is refused. XmlDocument looks for
        // one only here: "<!DOCTYPE", in that case, as the first thing
        // after the optional "<?xml ... ?>" header, whitespace, comments
        // and processing instructions. When its '<' and '>' pair up to
        // an end it gives the element that follows, and expands the
        // entities the declaration defines without any bound on size or
        // depth. Velmo never writes one. (Elsewhere "<!DOCTYPE" is no
        // declaration to XmlDocument: in content it is a tag without a
        // name, like any "<!" that opens no comment or CDATA section.)
        if (juce::CharacterFunctions::compareUpTo(input, juce::CharPointer_ASCII("<!DOCTYPE"), 9) == 0)
            return false;

        const auto start = readElementStart(true);

        if (start == Start::none)
            return false;

        if (start == Start::open)
            readContent();

        return !errorOccurred;
    }

    juce::String tagName;
    std::vector<Attribute> attributes; // the first attributesToKeep
    int numAttributes = 0;

private:
    using Pointer = juce::String::CharPointerType;

    // How a start tag ended: no element at all, a whole element ("/>",
    // or attributes that ended early), or '>' with content to follow.
    enum class Start
    {
        none,
        whole,
        open
    };

    // XmlDocument::readNextElement up to the element's content. Only the
    // outermost element's tag and attributes are kept.
    Start readElementStart(bool outermost)
    {
        skipNextWhiteSpace();

        if (outOfData || *input != '<')
            return Start::none;

        ++input;
        auto endOfToken = findEndOfToken(input);

        if (endOfToken == input)
        {
            // No tag name, but a gap after the '<' is allowed.
            skipNextWhiteSpace();
            endOfToken = findEndOfToken(input);

            if (endOfToken == input)
            {
                fail();
                return Start::none;
            }
        }

        if (outermost)
            tagName = juce::String(input, endOfToken);

        input = endOfToken;

        for (;;)
        {
            skipNextWhiteSpace();
            const auto c = *input;

            if (c == '/' && input[1] == '>')
            {
                input += 2;
                return Start::whole;
            }

            if (c == '>')
            {
                ++input;
                return Start::open;
            }

            if (!isXmlIdentifierChar(c))
            {
                if (!outOfData)
                    fail(); // an illegal character

                return Start::whole;
            }

            const auto nameStart = input;
            const auto nameEnd = findEndOfToken(input);
            input = nameEnd;
            skipNextWhiteSpace();

            if (readNextChar() != '=')
            {
                fail();
                return Start::whole;
            }

            skipNextWhiteSpace();
            const auto quote = *input;

            // A name and '=' without a quoted value end the attributes quietly.
            if (quote != '"' && quote != '\'')
                return Start::whole;

            if (outermost && numAttributes < keep)
            {
                Attribute a{juce::String(nameStart, nameEnd), {}};
                readQuotedString(&a.value);
                attributes.push_back(std::move(a));
            }
            else
            {
                readQuotedString(nullptr);
            }

            if (outermost)
                ++numAttributes;
        }
    }

    // The content of an element whose start tag ended with '>', with all
    // the elements inside it, as XmlDocument::readChildElements reads it
    // recursively; here `open` counts the elements not yet closed. A
    // closing tag closes the innermost one whatever its name.
    void readContent()
    {
        for (int open = 1; open > 0;)
        {
            skipNextWhiteSpace();

            // "Unmatched tags": this element and every one around it end,
            // each with the same error, and nothing more is read.
            if (outOfData)
            {
                fail();
                return;
            }

            if (*input != '<')
            {
                readText();
                continue;
            }

            const auto c1 = input[1];

            if (c1 == '/')
            {
                const auto closeTag = indexOf((juce::juce_wchar) '>', searches.noTagEndFrom);

                if (closeTag >= 0)
                    input += closeTag + 1;

                --open;
                continue;
            }

            if (c1 == '!' &&
                juce::CharacterFunctions::compareUpTo(input + 2, juce::CharPointer_ASCII("[CDATA["), 7) == 0)
            {
                skipCData();
                continue;
            }

            switch (readElementStart(false))
            {
                case Start::none:
                    --open;
                    break; // a tag without a name ends the element around it
                case Start::open:
                    ++open;
                    break;
                case Start::whole:
                    break;
            }
        }
    }

    void skipCData()
    {
        input += 9;

        for (;;)
        {
            const auto c = *input;

            if (c == 0)
            {
                fail(); // unterminated CDATA section
                outOfData = true;
                return;
            }

            if (c == ']' && input[1] == ']' && input[2] == '>')
            {
                input += 3;
                return;
            }

            ++input;
        }
    }

    // A run of text, from where the whitespace, comments and instructions
    // before it end, up to the next '<' that opens no comment (or to an
    // error, which sets outOfData). XmlDocument starts the run back
    // before them; that reads whitespace and comments again to no effect,
    // and stops at an instruction for ever.
    void readText()
    {
        for (;;)
        {
            const auto c = *input;

            if (c == '<')
            {
                if (input[1] == '!' && input[2] == '-' && input[3] == '-')
                {
                    input += 4;
                    const auto closeComment = indexOf(juce::CharPointer_ASCII("-->"), searches.noCommentEndFrom);

                    if (closeComment < 0)
                    {
                        fail(); // unterminated comment
                        outOfData = true;
                        return;
                    }

                    input += closeComment + 3;
                    continue;
                }

                return;
            }

            if (c == 0)
            {
                fail(); // unmatched tags
                outOfData = true;
                return;
            }

            if (c == '&')
            {
                // An unknown entity stands for its name, and a name that
                // starts with '<' and goes on is read as elements.
                const auto name = readEntity(nullptr);

                if (name.start.getAddress() != nullptr && *name.start == '<' &&
                    name.end.getAddress() - name.start.getAddress() > 1)
                    readEntityElements(name);

                continue;
            }

            do
                ++input;
            while (*input != '<' && *input != '&' && *input != 0);
        }
    }

    struct Span
    {
        Pointer start{nullptr}, end{nullptr};
    };

    // What XmlDocument does with an entity name starting with '<' in
    // text: reads elements from that name, as from a text of its own,
    // until one does not start; keeps any error, and then goes on where
    // it was in the text around. The name holds no ';', so no entity in
    // it has a name, and this never goes deeper than one level.
    void readEntityElements(Span name)
    {
        if (inEntityName)
            return; // (cannot happen; see above)

        entityText.assign(name.start.getAddress(), name.end.getAddress());
        entityText.resize(entityText.size() + 1 + paddingBytes, 0);

        const auto outerInput = input;
        const auto outerOutOfData = outOfData;
        const auto outerSearches = searches;

        input = Pointer(entityText.data());
        outOfData = false;
        searches = {};
        inEntityName = true;

        for (;;)
        {
            const auto start = readElementStart(false);

            if (start == Start::none)
                break;

            if (start == Start::open)
                readContent();
        }

        input = outerInput;
        outOfData = outerOutOfData;
        searches = outerSearches;
        inEntityName = false;
    }

    static Pointer findEndOfToken(Pointer p)
    {
        while (isXmlIdentifierChar(*p))
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
    template <typename Needle>
    int indexOf(Needle what, Pointer& noneFrom)
    {
        if (noneFrom.getAddress() != nullptr && input.getAddress() >= noneFrom.getAddress())
            return -1;

        const auto index = input.indexOf(what);

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
                    const auto closeComment = indexOf(juce::CharPointer_ASCII("-->"), searches.noCommentEndFrom);

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
                    const auto closeBracket = indexOf(juce::CharPointer_ASCII("?>"), searches.noInstructionEndFrom);

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
    static void append(std::string* result, juce::juce_wchar c)
    {
        if (result == nullptr || c == 0)
            return;

        char bytes[8];
        juce::CharPointer_UTF8 end(bytes);
        end.write(c);
        result->append(bytes, end.getAddress());
    }

    static void append(std::string* result, Pointer start, Pointer end)
    {
        if (result != nullptr)
            result->append(start.getAddress(), end.getAddress());
    }

    void readQuotedString(std::string* result)
    {
        const auto quote = readNextChar();

        while (!outOfData)
        {
            const auto c = readNextChar();

            if (c == quote)
                break;

            --input;

            if (c == '&')
            {
                readEntity(result);
                continue;
            }

            const auto start = input;

            for (;;)
            {
                const auto character = *input;

                if (character == quote)
                {
                    append(result, start, input);
                    ++input;
                    return;
                }

                if (character == '&')
                {
                    append(result, start, input);
                    break;
                }

                if (character == 0)
                {
                    fail(); // unmatched quotes
                    outOfData = true;
                    break;
                }

                ++input;
            }
        }
    }

    // Reads the entity at input (its '&') and appends what it stands for
    // to result, when there is one. Returns the name of an entity that is
    // not known, which stands for itself.
    Span readEntity(std::string* result)
    {
        ++input; // the ampersand

        struct Named
        {
            const char* text;
            int length;
            juce::juce_wchar c;
        };
        static const Named named[] = {
            {"amp;", 4, '&'}, {"quot;", 5, '"'}, {"apos;", 5, '\''}, {"lt;", 3, '<'}, {"gt;", 3, '>'}};

        for (const auto& n : named)
        {
            if (input.compareIgnoreCaseUpTo(juce::CharPointer_ASCII(n.text), n.length) == 0)
            {
                input += n.length;
                append(result, n.c);
                return {};
            }
        }

        if (*input == '#')
        {
            juce::uint64 charCode = 0; // wraps where XmlDocument would overflow
            ++input;

            if (*input == 'x' || *input == 'X')
            {
                ++input;
                int numChars = 0;

                while (input[0] != ';')
                {
                    const auto hexValue = juce::CharacterFunctions::getHexDigitValue(input[0]);

                    if (hexValue < 0 || ++numChars > 8)
                    {
                        carryOn(); // illegal escape sequence
                        break;
                    }

                    charCode = (charCode << 4) | (juce::uint64) hexValue;
                    ++input;
                }

                // XmlDocument steps over the character after the digits,
                // even past the end of the text; this stops at the end.
                if (!input.isEmpty())
                    ++input;
            }
            else if (input[0] >= '0' && input[0] <= '9')
            {
                int numChars = 0;

                for (;;)
                {
                    const auto firstChar = input[0];

                    if (firstChar == 0)
                    {
                        carryOn(); // unexpected end of input
                        return {};
                    }

                    if (firstChar == ';')
                        break;

                    if (++numChars > 12)
                    {
                        carryOn(); // illegal escape sequence
                        break;
                    }

                    charCode = charCode * 10 + (juce::uint64)((juce::int64) firstChar - '0');
                    ++input;
                }

                ++input;
            }
            else
            {
                carryOn(); // illegal escape sequence
                append(result, '&');
                return {};
            }

            append(result, (juce::juce_wchar) charCode);
            return {};
        }

        // Any other entity: with no document type, its name stands for it.
        const auto nameStart = input;
        const auto closingSemiColon = indexOf((juce::juce_wchar) ';', searches.noSemicolonFrom);

        if (closingSemiColon < 0)
        {
            outOfData = true;
            append(result, '&');
            return {};
        }

        input += closingSemiColon;
        const Span name{nameStart, input};
        ++input;

        append(result, name.start, name.end);
        carryOn(); // unknown entity
        return name;
    }

    // XmlDocument keeps one error flag: an error that ends the reading
    // sets it, one it carries on after clears it, and it gives no
    // element when the flag is set at the end.
    void fail() { errorOccurred = true; }
    void carryOn() { errorOccurred = false; }

    Pointer input;
    bool outOfData = false;
    bool errorOccurred = false;

    // Where the searches for these found none, in the text being read.
    struct Searches
    {
        Pointer noCommentEndFrom{nullptr}, noInstructionEndFrom{nullptr}, noSemicolonFrom{nullptr},
            noTagEndFrom{nullptr};
    };

    Searches searches;

    // The name of the entity being read as elements.
    std::vector<char> entityText;
    bool inEntityName = false;

    const int keep;
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
std::vector<char> textForReading(const char* bytes, int numBytes)
{
    std::vector<char> text(bytes, bytes + numBytes);
    text.push_back(0);

    if (!juce::CharPointer_UTF8::isValidString(text.data(), numBytes))
    {
        std::vector<char> decoded(4 * (size_t) numBytes + 1);
        juce::CharPointer_UTF8 from(text.data()), to(decoded.data());

        for (auto c = from.getAndAdvance(); c != 0; c = from.getAndAdvance())
            to.write(c);

        to.writeNull();
        decoded.resize((size_t) (to.getAddress() - decoded.data()) + 1);
        text.swap(decoded);
    }

    text.resize(text.size() + StateElementReader::paddingBytes, 0);
    return text;
}
}

void VelmoAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    juce::XmlElement xml(getName() + "_SETTINGS");

    for (const auto& parameter : parameterTable)
        xml.setAttribute(juce::String(parameter.name).removeCharacters(" "),
            NumberText::significantDigits20((double) getParameter(parameter.index)));

    {
        juce::MemoryOutputStream out(destData, false);
        out.writeInt((int) chunkMagic);
        out.writeInt(0);
        xml.writeTo(out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte(0);
    }

    const auto length = juce::ByteOrder::swapIfBigEndian((juce::uint32)(destData.getSize() - 9));
    std::memcpy(static_cast<char*>(destData.getData()) + 4, &length, sizeof(length));
}

void VelmoAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt(data) != chunkMagic)
        return;

    const auto length = (int) juce::ByteOrder::littleEndianInt(static_cast<const char*>(data) + 4);

    if (length <= 0)
        return;

    const auto text = textForReading(static_cast<const char*>(data) + 8, juce::jmin(sizeInBytes - 8, length));
    StateElementReader reader(text.data(), numParameters);

    if (!reader.read() || !equalsIgnoringAsciiCase(reader.tagName, getName() + "_SETTINGS"))
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

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

            while (!equalsIgnoringAsciiCase(first->name, name))
                ++first;

            value = (float) first->getDoubleValue();
        }

        setParameterNotifyingHost(i, value);
    }

    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}
