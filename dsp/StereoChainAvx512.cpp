// The one-pass loop for AVX-512 processors: the same operations, in the
// encoding that reaches 32 vector registers instead of 16, so the loop's
// state stays in registers. Only the loop below the pragma is compiled for
// AVX-512; the headers before it keep their inline code for the baseline
// processor, which every file may share.
#include "dsp/StereoChain.h"

#include "dsp/CurveMath.h"
#include "dsp/MeterEnvelope.h"

#include <type_traits>

// STEREO_CHAIN_AVX512's condition.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && (defined(__linux__) || defined(_WIN64))
#include <emmintrin.h>

#pragma GCC target("avx512f,avx512vl")
#include "dsp/StereoChainLoop.h"

namespace StereoChain
{
void runAvx512(const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept
{
    runLoop(io, begin, end, drive, filtering, section, width, compressor, outputGain, follower, loud);
}
} // namespace StereoChain
#endif
