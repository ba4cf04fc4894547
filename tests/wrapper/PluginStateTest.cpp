// The state chunk through the effect record: exact bytes, round trips and
// what the host hears when a chunk is loaded.
#include "PluginTestSupport.h"

#include <thread>

using namespace PluginTest;

namespace
{
std::vector<std::uint8_t> chunkFor(const std::string& xml)
{
    const auto length = static_cast<std::uint32_t>(xml.size());
    std::vector<std::uint8_t> bytes = {'V', 'C', '2', '!'};
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(length >> shift));
    bytes.insert(bytes.end(), xml.begin(), xml.end());
    bytes.push_back(0);
    return bytes;
}
} // namespace

TEST(PluginState, DefaultChunkIsTheExact57Bytes)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    const auto expected = chunkFor("<Velmo_SETTINGS Gain=\"0.5\" Punch=\"0\" Color=\"0\"/>");
    ASSERT_EQ(expected.size(), 57u);

    EXPECT_EQ(plugin->getChunk(false), expected); // bank
    EXPECT_EQ(plugin->getChunk(true), expected);  // preset
}

TEST(PluginState, ParameterValuesRoundTripBitExactly)
{
    const float values[] = {0.7f, 0.123456789f, 1.0e-7f};
    auto source = makePlugin();
    ASSERT_TRUE(source);
    for (VstInt32 i = 0; i < 3; ++i)
        source->setParameter(i, values[i]);
    const auto chunk = source->getChunk();

    auto target = makePlugin();
    ASSERT_TRUE(target);
    target->calls().clear();
    EXPECT_EQ(target->setChunk(chunk), 0);

    for (VstInt32 i = 0; i < 3; ++i)
        EXPECT_EQ(bitsOf(target->getParameter(i)), bitsOf(values[i])) << i;
    EXPECT_EQ(target->getChunk(), chunk);

    // A restored value reaches the host as automation, parameter by parameter.
    const auto automation = target->calls().callsWith(audioMasterAutomate);
    ASSERT_EQ(automation.size(), 3u);
    for (VstInt32 i = 0; i < 3; ++i)
    {
        EXPECT_EQ(automation[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(bitsOf(automation[static_cast<std::size_t>(i)].opt), bitsOf(values[i]));
    }
    EXPECT_EQ(target->calls().count(audioMasterBeginEdit), 0u);
    EXPECT_EQ(target->calls().count(audioMasterEndEdit), 0u);
}

TEST(PluginState, HostParameterChangesAreNotEchoedAsAutomation)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    plugin->calls().clear();
    plugin->setParameter(1, 0.25f);
    EXPECT_EQ(plugin->getParameter(1), 0.25f);
    EXPECT_EQ(plugin->calls().count(audioMasterAutomate), 0u);
}

TEST(PluginState, MalformedChunksChangeNothing)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    plugin->setParameter(0, 0.3f);
    plugin->setParameter(1, 0.6f);
    const auto before = plugin->getChunk();

    auto truncated = chunkFor("<Velmo_SETTINGS Gain=\"0.1\" Punch=\"0.2\" Color=\"0.3\"/>");
    truncated.resize(20);
    auto badMagic = chunkFor("<Velmo_SETTINGS Gain=\"0.1\" Punch=\"0.2\" Color=\"0.3\"/>");
    badMagic[0] = 'X';
    const std::vector<std::vector<std::uint8_t>> chunks = {
        {},
        {0x00},
        truncated,
        badMagic,
        chunkFor("<Other_SETTINGS Gain=\"0.1\" Punch=\"0.2\" Color=\"0.3\"/>"),
        chunkFor("not xml at all"),
        std::vector<std::uint8_t>(4096, 0xff),
    };
    plugin->calls().clear();
    for (const auto& chunk : chunks)
    {
        plugin->setChunk(chunk);
        EXPECT_EQ(plugin->getChunk(), before) << chunk.size() << " bytes";
    }
    EXPECT_EQ(plugin->calls().count(audioMasterAutomate), 0u);
}

TEST(PluginState, HandedOutChunksStayReadableWhileTheHostCopiesThem)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);

    // Two quick requests (a preset, then a bank): the first block must not
    // go away under the host while it is still copying it.
    void* first = nullptr;
    const VstIntPtr firstSize = plugin->dispatch(effGetChunk, 1, 0, &first);
    ASSERT_EQ(firstSize, 57);
    const std::vector<std::uint8_t> firstCopy(
        static_cast<std::uint8_t*>(first), static_cast<std::uint8_t*>(first) + firstSize);

    plugin->setParameter(0, 0.9f);
    void* second = nullptr;
    const VstIntPtr secondSize = plugin->dispatch(effGetChunk, 0, 0, &second);
    ASSERT_GT(secondSize, 0);

    EXPECT_EQ(
        std::vector<std::uint8_t>(static_cast<std::uint8_t*>(first), static_cast<std::uint8_t*>(first) + firstSize),
        firstCopy);
    EXPECT_NE(first, second);
}

TEST(PluginState, NullChunkArgumentsAreHarmless)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->dispatch(effGetChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 57, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, -5, plugin.get()), 0);
    EXPECT_EQ(plugin->getParameter(0), 0.5f);
}
