#pragma once

// The one-pass loop itself, for the files that compile it: StereoChain.cpp
// for the baseline processor, StereoChainAvx512.cpp for AVX-512. Everything
// here has internal linkage, so each file keeps its own copy.
#include "dsp/StereoChain.h"

#include "dsp/CurveMath.h"
#include "dsp/MeterEnvelope.h"

#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define STEREO_CHAIN_SSE2 1
#endif

// Where StereoChainAvx512.cpp compiles a copy for AVX-512 (its condition is
// this one): GCC for x86-64 Linux or Windows, whose target pragma it uses.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && (defined(__linux__) || defined(_WIN64))
#define STEREO_CHAIN_AVX512 1
#endif

namespace StereoChain
{
namespace
{
// What the framework's applyGain does with an output gain: 1 leaves a
// sample, 0 clears it, anything else multiplies.
enum class OutMode
{
    keep,
    clear,
    multiply
};

OutMode outModeFor(float gain)
{
    return gain == 1.0f ? OutMode::keep : (gain == 0.0f ? OutMode::clear : OutMode::multiply);
}

#if STEREO_CHAIN_SSE2

#if defined(__GNUC__)
#define CHAIN_INLINE inline __attribute__((always_inline))
#else
#define CHAIN_INLINE __forceinline
#endif

// Both channels side by side in the low lanes of one register: lane 0 left,
// lane 1 right. Every lane gets the same IEEE operations as the scalar code;
// the branches of the scalar code become selections.

inline __m128 select(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// mask ? a : b for two values known ahead: b ^ (mask & (a ^ b)), with a ^ b given.
inline __m128 selectKnown(__m128 mask, __m128 aXorB, __m128 b)
{
    return _mm_xor_ps(b, _mm_and_ps(mask, aXorB));
}

inline int lanes(__m128 mask)
{
    return _mm_movemask_ps(mask) & 3;
}

// The gains of envelopes that may lie above the threshold, lane by lane
// through the scalar curve (logarithm and exponential of the C library).
#if defined(_MSC_VER)
__declspec(noinline)
#else
__attribute__((noinline))
#endif
    __m128 gainsAbove(__m128 envelope, const Compressor::Curve& curve)
{
    alignas(16) float e[4];
    _mm_store_ps(e, envelope);
    const float l = CompressorDetail::gainForEnvelope(e[0], curve);
    const float r = CompressorDetail::gainForEnvelope(e[1], curve);
    return _mm_setr_ps(l, r, 0.0f, 0.0f);
}

// The whole chain's state in registers for a block, and its stages:
// shelfAndWidth() takes a sample through the shelf and mid/side, detect()
// through the peak hold and envelope; back() applies a gain, clips, applies
// the output gain and feeds the follower.
template <bool filtering, OutMode outMode>
struct Lanes
{
    Lanes(const Channels& channels, float drive, Section& section, float width, Compressor::Run& compressor,
        float outputGain, Follower& follower)
        : io(channels), s(section), c(compressor), f(follower)
    {
        using namespace CompressorDetail;
        const Compressor::Curve& curve = c.curve;
        b0 = _mm_set1_pd(s.k.b0);
        b1 = _mm_set1_pd(s.k.b1);
        b2 = _mm_set1_pd(s.k.b2);
        a1 = _mm_set1_pd(s.k.a1);
        a2 = _mm_set1_pd(s.k.a2);
        x1 = _mm_set_pd(s.r.x1, s.l.x1);
        x2 = _mm_set_pd(s.r.x2, s.l.x2);
        y1 = _mm_set_pd(s.r.y1, s.l.y1);
        y2 = _mm_set_pd(s.r.y2, s.l.y2);
        offset = _mm_set_pd(s.offsetR, s.offsetL);

        driveV = _mm_set1_ps(drive);
        widthV = _mm_set1_ps(width);
        holdLength = _mm_set1_epi32(c.holdLength);
        attackBase = _mm_set1_ps(curve.attackWeight);
        releaseBase = _mm_set1_ps(curve.releaseWeight);
        attackRest = _mm_set1_ps(1.0f - curve.attackWeight);
        releaseTenth = _mm_set1_ps(curve.releaseWeight * 0.1f);
        below = _mm_set1_ps(curve.belowThreshold);
        quietMeansLow = curve.belowThreshold <= 0.9f;
        makeup = _mm_set1_ps(curve.makeupGain);
        envelope = _mm_setr_ps(c.l.envelope, c.r.envelope, 0.0f, 0.0f);
        attack = _mm_setr_ps(c.l.attackWeight, c.r.attackWeight, 0.0f, 0.0f);
        release = _mm_setr_ps(c.l.releaseWeight, c.r.releaseWeight, 0.0f, 0.0f);
        attackXorRelease = _mm_xor_ps(attack, release);
        baseXor = _mm_xor_ps(attackBase, releaseBase);
        one = _mm_set1_ps(1.0f);
        highXor = _mm_xor_ps(one, releaseTenth);
        decayXorOne = _mm_xor_ps(_mm_set1_ps(peakDecay), one);
        prevGain = _mm_setr_ps(c.l.prevGain, c.r.prevGain, 0.0f, 0.0f);
        smoothGain = _mm_setr_ps(c.l.smoothGain, c.r.smoothGain, 0.0f, 0.0f);
        peak = _mm_setr_ps(c.l.peak, c.r.peak, 0.0f, 0.0f);
        holdCount = _mm_setr_epi32(c.l.holdCount, c.r.holdCount, 0, 0);
        // The gain stages of a sample below the threshold after one that was
        // below it too: the same operations as back(), done once.
        quietGain = _mm_max_ps(_mm_set1_ps(gainFloor), makeup);
        quietSmooth = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.4f), quietGain), _mm_mul_ps(_mm_set1_ps(0.6f), quietGain));

        outGain = _mm_set1_ps(outputGain);
        ceiling = _mm_set1_ps(f.ceiling);
        attackCoef = _mm_set1_ps(f.attackCoef);
        releaseCoef = _mm_set1_ps(f.releaseCoef);
        coefXor = _mm_xor_ps(attackCoef, releaseCoef);
        level = _mm_setr_ps(f.levelL, f.levelR, 0.0f, 0.0f);
    }

    // Input sample i times the drive (times 1 leaves every value as it is,
    // NaN payloads included).
    CHAIN_INLINE __m128 load(int i) const
    {
        return _mm_mul_ps(_mm_unpacklo_ps(_mm_load_ss(io.inLeft + i), _mm_load_ss(io.inRight + i)), driveV);
    }

    CHAIN_INLINE void store(int i, __m128 x) const
    {
        _mm_store_ss(io.left + i, x);
        _mm_store_ss(io.right + i, _mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 2, 0, 1)));
    }

    // The shelf and mid/side.
    CHAIN_INLINE __m128 shelfAndWidth(__m128 x)
    {
        if constexpr (filtering)
        {
            // b1 x1 + b0 x + b2 x2 - a1 y1 - a2 y2 + offset, left to right.
            const __m128d in = _mm_cvtps_pd(x);
            offset = _mm_xor_pd(offset, _mm_set1_pd(-0.0));
            __m128d y = _mm_mul_pd(b1, x1);
            y = _mm_add_pd(y, _mm_mul_pd(b0, in));
            y = _mm_add_pd(y, _mm_mul_pd(b2, x2));
            y = _mm_sub_pd(y, _mm_mul_pd(a1, y1));
            y = _mm_sub_pd(y, _mm_mul_pd(a2, y2));
            y = _mm_add_pd(y, offset);
            x2 = x1;
            y2 = y1;
            x1 = in;
            y1 = y;
            x = _mm_cvtpd_ps(y);
        }

        // Mid/side: mid = (L + R) / 2, side = (R - L) width; L = mid - side,
        // R = mid + side. Halving in single precision rounds the exact half,
        // as halving in double and rounding does.
        {
            const __m128 swapped = _mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 2, 0, 1));
            const __m128 mid = _mm_mul_ps(_mm_add_ps(x, swapped), _mm_set1_ps(0.5f));
            const __m128 difference = _mm_sub_ps(swapped, x); // lane 0: R - L
            const __m128 side = _mm_mul_ps(_mm_shuffle_ps(difference, difference, 0), widthV);
            const __m128 negateLeft = _mm_castsi128_ps(_mm_setr_epi32(static_cast<int>(0x80000000u), 0, 0, 0));
            x = _mm_add_ps(mid, _mm_xor_ps(side, negateLeft));
        }

        return x;
    }

    // The compressor's peak hold and envelope. lowKnown: the envelope is
    // known to lie below 0.9 in both lanes, so its weights are the base ones.
    CHAIN_INLINE __m128 detect(__m128 x, bool lowKnown)
    {
        using namespace CompressorDetail;
        const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));

        // Peak hold.
        {
            // Past the hold the peak is multiplied by the decay, else by 1,
            // which leaves it as it is.
            const __m128i over = _mm_cmpgt_epi32(holdCount, holdLength);
            holdCount = _mm_add_epi32(holdCount, over);
            peak = _mm_mul_ps(peak, selectKnown(_mm_castsi128_ps(over), decayXorOne, one));
            holdCount = _mm_add_epi32(holdCount, _mm_set1_epi32(1));
            // A greater magnitude replaces the peak (max keeps the peak when
            // either is NaN, as the comparison does).
            const __m128 magnitude = _mm_and_ps(x, absMask);
            const __m128 isNew = _mm_cmpgt_ps(magnitude, peak);
            peak = _mm_max_ps(magnitude, peak);
            holdCount = _mm_andnot_si128(_mm_castps_si128(isNew), holdCount);
            peak = _mm_min_ps(_mm_set1_ps(detectorLimit), peak);
        }

        // Envelope with level-dependent weights.
        {
            const __m128 nineTenths = _mm_set1_ps(0.9f);
            const __m128 detector = _mm_and_ps(peak, absMask);
            if (lowKnown || lanes(_mm_cmplt_ps(envelope, nineTenths)) == 3)
            {
                attack = attackBase;
                release = releaseBase;
                attackXorRelease = baseXor;
            }
            else if (lanes(_mm_cmplt_ps(envelope, one)) == 0)
            {
                // Both at 1 or above.
                attack = one;
                release = releaseTenth;
                attackXorRelease = highXor;
            }
            else
            {
                const __m128 low = _mm_cmplt_ps(envelope, nineTenths);
                const __m128 belowOne = _mm_cmplt_ps(envelope, one);
                __m128 attackHigh = one, releaseHigh = releaseTenth;
                if (lanes(_mm_andnot_ps(low, belowOne)) != 0)
                {
                    const __m128 t = _mm_sub_ps(envelope, nineTenths);
                    const __m128 attackBand =
                        _mm_add_ps(_mm_mul_ps(_mm_mul_ps(attackRest, t), _mm_set1_ps(10.0f)), attackBase);
                    const __m128 releaseBand =
                        _mm_div_ps(releaseBase, _mm_add_ps(_mm_mul_ps(t, _mm_set1_ps(9.0f)), one));
                    attackHigh = select(belowOne, attackBand, one);
                    releaseHigh = select(belowOne, releaseBand, releaseTenth);
                }
                attack = select(low, attackBase, attackHigh);
                release = select(low, releaseBase, releaseHigh);
                attackXorRelease = _mm_xor_ps(attack, release);
            }
            const __m128 w = selectKnown(_mm_cmpgt_ps(detector, envelope), attackXorRelease, release);
            envelope = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(one, w), envelope), _mm_mul_ps(w, detector));
        }
        return x;
    }

    // True when both envelopes lie below the threshold: their gain is the makeup.
    CHAIN_INLINE bool quiet(__m128 e) const { return lanes(_mm_cmplt_ps(e, below)) == 3; }

    __m128 gainOf(__m128 e) const { return quiet(e) ? makeup : gainsAbove(e, c.curve); }

    // The gain floor, then the two-tap average with the gain before.
    CHAIN_INLINE __m128 smoothedGain(__m128 g, __m128& smoothed) const
    {
        using namespace CompressorDetail;
        g = _mm_max_ps(_mm_set1_ps(gainFloor), g);
        smoothed = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.4f), g), _mm_mul_ps(_mm_set1_ps(0.6f), prevGain));
        return g;
    }

    CHAIN_INLINE __m128 back(__m128 x, __m128 g)
    {
        prevGain = smoothedGain(g, smoothGain);
        return clipAndFollow(_mm_mul_ps(x, smoothGain));
    }

    // back() for a quiet sample after a quiet one: prevGain is quietGain already.
    CHAIN_INLINE __m128 backQuiet(__m128 x)
    {
        smoothGain = quietSmooth;
        return clipAndFollow(_mm_mul_ps(x, quietSmooth));
    }

    // True when the last gain through back() was a quiet one.
    CHAIN_INLINE bool gainQuiet() const { return lanes(_mm_cmpeq_ps(prevGain, quietGain)) == 3; }

    CHAIN_INLINE __m128 clipAndFollow(__m128 x)
    {
        using namespace CompressorDetail;
        x = _mm_min_ps(_mm_set1_ps(clipLevel), x);
        x = _mm_max_ps(_mm_set1_ps(-clipLevel), x);

        if constexpr (outMode == OutMode::multiply)
            x = _mm_mul_ps(x, outGain);
        else if constexpr (outMode == OutMode::clear)
            x = _mm_setzero_ps();

        // Follower: |x| limited to the ceiling (a NaN counts as 0), then
        // (level - a) c + a, limited to the ceiling. max(a, 0) is 0 for a NaN.
        __m128 a = _mm_and_ps(x, _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)));
        a = _mm_min_ps(_mm_max_ps(a, _mm_setzero_ps()), ceiling);
        const __m128 coef = selectKnown(_mm_cmpgt_ps(a, level), coefXor, releaseCoef);
        level = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(level, a), coef), a);
        level = _mm_min_ps(ceiling, level);
        return x;
    }

    void storeState()
    {
        alignas(16) double d[2];
        auto splitD = [&d](__m128d value, double& l, double& r)
        {
            _mm_store_pd(d, value);
            l = d[0];
            r = d[1];
        };
        splitD(x1, s.l.x1, s.r.x1);
        splitD(x2, s.l.x2, s.r.x2);
        splitD(y1, s.l.y1, s.r.y1);
        splitD(y2, s.l.y2, s.r.y2);
        splitD(offset, s.offsetL, s.offsetR);

        alignas(16) float v[4];
        auto split = [&v](__m128 value, float& l, float& r)
        {
            _mm_store_ps(v, value);
            l = v[0];
            r = v[1];
        };
        split(envelope, c.l.envelope, c.r.envelope);
        split(attack, c.l.attackWeight, c.r.attackWeight);
        split(release, c.l.releaseWeight, c.r.releaseWeight);
        split(prevGain, c.l.gain, c.r.gain);
        split(prevGain, c.l.prevGain, c.r.prevGain);
        split(smoothGain, c.l.smoothGain, c.r.smoothGain);
        split(peak, c.l.peak, c.r.peak);
        split(level, f.levelL, f.levelR);
        alignas(16) std::int32_t counts[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(counts), holdCount);
        c.l.holdCount = counts[0];
        c.r.holdCount = counts[1];
    }

    const Channels io;
    Section& s;
    Compressor::Run& c;
    Follower& f;
    bool quietMeansLow;
    __m128d b0, b1, b2, a1, a2, x1, x2, y1, y2, offset;
    __m128 driveV, widthV;
    __m128i holdLength, holdCount;
    __m128 attackBase, releaseBase, attackRest, releaseTenth, below, makeup;
    __m128 envelope, attack, release, attackXorRelease, prevGain, smoothGain, peak;
    __m128 quietGain, quietSmooth;
    __m128 baseXor, highXor, one, decayXorOne;
    __m128 outGain, ceiling, attackCoef, releaseCoef, coefXor, level;
};

// Samples go through in chunks of this many when the gain curve is in use.
constexpr int chunk = 64;

// A chunk whose front stages have run and whose gains are known; its back
// stages wait for the next chunk's front stages, so the two overlap. The
// envelopes and then the gains are kept as pairs, left then right.
struct Pending
{
    __m128 xs[chunk];
    alignas(16) float envelopes[2 * chunk], gains[2 * chunk];
    int start = 0, count = 0;
};

template <bool filtering, OutMode outMode>
void runBlock(const Channels& io, int begin, int end, float drive, Section& s, float width, Compressor::Run& c,
    float outputGain, Follower& f, bool& loud) noexcept
{
    using Chain = Lanes<filtering, outMode>;
    Chain lanes(io, drive, s, width, c, outputGain, f);
    Pending buffers[2];
    Pending* pending = &buffers[0];
    Pending* next = &buffers[1];

    const auto gainAt = [](const Pending& p, int k)
    { return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p.gains + 2 * k))); };
    const auto flush = [&]
    {
        for (int k = 0; k < pending->count; ++k)
            lanes.store(pending->start + k, lanes.back(pending->xs[k], gainAt(*pending, k)));
        pending->count = 0;
    };

    int i = begin;
    while (i < end)
    {
        const int n = end - i < chunk ? end - i : chunk;
        if (!loud)
        {
            // Quiet: every stage in one loop, so the stages' recursions
            // overlap; a sample above the threshold takes the curve inline.
            // The shelf and mid/side run one sample ahead of the compressor's
            // detection, the gain stages one sample behind it.
            flush();
            bool anyLoud = false;
            bool wasQuiet = lanes.quiet(lanes.envelope);
            bool gainQuiet = lanes.gainQuiet();
            __m128 ahead = lanes.shelfAndWidth(lanes.load(i));
            __m128 behindX = _mm_setzero_ps(), behindGain = _mm_setzero_ps();
            bool behindQuiet = false;

            const auto step = [&](int k, auto loadNext, auto storeBehind)
            {
                const __m128 x = lanes.detect(ahead, wasQuiet && lanes.quietMeansLow);
                if constexpr (decltype(loadNext)::value)
                    ahead = lanes.shelfAndWidth(lanes.load(k + 1));
                const bool quiet = lanes.quiet(lanes.envelope);
                anyLoud = anyLoud || !quiet;
                const __m128 g = quiet ? lanes.makeup : gainsAbove(lanes.envelope, c.curve);
                if constexpr (decltype(storeBehind)::value)
                {
                    lanes.store(
                        k - 1, behindQuiet && gainQuiet ? lanes.backQuiet(behindX) : lanes.back(behindX, behindGain));
                    gainQuiet = behindQuiet;
                }
                behindX = x;
                behindGain = g;
                behindQuiet = quiet;
                wasQuiet = quiet;
            };
            const std::true_type yes;
            const std::false_type no;
            const int last = i + n - 1;
            if (n == 1)
                step(i, no, no);
            else
            {
                step(i, yes, no);
                for (int k = i + 1; k < last; ++k)
                    step(k, yes, yes);
                step(last, no, yes);
            }
            lanes.store(last, behindQuiet && gainQuiet ? lanes.backQuiet(behindX) : lanes.back(behindX, behindGain));
            loud = anyLoud;
        }
        else
        {
            // Loud: the front stages of this chunk beside the back stages of
            // the one before, then this chunk's gains through the curve in a
            // loop of their own.
            bool anyLoud = false;
            // The shelf and mid/side one sample ahead of the detection.
            __m128 ahead = lanes.shelfAndWidth(lanes.load(i));
            int k = 0;
            for (; k < n; ++k)
            {
                next->xs[k] = lanes.detect(ahead, false);
                if (k + 1 < n)
                    ahead = lanes.shelfAndWidth(lanes.load(i + k + 1));
                _mm_storel_pi(reinterpret_cast<__m64*>(next->envelopes + 2 * k), lanes.envelope);
                anyLoud = anyLoud || !lanes.quiet(lanes.envelope);
                if (k < pending->count)
                    lanes.store(pending->start + k, lanes.back(pending->xs[k], gainAt(*pending, k)));
            }
            for (; k < pending->count; ++k)
                lanes.store(pending->start + k, lanes.back(pending->xs[k], gainAt(*pending, k)));
            pending->count = 0;

            if (anyLoud && CurveMath::available())
                CurveMath::gains(next->envelopes, next->gains, 2 * n, c.curve);
            else
                for (int j = 0; j < 2 * n; ++j)
                    next->gains[j] =
                        anyLoud ? CompressorDetail::gainForEnvelope(next->envelopes[j], c.curve) : c.curve.makeupGain;
            next->start = i;
            next->count = n;
            Pending* t = pending;
            pending = next;
            next = t;
            loud = anyLoud;
        }
        i += n;
    }
    flush();
    lanes.storeState();
}

template <bool filtering>
void runBlock(const Channels& io, int begin, int end, float drive, Section& s, float width, Compressor::Run& c,
    float outputGain, Follower& f, bool& loud) noexcept
{
    switch (outModeFor(outputGain))
    {
        case OutMode::keep:
            return runBlock<filtering, OutMode::keep>(io, begin, end, drive, s, width, c, outputGain, f, loud);
        case OutMode::clear:
            return runBlock<filtering, OutMode::clear>(io, begin, end, drive, s, width, c, outputGain, f, loud);
        case OutMode::multiply:
            return runBlock<filtering, OutMode::multiply>(io, begin, end, drive, s, width, c, outputGain, f, loud);
    }
}
#else

float applyGain(float x, float gain)
{
    switch (outModeFor(gain))
    {
        case OutMode::keep:
            return x;
        case OutMode::clear:
            return 0.0f;
        case OutMode::multiply:
            break;
    }
    return x * gain;
}

template <bool filtering>
void runBlock(const Channels& io, int begin, int end, float drive, Section& s, float width, Compressor::Run& c,
    float out, Follower& f, bool&) noexcept
{
    for (int i = begin; i < end; ++i)
    {
        float l = io.inLeft[i] * drive;
        float r = io.inRight[i] * drive;
        if constexpr (filtering)
        {
            s.offsetL = -s.offsetL;
            s.offsetR = -s.offsetR;
            l = static_cast<float>(s.l.filterSection(static_cast<double>(l), s.k, s.offsetL));
            r = static_cast<float>(s.r.filterSection(static_cast<double>(r), s.k, s.offsetR));
        }
        const float mid = static_cast<float>(static_cast<double>(l + r) * 0.5);
        const float side = (r - l) * width;
        l = mid - side;
        r = mid + side;
        c.step<true, true>(l, r);
        l = applyGain(l, out);
        r = applyGain(r, out);
        io.left[i] = l;
        io.right[i] = r;
        f.levelL = MeterEnvelope::step(f.levelL, l, f.ceiling, f.attackCoef, f.releaseCoef);
        f.levelR = MeterEnvelope::step(f.levelR, r, f.ceiling, f.attackCoef, f.releaseCoef);
    }
}

#endif

// run() by this file's copy of the loop.
inline void runLoop(const Channels& io, int begin, int end, float drive, bool filtering, Section& section, float width,
    Compressor::Run& compressor, float outputGain, Follower& follower, bool& loud) noexcept
{
    if (filtering)
        runBlock<true>(io, begin, end, drive, section, width, compressor, outputGain, follower, loud);
    else
        runBlock<false>(io, begin, end, drive, section, width, compressor, outputGain, follower, loud);
}
} // namespace
} // namespace StereoChain
