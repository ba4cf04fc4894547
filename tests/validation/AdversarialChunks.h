// State chunks of kinds that once made setting a chunk slow or deep, at any
// size: shared by the validation suite and the chunk benchmark.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace AdversarialChunks
{
    inline std::vector<std::uint8_t> frame (const std::string& xml)
    {
        const auto length = (std::uint32_t) xml.size();
        std::vector<std::uint8_t> chunk { 'V', 'C', '2', '!' };
        for (int shift = 0; shift < 32; shift += 8)
            chunk.push_back ((std::uint8_t) (length >> shift));
        chunk.insert (chunk.end(), xml.begin(), xml.end());
        chunk.push_back (0);
        return chunk;
    }

    inline std::string junk (std::size_t size, const std::string& alphabet, std::uint32_t seed)
    {
        std::mt19937 random (seed);
        std::string s;
        s.reserve (size);
        while (s.size() < size)
            s += alphabet[random() % alphabet.size()];
        return s;
    }

    // The chunk kinds, each about `size` bytes long.
    enum Kind
    {
        manyAttributes,             // <Velmo_SETTINGS a0="0.5" a1="0.5" ... />
        lessThanJunk,               // the tag, then junk with many '<' and no quotes
        commentAndInstructionJunk,  // the tag, then broken comments and instructions
        deepNesting,                // <Velmo_SETTINGS Gain="0.5"><a><a><a>...
        randomBytes,                // XML-like characters at random
        longValue,                  // Gain="0.5555...", one long number
        commentsBetweenAttributes,  // a comment before every attribute
        unterminatedComment,        // <!--a<!--=<!--'x' ... with no end of comment
        entities,                   // values made of entities
        instructionsBefore,         // <?x?> again and again before the element
        instructionThenText         // <Velmo_SETTINGS ...><?p?>text... (JUCE's parser never ends)
    };

    // A chunk of the kind, about size bytes long.
    inline std::vector<std::uint8_t> makeChunk (Kind kind, std::size_t size)
    {
        switch (kind)
        {
            case manyAttributes:
            {
                std::string xml = "<Velmo_SETTINGS";
                for (int i = 0; xml.size() + 2 < size; ++i)
                    xml += " a" + std::to_string (i) + "=\"0.5\"";
                return frame (xml + "/>");
            }
            case lessThanJunk:
                return frame ("<Velmo_SETTINGS " + junk (size, "<<<<abc =/>", 1));
            case commentAndInstructionJunk:
                return frame ("<Velmo_SETTINGS " + junk (size, "<<!--?>- a=", 2));
            case deepNesting:
            {
                std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
                while (xml.size() + 3 < size)
                    xml += "<a>";
                return frame (xml);
            }
            case randomBytes:
                return frame (junk (size, "\x01<=\"' azAZ09&;#/>?!-\xc3\xa9", 3));
            case longValue:
                return frame ("<Velmo_SETTINGS Gain=\"0." + std::string (size, '5') + "\"/>");
            case commentsBetweenAttributes:
            {
                std::string xml = "<Velmo_SETTINGS";
                while (xml.size() + 2 < size)
                    xml += " <!-- - -->Gain='0.5'";
                return frame (xml + "/>");
            }
            case unterminatedComment:
            {
                std::string xml = "<Velmo_SETTINGS ";
                while (xml.size() < size)
                    xml += "<!--a<!--=<!--'x'";
                return frame (xml);
            }
            case entities:
            {
                std::string xml = "<Velmo_SETTINGS Gain=\"";
                while (xml.size() + 3 < size)
                    xml += "&#48;&amp;&x;&#x2e;&lt";
                return frame (xml + "\"/>");
            }
            case instructionsBefore:
            {
                std::string xml;
                while (xml.size() < size)
                    xml += "<?x?>";
                return frame (xml + "<Velmo_SETTINGS Gain=\"0.5\"/>");
            }
            case instructionThenText:
            {
                std::string xml = "<Velmo_SETTINGS Gain=\"0.5\">";
                while (xml.size() < size)
                    xml += "<?p?>text";
                return frame (xml + "</Velmo_SETTINGS>");
            }
        }
        return {};
    }

    constexpr Kind allKinds[] = { manyAttributes, lessThanJunk, commentAndInstructionJunk, deepNesting, randomBytes,
                                  longValue, commentsBetweenAttributes, unterminatedComment, entities, instructionsBefore,
                                  instructionThenText };

    inline const char* nameOf (Kind kind)
    {
        static const char* const names[] = { "many attributes", "junk with <", "broken comments and instructions",
                                             "deep nesting", "random characters", "long value",
                                             "comments between attributes", "unterminated comment", "entities",
                                             "instructions before", "instruction then text" };
        return names[kind];
    }
}
