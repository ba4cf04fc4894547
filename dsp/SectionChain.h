#pragma once

#include <cmath>
#include <complex>

#include "dsp/ExactComplex.h"
#include "dsp/RootList.h"
#include "dsp/maths/Maths.h"

namespace Dsp
{

// One first- or second-order section:
// (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2), with a0 always 1.
// The field order is fixed: the numerator's constant term comes last.
struct SectionCoeffs
{
    double a0;
    double a1;
    double a2;
    double b1;
    double b2;
    double b0;

    void assignFromRoots(const RootGroup& group);
    void assignSecondOrder(
        std::complex<double> pole1, std::complex<double> zero1, std::complex<double> pole2, std::complex<double> zero2);
};

// |z| as Maths::magnitude gives it (hypot); for a zero imaginary part that
// is exactly |re|, which needs no hypot.
inline double magnitude(std::complex<double> z)
{
    return z.imag() == 0.0 ? std::fabs(z.real()) : Maths::magnitude(z);
}

// Cascade of sections in storage the chain does not own.
struct SectionChain
{
    SectionChain(SectionCoeffs* storage, int sectionCapacity)
        : sectionCount(0), capacity(sectionCapacity), sections(storage)
    {
    }

    SectionChain(const SectionChain&) = delete;
    SectionChain& operator=(const SectionChain&) = delete;

    // One section per root group, then section 0's numerator scaled so that
    // the cascade has list.referenceGain at list.referenceOmega.
    void buildFromRoots(const RootList& list);

    // Complex response at f cycles per sample (0.5 is the Nyquist frequency).
    std::complex<double> evaluateResponse(double f) const;

    // The response for z1 = e^(-jw) and z2 = e^(-2jw): what evaluateResponse
    // computes once it has them.
    std::complex<double> responseAt(std::complex<double> z1, std::complex<double> z2) const
    {
        return responseOf(sections, sectionCount, z1, z2);
    }

    // responseAt of the cascade of count sections from first.
    static std::complex<double> responseOf(
        const SectionCoeffs* first, int count, std::complex<double> z1, std::complex<double> z2)
    {
        std::complex<double> numerator(1.0, 0.0);
        std::complex<double> denominator(1.0, 0.0);
        for (int i = 0; i < count; ++i)
        {
            const SectionCoeffs& s = first[i];
            numerator *= s.b0 + s.b1 * z1 + s.b2 * z2;
            denominator *= 1.0 + s.a1 * z1 + s.a2 * z2;
        }
        return ExactComplex::divide(numerator, denominator);
    }

    // responseAt of a cascade of the one section s, without the loop: the
    // products by the starting 1 written out as the compiler's complex
    // product computes them, (1 x - 0 y) + (1 y + 0 x) i, 1 x being x. Where
    // that product would recover infinities (both parts NaN), responseAt
    // itself runs.
    static std::complex<double> sectionResponseAt(
        const SectionCoeffs& s, std::complex<double> z1, std::complex<double> z2)
    {
        const double nx = (s.b1 * z1.real() + s.b0) + s.b2 * z2.real();
        const double ny = s.b1 * z1.imag() + s.b2 * z2.imag();
        const double dx = (s.a1 * z1.real() + 1.0) + s.a2 * z2.real();
        const double dy = s.a1 * z1.imag() + s.a2 * z2.imag();
        const std::complex<double> numerator(nx - 0.0 * ny, ny + 0.0 * nx);
        const std::complex<double> denominator(dx - 0.0 * dy, dy + 0.0 * dx);
        if ((std::isnan(numerator.real()) && std::isnan(numerator.imag())) ||
            (std::isnan(denominator.real()) && std::isnan(denominator.imag())))
            return responseOf(&s, 1, z1, z2);
        return ExactComplex::divide(numerator, denominator);
    }

    // z1 and z2 at DC (f = 0) and at the Nyquist frequency (f = 0.5), as
    // evaluateResponse works them out; computed once when the library loads.
    struct UnitPowers
    {
        std::complex<double> z1, z2;
    };
    static const UnitPowers& powersAtDc();
    static const UnitPowers& powersAtNyquist();

    int sectionCount;
    int capacity;
    SectionCoeffs* sections;
};

} // namespace Dsp
