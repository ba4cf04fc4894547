#include "dsp/maths/Maths.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Square roots here are the IEEE operation (correctly rounded, so the same on
// every platform); scaling by a power of two is a multiplication, which
// rounds once just as scalbn does.

namespace Maths
{
namespace
{
constexpr double infinity = std::numeric_limits<double>::infinity();

bool isSignalingNaN(double x)
{
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return std::isnan(x) && (bits & (std::uint64_t{1} << 51)) == 0;
}

// sqrt(ax^2 + ay^2) for ax >= ay >= 0 whose squares neither overflow nor
// underflow: the rounded root, then one correction step from the exact
// residual of its square.
double hypotKernel(double ax, double ay)
{
    double h = std::sqrt(ax * ax + ay * ay);
    double t1, t2;
    if (h <= 2.0 * ay)
    {
        const double delta = h - ay;
        t1 = ax * (2.0 * delta - ax);
        t2 = (delta - 2.0 * (ax - ay)) * delta;
    }
    else
    {
        const double delta = h - ax;
        t1 = 2.0 * delta * (ax - 2.0 * ay);
        t2 = (4.0 * delta - ay) * ay + delta * delta;
    }
    h -= (t1 + t2) / (2.0 * h);
    return h;
}

double hypot(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
    {
        if ((std::isinf(x) || std::isinf(y)) && !isSignalingNaN(x) && !isSignalingNaN(y))
            return infinity;
        return x + y;
    }

    constexpr double scale = 0x1p-600;
    constexpr double large = 0x1p+511;
    constexpr double tiny = 0x1p-511;
    constexpr double eps = 0x1p-54;

    x = std::fabs(x);
    y = std::fabs(y);
    const double ax = x < y ? y : x;
    const double ay = x < y ? x : y;

    if (ax > large)
    {
        if (ay <= ax * eps)
            return ax + ay;
        return hypotKernel(ax * scale, ay * scale) / scale;
    }
    if (ay < tiny)
    {
        if (ax >= ay / eps)
            return ax + ay;
        return hypotKernel(ax / scale, ay / scale) * scale;
    }
    if (ay <= ax * eps)
        return ax + ay;
    return hypotKernel(ax, ay);
}
} // namespace

std::complex<double> divide(std::complex<double> n, std::complex<double> d)
{
    constexpr double big = DBL_MAX / 2.0;
    constexpr double smallest = DBL_MIN;
    constexpr double small = DBL_EPSILON;
    constexpr double upScale = 1.0 / DBL_EPSILON;
    constexpr double limit = big * small;

    double a = n.real(), b = n.imag(), c = d.real(), e = d.imag();
    // Halving multiplies by 0.5, which rounds exactly as dividing by 2 does.
    auto scaleAll = [&](double f)
    {
        a = a * f;
        b = b * f;
        c = c * f;
        e = e * f;
    };

    // Scaled by the larger part of the divisor (scaling by a power of two
    // keeps which part is larger).
    const double larger = std::fabs(c) < std::fabs(e) ? e : c;
    if (std::fabs(larger) >= big)
        scaleAll(0.5);
    if (std::fabs(larger) < small)
        scaleAll(upScale);
    else if ((std::fabs(a) < smallest && std::fabs(b) < limit && std::fabs(larger) < limit) ||
             (std::fabs(b) < smallest && std::fabs(a) < limit && std::fabs(larger) < limit))
        scaleAll(upScale);

    const std::complex<double> q = scaledQuotient(a, b, c, e);
    double x = q.real(), y = q.imag();

    // Infinities and zeros that came out as NaN + i NaN: nonzero over zero,
    // infinite over finite, finite over infinite.
    if (std::isnan(x) && std::isnan(y))
    {
        if (c == 0.0 && e == 0.0 && (!std::isnan(a) || !std::isnan(b)))
        {
            x = std::copysign(infinity, c) * a;
            y = std::copysign(infinity, c) * b;
        }
        else if ((std::isinf(a) || std::isinf(b)) && std::isfinite(c) && std::isfinite(e))
        {
            a = std::copysign(std::isinf(a) ? 1.0 : 0.0, a);
            b = std::copysign(std::isinf(b) ? 1.0 : 0.0, b);
            x = infinity * (a * c + b * e);
            y = infinity * (b * c - a * e);
        }
        else if ((std::isinf(c) || std::isinf(e)) && std::isfinite(a) && std::isfinite(b))
        {
            c = std::copysign(std::isinf(c) ? 1.0 : 0.0, c);
            e = std::copysign(std::isinf(e) ? 1.0 : 0.0, e);
            x = 0.0 * (a * c + b * e);
            y = 0.0 * (b * c - a * e);
        }
    }
    return {x, y};
}

// musl's pow lies within 0.54 ULP of the exact x^y for every input (its own
// worst-case bound; for y = 0.5 and the magnitudes allowed here its error
// before the last rounding is near 0.011 ULP). Where the exact root lies
// more than 1/16 ULP away from every midpoint between two doubles, pow can
// only round it to the nearest double, which is what the square root gives.
// The root's distance from the rounded one comes from the exact residual
// x - s^2 (Dekker's product, no fused multiply-add); powers of two, where the
// ULP changes, and magnitudes outside 2^-900 to 2^900 go to power.
double powerOneHalf(double x)
{
    if (!(x >= 0x1p-900 && x <= 0x1p900))
        return power(x, 0.5);
    const double s = std::sqrt(x);
    std::uint64_t bits;
    std::memcpy(&bits, &s, sizeof bits);
    if ((bits & 0x000fffffffffffffULL) == 0)
        return power(x, 0.5);

    // s * s = p + e exactly.
    const double t = s * 134217729.0; // 2^27 + 1
    const double hi = t - (t - s);
    const double lo = s - hi;
    const double p = s * s;
    const double e = ((hi * hi - p) + hi * lo + lo * hi) + lo * lo;
    // x - p is exact (the two lie within a factor of two); r - s = (x - s^2) / (r + s).
    const double offset = ((x - p) - e) / (2.0 * s);

    const std::uint64_t ulpBits = (bits & 0x7ff0000000000000ULL) - (52ULL << 52);
    double ulp;
    std::memcpy(&ulp, &ulpBits, sizeof ulp);
    if (std::fabs(offset) < ulp * 0.4375) // 1/16 ULP short of the midpoints
        return s;
    return power(x, 0.5);
}

double magnitude(std::complex<double> z)
{
    return hypot(z.real(), z.imag());
}

std::complex<double> squareRoot(std::complex<double> z)
{
    double re = z.real(), im = z.imag();
    const int reClass = std::fpclassify(re);
    const int imClass = std::fpclassify(im);

    if (reClass == FP_NAN || reClass == FP_INFINITE || imClass == FP_NAN || imClass == FP_INFINITE)
    {
        if (imClass == FP_INFINITE)
            return {infinity, im};
        if (reClass == FP_INFINITE)
        {
            if (re < 0.0)
                return {imClass == FP_NAN ? std::nan("") : 0.0, std::copysign(infinity, im)};
            return {re, imClass == FP_NAN ? std::nan("") : std::copysign(0.0, im)};
        }
        return {std::nan(""), std::nan("")};
    }

    if (imClass == FP_ZERO)
    {
        if (re < 0.0)
            return {0.0, std::copysign(std::sqrt(-re), im)};
        return {std::fabs(std::sqrt(re)), std::copysign(0.0, im)};
    }

    if (reClass == FP_ZERO)
    {
        const double r =
            std::fabs(im) >= 2.0 * DBL_MIN ? std::sqrt(0.5 * std::fabs(im)) : 0.5 * std::sqrt(2.0 * std::fabs(im));
        return {r, std::copysign(r, im)};
    }

    // Scaled by 2^-2 near overflow and by 2^54 near underflow, the root
    // scaled back by half the exponent at the end.
    int scale = 0;
    if (std::fabs(re) > DBL_MAX / 4.0)
    {
        scale = 1;
        re = re * 0x1p-2;
        im = im * 0x1p-2;
    }
    if (std::fabs(im) > DBL_MAX / 4.0)
    {
        scale = 1;
        re = std::fabs(re) >= 4.0 * DBL_MIN ? re * 0x1p-2 : 0.0;
        im = im * 0x1p-2;
    }
    else if (std::fabs(re) < 2.0 * DBL_MIN && std::fabs(im) < 2.0 * DBL_MIN)
    {
        scale = -((DBL_MANT_DIG + 1) / 2);
        re = re * 0x1p54;
        im = im * 0x1p54;
    }

    // 2 Re(root) Im(root) = Im(z) gives the smaller part without the
    // cancellation in d - |Re(z)|.
    const double d = hypot(re, im);
    double r, s;
    if (re > 0.0)
    {
        r = std::sqrt(0.5 * (d + re));
        if (scale == 1 && std::fabs(im) < 1.0)
        {
            s = im / r;
            r = r * 2.0;
            scale = 0;
        }
        else
        {
            s = 0.5 * (im / r);
        }
    }
    else
    {
        s = std::sqrt(0.5 * (d - re));
        if (scale == 1 && std::fabs(im) < 1.0)
        {
            r = std::fabs(im / s);
            s = s * 2.0;
            scale = 0;
        }
        else
        {
            r = std::fabs(0.5 * (im / s));
        }
    }

    if (scale == 1)
    {
        r = r * 2.0;
        s = s * 2.0;
    }
    else if (scale != 0)
    {
        r = r * 0x1p-27;
        s = s * 0x1p-27;
    }
    return {r, std::copysign(s, im)};
}
} // namespace Maths
