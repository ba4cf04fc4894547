// State chunks of kinds that once made setting a chunk slow or deep, at any
// size: shared by the validation suite and the chunk benchmark.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace AdversarialChunks
{
inline std::vector<std::uint8_t> frame(const std::string& xml)
{
    const auto length = (std::uint32_t) xml.size();
    std::vector<std::uint8_t> chunk{'V', 'C', '2', '!'};
    for (int shift = 0; shift < 32; shift += 8)
        chunk.push_back((std::uint8_t)(length >> shift));
    chunk.insert(chunk.end(), xml.begin(), xml.end());
    chunk.push_back(0);
    return chunk;
}

inline std::string junk(std::size_t size, const std::string& alphabet, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::string s;
    s.reserve(size);
    while (s.size() < size)
        s += alphabet[random() % alphabet.size()];
    return s;
}

// The chunk kinds, each about `size` bytes long.
enum Kind
{
    manyAttributes,              // <Velmo_SETTINGS a0="0.5" a1="0.5" ... />
    lessThanJunk,                // the tag, then junk with many '<' and no quotes
    commentAndInstructionJunk,   // the tag, then broken comments and instructions
    deepNesting,                 // <Velmo_SETTINGS Gain="0.5"><a><a><a>...
    randomBytes,                 // XML-like characters at random
    longValue,                   // Gain="0.5555...", one long number
    commentsBetweenAttributes,   // a comment before every attribute
    unterminatedComment,         // <!--a<!--=<!--'x' ... with no end of comment
    entities,                    // values made of entities
    instructionsBefore,          // <?x?> again and again before the element
    instructionThenText,         // <Velmo_SETTINGS ...><?p?>text... (JUCE's parser never ends)
    deepNestingClosed,           // <Velmo_SETTINGS ...><a><a>...</a></a></Velmo_SETTINGS>
    deepNestingOpenClosingTag,   // <Velmo_SETTINGS ...><a><a>...</a (a closing tag with no '>')
    longText,                    // <Velmo_SETTINGS ...>one long text</Velmo_SETTINGS>
    textWithEntitiesAndComments, // text, entities and comments in turn
    manyChildren,                // <c v="0.5"/> again and again, and some text between
    longCData,                   // one long CDATA section
    entityElements,              // &<e a='1'><f/></e>; again and again: entity names read as elements
    deepNestingInEntity          // &<a><a><a>...; one entity name read as deeply nested elements
};

// A chunk of the kind, about size bytes long.
inline std::vector<std::uint8_t> makeChunk(Kind kind, std::size_t size)
{
    switch (kind)
    {
        case manyAttributes:
        {
            std::string xml = "<Velmo_SETTINGS";
            for (int i = 0; xml.size() + 2 < size; ++i)
                xml += " a" + std::to_string(i) + "=\"0.5\"";
            return frame(xml + "/>");
        }
        case lessThanJunk:
            return frame("<Velmo_SETTINGS " + junk(size, "<<<<abc =/>", 1));
        case commentAndInstructionJunk:
            return frame("<Velmo_SETTINGS " + junk(size, "<<!--?>- a=", 2));
        case deepNesting:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            while (xml.size() + 3 < size)
                xml += "<a>";
            return frame(xml);
        }
        case randomBytes:
            return frame(junk(size, "\x01<=\"' azAZ09&;#/>?!-\xc3\xa9", 3));
        case longValue:
            return frame("<Velmo_SETTINGS Gain=\"0." + std::string(size, '5') + "\"/>");
        case commentsBetweenAttributes:
        {
            std::string xml = "<Velmo_SETTINGS";
            while (xml.size() + 2 < size)
                xml += " <!-- - -->Gain='0.5'";
            return frame(xml + "/>");
        }
        case unterminatedComment:
        {
            std::string xml = "<Velmo_SETTINGS ";
            while (xml.size() < size)
                xml += "<!--a<!--=<!--'x'";
            return frame(xml);
        }
        case entities:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"";
            while (xml.size() + 3 < size)
                xml += "&#48;&amp;&x;&#x2e;&lt";
            return frame(xml + "\"/>");
        }
        case instructionsBefore:
        {
            std::string xml;
            while (xml.size() < size)
                xml += "<?x?>";
            return frame(xml + "<Velmo_SETTINGS Gain=\"0.5\"/>");
        }
        case instructionThenText:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            while (xml.size() < size)
                xml += "<?p?>text";
            return frame(xml + "</Velmo_SETTINGS>");
        }
        case deepNestingClosed:
        {
            const std::size_t depth = size / 7;
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            for (std::size_t i = 0; i < depth; ++i)
                xml += "<a>";
            for (std::size_t i = 0; i < depth; ++i)
                xml += "</a>";
            return frame(xml + "</Velmo_SETTINGS>");
        }
        case deepNestingOpenClosingTag:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            while (xml.size() + 3 < size)
                xml += "<a>";
            return frame(xml + "</a");
        }
        case longText:
            return frame(
                "<Velmo_SETTINGS Gain=\"0.5\">" + junk(size, "abc xyz\r\n\t0.5>'\"\xc3\xa9", 5) + "</Velmo_SETTINGS>");
        case textWithEntitiesAndComments:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            while (xml.size() < size)
                xml += "t&amp;&#60;&z;<!-- c -->";
            return frame(xml + "</Velmo_SETTINGS>");
        }
        case manyChildren:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            while (xml.size() < size)
                xml += "<c v=\"0.5\"/> <d>t</d>";
            return frame(xml + "</Velmo_SETTINGS>");
        }
        case longCData:
            return frame("<Velmo_SETTINGS Gain=\"0.5\"><![CDATA[" + junk(size, "<&]] x/", 6) + "]]></Velmo_SETTINGS>");
        case entityElements:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
            while (xml.size() < size)
                xml += "&<e a='1'><f/></e>;";
            return frame(xml + "</Velmo_SETTINGS>");
        }
        case deepNestingInEntity:
        {
            std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">&";
            while (xml.size() + 3 < size)
                xml += "<a>";
            return frame(xml + ";</Velmo_SETTINGS>");
        }
    }
    return {};
}

constexpr Kind allKinds[] = {manyAttributes, lessThanJunk, commentAndInstructionJunk, deepNesting, randomBytes,
    longValue, commentsBetweenAttributes, unterminatedComment, entities, instructionsBefore, instructionThenText,
    deepNestingClosed, deepNestingOpenClosingTag, longText, textWithEntitiesAndComments, manyChildren, longCData,
    entityElements, deepNestingInEntity};
constexpr Kind lastKind = deepNestingInEntity;

inline const char* nameOf(Kind kind)
{
    static const char* const names[] = {"many attributes", "junk with <", "broken comments and instructions",
        "deep nesting", "random characters", "long value", "comments between attributes", "unterminated comment",
        "entities", "instructions before", "instruction then text", "deep nesting, closed",
        "deep nesting, closing tag without >", "long text", "text, entities and comments", "many children",
        "long CDATA", "entities read as elements", "deep nesting in an entity"};
    return names[kind];
}
}
