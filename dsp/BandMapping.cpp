#include "dsp/BandMapping.h"

#include "dsp/ExactComplex.h"

#include "dsp/SectionChain.h"

#include <cmath>
#include <limits>

namespace Dsp
{
namespace
{

constexpr double twoPi = 6.283185307179586;

// Square root with a non-negative real part; a D on the negative real axis
// gives +j sqrt(-D) whatever the sign of its zero imaginary part.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline std::complex<double> rootWithNonNegativeReal(std::complex<double> d)
{
    if (d.imag() == 0.0)
        return ExactComplex::sqrtOfReal(d.real(), 0.0);
    return std::sqrt(d);
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
void placeEdges(double centre, double width, double& lowerEdge, double& upperEdge)
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
inline RootPair mapOneRoot(const Mapping& m, std::complex<double> c)
{
    using Complex = std::complex<double>;
    if (c.real() == std::numeric_limits<double>::infinity() && c.imag() == 0.0)
        return { Complex(-1.0, 0.0), Complex(1.0, 0.0) };

    const Complex cp = ExactComplex::divide(1.0 + c, 1.0 - c);
    const double g = (m.aSquared - 1.0) * m.bSquared;
    const double h = 4.0 * (g + 1.0);
    const Complex d2 = (h * cp + 8.0 * (g - 1.0)) * cp + h;
    const Complex s = rootWithNonNegativeReal(d2);
    const Complex d = 2.0 * (m.b - 1.0) * cp + 2.0 * (m.b + 1.0);
    const Complex first = ExactComplex::divide((m.twoAb * cp - s) + m.twoAb, d);
    const Complex second = ExactComplex::divide((m.twoAb * cp + s) + m.twoAb, d);
    return { first, second };
}
} // namespace

std::pair<std::complex<double>, std::complex<double>> BandMapping::mapRoot(std::complex<double> c) const
{
    return mapOneRoot(*this, c);
}

BandMapping::BandMapping(double centre, double width, RootList& digital, const RootList& prototype)
{
    digital.rootCount = 0;

    placeEdges(centre, width, lowerEdge, upperEdge);

    a = std::cos((upperEdge + lowerEdge) * 0.5) / std::cos((upperEdge - lowerEdge) * 0.5);
    b = 1.0 / std::tan((upperEdge - lowerEdge) * 0.5);
    aSquared = a * a;
    bSquared = b * b;
    ab = a * b;
    twoAb = ab * 2.0;

    auto append = [&digital](const RootGroup& group) {
        digital.groups[digital.rootCount / 2] = group;
        digital.rootCount += 2;
    };

    const int pairs = prototype.rootCount / 2;
    for (int i = 0; i < pairs; ++i)
    {
        const RootGroup& analog = prototype.groups[i];
        const auto poles = mapRoot(analog.poleA);
        const auto zeros = mapRoot(analog.zeroA);
        append({ poles.first, std::conj(poles.first), zeros.first, std::conj(zeros.first) });
        append({ poles.second, std::conj(poles.second), zeros.second, std::conj(zeros.second) });
    }

    if (prototype.rootCount % 2 != 0)
    {
        const RootGroup& analog = prototype.groups[prototype.rootCount / 2];
        const auto poles = mapOneRoot(*this, analog.poleA);
        const auto zeros = mapOneRoot(*this, analog.zeroA);
        append({ poles.first, poles.second, zeros.first, zeros.second });
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
        gains[k] = std::pow(10.0, values[k][4] / 20.0);
    for (int k = 0; k < count; ++k)
        gains[k] = std::pow(gains[k], 1.0 / 2.0);

    // Band edges and their trigonometry.
    for (int k = 0; k < count; ++k)
        placeEdges(values[k][2] / values[k][0], values[k][3] / values[k][0], lower[k], upper[k]);
    for (int k = 0; k < count; ++k)
    {
        ca[k] = std::cos((upper[k] + lower[k]) * 0.5);
        cb[k] = std::cos((upper[k] - lower[k]) * 0.5);
        tb[k] = std::tan((upper[k] - lower[k]) * 0.5);
    }

    RootGroup groups[most];
    for (int k = 0; k < count; ++k)
    {
        const double a = ca[k] / cb[k];
        const double b = 1.0 / tb[k];
        const double ab = a * b;
        const BandConstants m{b, a * a, b * b, ab * 2.0};
        const double g = gains[k];
        const auto poles = mapOneRoot(m, std::complex<double>(-1.0 / g, 0.0));
        const auto zeros = mapOneRoot(m, std::complex<double>(-g, 0.0));
        groups[k] = {poles.first, poles.second, zeros.first, zeros.second};
    }

    // Sections, normalised at the Nyquist frequency for bands centred below a
    // quarter of the sample rate, else at DC.
    for (int k = 0; k < count; ++k)
    {
        SectionChain chain(&sections[k], 1);
        chain.sectionCount = 1;
        sections[k].assignFromRoots(groups[k]);
        const double centre = values[k][2] / values[k][0];
        const double referenceOmega = centre < 0.25 ? 3.141592653589793 : 0.0;
        const double scale = 1.0 / magnitude(chain.evaluateResponse(referenceOmega / 6.283185307179586));
        sections[k].b1 *= scale;
        sections[k].b2 *= scale;
        sections[k].b0 *= scale;
    }
}

} // namespace Dsp
