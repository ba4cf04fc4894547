#include "dsp/BandMapping.h"

#include "dsp/ExactComplex.h"
#include "dsp/SectionChain.h"
#include "dsp/maths/Maths.h"

#include <cmath>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#endif

namespace Dsp
{
namespace
{

using Maths::twoPi;

// Square root with a non-negative real part; a D on the negative real axis
// gives +j sqrt(-D) whatever the sign of its zero imaginary part.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline std::complex<double>
rootWithNonNegativeReal(std::complex<double> d)
{
    if (d.imag() == 0.0)
        return ExactComplex::sqrtOfReal(d.real(), 0.0);
    return Maths::squareRoot(d);
}

// Band edges in radians per sample, kept to a band whose poles lie safely
// inside the unit circle.
//
// A band that reaches past the Nyquist frequency (one the upper clamp would
// cut) slides down, keeping its width, until its upper edge lies at topEdge;
// a band wider than the room left starts at the lower clamp. Clamping it at
// the Nyquist frequency instead would leave a pole next to z = -1, which
// turns the alternating denormal offset of the first section into a
// full-scale tone, and a band wholly past it would be reversed and unstable.
//
// Any other band keeps its edges after the lower clamp, unless it is
// narrower than narrowestInnerBand (empty, reversed, NaN, or too narrow to
// map in double precision): that becomes narrowestInnerBand wide around its
// centre, leaving the filter all but flat.
inline void placeEdges(double centre, double width, double& lowerEdge, double& upperEdge)
{
    const double w = width * twoPi;
    lowerEdge = centre * twoPi - w * 0.5;
    upperEdge = lowerEdge + w;

    if (upperEdge > BandMapping::highestEdge)
    {
        upperEdge = BandMapping::topEdge;
        lowerEdge = BandMapping::topEdge - (w >= BandMapping::narrowestInnerBand ? w : BandMapping::narrowestInnerBand);
        if (lowerEdge < BandMapping::lowestEdge)
            lowerEdge = BandMapping::lowestEdge;
        return;
    }

    if (lowerEdge < BandMapping::lowestEdge)
        lowerEdge = BandMapping::lowestEdge;
    if (upperEdge - lowerEdge >= BandMapping::narrowestInnerBand)
        return;

    const double band = BandMapping::narrowestInnerBand;
    double lower = centre * twoPi - band * 0.5;
    if (!(lower <= BandMapping::topEdge - band))
        lower = BandMapping::topEdge - band;
    if (lower < BandMapping::lowestEdge)
        lower = BandMapping::lowestEdge;
    lowerEdge = lower;
    upperEdge = lower + band;
}

} // namespace

namespace
{
using RootPair = std::pair<std::complex<double>, std::complex<double>>;

template <class Mapping>
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline RootPair
mapOneRoot(const Mapping& m, std::complex<double> c)
{
    using Complex = std::complex<double>;
    if (c.real() == std::numeric_limits<double>::infinity() && c.imag() == 0.0)
        return {Complex(-1.0, 0.0), Complex(1.0, 0.0)};

    const Complex cp = ExactComplex::divide(1.0 + c, 1.0 - c);
    const double g = (m.aSquared - 1.0) * m.bSquared;
    const double h = 4.0 * (g + 1.0);
    const Complex d2 = (h * cp + 8.0 * (g - 1.0)) * cp + h;
    const Complex s = rootWithNonNegativeReal(d2);
    const Complex d = 2.0 * (m.b - 1.0) * cp + 2.0 * (m.b + 1.0);
    const Complex first = ExactComplex::divide((m.twoAb * cp - s) + m.twoAb, d);
    const Complex second = ExactComplex::divide((m.twoAb * cp + s) + m.twoAb, d);
    return {first, second};
}
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BAND_MAPPING_SSE2 1

// Two real analog roots mapped side by side (lane 0 the pole, lane 1 the
// zero) with exactly the operations of mapOneRoot for a root whose imaginary
// part is +0: the complex expressions written out part by part as the
// compiler evaluates them, the divisions by the real divisors that arise as
// ExactComplex::divide takes them. A stage answers false, having done
// nothing further, when a value leaves the range where those forms hold;
// mapOneRoot then maps that pair.
struct Lanes2
{
    __m128d re, im;
};

inline __m128d selectPd(__m128d mask, __m128d a, __m128d b)
{
    return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

inline bool allLanes(__m128d mask)
{
    return _mm_movemask_pd(mask) == 3;
}

// Set in the lanes that hold zero or a magnitude within 2^-300 to 2^300.
inline __m128d moderateLanes(__m128d v)
{
    const __m128d a = _mm_and_pd(v, _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL)));
    return _mm_or_pd(_mm_cmpeq_pd(v, _mm_setzero_pd()),
        _mm_and_pd(_mm_cmpge_pd(a, _mm_set1_pd(0x1p-300)), _mm_cmple_pd(a, _mm_set1_pd(0x1p300))));
}

// Set in the lanes whose divisor (c, e) quotientByReal takes: c moderate and
// not zero, e zero.
inline __m128d realDivisorLanes(Lanes2 d)
{
    return _mm_and_pd(
        _mm_and_pd(moderateLanes(d.re), _mm_cmpneq_pd(d.re, _mm_setzero_pd())), _mm_cmpeq_pd(d.im, _mm_setzero_pd()));
}

// ExactComplex::divide for moderate parts over a divisor that
// realDivisorLanes accepts. Its zero quotient parts come from a product by
// c, which for such a c is the zero the division gives.
inline Lanes2 quotientByReal(Lanes2 n, Lanes2 d)
{
    const __m128d xn = _mm_add_pd(n.re, _mm_mul_pd(d.im, _mm_mul_pd(n.im, d.re)));
    const __m128d yn = _mm_sub_pd(n.im, _mm_mul_pd(d.im, _mm_mul_pd(n.re, d.re)));
    return {_mm_div_pd(xn, d.re), _mm_div_pd(yn, d.re)};
}

// The stages of the mapping for one pair, so that a batch can run each stage
// over all its pairs before the next.
struct PairMapping
{
    // Band constants.
    double g, h, twoAb, b;
    // Stage results.
    Lanes2 cp, sq, d;
};

// cp = (1 + c) / (1 - c): (1 + c, +0) over (1 - c, -0).
inline bool mapStageOne(PairMapping& p, double pole, double zero)
{
    const __m128d c = _mm_set_pd(zero, pole);
    const __m128d one = _mm_set1_pd(1.0);
    const Lanes2 n{_mm_add_pd(c, one), _mm_setzero_pd()};
    const Lanes2 d{_mm_sub_pd(one, c), _mm_set1_pd(-0.0)};
    // An infinite c fails here too (1 - c is not moderate).
    if (!allLanes(_mm_and_pd(moderateLanes(n.re), realDivisorLanes(d))))
        return false;
    p.cp = quotientByReal(n, d);
    return true;
}

// d2 = (h cp + 8 (g - 1)) cp + h, its root s with a non-negative real part,
// and d = 2 (b - 1) cp + 2 (b + 1).
inline bool mapStageTwo(PairMapping& p)
{
    const Lanes2& cp = p.cp;
    const __m128d hv = _mm_set1_pd(p.h);
    const Lanes2 x{_mm_add_pd(_mm_mul_pd(cp.re, hv), _mm_set1_pd(8.0 * (p.g - 1.0))), _mm_mul_pd(cp.im, hv)};
    __m128d d2re = _mm_sub_pd(_mm_mul_pd(x.re, cp.re), _mm_mul_pd(x.im, cp.im));
    const __m128d d2im = _mm_add_pd(_mm_mul_pd(x.re, cp.im), _mm_mul_pd(x.im, cp.re));
    // The compiler's product leaves a NaN in both parts to its runtime routine.
    if (_mm_movemask_pd(_mm_and_pd(_mm_cmpunord_pd(d2re, d2re), _mm_cmpunord_pd(d2im, d2im))) != 0)
        return false;
    d2re = _mm_add_pd(d2re, hv);
    if (!allLanes(_mm_cmpeq_pd(d2im, _mm_setzero_pd())) || _mm_movemask_pd(_mm_cmpunord_pd(d2re, d2re)) != 0)
        return false;
    const __m128d negative = _mm_cmplt_pd(d2re, _mm_setzero_pd());
    const __m128d root = _mm_sqrt_pd(selectPd(negative, _mm_xor_pd(d2re, _mm_set1_pd(-0.0)), d2re));
    const __m128d absRoot = _mm_and_pd(root, _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL)));
    p.sq = {_mm_andnot_pd(negative, absRoot), _mm_and_pd(negative, root)};

    const __m128d k = _mm_set1_pd(2.0 * (p.b - 1.0));
    p.d = {_mm_add_pd(_mm_mul_pd(cp.re, k), _mm_set1_pd(2.0 * (p.b + 1.0))), _mm_mul_pd(cp.im, k)};
    return true;
}

// ((twoAb cp -+ s) + twoAb) / d, the pole's images into poles, the zero's
// into zeros, and the section assignFromRoots builds from them: a1 and a2
// from the poles, b1 and b2 from the zeros, through the pair's real sum and
// product where the first image is real, else through the first image and
// its conjugate. Images that make a first-order section are left to
// mapOneRoot.
inline bool mapStageThree(const PairMapping& p, SectionCoeffs& section)
{
    const __m128d t = _mm_set1_pd(p.twoAb);
    const Lanes2 tcp{_mm_mul_pd(p.cp.re, t), _mm_mul_pd(p.cp.im, t)};
    const Lanes2 firstN{_mm_add_pd(_mm_sub_pd(tcp.re, p.sq.re), t), _mm_sub_pd(tcp.im, p.sq.im)};
    const Lanes2 secondN{_mm_add_pd(_mm_add_pd(tcp.re, p.sq.re), t), _mm_add_pd(tcp.im, p.sq.im)};
    const __m128d fits = _mm_and_pd(_mm_and_pd(moderateLanes(firstN.re), moderateLanes(firstN.im)),
        _mm_and_pd(_mm_and_pd(moderateLanes(secondN.re), moderateLanes(secondN.im)), realDivisorLanes(p.d)));
    if (!allLanes(fits))
        return false;
    const Lanes2 first = quotientByReal(firstN, p.d);
    const Lanes2 second = quotientByReal(secondN, p.d);

    const __m128d zero = _mm_setzero_pd();
    if (allLanes(_mm_and_pd(_mm_cmpeq_pd(second.re, zero), _mm_cmpeq_pd(second.im, zero))))
        return false;
    const __m128d realPair = _mm_cmpeq_pd(first.im, zero);
    const __m128d c1 = selectPd(realPair, _mm_xor_pd(_mm_add_pd(second.re, first.re), _mm_set1_pd(-0.0)),
        _mm_mul_pd(first.re, _mm_set1_pd(-2.0)));
    const __m128d c2 = selectPd(realPair, _mm_mul_pd(second.re, first.re),
        _mm_add_pd(_mm_mul_pd(first.re, first.re), _mm_mul_pd(first.im, first.im)));
    section.a0 = 1.0;
    _mm_storeu_pd(&section.a1, _mm_unpacklo_pd(c1, c2));
    _mm_storeu_pd(&section.b1, _mm_unpackhi_pd(c1, c2));
    section.b0 = 1.0;
    return true;
}
#endif
} // namespace

std::pair<std::complex<double>, std::complex<double>> BandMapping::mapRoot(std::complex<double> c) const
{
    return mapOneRoot(*this, c);
}

BandMapping::BandMapping(double centre, double width, RootList& digital, const RootList& prototype)
{
    digital.rootCount = 0;

    placeEdges(centre, width, lowerEdge, upperEdge);

    a = Maths::cosine((upperEdge + lowerEdge) * 0.5) / Maths::cosine((upperEdge - lowerEdge) * 0.5);
    b = 1.0 / Maths::tangent((upperEdge - lowerEdge) * 0.5);
    aSquared = a * a;
    bSquared = b * b;
    ab = a * b;
    twoAb = ab * 2.0;

    auto append = [&digital](const RootGroup& group)
    {
        digital.groups[digital.rootCount / 2] = group;
        digital.rootCount += 2;
    };

    const int pairs = prototype.rootCount / 2;
    for (int i = 0; i < pairs; ++i)
    {
        const RootGroup& analog = prototype.groups[i];
        const auto poles = mapRoot(analog.poleA);
        const auto zeros = mapRoot(analog.zeroA);
        append({poles.first, std::conj(poles.first), zeros.first, std::conj(zeros.first)});
        append({poles.second, std::conj(poles.second), zeros.second, std::conj(zeros.second)});
    }

    if (prototype.rootCount % 2 != 0)
    {
        const RootGroup& analog = prototype.groups[prototype.rootCount / 2];
        const auto poles = mapOneRoot(*this, analog.poleA);
        const auto zeros = mapOneRoot(*this, analog.zeroA);
        append({poles.first, poles.second, zeros.first, zeros.second});
    }
}

// The band constants of one design, as the BandMapping constructor works them out.
struct BandConstants
{
    double b, aSquared, bSquared, twoAb;
};

void designOrderOneSections(int count, const double (*values)[5], SectionCoeffs* sections)
{
    constexpr int most = orderOneBatch;
    double gains[most], lower[most], upper[most], ca[most], cb[most], tb[most];

    // Prototype: the 2N-th root of the linear gain, N = 1.
    for (int k = 0; k < count; ++k)
        gains[k] = Maths::powerOfTen(values[k][4] / 20.0);
    for (int k = 0; k < count; ++k)
        gains[k] = Maths::powerOneHalf(gains[k]);

    // Band edges and their trigonometry.
    double centres[most];
    for (int k = 0; k < count; ++k)
    {
        centres[k] = values[k][2] / values[k][0];
        placeEdges(centres[k], values[k][3] / values[k][0], lower[k], upper[k]);
    }
    for (int k = 0; k < count; ++k)
    {
        ca[k] = Maths::cosine((upper[k] + lower[k]) * 0.5);
        cb[k] = Maths::cosine((upper[k] - lower[k]) * 0.5);
        tb[k] = Maths::tangent((upper[k] - lower[k]) * 0.5);
    }

    BandConstants constants[most];
    for (int k = 0; k < count; ++k)
    {
        const double a = ca[k] / cb[k];
        const double b = 1.0 / tb[k];
        const double ab = a * b;
        constants[k] = {b, a * a, b * b, ab * 2.0};
    }

    bool mapped[most];
#if BAND_MAPPING_SSE2
    // The pole and the zero side by side, each stage over the whole batch.
    PairMapping pairs[most];
    for (int k = 0; k < count; ++k)
    {
        const BandConstants& m = constants[k];
        PairMapping& p = pairs[k];
        p.g = (m.aSquared - 1.0) * m.bSquared;
        p.h = 4.0 * (p.g + 1.0);
        p.twoAb = m.twoAb;
        p.b = m.b;
        mapped[k] = mapStageOne(p, -1.0 / gains[k], -gains[k]);
    }
    for (int k = 0; k < count; ++k)
        mapped[k] = mapped[k] && mapStageTwo(pairs[k]);
    for (int k = 0; k < count; ++k)
        mapped[k] = mapped[k] && mapStageThree(pairs[k], sections[k]);
#else
    for (int k = 0; k < count; ++k)
        mapped[k] = false;
#endif
    for (int k = 0; k < count; ++k)
        if (!mapped[k])
        {
            const double g = gains[k];
            const RootPair poles = mapOneRoot(constants[k], std::complex<double>(-1.0 / g, 0.0));
            const RootPair zeros = mapOneRoot(constants[k], std::complex<double>(-g, 0.0));
            sections[k].assignFromRoots({poles.first, poles.second, zeros.first, zeros.second});
        }

    // Sections, normalised at the Nyquist frequency for bands centred below a
    // quarter of the sample rate, else at DC.
    const SectionChain::UnitPowers& nyquist = SectionChain::powersAtNyquist();
    const SectionChain::UnitPowers& dc = SectionChain::powersAtDc();
    double responseRe[most], responseIm[most];
    for (int k = 0; k < count; ++k)
    {
        // referenceOmega / 2 pi is exactly 0.5 or 0.
        const SectionChain::UnitPowers& z = centres[k] < 0.25 ? nyquist : dc;
        const std::complex<double> response = SectionChain::sectionResponseAt(sections[k], z.z1, z.z2);
        responseRe[k] = response.real();
        responseIm[k] = response.imag();
    }
    double scales[most];
    for (int k = 0; k < count; ++k)
        scales[k] = 1.0 / magnitude(std::complex<double>(responseRe[k], responseIm[k]));
    for (int k = 0; k < count; ++k)
    {
        sections[k].b1 *= scales[k];
        sections[k].b2 *= scales[k];
        sections[k].b0 *= scales[k];
    }
}

} // namespace Dsp
