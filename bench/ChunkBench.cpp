// effSetChunk on the built Velmo.so with chunks of every kind and size: the
// time to accept or reject a chunk must grow no faster than its size.
//
//   chunk_bench --benchmark_filter='/1048576'    the 1 MB chunks alone

#include "tools/VstHost.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace
{
    std::vector<std::uint8_t> frame (const std::string& xml)
    {
        const auto length = (std::uint32_t) xml.size();
        std::vector<std::uint8_t> chunk { 'V', 'C', '2', '!' };
        for (int shift = 0; shift < 32; shift += 8)
            chunk.push_back ((std::uint8_t) (length >> shift));
        chunk.insert (chunk.end(), xml.begin(), xml.end());
        chunk.push_back (0);
        return chunk;
    }

    std::string junk (std::size_t size, const std::string& alphabet, std::uint32_t seed)
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
        instructionsBefore          // <?x?> again and again before the element
    };

    std::vector<std::uint8_t> makeChunk (Kind kind, std::size_t size)
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
        }
        return {};
    }

    void setChunk (benchmark::State& state)
    {
        const auto kind = (Kind) state.range (0);
        const auto size = (std::size_t) state.range (1);

        std::string error;
        auto plugin = velmohost::Plugin::load (VELMO_PLUGIN_PATH, error);
        if (plugin == nullptr)
        {
            state.SkipWithError (error.c_str());
            return;
        }
        plugin->open();

        const auto chunk = makeChunk (kind, size);
        for (auto _ : state)
            benchmark::DoNotOptimize (plugin->setChunk (chunk));

        state.SetBytesProcessed ((std::int64_t) (state.iterations() * chunk.size()));
        state.SetLabel (std::to_string (chunk.size()) + " bytes");
    }
}

BENCHMARK (setChunk)
    ->ArgNames ({ "kind", "bytes" })
    ->ArgsProduct ({ benchmark::CreateDenseRange (manyAttributes, instructionsBefore, 1),
                     { 1 << 10, 1 << 14, 1 << 16, 1 << 20 } })
    ->Unit (benchmark::kMillisecond);
