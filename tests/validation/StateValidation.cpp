// The state chunk through effSetChunk and effGetChunk: exact round trips of
// random parameters, and random, truncated, bit-flipped and oversized chunks
// that never crash, never hang and change parameters only as a valid chunk
// does (judged by the framework's XML reading, StateChunkReference.h, where
// that reading itself is safe). Every effSetChunk is timed; the slowest is
// reported with the figures.
#include "AdversarialChunks.h"
#include "ValidationSupport.h"

#include "tests/processor/StateChunkReference.h"

#include <chrono>
#include <random>

using namespace Validation;

namespace
{
using Chunk = std::vector<std::uint8_t>;

std::vector<std::uint32_t> parameterBits(Plugin& plugin)
{
    std::vector<std::uint32_t> b;
    for (VstInt32 i = 0; i < 3; ++i)
        b.push_back(bitsOf(plugin.getParameter(i)));
    return b;
}

void timedSetChunk(Plugin& plugin, const Chunk& chunk, const std::string& what)
{
    const auto start = std::chrono::steady_clock::now();
    plugin.setChunk(chunk);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    figures().noteChunk(took.count(), chunk.size(), what);
}

// The parameters a damaged chunk leaves, as the framework's XML reading would
// leave them; nothing when that reading is unsafe for this chunk
// (StateChunkReference::canRead) or slow (large chunks).
std::optional<std::vector<std::uint32_t>> expectedAfter(const Chunk& chunk, std::vector<std::uint32_t> before)
{
    if (chunk.size() > 65536 || !StateChunkReference::canRead(chunk.data(), static_cast<int>(chunk.size())))
        return std::nullopt;

    const auto reading = StateChunkReference::read(chunk.data(), static_cast<int>(chunk.size()), "Velmo_SETTINGS");
    if (!reading)
        return before;
    for (std::size_t i = 0; i < reading->values.size() && i < 3; ++i)
        before[i] = bitsOf(reading->values[i]);
    return before;
}

float randomValue(std::mt19937& random)
{
    // Not -0: the text "-0" reads back as +0.
    static const float edges[] = {0.0f, 1.0f, 0.5f, 1e-7f, 0.7f, -1.0f, 2.5f, 1e30f, 1e-40f};
    if (random() % 3 == 0)
        return edges[random() % std::size(edges)];
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
}
} // namespace

TEST(ValidationState, GetRandomiseSetGetGivesTheSameBytesAndParameters)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    std::mt19937 random(11);

    for (int round = 0; round < 500; ++round)
    {
        for (VstInt32 i = 0; i < 3; ++i)
            plugin->setParameter(i, randomValue(random));
        const auto saved = plugin->getChunk();
        const auto savedBits = parameterBits(*plugin);

        for (VstInt32 i = 0; i < 3; ++i)
            plugin->setParameter(i, randomValue(random));
        timedSetChunk(*plugin, saved, "round trip");

        ASSERT_EQ(plugin->getChunk(), saved) << "round " << round;
        ASSERT_EQ(parameterBits(*plugin), savedBits) << "round " << round;
    }
}

TEST(ValidationState, DamagedChunksChangeParametersOnlyAsValidOnesDo)
{
    auto source = openInstance();
    auto target = openInstance();
    ASSERT_TRUE(source && target);
    std::mt19937 random(12);
    long judged = 0;

    auto tryChunk = [&](const Chunk& chunk, const std::string& what)
    {
        for (VstInt32 i = 0; i < 3; ++i)
            target->setParameter(i, 0.125f * static_cast<float>(i + 1));
        const auto before = parameterBits(*target);
        const auto expected = expectedAfter(chunk, before);

        timedSetChunk(*target, chunk, what);

        const auto after = parameterBits(*target);
        if (expected)
        {
            ++judged;
            EXPECT_EQ(after, *expected) << what << ": " << std::string(chunk.begin(), chunk.end());
        }
    };

    for (int n = 0; n < 12; ++n)
    {
        for (VstInt32 i = 0; i < 3; ++i)
            source->setParameter(i, randomValue(random));
        const auto valid = source->getChunk();

        for (std::size_t length = 0; length < valid.size(); ++length)
            tryChunk(Chunk(valid.begin(), valid.begin() + static_cast<long>(length)), "truncated");

        for (std::size_t bit = 0; bit < valid.size() * 8; ++bit)
        {
            auto flipped = valid;
            flipped[bit / 8] = static_cast<std::uint8_t>(flipped[bit / 8] ^ (1u << (bit % 8)));
            tryChunk(flipped, "bit-flipped");
        }

        // Random bytes behind a valid header and length, and with none.
        for (int r = 0; r < 200; ++r)
        {
            Chunk chunk(8 + random() % 200);
            for (auto& b : chunk)
                b = static_cast<std::uint8_t>("<>/=\"' &;#!?-_aVz0.\x01\xc3"[random() % 21]);
            if (r % 2 == 0)
            {
                std::copy(valid.begin(), valid.begin() + 8, chunk.begin());
                chunk[4] = static_cast<std::uint8_t>(chunk.size() - 9);
            }
            tryChunk(chunk, "random");
        }
    }

    // Most of them judged against the framework's reading.
    EXPECT_GT(judged, 10000);
}

TEST(ValidationState, OversizedChunksOfEveryKindFinishAndLeaveAWorkingInstance)
{
    auto plugin = openInstance();
    ASSERT_TRUE(plugin);
    plugin->setMains(true);

    std::vector<std::pair<Chunk, std::string>> chunks;
    for (auto kind : AdversarialChunks::allKinds)
        for (std::size_t size : {std::size_t{65536}, std::size_t{1} << 20})
            chunks.push_back({AdversarialChunks::makeChunk(kind, size), AdversarialChunks::nameOf(kind)});

    // A length field far beyond the data, and the largest one there is.
    auto valid = plugin->getChunk();
    for (std::uint32_t length : {0x00100000u, 0x7fffffffu, 0x80000000u, 0xffffffffu})
    {
        auto chunk = valid;
        for (int i = 0; i < 4; ++i)
            chunk[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(length >> (8 * i));
        chunks.push_back({chunk, "length " + std::to_string(length)});
    }
    // A valid element, then a megabyte of junk.
    auto trailing =
        AdversarialChunks::frame("<Velmo_SETTINGS Gain=\"0.25\"/>" + AdversarialChunks::junk(1 << 20, "<\"'&>x", 4));
    chunks.push_back({trailing, "junk after the element"});

    for (const auto& [chunk, what] : chunks)
    {
        SCOPED_TRACE(what + ", " + std::to_string(chunk.size()) + " bytes");
        timedSetChunk(*plugin, chunk, what);

        // Still itself: a round trip of known values, and sound.
        plugin->setParameter(0, 0.75f);
        plugin->setParameter(1, 0.25f);
        plugin->setParameter(2, 0.5f);
        const auto state = plugin->getChunk();
        plugin->setParameter(1, 0.0f);
        plugin->setChunk(state);
        EXPECT_EQ(plugin->getParameter(1), 0.25f);
        EXPECT_TRUE(std::isfinite(render(*plugin, programme(2, 512))[0].back()));
    }
    EXPECT_EQ(plugin->getParameter(0), 0.75f);
}
