#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "dsp/Butterworth.h"
#include "dsp/DirectFormI.h"
#include "dsp/FilterDesign.h"
#include "dsp/SmoothedFilterDesign.h"

namespace FilterTest
{

using Shelf = Dsp::Butterworth::Design::BandShelf<1>;
using PlainFilter = Dsp::FilterDesign<Shelf, 2, Dsp::DirectFormI>;
using SmoothedFilter = Dsp::SmoothedFilterDesign<Shelf, 2, Dsp::DirectFormI>;

// Opens the protected members for inspection.
struct PlainProbe : PlainFilter
{
    using PlainFilter::applyParams;
    using PlainFilter::design;
    using PlainFilter::histories;
    using PlainFilter::params;
};

struct SmoothedProbe : SmoothedFilter
{
    using SmoothedFilter::applyParams;
    using SmoothedFilter::design;
    using SmoothedFilter::glideDesign;
    using SmoothedFilter::glideLength;
    using SmoothedFilter::glideRemaining;
    using SmoothedFilter::glideValues;
    using SmoothedFilter::histories;
    using SmoothedFilter::params;
};

inline Dsp::ParamValues shelfParams(double sampleRate, double centreHz, double bandwidthHz, double gainDb)
{
    return {sampleRate, 1.0, centreHz, bandwidthHz, gainDb, 0.0, 0.0, 0.0};
}

// Largest pole magnitude of 1 + a1 z^-1 + a2 z^-2 (NaN for non-finite coefficients).
inline double largestPoleRadius(const Dsp::SectionCoeffs& s)
{
    if (!std::isfinite(s.a1) || !std::isfinite(s.a2))
        return std::nan("");
    const double disc = s.a1 * s.a1 - 4.0 * s.a2;
    if (disc >= 0.0)
    {
        const double r = std::sqrt(disc);
        return std::max(std::fabs((-s.a1 + r) * 0.5), std::fabs((-s.a1 - r) * 0.5));
    }
    return std::sqrt(s.a2);
}

inline bool finiteSection(const Dsp::SectionCoeffs& s)
{
    return std::isfinite(s.a1) && std::isfinite(s.a2) && std::isfinite(s.b0) && std::isfinite(s.b1) &&
           std::isfinite(s.b2);
}

} // namespace FilterTest
