#include "dsp/BandMapping.h"

#include "dsp/maths/Maths.h"

#include <cmath>
#include <limits>

namespace Dsp
{
namespace
{

constexpr double twoPi = 6.283185307179586;

// Square root with a non-negative real part; a D on the negative real axis
// gives +j sqrt(-D) whatever the sign of its zero imaginary part.
std::complex<double> rootWithNonNegativeReal(std::complex<double> d)
{
    if (d.imag() == 0.0)
        d = std::complex<double>(d.real(), 0.0);
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
        const auto poles = mapRoot(analog.poleA);
        const auto zeros = mapRoot(analog.zeroA);
        append({ poles.first, poles.second, zeros.first, zeros.second });
    }
}

std::pair<std::complex<double>, std::complex<double>> BandMapping::mapRoot(std::complex<double> c) const
{
    using Complex = std::complex<double>;
    if (c.real() == std::numeric_limits<double>::infinity() && c.imag() == 0.0)
        return { Complex(-1.0, 0.0), Complex(1.0, 0.0) };

    const Complex cp = Maths::divide(1.0 + c, 1.0 - c);
    const double g = (aSquared - 1.0) * bSquared;
    const double h = 4.0 * (g + 1.0);
    const Complex d2 = (h * cp + 8.0 * (g - 1.0)) * cp + h;
    const Complex s = rootWithNonNegativeReal(d2);
    const Complex d = 2.0 * (b - 1.0) * cp + 2.0 * (b + 1.0);
    const Complex first = Maths::divide((twoAb * cp - s) + twoAb, d);
    const Complex second = Maths::divide((twoAb * cp + s) + twoAb, d);
    return { first, second };
}

} // namespace Dsp
