#include "dsp/CurveMath.h"

#include "dsp/maths/Maths.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__)
#include <immintrin.h>
#define CURVE_MATH_VECTOR 1
#endif

namespace CurveMath
{
#if CURVE_MATH_VECTOR
namespace
{
#define CURVE_TARGET __attribute__((target("avx2,fma")))
#define CURVE_INLINE static inline __attribute__((target("avx2,fma"), always_inline))

// The single-precision exponential: exp(x) = 2^(k/32) 2^(r/32) with
// x 32/ln2 = k + r, a table of 2^(i/32) (less i << 47 in its bits) and a
// cubic in r.
constexpr double expInvLn2N = 0x1.71547652b82fep+5;
constexpr double expShift = 0x1.8p+52;
constexpr double expC0 = 0x1.c6af84b912394p-20;
constexpr double expC1 = 0x1.ebfce50fac4f3p-13;
constexpr double expC2 = 0x1.62e42ff0c52d6p-6;
alignas(32) constexpr std::uint64_t expTable[32] = {0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f,
    0x3fef9301d0125b51, 0x3fef72b83c7d517b, 0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1,
    0x3fef06fe0a31b715, 0x3feef1a7373aa9cb, 0x3feedea64c123422, 0x3feece086061892d, 0x3feebfdad5362a27,
    0x3feeb42b569d4f82, 0x3feeab07dd485429, 0x3feea47eb03a5585, 0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74,
    0x3feea11473eb0187, 0x3feea589994cce13, 0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090,
    0x3feed503b23e255d, 0x3feee89f995ad3ad, 0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069,
    0x3fef5818dcfba487, 0x3fef7c97337b9b5f, 0x3fefa4afa2a490da, 0x3fefd0765b6e4540};

// The single-precision logarithm: log(x) = log1p(z/c - 1) + log(c) + k ln2
// with x = 2^k z, c from a table of 16 subintervals and a cubic in z/c - 1.
constexpr double logLn2 = 0x1.62e42fefa39efp-1;
constexpr double logA0 = -0x1.00ea348b88334p-2;
constexpr double logA1 = 0x1.5575b0be00b6ap-2;
constexpr double logA2 = -0x1.ffffef20a4123p-2;
alignas(32) constexpr double logTable[32] = {0x1.661ec79f8f3bep+0, -0x1.57bf7808caadep-2, 0x1.571ed4aaf883dp+0,
    -0x1.2bef0a7c06ddbp-2, 0x1.49539f0f010b0p+0, -0x1.01eae7f513a67p-2, 0x1.3c995b0b80385p+0, -0x1.b31d8a68224e9p-3,
    0x1.30d190c8864a5p+0, -0x1.6574f0ac07758p-3, 0x1.25e227b0b8ea0p+0, -0x1.1aa2bc79c8100p-3, 0x1.1bb4a4a1a343fp+0,
    -0x1.a4e76ce8c0e5ep-4, 0x1.12358f08ae5bap+0, -0x1.1973c5a611cccp-4, 0x1.0953f419900a7p+0, -0x1.252f438e10c1ep-5,
    0x1.0000000000000p+0, 0x0.0p+0, 0x1.e608cfd9a47acp-1, 0x1.aa5aa5df25984p-5, 0x1.ca4b31f026aa0p-1,
    0x1.c5e53aa362eb4p-4, 0x1.b2036576afce6p-1, 0x1.526e57720db08p-3, 0x1.9c2d163a1aa2dp-1, 0x1.bc2860d224770p-3,
    0x1.886e6037841edp-1, 0x1.1058bc8a07ee1p-2, 0x1.767dcf5534862p-1, 0x1.4043057b6ee09p-2};

// Four logarithms; lanes outside the positive normal floats are marked in
// outside (bit i for lane i) and left to the caller.
CURVE_INLINE __m128 log4v(__m128 x, int& outside)
{
    const __m128i ix = _mm_castps_si128(x);
    // ix - 0x00800000 above 0x7effffff, unsigned: zero, subnormal, negative, infinite, NaN.
    const __m128i biased =
        _mm_xor_si128(_mm_sub_epi32(ix, _mm_set1_epi32(0x00800000)), _mm_set1_epi32(static_cast<int>(0x80000000u)));
    outside = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(biased, _mm_set1_epi32(static_cast<int>(0xfeffffffu)))));

    const __m128i tmp = _mm_sub_epi32(ix, _mm_set1_epi32(0x3f330000));
    const __m128i index = _mm_slli_epi32(_mm_and_si128(_mm_srli_epi32(tmp, 19), _mm_set1_epi32(15)), 1);
    const __m128i k = _mm_srai_epi32(tmp, 23);
    const __m128i iz = _mm_sub_epi32(ix, _mm_and_si128(tmp, _mm_set1_epi32(static_cast<int>(0xff800000u))));
    // Table look-ups by plain loads: gathers are slow on many processors.
    alignas(16) std::int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
    const __m256d invc = _mm256_set_pd(logTable[at[3]], logTable[at[2]], logTable[at[1]], logTable[at[0]]);
    const __m256d logc =
        _mm256_set_pd(logTable[at[3] + 1], logTable[at[2] + 1], logTable[at[1] + 1], logTable[at[0] + 1]);

    const __m256d z = _mm256_cvtps_pd(_mm_castsi128_ps(iz));
    const __m256d r = _mm256_fmadd_pd(z, invc, _mm256_set1_pd(-1.0));
    const __m256d y0 = _mm256_fmadd_pd(_mm256_cvtepi32_pd(k), _mm256_set1_pd(logLn2), logc);
    __m256d y = _mm256_fmadd_pd(r, _mm256_set1_pd(logA1), _mm256_set1_pd(logA2));
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d t = _mm256_add_pd(r, y0);
    y = _mm256_fmadd_pd(r2, _mm256_set1_pd(logA0), y);
    y = _mm256_fmadd_pd(r2, y, t);
    const __m128 result = _mm256_cvtpd_ps(y);
    // log(1) is exactly 0.
    const __m128i isOne = _mm_cmpeq_epi32(ix, _mm_set1_epi32(0x3f800000));
    return _mm_andnot_ps(_mm_castsi128_ps(isOne), result);
}

// Four exponentials; lanes with |x| from 16 on (or NaN) are marked in
// outside and left to the caller. Below 16 the fused multiply-adds give the
// maths layer's bits for every float; above it not quite (at 32.564632 and
// -63.09946, which the curve never meets).
CURVE_INLINE __m128 exp4v(__m128 x, int& outside)
{
    const __m128i ix = _mm_castps_si128(x);
    const __m128i abstop = _mm_and_si128(_mm_srli_epi32(ix, 20), _mm_set1_epi32(0x7ff));
    outside = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(abstop, _mm_set1_epi32(0x417))));

    const __m256d invLn2N = _mm256_set1_pd(expInvLn2N), shift = _mm256_set1_pd(expShift);
    const __m256d xd = _mm256_cvtps_pd(x);
    __m256d kd = _mm256_fmadd_pd(invLn2N, xd, shift);
    const __m256i ki = _mm256_castpd_si256(kd);
    kd = _mm256_sub_pd(kd, shift);
    const __m256d r = _mm256_fmsub_pd(invLn2N, xd, kd);
    const __m256d z = _mm256_fmadd_pd(r, _mm256_set1_pd(expC0), _mm256_set1_pd(expC1));
    const __m256d r2 = _mm256_mul_pd(r, r);
    __m256d y = _mm256_fmadd_pd(r, _mm256_set1_pd(expC2), _mm256_set1_pd(1.0));
    y = _mm256_fmadd_pd(z, r2, y);
    alignas(32) std::uint64_t at[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), _mm256_and_si256(ki, _mm256_set1_epi64x(31)));
    const __m256i table =
        _mm256_set_epi64x(static_cast<long long>(expTable[at[3]]), static_cast<long long>(expTable[at[2]]),
            static_cast<long long>(expTable[at[1]]), static_cast<long long>(expTable[at[0]]));
    const __m256i bits = _mm256_add_epi64(table, _mm256_slli_epi64(ki, 47));
    y = _mm256_mul_pd(y, _mm256_castsi256_pd(bits));
    return _mm256_cvtpd_ps(y);
}

CURVE_TARGET void log4Impl(const float* in, float* out)
{
    int outside = 0;
    _mm_storeu_ps(out, log4v(_mm_loadu_ps(in), outside));
    for (int i = 0; i < 4; ++i)
        if (outside & (1 << i))
            out[i] = Maths::logarithm(in[i]);
}

CURVE_TARGET void exp4Impl(const float* in, float* out)
{
    int outside = 0;
    _mm_storeu_ps(out, exp4v(_mm_loadu_ps(in), outside));
    for (int i = 0; i < 4; ++i)
        if (outside & (1 << i))
            out[i] = Maths::exponential(in[i]);
}

// Gains of up to gainBatch envelopes. Each stage (logarithm, level and
// exponent, exponential, choice) runs over the whole batch before the next,
// so that the values' long chains of dependent operations overlap; lanes the
// vector forms do not cover go through the scalar curve.
constexpr int gainBatch = 128;

CURVE_TARGET void gainsBatch(const float* envelopes, float* gains, int n, const Compressor::Curve& c)
{
    using CompressorDetail::ln10;
    alignas(16) float logs[gainBatch], args[gainBatch];
    int scalar[gainBatch / 4], curveLanes[gainBatch / 4], quietLanes[gainBatch / 4];
    const int groups = n / 4;

    for (int q = 0; q < groups; ++q)
    {
        int outside = 0;
        _mm_store_ps(logs + 4 * q, log4v(_mm_loadu_ps(envelopes + 4 * q), outside));
        scalar[q] = outside;
    }

    const __m128 threshold = _mm_set1_ps(c.threshold), kneeTop = _mm_set1_ps(c.kneeTop);
    const __m128 below = _mm_set1_ps(c.belowThreshold);
    for (int q = 0; q < groups; ++q)
    {
        const __m128 e = _mm_loadu_ps(envelopes + 4 * q);
        const __m128 level = _mm_div_ps(_mm_mul_ps(_mm_load_ps(logs + 4 * q), _mm_set1_ps(20.0f)), _mm_set1_ps(ln10));
        const __m128 quiet = _mm_cmplt_ps(e, below);
        const __m128 belowCurve = _mm_cmpgt_ps(threshold, level);
        const __m128 inKnee = _mm_andnot_ps(belowCurve, _mm_cmpgt_ps(kneeTop, level));
        // ((level - kneeTop) invRatio + (threshold + kneeRise)) - level, in dB,
        // then dB ln10 / 20 for the exponential.
        __m128 db = _mm_mul_ps(_mm_sub_ps(level, kneeTop), _mm_set1_ps(c.invRatio));
        db = _mm_sub_ps(_mm_add_ps(db, _mm_set1_ps(c.threshold + c.kneeRise)), level);
        _mm_store_ps(args + 4 * q, _mm_div_ps(_mm_mul_ps(db, _mm_set1_ps(ln10)), _mm_set1_ps(20.0f)));
        quietLanes[q] = _mm_movemask_ps(quiet);
        curveLanes[q] = _mm_movemask_ps(_mm_or_ps(quiet, belowCurve));
        scalar[q] |= _mm_movemask_ps(inKnee);
    }

    const __m128 makeup = _mm_set1_ps(c.makeupGain);
    for (int q = 0; q < groups; ++q)
    {
        int expOutside = 0;
        const __m128 ratioGain = _mm_mul_ps(exp4v(_mm_load_ps(args + 4 * q), expOutside), makeup);
        const int useMakeup = curveLanes[q];
        const __m128 mask = _mm_castsi128_ps(_mm_setr_epi32(
            useMakeup & 1 ? -1 : 0, useMakeup & 2 ? -1 : 0, useMakeup & 4 ? -1 : 0, useMakeup & 8 ? -1 : 0));
        _mm_storeu_ps(gains + 4 * q, _mm_or_ps(_mm_and_ps(mask, makeup), _mm_andnot_ps(mask, ratioGain)));
        scalar[q] = (scalar[q] | (expOutside & ~useMakeup)) & ~quietLanes[q];
    }

    for (int q = 0; q < groups; ++q)
        if (scalar[q] != 0)
            for (int i = 0; i < 4; ++i)
                if (scalar[q] & (1 << i))
                    gains[4 * q + i] = CompressorDetail::gainForEnvelope(envelopes[4 * q + i], c);
    for (int i = 4 * groups; i < n; ++i)
        gains[i] = CompressorDetail::gainForEnvelope(envelopes[i], c);
}

CURVE_TARGET void gainsImpl(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    for (int i = 0; i < n; i += gainBatch)
        gainsBatch(envelopes + i, gains + i, n - i < gainBatch ? n - i : gainBatch, curve);
}
} // namespace

// Asked of the processor when it first needs it, not when the library loads:
// the processor's own code runs only when a host calls it. The vector forms
// give the maths layer's bits for every float (tested over all of them), so
// the choice changes no result.
bool available()
{
    static const bool usable = []
    {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return usable;
}

void gains(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    gainsImpl(envelopes, gains, n, curve);
}

void log4(const float* in, float* out)
{
    log4Impl(in, out);
}

void exp4(const float* in, float* out)
{
    exp4Impl(in, out);
}

#else

bool available()
{
    return false;
}

void gains(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    for (int i = 0; i < n; ++i)
        gains[i] = CompressorDetail::gainForEnvelope(envelopes[i], curve);
}

void log4(const float* in, float* out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = Maths::logarithm(in[i]);
}

void exp4(const float* in, float* out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = Maths::exponential(in[i]);
}

#endif
} // namespace CurveMath
