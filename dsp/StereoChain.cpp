#include "dsp/StereoChain.h"

#include "dsp/StereoChainLoop.h"

namespace StereoChain
{
#if STEREO_CHAIN_AVX512
// StereoChainAvx512.cpp's copy of the loop.
void runAvx512(const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept;
#endif

Code chosen()
{
#if STEREO_CHAIN_AVX512
    if (CurveMath::widest() == CurveMath::Form::avx512)
        return Code::avx512;
#endif
    return Code::baseline;
}

void run(Code code, const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept
{
#if STEREO_CHAIN_AVX512
    if (code == Code::avx512)
        return runAvx512(io, begin, end, drive, filtering, section, width, compressor, outputGain, follower, loud);
#endif
    (void) code;
    runLoop(io, begin, end, drive, filtering, section, width, compressor, outputGain, follower, loud);
}

void run(const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept
{
    static const Code code = chosen();
    run(code, io, begin, end, drive, filtering, section, width, compressor, outputGain, follower, loud);
}
} // namespace StereoChain
