#include "dsp/CurveMath.h"

#include "dsp/maths/Maths.h"

#include <cstdint>
#include <limits>

#if defined(__GNUC__) && defined(__x86_64__) && (defined(__linux__) || defined(_WIN64))
// GCC 12's AVX-512 conversions start from a deliberately undefined register,
// which its own uninitialised-value warning then flags in the header.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#define CURVE_MATH_VECTOR 1
#endif

namespace CurveMath
{
namespace
{
// The plain curve, for the forms' leftovers and where no vector form runs.
void gainsScalar(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    for (int i = 0; i < n; ++i)
        gains[i] = CompressorDetail::gainForEnvelope(envelopes[i], curve);
}
} // namespace

#if CURVE_MATH_VECTOR
namespace
{
using CompressorDetail::ln10;

// g[i] replaced by the plain curve's gain for e[i], for each lane i set in lanes.
void patchLanes(const float* e, float* g, int count, unsigned lanes, const Compressor::Curve& curve)
{
    for (int i = 0; i < count; ++i)
        if (lanes & (1u << i))
            g[i] = CompressorDetail::gainForEnvelope(e[i], curve);
}

// The single-precision exponential: exp(x) = 2^(k/32) 2^(r/32) with
// x 32/ln2 = k + r, a table of 2^(i/32) (less i << 47 in its bits) and a
// cubic in r.
constexpr double expInvLn2N = 0x1.71547652b82fep+5;
constexpr double expShift = 0x1.8p+52;
constexpr double expC0 = 0x1.c6af84b912394p-20;
constexpr double expC1 = 0x1.ebfce50fac4f3p-13;
constexpr double expC2 = 0x1.62e42ff0c52d6p-6;
alignas(64) constexpr std::uint64_t expTable[32] = {0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f,
    0x3fef9301d0125b51, 0x3fef72b83c7d517b, 0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1,
    0x3fef06fe0a31b715, 0x3feef1a7373aa9cb, 0x3feedea64c123422, 0x3feece086061892d, 0x3feebfdad5362a27,
    0x3feeb42b569d4f82, 0x3feeab07dd485429, 0x3feea47eb03a5585, 0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74,
    0x3feea11473eb0187, 0x3feea589994cce13, 0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090,
    0x3feed503b23e255d, 0x3feee89f995ad3ad, 0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069,
    0x3fef5818dcfba487, 0x3fef7c97337b9b5f, 0x3fefa4afa2a490da, 0x3fefd0765b6e4540};

// The single-precision logarithm: log(x) = log1p(z/c - 1) + log(c) + k ln2
// with x = 2^k z, c from a table of 16 subintervals and a cubic in z/c - 1.
// The table holds 1/c and log(c) side by side for each subinterval.
constexpr double logLn2 = 0x1.62e42fefa39efp-1;
constexpr double logA0 = -0x1.00ea348b88334p-2;
constexpr double logA1 = 0x1.5575b0be00b6ap-2;
constexpr double logA2 = -0x1.ffffef20a4123p-2;
alignas(64) constexpr double logTable[32] = {0x1.661ec79f8f3bep+0, -0x1.57bf7808caadep-2, 0x1.571ed4aaf883dp+0,
    -0x1.2bef0a7c06ddbp-2, 0x1.49539f0f010b0p+0, -0x1.01eae7f513a67p-2, 0x1.3c995b0b80385p+0, -0x1.b31d8a68224e9p-3,
    0x1.30d190c8864a5p+0, -0x1.6574f0ac07758p-3, 0x1.25e227b0b8ea0p+0, -0x1.1aa2bc79c8100p-3, 0x1.1bb4a4a1a343fp+0,
    -0x1.a4e76ce8c0e5ep-4, 0x1.12358f08ae5bap+0, -0x1.1973c5a611cccp-4, 0x1.0953f419900a7p+0, -0x1.252f438e10c1ep-5,
    0x1.0000000000000p+0, 0x0.0p+0, 0x1.e608cfd9a47acp-1, 0x1.aa5aa5df25984p-5, 0x1.ca4b31f026aa0p-1,
    0x1.c5e53aa362eb4p-4, 0x1.b2036576afce6p-1, 0x1.526e57720db08p-3, 0x1.9c2d163a1aa2dp-1, 0x1.bc2860d224770p-3,
    0x1.886e6037841edp-1, 0x1.1058bc8a07ee1p-2, 0x1.767dcf5534862p-1, 0x1.4043057b6ee09p-2};

// The log table's two columns apart: 1/c in the first 16, log(c) in the rest.
struct LogColumns
{
    double values[32];
};

constexpr LogColumns splitLogTable()
{
    LogColumns columns{};
    for (int i = 0; i < 16; ++i)
    {
        columns.values[i] = logTable[2 * i];
        columns.values[16 + i] = logTable[2 * i + 1];
    }
    return columns;
}

alignas(64) constexpr LogColumns logColumns = splitLogTable();

// The curve's settings as the vector forms use them: the scalar curve's
// sums of two settings worked out once, to the same floats.
struct CurveValues
{
    float threshold, kneeTop, below, invRatio, rise, makeup, kneeSlope, invKneeWidth;
};

CurveValues curveValues(const Compressor::Curve& c)
{
    return {c.threshold, c.kneeTop, c.belowThreshold, c.invRatio, c.threshold + c.kneeRise, c.makeupGain,
        c.log2Ratio - 1.0f, c.invKneeWidth};
}

// ---- AVX2 and FMA: eight floats at a time, four per register of doubles ----

#define CURVE_TARGET __attribute__((target("avx2,fma")))
#define CURVE_INLINE static inline __attribute__((target("avx2,fma"), always_inline))

// The low and high four floats of a register, and the two put together.
CURVE_INLINE __m128 lowHalf(__m256 x)
{
    return _mm256_castps256_ps128(x);
}

CURVE_INLINE __m128 highHalf(__m256 x)
{
    return _mm256_extractf128_ps(x, 1);
}

CURVE_INLINE __m256 joined(__m128 low, __m128 high)
{
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

// The logarithm's arithmetic for four positive normal floats.
CURVE_INLINE __m128 logCore4(__m128 x)
{
    const __m128i ix = _mm_castps_si128(x);
    const __m128i tmp = _mm_sub_epi32(ix, _mm_set1_epi32(0x3f330000));
    // The byte offset of the lane's pair: bits 19 to 22 of tmp, times 16.
    const __m128i offset = _mm_and_si128(_mm_srli_epi32(tmp, 15), _mm_set1_epi32(0xf0));
    const __m128i k = _mm_srai_epi32(tmp, 23);
    const __m128i iz = _mm_sub_epi32(ix, _mm_and_si128(tmp, _mm_set1_epi32(static_cast<int>(0xff800000u))));
    // Table look-ups by plain loads, 1/c and log(c) of a lane in one:
    // gathers are slow on many processors.
    alignas(16) std::uint32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), offset);
    const char* table = reinterpret_cast<const char*>(logTable);
    const __m256d pairs02 =
        _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(reinterpret_cast<const double*>(table + at[0]))),
            _mm_load_pd(reinterpret_cast<const double*>(table + at[2])), 1);
    const __m256d pairs13 =
        _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(reinterpret_cast<const double*>(table + at[1]))),
            _mm_load_pd(reinterpret_cast<const double*>(table + at[3])), 1);
    const __m256d invc = _mm256_unpacklo_pd(pairs02, pairs13);
    const __m256d logc = _mm256_unpackhi_pd(pairs02, pairs13);

    const __m256d z = _mm256_cvtps_pd(_mm_castsi128_ps(iz));
    const __m256d r = _mm256_fmadd_pd(z, invc, _mm256_set1_pd(-1.0));
    const __m256d y0 = _mm256_fmadd_pd(_mm256_cvtepi32_pd(k), _mm256_set1_pd(logLn2), logc);
    __m256d y = _mm256_fmadd_pd(r, _mm256_set1_pd(logA1), _mm256_set1_pd(logA2));
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d t = _mm256_add_pd(r, y0);
    y = _mm256_fmadd_pd(r2, _mm256_set1_pd(logA0), y);
    y = _mm256_fmadd_pd(r2, y, t);
    return _mm256_cvtpd_ps(y);
}

// Eight logarithms; lanes outside the positive normal floats are set in
// outside and left to the caller.
CURVE_INLINE __m256 log8v(__m256 x, __m256& outside)
{
    const __m256i ix = _mm256_castps_si256(x);
    // Below 0x00800000 as a signed integer: zero, subnormal, negative; above
    // 0x7f7fffff: infinite, NaN.
    outside = _mm256_castsi256_ps(_mm256_or_si256(
        _mm256_cmpgt_epi32(_mm256_set1_epi32(0x00800000), ix), _mm256_cmpgt_epi32(ix, _mm256_set1_epi32(0x7f7fffff))));
    const __m256 y = joined(logCore4(lowHalf(x)), logCore4(highHalf(x)));
    // log(1) is exactly 0.
    const __m256i isOne = _mm256_cmpeq_epi32(ix, _mm256_set1_epi32(0x3f800000));
    return _mm256_andnot_ps(_mm256_castsi256_ps(isOne), y);
}

// The exponential's arithmetic for four floats below 16 in magnitude. Below
// 16 the fused multiply-adds give the maths layer's bits for every float;
// above it not quite (at 32.564632 and -63.09946, which the curve never
// meets).
CURVE_INLINE __m128 expCore4(__m128 x)
{
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

// Eight exponentials; lanes with |x| from 16 on (or NaN) are set in outside
// and left to the caller.
CURVE_INLINE __m256 exp8v(__m256 x, __m256& outside)
{
    const __m256i abstop = _mm256_and_si256(_mm256_srli_epi32(_mm256_castps_si256(x), 20), _mm256_set1_epi32(0x7ff));
    outside = _mm256_castsi256_ps(_mm256_cmpgt_epi32(abstop, _mm256_set1_epi32(0x417)));
    return joined(expCore4(lowHalf(x)), expCore4(highHalf(x)));
}

// The levels in dB of eight envelopes, as the scalar curve works them out;
// -infinity where an envelope lies below belowThreshold (its gain is the
// make-up), NaN where the vector logarithm does not cover it (the scalar
// curve's, as the exponential of NaN lies outside its vector form too).
CURVE_INLINE __m256 levels8v(__m256 e, const CurveValues& c)
{
    __m256 outside;
    const __m256 level = _mm256_div_ps(_mm256_mul_ps(log8v(e, outside), _mm256_set1_ps(20.0f)), _mm256_set1_ps(ln10));
    const __m256 quiet = _mm256_cmp_ps(e, _mm256_set1_ps(c.below), _CMP_LT_OS);
    const __m256 covered = _mm256_blendv_ps(level, _mm256_set1_ps(std::numeric_limits<float>::quiet_NaN()), outside);
    return _mm256_blendv_ps(covered, _mm256_set1_ps(-std::numeric_limits<float>::infinity()), quiet);
}

// The exponential's arguments, dB ln10 / 20, for eight of levels8v's levels
// above the threshold: the ratio's line, or the knee's curve in the knee.
// Lanes below the threshold (gain the make-up) get any value.
CURVE_INLINE __m256 arguments8v(__m256 level, const CurveValues& c)
{
    const __m256 threshold = _mm256_set1_ps(c.threshold);
    // ((level - kneeTop) invRatio + (threshold + kneeRise)) - level, in dB.
    __m256 db = _mm256_mul_ps(_mm256_sub_ps(level, _mm256_set1_ps(c.kneeTop)), _mm256_set1_ps(c.invRatio));
    db = _mm256_sub_ps(_mm256_add_ps(db, _mm256_set1_ps(c.rise)), level);
    const __m256 inKnee = _mm256_andnot_ps(
        _mm256_cmp_ps(threshold, level, _CMP_GT_OS), _mm256_cmp_ps(_mm256_set1_ps(c.kneeTop), level, _CMP_GT_OS));
    if (_mm256_movemask_ps(inKnee) != 0)
    {
        // In the knee: (level - threshold) / s + threshold - level with
        // s = (log2Ratio - 1) (level - threshold) invKneeWidth + 1.
        const __m256 over = _mm256_sub_ps(level, threshold);
        __m256 s = _mm256_mul_ps(_mm256_mul_ps(_mm256_set1_ps(c.kneeSlope), over), _mm256_set1_ps(c.invKneeWidth));
        s = _mm256_add_ps(s, _mm256_set1_ps(1.0f));
        const __m256 kneeDb = _mm256_sub_ps(_mm256_add_ps(_mm256_div_ps(over, s), threshold), level);
        db = _mm256_blendv_ps(db, kneeDb, inKnee);
    }
    return _mm256_div_ps(_mm256_mul_ps(db, _mm256_set1_ps(ln10)), _mm256_set1_ps(20.0f));
}

// Eight gains from levels8v's levels and arguments8v's arguments; lanes the
// vector exponential does not cover are marked in scalar (bit i for lane i)
// and left to the caller.
CURVE_INLINE __m256 gains8v(__m256 level, __m256 arg, const CurveValues& c, int& scalar)
{
    __m256 expOutside;
    const __m256 makeup = _mm256_set1_ps(c.makeup);
    const __m256 gain = _mm256_mul_ps(exp8v(arg, expOutside), makeup);
    const __m256 belowCurve = _mm256_cmp_ps(_mm256_set1_ps(c.threshold), level, _CMP_GT_OS);
    scalar = _mm256_movemask_ps(_mm256_andnot_ps(belowCurve, expOutside));
    return _mm256_blendv_ps(gain, makeup, belowCurve);
}

// gains with the lanes set in scalar replaced by the plain curve's.
__attribute__((noinline, cold)) CURVE_TARGET __m256 patch8(
    __m256 envelopes, __m256 gains, int scalar, const Compressor::Curve& curve)
{
    alignas(32) float e[8], g[8];
    _mm256_store_ps(e, envelopes);
    _mm256_store_ps(g, gains);
    patchLanes(e, g, 8, static_cast<unsigned>(scalar), curve);
    return _mm256_load_ps(g);
}

// Up to batch gains in three passes, levels, arguments, gains, so that the
// long chains of dependent operations of many groups overlap; the last
// group's lanes past n go through masked loads and stores. A group's
// envelopes are read again only before its gains are stored, so in place
// works.
constexpr int batch = 128;

CURVE_TARGET void gainsBatchAvx2(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    const CurveValues c = curveValues(curve);
    alignas(32) float levels[batch], args[batch];
    const int full = n / 8 * 8;
    const __m256i valid = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - full), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (int i = 0; i < full; i += 8)
        _mm256_store_ps(levels + i, levels8v(_mm256_loadu_ps(envelopes + i), c));
    if (full < n)
        _mm256_store_ps(levels + full, levels8v(_mm256_maskload_ps(envelopes + full, valid), c));
    for (int i = 0; i < n; i += 8)
        _mm256_store_ps(args + i, arguments8v(_mm256_load_ps(levels + i), c));

    for (int i = 0; i < full; i += 8)
    {
        int scalar = 0;
        __m256 g = gains8v(_mm256_load_ps(levels + i), _mm256_load_ps(args + i), c, scalar);
        if (scalar != 0)
            g = patch8(_mm256_loadu_ps(envelopes + i), g, scalar, curve);
        _mm256_storeu_ps(gains + i, g);
    }
    if (full < n)
    {
        int scalar = 0;
        __m256 g = gains8v(_mm256_load_ps(levels + full), _mm256_load_ps(args + full), c, scalar);
        scalar &= _mm256_movemask_ps(_mm256_castsi256_ps(valid));
        if (scalar != 0)
            g = patch8(_mm256_maskload_ps(envelopes + full, valid), g, scalar, curve);
        _mm256_maskstore_ps(gains + full, valid, g);
    }
}

CURVE_TARGET void gainsAvx2(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    for (int i = 0; i < n; i += batch)
        gainsBatchAvx2(envelopes + i, gains + i, n - i < batch ? n - i : batch, curve);
}

CURVE_TARGET void log16Avx2(const float* in, float* out)
{
    for (int h = 0; h < 16; h += 8)
    {
        __m256 outside;
        _mm256_storeu_ps(out + h, log8v(_mm256_loadu_ps(in + h), outside));
        const int lanes = _mm256_movemask_ps(outside);
        for (int i = 0; i < 8; ++i)
            if (lanes & (1 << i))
                out[h + i] = Maths::logarithm(in[h + i]);
    }
}

CURVE_TARGET void exp16Avx2(const float* in, float* out)
{
    for (int h = 0; h < 16; h += 8)
    {
        __m256 outside;
        _mm256_storeu_ps(out + h, exp8v(_mm256_loadu_ps(in + h), outside));
        const int lanes = _mm256_movemask_ps(outside);
        for (int i = 0; i < 8; ++i)
            if (lanes & (1 << i))
                out[h + i] = Maths::exponential(in[h + i]);
    }
}

// ---- AVX-512: sixteen floats at a time, eight per register of doubles ----

#define CURVE_TARGET_512 __attribute__((target("avx512f,avx512vl,avx512dq,avx512bw,avx2,fma")))
#define CURVE_INLINE_512                                                                                               \
    static inline __attribute__((target("avx512f,avx512vl,avx512dq,avx512bw,avx2,fma"), always_inline))

// The two tables in registers: a look-up is one two-register permute per
// 16 entries (its index's low four bits) instead of eight loads.
struct Tables512
{
    __m512d invcLow, invcHigh, logcLow, logcHigh;
    __m512i exp0, exp1, exp2, exp3;
};

CURVE_INLINE_512 Tables512 loadTables512()
{
    return {_mm512_load_pd(logColumns.values), _mm512_load_pd(logColumns.values + 8),
        _mm512_load_pd(logColumns.values + 16), _mm512_load_pd(logColumns.values + 24), _mm512_load_si512(expTable),
        _mm512_load_si512(expTable + 8), _mm512_load_si512(expTable + 16), _mm512_load_si512(expTable + 24)};
}

// The low and high eight floats of a register, and the two put together.
CURVE_INLINE_512 __m256 lowHalf(__m512 x)
{
    return _mm512_castps512_ps256(x);
}

CURVE_INLINE_512 __m256 highHalf(__m512 x)
{
    return _mm512_extractf32x8_ps(x, 1);
}

CURVE_INLINE_512 __m512 joined(__m256 low, __m256 high)
{
    return _mm512_insertf32x8(_mm512_castps256_ps512(low), high, 1);
}

// The logarithm's arithmetic for eight positive normal floats, as in logCore4.
CURVE_INLINE_512 __m256 logCore8(__m256 x, const Tables512& t)
{
    const __m256i ix = _mm256_castps_si256(x);
    const __m256i tmp = _mm256_sub_epi32(ix, _mm256_set1_epi32(0x3f330000));
    // The permutes read only the index's low four bits: no mask needed.
    const __m512i index = _mm512_cvtepu32_epi64(_mm256_srli_epi32(tmp, 19));
    const __m512d invc = _mm512_permutex2var_pd(t.invcLow, index, t.invcHigh);
    const __m512d logc = _mm512_permutex2var_pd(t.logcLow, index, t.logcHigh);
    const __m256i k = _mm256_srai_epi32(tmp, 23);
    const __m256i iz = _mm256_sub_epi32(ix, _mm256_and_si256(tmp, _mm256_set1_epi32(static_cast<int>(0xff800000u))));

    const __m512d z = _mm512_cvtps_pd(_mm256_castsi256_ps(iz));
    const __m512d r = _mm512_fmadd_pd(z, invc, _mm512_set1_pd(-1.0));
    const __m512d y0 = _mm512_fmadd_pd(_mm512_cvtepi32_pd(k), _mm512_set1_pd(logLn2), logc);
    __m512d y = _mm512_fmadd_pd(r, _mm512_set1_pd(logA1), _mm512_set1_pd(logA2));
    const __m512d r2 = _mm512_mul_pd(r, r);
    const __m512d sum = _mm512_add_pd(r, y0);
    y = _mm512_fmadd_pd(r2, _mm512_set1_pd(logA0), y);
    y = _mm512_fmadd_pd(r2, y, sum);
    return _mm512_cvtpd_ps(y);
}

// Sixteen logarithms, eight per register of doubles; lanes outside the
// positive normal floats are set in outside and left to the caller.
CURVE_INLINE_512 __m512 log16v(__m512 x, const Tables512& t, __mmask16& outside)
{
    // Every class but the positive normal floats: zeros, subnormals,
    // negatives, infinities, NaNs.
    outside = _mm512_fpclass_ps_mask(x, 0xff);
    const __m512 y = joined(logCore8(lowHalf(x), t), logCore8(highHalf(x), t));
    // log(1) is exactly 0.
    return _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(x, _mm512_set1_ps(1.0f), _CMP_NEQ_UQ), y);
}

// The exponential's arithmetic for eight floats below 16 in magnitude, as in
// expCore4.
CURVE_INLINE_512 __m256 expCore8(__m256 x, const Tables512& t)
{
    const __m512d invLn2N = _mm512_set1_pd(expInvLn2N), shift = _mm512_set1_pd(expShift);
    const __m512d xd = _mm512_cvtps_pd(x);
    __m512d kd = _mm512_fmadd_pd(invLn2N, xd, shift);
    const __m512i ki = _mm512_castpd_si512(kd);
    kd = _mm512_sub_pd(kd, shift);
    const __m512d r = _mm512_fmsub_pd(invLn2N, xd, kd);
    const __m512d z = _mm512_fmadd_pd(r, _mm512_set1_pd(expC0), _mm512_set1_pd(expC1));
    const __m512d r2 = _mm512_mul_pd(r, r);
    __m512d y = _mm512_fmadd_pd(r, _mm512_set1_pd(expC2), _mm512_set1_pd(1.0));
    y = _mm512_fmadd_pd(z, r2, y);
    // Entry ki & 31: the low four bits pick within a half, bit 4 (moved to
    // the sign) the half.
    const __m512i low = _mm512_permutex2var_epi64(t.exp0, ki, t.exp1);
    const __m512i high = _mm512_permutex2var_epi64(t.exp2, ki, t.exp3);
    const __m512i table = _mm512_mask_blend_epi64(_mm512_movepi64_mask(_mm512_slli_epi64(ki, 59)), low, high);
    const __m512i bits = _mm512_add_epi64(table, _mm512_slli_epi64(ki, 47));
    y = _mm512_mul_pd(y, _mm512_castsi512_pd(bits));
    return _mm512_cvtpd_ps(y);
}

// Sixteen exponentials; lanes with |x| from 16 on (or NaN) are set in
// outside and left to the caller.
CURVE_INLINE_512 __m512 exp16v(__m512 x, const Tables512& t, __mmask16& outside)
{
    // Not -16 < x < 16.
    outside = static_cast<__mmask16>(~_mm512_mask_cmp_ps_mask(
        _mm512_cmp_ps_mask(x, _mm512_set1_ps(16.0f), _CMP_LT_OQ), x, _mm512_set1_ps(-16.0f), _CMP_GT_OQ));
    return joined(expCore8(lowHalf(x), t), expCore8(highHalf(x), t));
}

// Sixteen levels in dB as levels8v works them out, -infinity and NaN
// included.
CURVE_INLINE_512 __m512 levels16v(__m512 e, const CurveValues& c, const Tables512& t)
{
    __mmask16 outside;
    const __m512 level =
        _mm512_div_ps(_mm512_mul_ps(log16v(e, t, outside), _mm512_set1_ps(20.0f)), _mm512_set1_ps(ln10));
    const __mmask16 quiet = _mm512_cmp_ps_mask(e, _mm512_set1_ps(c.below), _CMP_LT_OS);
    const __m512 covered =
        _mm512_mask_blend_ps(outside, level, _mm512_set1_ps(std::numeric_limits<float>::quiet_NaN()));
    return _mm512_mask_blend_ps(quiet, covered, _mm512_set1_ps(-std::numeric_limits<float>::infinity()));
}

// Sixteen of arguments8v's arguments.
CURVE_INLINE_512 __m512 arguments16v(__m512 level, const CurveValues& c)
{
    const __m512 threshold = _mm512_set1_ps(c.threshold);
    __m512 db = _mm512_mul_ps(_mm512_sub_ps(level, _mm512_set1_ps(c.kneeTop)), _mm512_set1_ps(c.invRatio));
    db = _mm512_sub_ps(_mm512_add_ps(db, _mm512_set1_ps(c.rise)), level);
    const __mmask16 inKnee = _mm512_mask_cmp_ps_mask(
        _mm512_cmp_ps_mask(threshold, level, _CMP_NGT_US), _mm512_set1_ps(c.kneeTop), level, _CMP_GT_OS);
    if (inKnee != 0)
    {
        const __m512 over = _mm512_sub_ps(level, threshold);
        __m512 s = _mm512_mul_ps(_mm512_mul_ps(_mm512_set1_ps(c.kneeSlope), over), _mm512_set1_ps(c.invKneeWidth));
        s = _mm512_add_ps(s, _mm512_set1_ps(1.0f));
        const __m512 kneeDb = _mm512_sub_ps(_mm512_add_ps(_mm512_div_ps(over, s), threshold), level);
        db = _mm512_mask_blend_ps(inKnee, db, kneeDb);
    }
    return _mm512_div_ps(_mm512_mul_ps(db, _mm512_set1_ps(ln10)), _mm512_set1_ps(20.0f));
}

// Sixteen of gains8v's gains; lanes the vector exponential does not cover
// are set in scalar and left to the caller.
CURVE_INLINE_512 __m512 gains16v(__m512 level, __m512 arg, const CurveValues& c, const Tables512& t, __mmask16& scalar)
{
    __mmask16 expOutside;
    const __m512 makeup = _mm512_set1_ps(c.makeup);
    const __m512 gain = _mm512_mul_ps(exp16v(arg, t, expOutside), makeup);
    const __mmask16 belowCurve = _mm512_cmp_ps_mask(_mm512_set1_ps(c.threshold), level, _CMP_GT_OS);
    scalar = static_cast<__mmask16>(~belowCurve & expOutside);
    return _mm512_mask_blend_ps(belowCurve, gain, makeup);
}

// gains with the lanes set in scalar replaced by the plain curve's.
__attribute__((noinline, cold)) CURVE_TARGET_512 __m512 patch16(
    __m512 envelopes, __m512 gains, __mmask16 scalar, const Compressor::Curve& curve)
{
    alignas(64) float e[16], g[16];
    _mm512_store_ps(e, envelopes);
    _mm512_store_ps(g, gains);
    patchLanes(e, g, 16, scalar, curve);
    return _mm512_load_ps(g);
}

// gainsBatchAvx2's three passes sixteen at a time.
CURVE_TARGET_512 void gainsBatchAvx512(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    const CurveValues c = curveValues(curve);
    const Tables512 t = loadTables512();
    alignas(64) float levels[batch], args[batch];
    const int full = n / 16 * 16;
    const auto valid = static_cast<__mmask16>((1u << (n - full)) - 1u);
    for (int i = 0; i < full; i += 16)
        _mm512_store_ps(levels + i, levels16v(_mm512_loadu_ps(envelopes + i), c, t));
    if (full < n)
        _mm512_store_ps(levels + full, levels16v(_mm512_maskz_loadu_ps(valid, envelopes + full), c, t));
    for (int i = 0; i < n; i += 16)
        _mm512_store_ps(args + i, arguments16v(_mm512_load_ps(levels + i), c));

    for (int i = 0; i < full; i += 16)
    {
        __mmask16 scalar = 0;
        __m512 g = gains16v(_mm512_load_ps(levels + i), _mm512_load_ps(args + i), c, t, scalar);
        if (scalar != 0)
            g = patch16(_mm512_loadu_ps(envelopes + i), g, scalar, curve);
        _mm512_storeu_ps(gains + i, g);
    }
    if (full < n)
    {
        __mmask16 scalar = 0;
        __m512 g = gains16v(_mm512_load_ps(levels + full), _mm512_load_ps(args + full), c, t, scalar);
        scalar &= valid;
        if (scalar != 0)
            g = patch16(_mm512_maskz_loadu_ps(valid, envelopes + full), g, scalar, curve);
        _mm512_mask_storeu_ps(gains + full, valid, g);
    }
}

CURVE_TARGET_512 void gainsAvx512(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    for (int i = 0; i < n; i += batch)
        gainsBatchAvx512(envelopes + i, gains + i, n - i < batch ? n - i : batch, curve);
}

CURVE_TARGET_512 void log16Avx512(const float* in, float* out)
{
    __mmask16 outside;
    _mm512_storeu_ps(out, log16v(_mm512_loadu_ps(in), loadTables512(), outside));
    for (int i = 0; i < 16; ++i)
        if (outside & (1 << i))
            out[i] = Maths::logarithm(in[i]);
}

CURVE_TARGET_512 void exp16Avx512(const float* in, float* out)
{
    __mmask16 outside;
    _mm512_storeu_ps(out, exp16v(_mm512_loadu_ps(in), loadTables512(), outside));
    for (int i = 0; i < 16; ++i)
        if (outside & (1 << i))
            out[i] = Maths::exponential(in[i]);
}

// The widest form the processor and the operating system support.
Form findWidest()
{
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma"))
        return Form::scalar;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512bw"))
        return Form::avx512;
    return Form::avx2;
}
} // namespace

// Asked of the processor when it first needs it, not when the library loads:
// the processor's own code runs only when a host calls it. The vector forms
// give the maths layer's bits for every float (tested over all of them), so
// the choice changes no result.
Form widest()
{
    static const Form form = findWidest();
    return form;
}

void gains(Form form, const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    switch (form)
    {
        case Form::avx512:
            gainsAvx512(envelopes, gains, n, curve);
            break;
        case Form::avx2:
            gainsAvx2(envelopes, gains, n, curve);
            break;
        case Form::scalar:
            gainsScalar(envelopes, gains, n, curve);
            break;
    }
}

void log16(Form form, const float* in, float* out)
{
    if (form == Form::avx512)
        log16Avx512(in, out);
    else if (form == Form::avx2)
        log16Avx2(in, out);
    else
        for (int i = 0; i < 16; ++i)
            out[i] = Maths::logarithm(in[i]);
}

void exp16(Form form, const float* in, float* out)
{
    if (form == Form::avx512)
        exp16Avx512(in, out);
    else if (form == Form::avx2)
        exp16Avx2(in, out);
    else
        for (int i = 0; i < 16; ++i)
            out[i] = Maths::exponential(in[i]);
}

#else

Form widest()
{
    return Form::scalar;
}

void gains(Form, const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    gainsScalar(envelopes, gains, n, curve);
}

void log16(Form, const float* in, float* out)
{
    for (int i = 0; i < 16; ++i)
        out[i] = Maths::logarithm(in[i]);
}

void exp16(Form, const float* in, float* out)
{
    for (int i = 0; i < 16; ++i)
        out[i] = Maths::exponential(in[i]);
}

#endif

bool available()
{
    return widest() != Form::scalar;
}

void gains(const float* envelopes, float* gains, int n, const Compressor::Curve& curve)
{
    CurveMath::gains(widest(), envelopes, gains, n, curve);
}
} // namespace CurveMath
