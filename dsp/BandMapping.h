#pragma once

#include <complex>
#include <utility>

#include "dsp/RootList.h"
#include "dsp/maths/Maths.h"

namespace Dsp
{

// Maps an analog low-shelf prototype onto a digital band: every analog root
// gives two z-plane roots, the prototype's full gain lands inside the band
// and its flat part on DC and the Nyquist frequency. The constructor does the
// whole mapping; the object is a temporary.
struct BandMapping
{
    // Radians per sample. No lower edge lies below lowestEdge. A band whose
    // upper edge would lie above highestEdge, 1e-8 short of pi, reaches past
    // the Nyquist frequency and is slid down to end at topEdge, 0.95 of it.
    static constexpr double lowestEdge = 1e-8;
    static constexpr double highestEdge = Maths::pi - 1e-8;
    static constexpr double topEdge = 0.95 * Maths::pi;
    // Narrowest band mapped as it is. Narrower bands next to an edge clamp
    // (and any band under about 1e-14) get poles on or outside the unit
    // circle by rounding alone; empty, reversed and NaN bands have no width.
    static constexpr double narrowestInnerBand = 1e-8;

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

struct SectionCoeffs;

// Designs of the band shelf of order 1 for up to orderOneBatch parameter
// sets at once ({sample rate, order, centre Hz, bandwidth Hz, gain dB} each):
// the section configure would build for each, worked out stage by stage
// over the whole set, so that the sets' calculations overlap in time.
constexpr int orderOneBatch = 16;
void designOrderOneSections(int count, const double (*values)[5], SectionCoeffs* sections);

} // namespace Dsp
