#pragma once

#include "dsp/maths/Maths.h"

#include <cfloat>
#include <cmath>
#include <complex>

namespace Dsp
{
// Complex division and square root that give the bits of the maths layer's
// (Maths::divide, the steps of the compiler's runtime routine, and
// Maths::squareRoot, those of glibc's csqrt), only faster where their scaling
// and special-value paths cannot change a result. Anything else goes to the
// layer.
namespace ExactComplex
{
#if defined(__GNUC__)
#define EXACT_COMPLEX_INLINE inline __attribute__((always_inline))
#else
#define EXACT_COMPLEX_INLINE inline
#endif

// Zero, or finite within 2^-300 to 2^300: no product or quotient of two such
// values leaves the normal range, so scaling all four parts of a division by
// a power of two (the routine's guard against overflow and underflow) leaves
// every rounding where it was.
EXACT_COMPLEX_INLINE bool moderate(double v)
{
    const double a = std::fabs(v);
    return v == 0.0 || (a >= 0x1p-300 && a <= 0x1p300);
}

EXACT_COMPLEX_INLINE std::complex<double> divide(std::complex<double> n, std::complex<double> d)
{
    const double a = n.real(), b = n.imag(), c = d.real(), e = d.imag();
    if (!(moderate(a) && moderate(b) && moderate(c) && moderate(e)) || (c == 0.0 && e == 0.0))
        return Maths::divide(n, d);

    if (e == 0.0)
    {
        // Real divisor: the routine's ratio e / c and the quotients b / c and
        // a / c only meet the zero e, which turns each into a zero whose sign
        // the products give as well. A zero over c is a zero with the sign of
        // the product too.
        const double xn = a + e * (b * c);
        const double yn = b - e * (a * c);
        return {xn == 0.0 ? xn * c : xn / c, yn == 0.0 ? yn * c : yn / c};
    }

    return Maths::scaledQuotient(a, b, c, e);
}

// Square root of a complex value whose imaginary part is zero (of either
// sign), as Maths::squareRoot gives it.
EXACT_COMPLEX_INLINE std::complex<double> sqrtOfReal(double re, double im)
{
    if (std::isnan(re))
        return Maths::squareRoot(std::complex<double>(re, im));
    if (re < 0.0)
        return {0.0, std::copysign(std::sqrt(-re), im)};
    return {std::fabs(std::sqrt(re)), std::copysign(0.0, im)};
}
} // namespace ExactComplex
} // namespace Dsp
