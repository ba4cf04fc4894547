#pragma once

#include <complex>

namespace Dsp
{

// Two poles and their two zeros: a conjugate pair, the two digital images of
// one real analog root, or one real root (poleB and zeroB exactly 0).
struct RootGroup
{
    std::complex<double> poleA;
    std::complex<double> poleB;
    std::complex<double> zeroA;
    std::complex<double> zeroB;
};

// Poles, each with its zero, in storage the list does not own. Root k lies in
// group k / 2. The cascade is normalised to referenceGain at referenceOmega
// (radians per sample).
struct RootList
{
    RootList(RootGroup* storage, int rootCapacity)
        : rootCount(0), capacity(rootCapacity), groups(storage), referenceOmega(0.0), referenceGain(1.0)
    {
    }

    RootList(const RootList&) = delete;
    RootList& operator=(const RootList&) = delete;

    int groupCount() const { return (rootCount + 1) / 2; }

    int rootCount;
    int capacity;
    RootGroup* groups;
    double referenceOmega;
    double referenceGain;
};

} // namespace Dsp
