// The processor's chunk reader against the framework's XML parser it replaced
// (StateChunkReference.h): a table of accepted and refused chunks, then random
// well-formed chunks, and random damage to them, read both ways.

#include "tests/processor/ProcessorTestSupport.h"
#include "tests/processor/StateChunkReference.h"

#include <cstdint>
#include <cstring>
#include <iostream>
#include <random>
#include <string>

using namespace ProcessorTest;

namespace
{
std::string frame(const std::string& xml, juce::uint32 extraLength = 0, const std::string& after = {})
{
    const auto length = (juce::uint32) xml.size() + extraLength;
    std::string chunk = "VC2!";
    for (int i = 0; i < 4; ++i)
        chunk += (char) ((length >> (8 * i)) & 0xff);
    return chunk + xml + after + '\0';
}

std::uint32_t bitsOf(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

constexpr float startValues[3] = {0.1f, 0.2f, 0.3f};

// The parameters after a chunk, and what reached the host, as bits.
struct Outcome
{
    std::vector<std::uint32_t> parameters;
    std::vector<std::pair<int, std::uint32_t>> reported;

    bool operator==(const Outcome& o) const { return parameters == o.parameters && reported == o.reported; }
    bool operator!=(const Outcome& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& s, const Outcome& o)
{
    s << "parameters";
    for (auto b : o.parameters)
        s << ' ' << std::hex << b << std::dec;
    s << ", reported " << o.reported.size();
    return s;
}

class Readers
{
public:
    Readers() { processor.addListener(&host); }
    ~Readers() { processor.removeListener(&host); }

    Outcome viaProcessor(const std::string& chunk)
    {
        for (int i = 0; i < 3; ++i)
            processor.setParameter(i, startValues[i]);
        host.changes.clear();

        processor.setStateInformation(chunk.data(), (int) chunk.size());

        Outcome o;
        for (int i = 0; i < 3; ++i)
            o.parameters.push_back(bitsOf(processor.getParameter(i)));
        for (const auto& c : host.changes)
            o.reported.push_back({c.index, bitsOf(c.value)});
        return o;
    }

    // hasContent: set when the reference accepted an element with content.
    static Outcome viaReference(const std::string& chunk, bool* hasContent = nullptr)
    {
        Outcome o;
        std::vector<float> values(std::begin(startValues), std::end(startValues));
        const auto reading = StateChunkReference::read(chunk.data(), (int) chunk.size(), "Velmo_SETTINGS");

        if (reading)
        {
            for (std::size_t i = 0; i < reading->values.size() && i < 3; ++i)
            {
                values[i] = reading->values[i];
                o.reported.push_back({(int) i, bitsOf(values[i])});
            }
        }

        if (hasContent != nullptr)
            *hasContent = reading && reading->hasContent;

        for (auto v : values)
            o.parameters.push_back(bitsOf(v));
        return o;
    }

    static Outcome expected(const std::vector<float>& set)
    {
        Outcome o;
        for (std::size_t i = 0; i < 3; ++i)
            o.parameters.push_back(bitsOf(i < set.size() ? set[i] : startValues[i]));
        for (std::size_t i = 0; i < set.size() && i < 3; ++i)
            o.reported.push_back({(int) i, bitsOf(set[i])});
        return o;
    }

private:
    VelmoAudioProcessor processor;
    HostRecorder host;
};

// How the framework's reading compares: the same; refusing nothing this
// one refuses; the same once the processing instructions in the text are
// written as comments (it never ends on an instruction followed by text
// inside an element); or unsafe (reading past the text).
enum class Reading
{
    same,
    refusedNowOnly,
    sameWithCommentsForInstructions,
    referenceUnsafe
};

// "<?" and "?>" written as "<!--" and "-->" (for texts with no other
// use of them).
std::string instructionsAsComments(std::string text)
{
    for (auto [from, to] : {std::pair<std::string, std::string>{"<?", "<!--"}, {"?>", "-->"}})
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    return text;
}

struct Case
{
    const char* what;
    std::string chunk;
    bool accepted;
    std::vector<float> set; // the values set, by position
    Reading reading = Reading::same;
};

const std::string settings = "<Velmo_SETTINGS Gain=\"0.9\" Punch=\"0.8\" Color=\"0.7\"/>";
const std::string openElement = "<Velmo_SETTINGS Gain=\"0.9\">";

std::string repeated(const std::string& s, int times)
{
    std::string r;
    for (int i = 0; i < times; ++i)
        r += s;
    return r;
}
}

TEST(StateChunkReader, TableOfAcceptedAndRefusedChunks)
{
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"as written", frame(settings), true, {0.9f, 0.8f, 0.7f}},
        {"twenty digits",
            frame("<Velmo_SETTINGS Gain=\"0.69999998807907104492\" Punch=\"1.0000000116860974231e-07\" Color=\"1\"/>"),
            true, {0.7f, 1e-7f, 1.0f}},
        {"no attributes", frame("<Velmo_SETTINGS/>"), true, {}},
        {"tag in any case", frame("<vElMo_settings Gain=\"0.9\"/>"), true, {0.9f}},
        {"declaration and lines",
            frame(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<Velmo_SETTINGS\n\tGain=\"0.9\"\r\n  Punch = '0.8'/>\n"),
            true, {0.9f, 0.8f}},
        {"comments and instructions",
            frame("<!-- a --><?pi x?> <Velmo_SETTINGS <!-- b --> Gain=\"0.9\" <?c?>Punch=\"0.8\"/>"), true,
            {0.9f, 0.8f}},
        {"gap after <", frame("< Velmo_SETTINGS Gain=\"0.9\"/>"), true, {0.9f}},
        {"entities", frame("<Velmo_SETTINGS Gain=\"&#48;.&#x39;\" Punch=\"0&#46;8&amp;\" Color=\"&z;0.5\"/>"), true,
            {0.9f, 0.8f, 0.0f}},
        {"by position", frame("<Velmo_SETTINGS Color=\"0.7\" Gain=\"0.9\" Punch=\"0.8\"/>"), true, {0.7f, 0.9f, 0.8f}},
        {"first of a name, any case", frame("<Velmo_SETTINGS gain=\"0.9\" Punch=\"0.8\" GAIN=\"0.7\"/>"), true,
            {0.9f, 0.8f, 0.9f}},
        {"a fourth attribute", frame("<Velmo_SETTINGS a=\"0.9\" b=\"0.8\" c=\"0.7\" d=\"0.6\"/>"), true,
            {0.9f, 0.8f, 0.7f}},
        {"numbers", frame("<Velmo_SETTINGS Gain=\" +0.25x\" Punch=\"1e400\" Color=\".5e1\"/>"), true,
            {0.25f, inf, 5.0f}},
        {"not numbers", frame("<Velmo_SETTINGS Gain=\"loud\" Punch=\"\" Color=\"0x10\"/>"), true, {0.0f, 0.0f, 0.0f}},
        {"closing tag", frame("<Velmo_SETTINGS Gain=\"0.9\"> <!-- c --> </Velmo_SETTINGS>"), true, {0.9f}},
        {"closing tag without >", frame("<Velmo_SETTINGS Gain=\"0.9\"></x"), true, {0.9f}},
        {"ends after an attribute", frame("<Velmo_SETTINGS Gain=\"0.9\" Punch=\"0.8\" "), true, {0.9f, 0.8f}},
        {"unquoted value ends the attributes", frame("<Velmo_SETTINGS Gain=\"0.9\" Punch=0.8 Color=\"0.7\"/>"), true,
            {0.9f}},
        {"junk after the element", frame("<Velmo_SETTINGS Gain=\"0.9\"/><<&\"junk"), true, {0.9f}},
        {"length past the data", frame(settings, 1000), true, {0.9f, 0.8f, 0.7f}},
        {"bytes past the length", frame(settings, 0, "<x y=\"1\"/>"), true, {0.9f, 0.8f, 0.7f}},
        {"zero byte inside the text", frame("<Velmo_SETTINGS Gain=\"0.9\"/>" + std::string(1, '\0') + "<x"), true,
            {0.9f}},

        {"empty text", frame(""), false, {}},
        {"no element", frame("  <!-- only a comment -->"), false, {}},
        {"not XML", frame("Velmo_SETTINGS Gain=\"0.9\""), false, {}},
        {"other tag", frame("<Velmo_SETTING Gain=\"0.9\"/>"), false, {}},
        {"no tag name", frame("< ="), false, {}},
        {"unterminated declaration", frame("<?xml version=\"1.0\" <Velmo_SETTINGS Gain=\"0.9\"/>"), false, {}},
        {"unmatched quotes", frame("<Velmo_SETTINGS Gain=\"0.9\" Punch=\"0.8/>"), false, {}},
        {"no = after a name", frame("<Velmo_SETTINGS Gain \"0.9\"/>"), false, {}},
        {"name at the end", frame("<Velmo_SETTINGS Gain=\"0.9\" Pun"), false, {}},
        {"illegal character", frame("<Velmo_SETTINGS Gain=\"0.9\" <x/>"), false, {}},
        {"open element at the end", frame("<Velmo_SETTINGS Gain=\"0.9\">"), false, {}},
        {"unterminated comment in the element", frame("<Velmo_SETTINGS Gain=\"0.9\"> <!-- </Velmo_SETTINGS>"), false,
            {}},

        // Read by the framework's parser, refused now: a document type, whose
        // entities that parser expands without limit. It is one only where
        // the element would start.
        {"document type", frame("<!DOCTYPE x><Velmo_SETTINGS Gain=\"0.9\"/>"), false, {}, Reading::refusedNowOnly},
        {"document type after a comment",
            frame("<!-- c --> <!DOCTYPE x [<!ENTITY e \"1\">]><Velmo_SETTINGS Gain=\"&e;\"/>"), false, {},
            Reading::refusedNowOnly},
        {"unbalanced document type", frame("<!DOCTYPE x <Velmo_SETTINGS Gain=\"0.9\"/>"), false, {}},
        {"document type in lower case", frame("<!doctype x><Velmo_SETTINGS Gain=\"0.9\"/>"), false, {}},
        {"document type in content", frame(openElement + "<!DOCTYPE x></Velmo_SETTINGS>"), false, {}},

        // Content: read through and left aside.
        {"text content", frame(openElement + "text</Velmo_SETTINGS>"), true, {0.9f}},
        {"child element", frame(openElement + "<a/></Velmo_SETTINGS>"), true, {0.9f}},
        {"children, attributes and text",
            frame(openElement + "<a x=\"1\">t<b y='&amp;2'/>u</a>v<c/>\r\n</Velmo_SETTINGS>"), true, {0.9f}},
        {"CDATA", frame(openElement + "<![CDATA[ <not> &an; element ]]></Velmo_SETTINGS>"), true, {0.9f}},
        {"comments and instructions", frame(openElement + "<!-- c --> <?p?><a/><?q?> </Velmo_SETTINGS>"), true, {0.9f}},
        {"entities in text", frame(openElement + "&amp;&#60;&#x3c;&lt;a/&gt;&z;&#0;</Velmo_SETTINGS>"), true, {0.9f}},
        {"closing tags of any name", frame(openElement + "<a></b></c>"), true, {0.9f}},
        {"last closing tag without >", frame(openElement + "<a></a></Velmo_SETTINGS"), true, {0.9f}},
        {"deep nesting", frame(openElement + repeated("<a>", 1000) + repeated("</a>", 1000) + "</Velmo_SETTINGS>"),
            true, {0.9f}},
        {"entity read as elements", frame(openElement + "&<a x='1'>t<b/></a><c/>;</Velmo_SETTINGS>"), true, {0.9f}},
        {"error cleared by a later entity", frame(openElement + "<b c><d/>&#;</b></Velmo_SETTINGS>"), true, {0.9f}},
        {"error cleared by a broken reference", frame(openElement + "<b c>&#xg;</b>"), true, {0.9f}},
        {"error cleared inside entity elements", frame(openElement + "<b c><d/>&<e>&#</e>;</b>"), true, {0.9f}},
        {"instruction before text", frame(openElement + "<?p?>text</Velmo_SETTINGS>"), true, {0.9f},
            Reading::sameWithCommentsForInstructions},
        {"instruction between texts", frame(openElement + "a <?p?> <!-- c --> <?q?> b&amp;</Velmo_SETTINGS>"), true,
            {0.9f}, Reading::sameWithCommentsForInstructions},

        {"text to the end", frame(openElement + "text"), false, {}},
        {"child not closed", frame(openElement + "<a></Velmo_SETTINGS>"), false, {}},
        {"tag without a name in content", frame(openElement + "<a><!x></a></Velmo_SETTINGS>"), false, {}},
        {"error in a child", frame(openElement + "<b c></b>"), false, {}},
        {"illegal character in a child", frame(openElement + "<b c='1' ~></b></Velmo_SETTINGS>"), false, {}},
        {"unmatched quotes in a child", frame(openElement + "<b c='1></b></Velmo_SETTINGS>"), false, {}},
        {"unterminated CDATA", frame(openElement + "<![CDATA[ x</Velmo_SETTINGS>"), false, {}},
        {"unterminated comment in text", frame(openElement + "t<!-- </Velmo_SETTINGS>"), false, {}},
        {"entity without ; in text", frame(openElement + "a&b</Velmo_SETTINGS>"), false, {}},
        {"error inside entity elements", frame(openElement + "&<a b>;</Velmo_SETTINGS>"), false, {}},
        {"entity elements not closed", frame(openElement + "&<a>;</Velmo_SETTINGS>"), false, {}},
        {"instruction, then text to the end", frame(openElement + "<?p?>text"), false, {},
            Reading::sameWithCommentsForInstructions},

        // Broken UTF-8, read as the characters it decodes to.
        {"broken UTF-8 in a value", frame("<Velmo_SETTINGS Gain=\"0.9\xff\" Punch=\"0.8\"/>"), true, {0.9f, 0.8f},
            Reading::referenceUnsafe},
        {"broken UTF-8 at the end", frame("<Velmo_SETTINGS Gain=\"0.9\xe0"), false, {}, Reading::referenceUnsafe},
        {"broken UTF-8 in an entity", frame("<Velmo_SETTINGS Gain=\"&\xd5#" + std::string(48, '\xc4') + "48z;."), false,
            {}, Reading::referenceUnsafe},
    };

    Readers readers;

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const auto expected = c.accepted ? Readers::expected(c.set) : Readers::expected({});
        EXPECT_EQ(readers.viaProcessor(c.chunk), expected);

        switch (c.reading)
        {
            case Reading::same:
                EXPECT_EQ(Readers::viaReference(c.chunk), expected);
                break;
            case Reading::sameWithCommentsForInstructions:
                EXPECT_EQ(Readers::viaReference(instructionsAsComments(c.chunk)), expected);
                break;
            case Reading::refusedNowOnly:
                EXPECT_NE(Readers::viaReference(c.chunk), expected);
                break;
            case Reading::referenceUnsafe:
                break;
        }
    }
}

namespace
{
template <typename T, std::size_t N>
const T& pick(std::mt19937& random, const T (&list)[N])
{
    return list[random() % N];
}

std::string randomNumberText(std::mt19937& random)
{
    static const char* const fixed[] = {"0", "1", "0.5", "-0", "1e-3", ".5", "5.", "+0.25", " 0.7", "0.7 ", "1e400",
        "-1e400", "1e-400", "nan", "inf", "-inf", "NaN", "abc", "", "0x1A", "1,5", "12abc", "0.69999998807907104492",
        "3.4028235e38", "1e-45", "--1", "1e", "e5", "1e99999999999", "-2e-4294967299"};

    char text[64];
    switch (random() % 4)
    {
        case 0:
            return pick(random, fixed);
        case 1:
            std::snprintf(
                text, sizeof text, "%.9g", (double) std::uniform_real_distribution<float>(-2.0f, 2.0f)(random));
            return text;
        case 2:
        {
            const auto bits = (std::uint32_t) random();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            std::snprintf(text, sizeof text, "%.20g", (double) f);
            return text;
        }
        default:
            std::snprintf(text, sizeof text, "%.17g", std::uniform_real_distribution<double>(0.0, 1.0)(random));
            return text;
    }
}

// Entities in place of some characters; never the value's own quote.
std::string withEntities(std::mt19937& random, const std::string& text)
{
    static const char* const extras[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&AMP;", "&x;", "&#0;", "&#;"};
    std::string s;
    for (char c : text)
    {
        switch (random() % 8)
        {
            case 0:
                s += "&#" + std::to_string((int) (unsigned char) c) + ";";
                break;
            case 1:
            {
                char hex[16];
                std::snprintf(hex, sizeof hex, "&#x%X;", (unsigned) (unsigned char) c);
                s += hex;
                break;
            }
            case 2:
                s += pick(random, extras);
                s += c;
                break;
            default:
                s += c;
                break;
        }
    }
    return s;
}

// An instruction inside an element: "<?p?>" for the processor and
// "<!--p-->" for the framework's reading (randomWellFormedChunk).
constexpr char instruction = '\x01', instructionEnd = '\x02';

// Element content of every kind, nested a few levels.
std::string randomContent(std::mt19937& random, int depth)
{
    static const char* const texts[] = {"text", " ", "\r\n", "a\rb", "x y\t", "0.5", "&amp;", "&lt;b/&gt;", "&#65;",
        "&#x42;", "&z;", "&#0;", "\xc3\xa9", "]]>", ">", "'\"", "&#;", "&#x;", "&#1234567890123;", "&#xg;",
        "&#x123456789;", "&#1a;"};
    static const char* const names[] = {"a", "b", "Velmo_SETTINGS", "x:y", "n-1"};
    static const char* const closings[] = {"a", "b", "Velmo_SETTINGS", ""};
    static const char* const entityElements[] = {"&<e/>;", "&<e a='1'>t</e>;", "&<e><f/></e><g/>;", "&<e>t&z</e>;",
        "&<e b>;", "&<e>;", "&< e/>;", "&<!-- c --><e/>;", "&<e/>x;", "&<e><![CDATA[x]]></e>;", "&<e>&#</e>;"};

    std::string s;
    const int pieces = (int) (random() % 6);
    for (int i = 0; i < pieces; ++i)
    {
        switch (random() % 8)
        {
            case 0:
            case 1:
                s += pick(random, texts);
                break;
            case 2:
                s += random() % 2 ? "<!-- c -->" : "<!---->";
                break;
            case 3:
                s += std::string(1, instruction) + "p q" + instructionEnd;
                break;
            case 4:
                s += "<![CDATA[ <x> & ]]>";
                break;
            case 5:
                s += pick(random, entityElements);
                break;
            default:
            {
                s += "<" + std::string(pick(random, names));
                if (random() % 2)
                    s += " v=\"" + withEntities(random, randomNumberText(random)) + "\"";
                if (random() % 3 == 0 || depth >= 4)
                    s += "/>";
                else
                    s += ">" + randomContent(random, depth + 1) + "</" + pick(random, closings) + ">";
                break;
            }
        }
    }
    return s;
}

std::string randomWellFormedText(std::mt19937& random)
{
    static const char* const prologs[] = {"", "", "", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<?xml version='1.0'?>\n\n", " \t\r\n", "<!-- saved -->", "<?pi x?> "};
    static const char* const tags[] = {"Velmo_SETTINGS", "Velmo_SETTINGS", "Velmo_SETTINGS", "velmo_settings",
        "VELMO_settings", "Velmo_SETTING", "Velmo_SETTINGSx", "Other", "velmo-settings"};
    static const char* const gaps[] = {" ", " ", "\n", "\t ", "  ", " <!-- c --> ", "\r\n", " <?p?> "};
    static const char* const names[] = {"Gain", "Punch", "Color", "gain", "GAIN", "pUnCh", "x", "a.b", "_c", "n-1",
        "x:y", "\xc3\x9cn\xc3\xafk", "Gain2"};
    static const char* const equals[] = {"=", "=", " = ", "\n=\t"};
    static const char* const ends[] = {
        "/>", "/>", " />", "\n/>", "></Velmo_SETTINGS>", "> </velmo_settings>", "/>trailing <junk", "/>\n", ""};
    static const char* const closings[] = {
        "</Velmo_SETTINGS>", "</Velmo_SETTINGS>", "</velmo_settings >", "</x>", "</Velmo_SETTINGS", ""};

    std::string xml = pick(random, prologs);
    xml += "<" + std::string(pick(random, tags));

    const int count = (int) (random() % 7);
    for (int i = 0; i < count; ++i)
    {
        const char quote = random() % 3 == 0 ? '\'' : '"';
        auto value = randomNumberText(random);
        if (random() % 4 == 0)
            value = withEntities(random, value);
        if (random() % 8 == 0)
            value += quote == '"' ? "'" : "\""; // the other quote, inside

        xml += pick(random, gaps);
        xml += pick(random, names);
        xml += pick(random, equals);
        xml += quote + value + quote;
    }

    if (random() % 2 == 0)
        return xml + ">" + randomContent(random, 0) + pick(random, closings);

    return xml + pick(random, ends);
}

// The chunk, and the same chunk with the instructions inside elements
// written as comments, for the framework's reading.
struct ChunkPair
{
    std::string chunk, forReference;
};

std::string withInstructions(std::string xml, const char* opening, const char* closing)
{
    for (auto [marker, text] : {std::pair<char, const char*>{instruction, opening}, {instructionEnd, closing}})
        for (auto at = xml.find(marker); at != std::string::npos; at = xml.find(marker, at))
            xml.replace(at, 1, text);
    return xml;
}

ChunkPair randomWellFormedChunk(std::mt19937& random)
{
    const auto xml = randomWellFormedText(random);
    const auto kind = random() % 6;
    const auto extraLength = (juce::uint32)(1 + random() % 100);

    auto framed = [&](const std::string& text)
    {
        switch (kind)
        {
            case 0:
                return frame(text, extraLength); // length past the data
            case 1:
                return frame(text, 0, "<junk a=\"1\"/>"); // bytes past the length
            default:
                return frame(text);
        }
    };

    return {framed(withInstructions(xml, "<?", "?>")), framed(withInstructions(xml, "<!--", "-->"))};
}
}

TEST(StateChunkReader, RandomWellFormedChunksReadAsTheFrameworkReadsThem)
{
    std::mt19937 random(20240611);
    Readers readers;
    int accepted = 0, withContent = 0;

    for (int n = 0; n < 50000; ++n)
    {
        const auto pair = randomWellFormedChunk(random);
        bool hasContent = false;
        const auto reference = Readers::viaReference(pair.forReference, &hasContent);
        ASSERT_EQ(readers.viaProcessor(pair.chunk), reference) << pair.chunk.substr(8);
        accepted += reference.reported.empty() ? 0 : 1;
        withContent += hasContent ? 1 : 0;
    }

    std::cout << "50000 well-formed chunks compared: " << accepted << " accepted, " << withContent
              << " of them with content\n";

    // The mix is worth something only if many chunks set parameters, and
    // many of them from elements with content.
    EXPECT_GT(accepted, 15000);
    EXPECT_GT(withContent, 3000);
}

TEST(StateChunkReader, DamagedChunksReadAsTheFrameworkReadsThem)
{
    std::mt19937 random(77);
    Readers readers;
    int compared = 0;

    for (int n = 0; n < 50000; ++n)
    {
        auto chunk = randomWellFormedChunk(random).forReference;
        const auto position = 8 + random() % (chunk.size() - 8);

        switch (random() % 4)
        {
            case 0:
                chunk.resize(position);
                break;
            case 1:
                chunk[position] = (char) (chunk[position] ^ (1 << (random() % 8)));
                break;
            case 2:
                chunk.erase(position, 1 + random() % 4);
                break;
            default:
                chunk.insert(position, 1, "<>/=\"'&;#!?- a"[random() % 14]);
                break;
        }

        // Left out: chunks on which the framework's parser is unsafe.
        if (!StateChunkReference::canRead(chunk.data(), (int) chunk.size()))
        {
            readers.viaProcessor(chunk);
            continue;
        }

        ASSERT_EQ(readers.viaProcessor(chunk), Readers::viaReference(chunk)) << chunk.substr(8);
        ++compared;
    }

    std::cout << compared << " of 50000 damaged chunks compared\n";
    EXPECT_GT(compared, 30000);
}
