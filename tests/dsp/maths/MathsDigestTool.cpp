// Writes the maths layer's committed digests (digests.txt) to standard output:
//
//   GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA,-FMA4 maths-digests > tests/dsp/maths/digests.txt
//
// The float functions' blocks come from the C library (glibc, here without
// its fused multiply-add code: the results the layer must keep), the double
// functions' samples from the layer itself (its tests compare those with the
// C library). With --layer the float blocks come from the layer too.
#include "tests/dsp/maths/MathsDigests.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

using namespace mathsdigests;

namespace
{
float (*volatile cExpf)(float) = ::expf;
float (*volatile cLogf)(float) = ::logf;
float (*volatile cPowf)(float, float) = ::powf;
} // namespace

int main(int argc, char** argv)
{
    const bool fromLayer = argc > 1 && std::strcmp(argv[1], "--layer") == 0;
    const FloatFunction references[] = {
        [](float x) { return cExpf(x); },
        [](float x) { return cLogf(x); },
        [](float y) { return cPowf(10.0f, y); },
    };
    const char* tunables = std::getenv("GLIBC_TUNABLES");

    std::printf("# The maths layer's results: written by maths-digests%s (GLIBC_TUNABLES=%s).\n",
        fromLayer ? " --layer" : "", tunables != nullptr ? tunables : "");
    std::printf("# NAME BLOCK DIGEST: a float function over the 2^24 inputs whose top byte is BLOCK\n");
    std::printf("# (powf10: powf(10, y)); NAME DIGEST: a double function over its %d samples.\n", sampleCount);
    std::printf("# 64-bit FNV-1a of the results' little-endian bytes (tests/dsp/maths/MathsDigests.h).\n");

    std::vector<int> blocks(blockCount);
    std::iota(blocks.begin(), blocks.end(), 0);
    for (std::size_t f = 0; f < floatCases().size(); ++f)
    {
        const FloatCase& c = floatCases()[f];
        const std::vector<std::uint64_t> digests = blockDigests(fromLayer ? c.layer : references[f], blocks);
        for (int k = 0; k < blockCount; ++k)
            std::printf("%s %d %s\n", c.name, k, hex(digests[static_cast<std::size_t>(k)]).c_str());
    }
    for (const auto& [name, digest] : sampleDigests())
        std::printf("%s %s\n", name.c_str(), hex(digest).c_str());
    return 0;
}
