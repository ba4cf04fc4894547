#include "dsp/SectionChain.h"

#include "dsp/ExactComplex.h"

#include <cmath>

namespace Dsp
{

void SectionCoeffs::assignFromRoots(const RootGroup& group)
{
    const bool firstOrder = group.poleB.real() == 0.0 && group.poleB.imag() == 0.0 && group.zeroB.real() == 0.0 &&
                            group.zeroB.imag() == 0.0;
    if (firstOrder)
    {
        // The zero's value goes to the constant term, 1 to the z^-1 term.
        a0 = 1.0;
        a1 = -group.poleA.real();
        a2 = 0.0;
        b0 = -group.zeroA.real();
        b1 = 1.0;
        b2 = 0.0;
    }
    else
    {
        assignSecondOrder(group.poleA, group.zeroA, group.poleB, group.zeroB);
    }
}

namespace
{

// Coefficients of (1 - r1 z^-1)(1 - r2 z^-1); a complex r1 stands for a
// conjugate pair and r2 is not read.
void quadraticFromRoots(std::complex<double> r1, std::complex<double> r2, double& c1, double& c2)
{
    if (r1.imag() == 0.0)
    {
        c1 = -(r2.real() + r1.real());
        c2 = r2.real() * r1.real();
    }
    else
    {
        c1 = r1.real() * -2.0;
        c2 = r1.real() * r1.real() + r1.imag() * r1.imag();
    }
}

} // namespace

void SectionCoeffs::assignSecondOrder(
    std::complex<double> pole1, std::complex<double> zero1, std::complex<double> pole2, std::complex<double> zero2)
{
    quadraticFromRoots(pole1, pole2, a1, a2);
    quadraticFromRoots(zero1, zero2, b1, b2);
    a0 = 1.0;
    b0 = 1.0;
}

void SectionChain::buildFromRoots(const RootList& list)
{
    sectionCount = (list.rootCount + 1) / 2;
    for (int i = 0; i < sectionCount; ++i)
        sections[i].assignFromRoots(list.groups[i]);

    if (sectionCount < 1)
        return;
    const std::complex<double> response = evaluateResponse(list.referenceOmega / Maths::twoPi);
    const double scale = list.referenceGain / magnitude(response);
    sections[0].b1 *= scale;
    sections[0].b2 *= scale;
    sections[0].b0 *= scale;
}

namespace
{

// e^(-jw) and e^(-2jw) for w = f 2 pi.
struct Powers
{
    explicit Powers(double f)
        : frequency(f),
          powers{{Maths::cosine(-(f * Maths::twoPi)), Maths::sine(-(f * Maths::twoPi))},
              {Maths::cosine((f * Maths::twoPi) * -2.0), Maths::sine((f * Maths::twoPi) * -2.0)}}
    {
    }

    double frequency;
    SectionChain::UnitPowers powers;
};

// The two frequencies every design is normalised at (DC and the Nyquist
// frequency), worked out once when the library loads.
const Powers atDc(0.0);
const Powers atNyquist(0.5);

} // namespace

const SectionChain::UnitPowers& SectionChain::powersAtDc()
{
    return atDc.powers;
}

const SectionChain::UnitPowers& SectionChain::powersAtNyquist()
{
    return atNyquist.powers;
}

std::complex<double> SectionChain::evaluateResponse(double f) const
{
    if (f == atNyquist.frequency)
        return responseAt(atNyquist.powers.z1, atNyquist.powers.z2);
    if (f == atDc.frequency && !std::signbit(f))
        return responseAt(atDc.powers.z1, atDc.powers.z2);
    const double w = f * Maths::twoPi;
    return responseAt(std::complex<double>(Maths::cosine(-w), Maths::sine(-w)),
        std::complex<double>(Maths::cosine(w * -2.0), Maths::sine(w * -2.0)));
}

} // namespace Dsp
