// allocateArrangement, deallocateArrangement, copySpeaker, matchArrangement.
#include "tests/support/AllocationCounter.h"
#include "tests/vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vsttest;

// What the tools allocate and free through operator new and delete, counted
// inside a Tracking scope.
namespace
{
namespace allocations = testsupport::allocations;

struct Tracking : allocations::Scope
{
    Tracking() : Scope(allocations::Threads::every) {}
};

long news()
{
    return allocations::count();
}

long deletes()
{
    return allocations::releases();
}

std::size_t lastSize()
{
    return allocations::lastSize();
}
} // namespace

namespace
{
VstSpeakerProperties* speaker(VstSpeakerArrangement* a, int i)
{
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(a) + 8) + i;
}

void fillSpeaker(VstSpeakerProperties* s, int seed)
{
    auto* bytes = reinterpret_cast<unsigned char*>(s);
    for (std::size_t i = 0; i < sizeof(*s); ++i)
        bytes[i] = static_cast<unsigned char>(seed + 3 * i + 1);
    s->name[63] = 0;
}

bool zeroBytes(const void* p, std::size_t n)
{
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i] != 0)
            return false;
    return true;
}
} // namespace

TEST(SpeakerArrangement, AllocateMakesAZeroedBlockOfTheRightSize)
{
    for (VstInt32 channels : {0, 1, 2, 12})
    {
        SCOPED_TRACE(channels);
        PlainEffect effect;
        VstSpeakerArrangement* a = nullptr;
        {
            Tracking t;
            EXPECT_TRUE(effect.allocateArrangement(&a, channels));
            EXPECT_EQ(news(), 1);
            EXPECT_EQ(lastSize(), 8u + 112u * static_cast<std::size_t>(channels));
        }
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->type, 0);
        EXPECT_EQ(a->numChannels, channels);
        EXPECT_TRUE(zeroBytes(speaker(a, 0), 112u * static_cast<std::size_t>(channels)));
        effect.deallocateArrangement(&a);
    }
}

TEST(SpeakerArrangement, AllocateReplacesAnExistingBlock)
{
    PlainEffect effect;
    VstSpeakerArrangement* a = nullptr;
    effect.allocateArrangement(&a, 2);
    a->type = 5;
    {
        Tracking t;
        EXPECT_TRUE(effect.allocateArrangement(&a, 1));
        EXPECT_EQ(deletes(), 1);
        EXPECT_EQ(news(), 1);
    }
    EXPECT_EQ(a->type, 0);
    EXPECT_EQ(a->numChannels, 1);
    effect.deallocateArrangement(&a);
}

TEST(SpeakerArrangement, CountsWhoseSizeDoesNotFit32BitsAreRefused)
{
    PlainEffect effect;
    VstSpeakerArrangement* a = nullptr;
    effect.allocateArrangement(&a, 1);
    Tracking t;
    EXPECT_FALSE(effect.allocateArrangement(&a, -1));
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(deletes(), 1); // the old block is gone
    EXPECT_FALSE(effect.allocateArrangement(&a, 19173962));
    EXPECT_EQ(news(), 0);
}

TEST(SpeakerArrangement, DeallocateTwiceFreesOnce)
{
    PlainEffect effect;
    VstSpeakerArrangement* a = nullptr;
    effect.allocateArrangement(&a, 2);
    Tracking t;
    EXPECT_TRUE(effect.deallocateArrangement(&a));
    EXPECT_EQ(a, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&a));
    EXPECT_EQ(deletes(), 1);
}

TEST(SpeakerArrangement, CopySpeakerCopiesEveryFieldBitForBit)
{
    PlainEffect effect;
    VstSpeakerProperties from;
    VstSpeakerProperties to;
    fillSpeaker(&from, 7);
    // A signalling-NaN pattern must survive unchanged.
    const std::uint32_t nanBits = 0x7fa00001u;
    std::memcpy(&from.azimuth, &nanBits, 4);
    std::memset(&to, 0xee, sizeof(to));

    EXPECT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::memcmp(&to, &from, sizeof(to)), 0);
}

TEST(SpeakerArrangement, CopySpeakerCutsTheNameAndZeroFillsIt)
{
    PlainEffect effect;
    VstSpeakerProperties from{};
    VstSpeakerProperties to;

    // A name of 70 characters: not terminated inside the 64-byte field.
    std::memset(from.name, 'a', sizeof(from.name));
    std::memset(&to, 0xee, sizeof(to));
    EXPECT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::string(to.name), std::string(63, 'a'));
    EXPECT_EQ(to.name[63], 0);

    std::strcpy(from.name, "L");
    std::memset(&to, 0xee, sizeof(to));
    EXPECT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_STREQ(to.name, "L");
    EXPECT_TRUE(zeroBytes(to.name + 1, 63));
}

TEST(SpeakerArrangement, CopySpeakerWithANullRecordCopiesNothing)
{
    PlainEffect effect;
    VstSpeakerProperties s;
    std::memset(&s, 0xee, sizeof(s));
    const VstSpeakerProperties before = s;
    EXPECT_FALSE(effect.copySpeaker(&s, nullptr));
    EXPECT_FALSE(effect.copySpeaker(nullptr, &s));
    EXPECT_EQ(std::memcmp(&s, &before, sizeof(s)), 0);
}

TEST(SpeakerArrangement, MatchCopiesTypeAndEverySpeaker)
{
    PlainEffect effect;
    for (VstInt32 channels : {0, 2, 12})
    {
        SCOPED_TRACE(channels);
        VstSpeakerArrangement* from = nullptr;
        effect.allocateArrangement(&from, channels);
        from->type = 3;
        for (int i = 0; i < channels; ++i)
            fillSpeaker(speaker(from, i), i);

        VstSpeakerArrangement* to = nullptr;
        effect.allocateArrangement(&to, 5);
        {
            Tracking t;
            EXPECT_TRUE(effect.matchArrangement(&to, from));
            EXPECT_EQ(deletes(), 1);
            EXPECT_EQ(lastSize(), 8u + 112u * static_cast<std::size_t>(channels));
        }
        ASSERT_NE(to, from);
        EXPECT_EQ(to->type, 3);
        EXPECT_EQ(to->numChannels, channels);
        EXPECT_EQ(std::memcmp(speaker(to, 0), speaker(from, 0), 112u * static_cast<std::size_t>(channels)), 0);
        effect.deallocateArrangement(&to);
        effect.deallocateArrangement(&from);
    }
}

TEST(SpeakerArrangement, MatchFromNullLeavesTheTargetAlone)
{
    PlainEffect effect;
    VstSpeakerArrangement* to = nullptr;
    effect.allocateArrangement(&to, 1);
    VstSpeakerArrangement* const before = to;
    {
        Tracking t;
        EXPECT_FALSE(effect.matchArrangement(&to, nullptr));
        EXPECT_EQ(to, before);
        EXPECT_EQ(deletes(), 0);
    }
    effect.deallocateArrangement(&to);
}

namespace
{
// A copySpeaker that fails at the second speaker.
struct FailingCopy : PlainEffect
{
    int copies = 0;
    bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) override
    {
        if (++copies == 2)
            return false;
        return PlainEffect::copySpeaker(to, from);
    }
};
} // namespace

TEST(SpeakerArrangement, MatchStopsAtTheFirstFailedCopy)
{
    FailingCopy effect;
    VstSpeakerArrangement* from = nullptr;
    effect.allocateArrangement(&from, 3);
    for (int i = 0; i < 3; ++i)
        fillSpeaker(speaker(from, i), i + 1);

    VstSpeakerArrangement* to = nullptr;
    EXPECT_FALSE(effect.matchArrangement(&to, from));
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(effect.copies, 2);
    EXPECT_EQ(std::memcmp(speaker(to, 0), speaker(from, 0), 112), 0);
    EXPECT_TRUE(zeroBytes(speaker(to, 1), 2 * 112));

    effect.deallocateArrangement(&to);
    effect.deallocateArrangement(&from);
}
