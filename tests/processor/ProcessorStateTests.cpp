#include "tests/processor/ProcessorTestSupport.h"

#include <cstring>
#include <string>

using namespace ProcessorTest;

namespace
{
std::string chunkOf(VelmoAudioProcessor& p)
{
    juce::MemoryBlock block;
    p.getStateInformation(block);
    return std::string(static_cast<const char*>(block.getData()), block.getSize());
}

// A chunk framed around the given XML text (length field = text length).
std::string frame(const std::string& xml)
{
    const auto length = (juce::uint32) xml.size();
    std::string chunk = "VC2!";
    for (int i = 0; i < 4; ++i)
        chunk += (char) ((length >> (8 * i)) & 0xff);
    return chunk + xml + '\0';
}

void restore(VelmoAudioProcessor& p, const std::string& chunk)
{
    p.setStateInformation(chunk.data(), (int) chunk.size());
}

// Non-default values, so that any change shows.
void setDistinctValues(VelmoAudioProcessor& p)
{
    p.setParameter(VelmoAudioProcessor::gainParam, 0.1f);
    p.setParameter(VelmoAudioProcessor::punchParam, 0.2f);
    p.setParameter(VelmoAudioProcessor::colorParam, 0.3f);
}

void expectValues(VelmoAudioProcessor& p, float gain, float punch, float color)
{
    EXPECT_EQ(p.getParameter(0), gain);
    EXPECT_EQ(p.getParameter(1), punch);
    EXPECT_EQ(p.getParameter(2), color);
}
}

TEST(StateChunk, DefaultChunkIsExactly57Bytes)
{
    VelmoAudioProcessor p;
    const std::string xml = "<Velmo_SETTINGS Gain=\"0.5\" Punch=\"0\" Color=\"0\"/>";
    ASSERT_EQ(xml.size(), 48u);

    const std::string expected = std::string("VC2!\x30\x00\x00\x00", 8) + xml + std::string(1, '\0');
    EXPECT_EQ(chunkOf(p), expected);
}

TEST(StateChunk, ReplacesWhateverTheBlockHeld)
{
    VelmoAudioProcessor p;
    juce::MemoryBlock block(1000, true);
    std::memset(block.getData(), 0x7f, block.getSize());
    p.getStateInformation(block);
    ASSERT_EQ(block.getSize(), 57u);
    EXPECT_EQ(std::string(static_cast<const char*>(block.getData()), 57), chunkOf(p));
}

TEST(StateChunk, ValuesAreWrittenWithTwentySignificantDigits)
{
    struct Case
    {
        float gain, punch, color;
        const char* xml;
    };
    const Case cases[] = {
        {0.7f, 0.25f, 1.0f, "<Velmo_SETTINGS Gain=\"0.69999998807907104492\" Punch=\"0.25\" Color=\"1\"/>"},
        {0.1f, 1.0f / 3.0f, 2.0f,
            "<Velmo_SETTINGS Gain=\"0.10000000149011611938\" Punch=\"0.3333333432674407959\" Color=\"2\"/>"},
        {-1.0f, 1e-7f, 0.0f, "<Velmo_SETTINGS Gain=\"-1\" Punch=\"1.0000000116860974231e-07\" Color=\"0\"/>"},
    };

    for (const auto& c : cases)
    {
        VelmoAudioProcessor p;
        p.setParameter(0, c.gain);
        p.setParameter(1, c.punch);
        p.setParameter(2, c.color);
        EXPECT_EQ(chunkOf(p), frame(c.xml));
    }
}

TEST(StateChunk, RoundTripRestoresTheExactFloats)
{
    const float values[][3] = {{0.7f, 0.123456f, 1.0f / 3.0f}, {0.0f, 1.0f, 0.5f}, {0.999999f, 1e-30f, 0.3f}};

    for (const auto& v : values)
    {
        VelmoAudioProcessor saved, restored;
        for (int i = 0; i < 3; ++i)
            saved.setParameter(i, v[i]);

        juce::MemoryBlock block;
        saved.getStateInformation(block);
        restored.setStateInformation(block.getData(), (int) block.getSize());
        expectValues(restored, v[0], v[1], v[2]);
    }
}

TEST(StateChunk, RestoreNotifiesHostAndListenersPerValue)
{
    VelmoAudioProcessor saved, p;
    saved.setParameter(0, 0.6f);
    saved.setParameter(1, 0.4f);
    HostRecorder host;
    p.addListener(&host);
    ChangeCounter changes(p);

    restore(p, chunkOf(saved));

    ASSERT_EQ(host.changes.size(), 3u);
    EXPECT_EQ(host.changes[0].index, 0);
    EXPECT_EQ(host.changes[0].value, 0.6f);
    EXPECT_EQ(host.changes[2].index, 2);
    EXPECT_EQ(host.changes[2].value, 0.0f);
    EXPECT_EQ(changes.count(), 1); // posted three times, delivered once
    EXPECT_EQ(changes.callbacks, 1);
    p.removeListener(&host);
}

TEST(StateChunk, MalformedChunksChangeNothing)
{
    const std::string good = frame("<Velmo_SETTINGS Gain=\"0.9\" Punch=\"0.9\" Color=\"0.9\"/>");

    std::vector<std::pair<const char*, std::string>> cases;
    for (size_t n = 0; n <= 8; ++n)
        cases.push_back({"short", good.substr(0, n)});
    cases.push_back({"wrong magic", "VC2?" + good.substr(4)});
    cases.push_back({"length 0", good.substr(0, 4) + std::string("\0\0\0\0", 4) + good.substr(8)});
    cases.push_back({"negative length", good.substr(0, 4) + std::string("\xff\xff\xff\xff", 4) + good.substr(8)});
    cases.push_back({"not XML", frame("this is not xml")});
    cases.push_back({"no element", frame("<!-- only a comment -->")});
    cases.push_back({"other tag", frame("<Other_SETTINGS Gain=\"0.9\" Punch=\"0.9\" Color=\"0.9\"/>")});
    cases.push_back({"tag prefix", frame("<Velmo_SETTING Gain=\"0.9\"/>")});

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.first << " (" << c.second.size() << " bytes)");
        VelmoAudioProcessor p;
        setDistinctValues(p);
        p.prepareToPlay(44100.0, 64);
        auto* spy = installSpy(p);
        HostRecorder host;
        p.addListener(&host);
        ChangeCounter changes(p);

        restore(p, c.second);

        expectValues(p, 0.1f, 0.2f, 0.3f);
        EXPECT_TRUE(host.changes.empty());
        EXPECT_EQ(changes.count(), 0);
        EXPECT_TRUE(spy->received.empty());
        p.removeListener(&host);
    }

    VelmoAudioProcessor p;
    setDistinctValues(p);
    p.setStateInformation(nullptr, 100);
    expectValues(p, 0.1f, 0.2f, 0.3f);
}

TEST(StateChunk, AcceptedVariants)
{
    struct Case
    {
        const char* what;
        std::string chunk;
        float gain, punch, color;
    };
    const std::string text = "<velmo_settings Gain=\"0.9\" Punch=\"0.8\" Color=\"0.7\"/>";
    std::string longLength = frame(text);
    longLength[4] = (char) 0xff; // length beyond the data: read to the end
    std::string trailing = frame(text);
    trailing.insert(trailing.size() - 1, "<junk/>"); // past the L text bytes: ignored

    const Case cases[] = {
        {"lower-case tag", frame(text), 0.9f, 0.8f, 0.7f},
        {"mixed-case tag", frame("<VELMO_Settings Gain=\"0.9\"/>"), 0.9f, 0.2f, 0.3f},
        {"length past the end", longLength, 0.9f, 0.8f, 0.7f},
        {"bytes after the text", trailing, 0.9f, 0.8f, 0.7f},
        {"by position", frame("<Velmo_SETTINGS Color=\"0.7\" Gain=\"0.9\" Punch=\"0.8\"/>"), 0.7f, 0.9f, 0.8f},
        {"two attributes", frame("<Velmo_SETTINGS Gain=\"0.9\" Punch=\"0.8\"/>"), 0.9f, 0.8f, 0.3f},
        {"any names", frame("<Velmo_SETTINGS a=\"0.9\" b=\"0.8\" c=\"0.7\"/>"), 0.9f, 0.8f, 0.7f},
        {"first match ignoring case", frame("<Velmo_SETTINGS gain=\"0.9\" Punch=\"0.8\" GAIN=\"0.7\"/>"), 0.9f, 0.8f,
            0.9f},
        {"with declaration", frame("<?xml version=\"1.0\"?><Velmo_SETTINGS Gain=\"0.9\"/>"), 0.9f, 0.2f, 0.3f},
        {"outside 0..1", frame("<Velmo_SETTINGS Gain=\"-2\" Punch=\"5\" Color=\"1.5\"/>"), -2.0f, 5.0f, 1.5f},
        {"not a number", frame("<Velmo_SETTINGS Gain=\"loud\"/>"), 0.0f, 0.2f, 0.3f},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        VelmoAudioProcessor p;
        setDistinctValues(p);
        restore(p, c.chunk);
        expectValues(p, c.gain, c.punch, c.color);
    }
}

TEST(StateChunk, FourthAttributeStoresNothingAndIsNotReported)
{
    VelmoAudioProcessor p;
    HostRecorder host;
    p.addListener(&host);

    restore(p, frame("<Velmo_SETTINGS Gain=\"0.9\" Punch=\"0.8\" Color=\"0.7\" Extra=\"0.6\"/>"));

    expectValues(p, 0.9f, 0.8f, 0.7f);
    EXPECT_EQ(host.changes.size(), 3u);
    p.removeListener(&host);
}

TEST(StateChunk, RestoringTheCurrentColorDoesNotRedesign)
{
    VelmoAudioProcessor p;
    p.setParameter(VelmoAudioProcessor::colorParam, 0.7f);
    p.prepareToPlay(44100.0, 64);
    const std::string chunk = chunkOf(p);

    auto* spy = installSpy(p);
    restore(p, chunk);
    EXPECT_TRUE(spy->received.empty());

    p.setParameter(VelmoAudioProcessor::colorParam, 0.1f);
    spy->received.clear();
    restore(p, chunk);
    EXPECT_EQ(spy->received.size(), 3u);
}

TEST(StateChunk, SwitchesAreNotPartOfTheState)
{
    VelmoAudioProcessor p;
    p.bypassed = true;
    p.compressorBypassed = true;
    const std::string chunk = chunkOf(p);

    VelmoAudioProcessor fresh;
    EXPECT_EQ(chunkOf(fresh), chunk);

    restore(p, chunk);
    EXPECT_TRUE(p.bypassed.load());
    EXPECT_TRUE(p.compressorBypassed.load());

    fresh.bypassed = false;
    restore(fresh, chunk);
    EXPECT_FALSE(fresh.bypassed.load());
}

TEST(StateChunk, CurrentProgramFormsUseTheSameChunk)
{
    VelmoAudioProcessor p;
    p.setParameter(0, 0.3f);
    juce::MemoryBlock program;
    p.getCurrentProgramStateInformation(program);
    EXPECT_EQ(std::string(static_cast<const char*>(program.getData()), program.getSize()), chunkOf(p));

    VelmoAudioProcessor q;
    q.setCurrentProgramStateInformation(program.getData(), (int) program.getSize());
    EXPECT_EQ(q.getParameter(0), 0.3f);
}
