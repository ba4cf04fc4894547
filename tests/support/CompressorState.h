// Compares the signal state of two compressors: every field a block changes,
// on both channels, bit for bit (so -0 and +0 differ, and a NaN equals only
// the same NaN). Answers which fields differ, for EXPECT_TRUE and ASSERT_TRUE.
#pragma once

#include "dsp/Compressor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace testsupport
{
// The fields of a Run's two channel states, as the compressor keeps them.
static_assert(sizeof(Compressor::ChannelState) == 7 * sizeof(float) + sizeof(std::int32_t),
    "a new field of the channel state belongs in the lists below");

inline ::testing::AssertionResult sameSignalState(const Compressor& a, const Compressor& b)
{
    struct FloatField
    {
        const char* name;
        float Compressor::*member;
    };
    static constexpr FloatField floats[] = {
        {"envelopeL", &Compressor::envelopeL},
        {"envelopeR", &Compressor::envelopeR},
        {"attackWeightL", &Compressor::attackWeightL},
        {"attackWeightR", &Compressor::attackWeightR},
        {"releaseWeightL", &Compressor::releaseWeightL},
        {"releaseWeightR", &Compressor::releaseWeightR},
        {"gainL", &Compressor::gainL},
        {"gainR", &Compressor::gainR},
        {"prevGainL", &Compressor::prevGainL},
        {"prevGainR", &Compressor::prevGainR},
        {"smoothGainL", &Compressor::smoothGainL},
        {"smoothGainR", &Compressor::smoothGainR},
        {"peakL", &Compressor::peakL},
        {"peakR", &Compressor::peakR},
    };
    struct IntField
    {
        const char* name;
        std::int32_t Compressor::*member;
    };
    static constexpr IntField ints[] = {
        {"holdCountL", &Compressor::holdCountL},
        {"holdCountR", &Compressor::holdCountR},
    };

    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    bool same = true;
    const auto differs = [&](const char* name, auto x, auto y)
    {
        if (same)
            result = ::testing::AssertionFailure() << "signal state differs:";
        same = false;
        result << " " << name << " " << x << " and " << y << ";";
    };
    for (const FloatField& f : floats)
        if (std::memcmp(&(a.*f.member), &(b.*f.member), sizeof(float)) != 0)
            differs(f.name, a.*f.member, b.*f.member);
    for (const IntField& f : ints)
        if (a.*f.member != b.*f.member)
            differs(f.name, a.*f.member, b.*f.member);
    return result;
}
} // namespace testsupport
