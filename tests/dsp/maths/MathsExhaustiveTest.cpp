// The maths layer's float functions over all 2^32 inputs each, against the
// committed digests (digests.txt, written by maths-digests from the C
// library's results without its fused multiply-add code). Run on Linux,
// natively, on all of the machine's threads. On a difference the test names
// the blocks and, in them, the first inputs where the layer and the C library
// (which CTest runs without that code, GLIBC_TUNABLES) disagree.
#include "tests/dsp/maths/MathsDigests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <sstream>

using namespace mathsdigests;

namespace
{
float (*volatile cExpf)(float) = ::expf;
float (*volatile cLogf)(float) = ::logf;
float (*volatile cPowf)(float, float) = ::powf;

FloatFunction reference(const std::string& name)
{
    if (name == "expf")
        return [](float x) { return cExpf(x); };
    if (name == "logf")
        return [](float x) { return cLogf(x); };
    return [](float y) { return cPowf(10.0f, y); };
}

std::string firstDifferences(const FloatCase& f, int block)
{
    std::ostringstream text;
    text.precision(9);
    const FloatFunction ref = reference(f.name);
    const std::uint32_t first = static_cast<std::uint32_t>(block) << blockBits;
    int shown = 0;
    for (std::uint32_t i = 0; i < (1u << blockBits) && shown < 5; ++i)
    {
        const float x = floatFrom(first + i);
        const float a = f.layer(x), b = ref(x);
        if (bitsOf(a) != bitsOf(b))
        {
            text << "\n  " << f.name << "(" << x << "): " << a << " (" << std::hex << bitsOf(a) << "), C library " << b
                 << " (" << bitsOf(b) << ")" << std::dec;
            ++shown;
        }
    }
    return shown == 0 ? std::string("\n  (the C library agrees with the layer in this block)") : text.str();
}
} // namespace

class MathsExhaustive : public ::testing::TestWithParam<std::size_t>
{
};

TEST_P(MathsExhaustive, EveryInputMatchesTheCommittedDigests)
{
    Committed committed;
    ASSERT_TRUE(readCommitted(MATHS_DIGESTS, committed)) << "cannot read " << MATHS_DIGESTS;
    const FloatCase& f = floatCases()[GetParam()];
    ASSERT_EQ(committed.blocks.count(f.name), 1u) << f.name;
    const std::vector<std::string>& expected = committed.blocks.at(f.name);

    std::vector<int> blocks(blockCount);
    std::iota(blocks.begin(), blocks.end(), 0);
    const std::vector<std::uint64_t> digests = blockDigests(f.layer, blocks);

    int matching = 0;
    for (int k = 0; k < blockCount; ++k)
    {
        const std::size_t i = static_cast<std::size_t>(k);
        if (hex(digests[i]) == expected[i])
            ++matching;
        else
            ADD_FAILURE() << f.name << " block " << k << ": digest " << hex(digests[i]) << ", committed " << expected[i]
                          << firstDifferences(f, k);
    }
    std::printf("%s: %d of %d blocks match, all 2^32 inputs checked\n", f.name, matching, blockCount);
}

INSTANTIATE_TEST_SUITE_P(Functions, MathsExhaustive, ::testing::Range<std::size_t>(0, floatCases().size()),
    [](const ::testing::TestParamInfo<std::size_t>& info) { return std::string(floatCases()[info.param].name); });
