#include "dsp/BandMapping.h"

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
    return std::sqrt(d);
}

// Bands that are not a proper band inside (0, pi) after the edge clamps give
// unstable or non-finite sections: a band past the Nyquist frequency ends up
// with its lower edge above the clamped upper one, and an empty or reversed
// band has no width at all. Such bands are pulled back inside, narrowestBand
// wide: against pi when the band reached past the Nyquist frequency, against
// 0 when it reached below DC, around its centre otherwise (a band that is not
// a number goes to the top). Every band the clamps leave at least
// narrowestBand wide, and every band that needed no clamp, is left exactly
// as computed.
void keepBandInside(double centre, bool lowClamped, bool highClamped, double& lowerEdge, double& upperEdge)
{
    const double span = upperEdge - lowerEdge;
    if (span >= BandMapping::narrowestBand)
        return;
    if (!lowClamped && !highClamped && span > 0.0)
        return;

    const double band = BandMapping::narrowestBand;
    if (highClamped && !lowClamped)
    {
        lowerEdge = upperEdge - band;
        return;
    }
    if (lowClamped && !highClamped)
    {
        upperEdge = lowerEdge + band;
        return;
    }

    double lower = centre * twoPi - band * 0.5;
    if (!(lower <= BandMapping::highestEdge - band))
        lower = BandMapping::highestEdge - band;
    if (lower < BandMapping::lowestEdge)
        lower = BandMapping::lowestEdge;
    lowerEdge = lower;
    upperEdge = lower + band;
}

} // namespace

BandMapping::BandMapping(double centre, double width, RootList& digital, const RootList& prototype)
{
    digital.rootCount = 0;

    const double w = width * twoPi;
    lowerEdge = centre * twoPi - w * 0.5;
    upperEdge = lowerEdge + w;

    const bool lowClamped = lowerEdge < lowestEdge;
    if (lowClamped)
        lowerEdge = lowestEdge;
    const bool highClamped = upperEdge > highestEdge;
    if (highClamped)
        upperEdge = highestEdge;
    keepBandInside(centre, lowClamped, highClamped, lowerEdge, upperEdge);

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

    const Complex cp = (1.0 + c) / (1.0 - c);
    const double g = (aSquared - 1.0) * bSquared;
    const double h = 4.0 * (g + 1.0);
    const Complex d2 = (h * cp + 8.0 * (g - 1.0)) * cp + h;
    const Complex s = rootWithNonNegativeReal(d2);
    const Complex d = 2.0 * (b - 1.0) * cp + 2.0 * (b + 1.0);
    const Complex first = ((twoAb * cp - s) + twoAb) / d;
    const Complex second = ((twoAb * cp + s) + twoAb) / d;
    return { first, second };
}

} // namespace Dsp
