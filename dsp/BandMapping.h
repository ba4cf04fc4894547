#pragma once

#include <complex>
#include <utility>

#include "dsp/RootList.h"

namespace Dsp
{

// Maps an analog low-shelf prototype onto a digital band: every analog root
// gives two z-plane roots, the prototype's full gain lands inside the band
// and its flat part on DC and the Nyquist frequency. The constructor does the
// whole mapping; the object is a temporary.
struct BandMapping
{
    // Edges never come closer to 0 or pi than this (radians per sample).
    static constexpr double lowestEdge = 1e-8;
    static constexpr double highestEdge = 3.141592643589793;
    // Narrowest band kept at 0 or pi when a band has to be pulled back inside.
    static constexpr double narrowestBand = 1e-3;

    // centre and width in cycles per sample; fills digital from prototype.
    BandMapping(double centre, double width, RootList& digital, const RootList& prototype);

    BandMapping(const BandMapping&) = delete;
    BandMapping& operator=(const BandMapping&) = delete;

    std::pair<std::complex<double>, std::complex<double>> mapRoot(std::complex<double> c) const;

    double upperEdge;
    double lowerEdge;
    double a;
    double b;
    double aSquared;
    double bSquared;
    double ab;
    double twoAb;
};

} // namespace Dsp
