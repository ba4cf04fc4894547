#pragma once

#include <cfloat>
#include <cmath>
#include <complex>

// The maths functions of the audio path, with the same bits on every platform
// and processor: the bits glibc on x86-64 gives without fused multiply-add.
// The real functions are musl's (expf, logf, powf, pow: the same code as
// glibc's) and glibc's own (sin, cos, tan), their sources taken from Debian's
// source packages when the build is configured and compiled with this
// project's floating-point flags; the complex ones are written out step by
// step in Maths.cpp. None of them calls the platform's C library, so neither
// the code it picks for a processor nor an inline function or macro of its
// headers can change a result. The names are the layer's own for the same
// reason.
//
// musl is Copyright (c) 2005-2020 Rich Felker, et al., under the MIT licence;
// the files used here are also Copyright (c) 2017-2018 Arm Limited (MIT).
// glibc's sin, cos and tan are the IBM Accurate Mathematical Library,
// Copyright (C) 2001-2022 Free Software Foundation, Inc., under the GNU
// Lesser General Public License 2.1 or later. Both notices (musl's COPYRIGHT,
// glibc's COPYING.LIB) are installed beside the plug-in.

extern "C"
{
    float velmo_musl_expf(float);
    float velmo_musl_logf(float);
    float velmo_musl_powf(float, float);
    double velmo_musl_pow(double, double);
    void velmo_musl_pow_split_log(double x, double* lhi, double* llo);
    double velmo_musl_pow_split(double x, double y, double lhi, double llo);
    double velmo_glibc_sin(double);
    double velmo_glibc_cos(double);
    double velmo_glibc_tan(double);
}

namespace Maths
{
// pi and 2 pi, the doubles nearest to them.
constexpr double pi = 3.141592653589793;
constexpr double twoPi = 2.0 * pi;

// Single precision: e^x, ln x and x^y.
inline float exponential(float x)
{
    return velmo_musl_expf(x);
}
inline float logarithm(float x)
{
    return velmo_musl_logf(x);
}
inline float power(float x, float y)
{
    return velmo_musl_powf(x, y);
}

// Double precision: x^y, 10^y, sine, cosine, both at once, tangent.
inline double power(double x, double y)
{
    return velmo_musl_pow(x, y);
}
// log 10 as power splits it to multiply it by the exponent (what
// velmo_musl_pow_split_log(10.0) gives; the maths tests check it), and 10^y
// through it: power(10.0, y) without taking the logarithm again.
constexpr double logOfTenHigh = 0x1.26bb1b8p+1;
constexpr double logOfTenLow = 0x1.daaa8ac16ea57p-26;
inline double powerOfTen(double y)
{
    return velmo_musl_pow_split(10.0, y, logOfTenHigh, logOfTenLow);
}
inline double sine(double x)
{
    return velmo_glibc_sin(x);
}
inline double cosine(double x)
{
    return velmo_glibc_cos(x);
}
inline void sineCosine(double x, double& s, double& c)
{
    s = sine(x);
    c = cosine(x);
}
inline double tangent(double x)
{
    return velmo_glibc_tan(x);
}

// power(x, 0.5), by the square root wherever that gives the same bits (most
// positive values), else by power itself.
double powerOneHalf(double x);

// No silent change of precision: each function takes the type it is named for.
double exponential(double) = delete;
double logarithm(double) = delete;
float sine(float) = delete;
float cosine(float) = delete;
float tangent(float) = delete;

// n / d, the steps of GCC's runtime routine for complex division (as the
// x86-64 builds run it), with its scaling against overflow and underflow and
// its recovery of infinities and zeros.
std::complex<double> divide(std::complex<double> n, std::complex<double> d);

// (a + bi) / (c + ei) by the steps divide() takes once it has scaled the
// parts: Smith's method, through the divisor's larger part. Alone it is
// divide() wherever the scaling cannot change a result and no infinity or
// zero needs recovering (see ExactComplex).
inline std::complex<double> scaledQuotient(double a, double b, double c, double e)
{
    if (std::fabs(c) < std::fabs(e))
    {
        const double ratio = c / e;
        const double denom = (c * ratio) + e;
        if (std::fabs(ratio) > DBL_MIN)
            return {((a * ratio) + b) / denom, ((b * ratio) - a) / denom};
        return {((c * (a / e)) + b) / denom, ((c * (b / e)) - a) / denom};
    }
    const double ratio = e / c;
    const double denom = (e * ratio) + c;
    if (std::fabs(ratio) > DBL_MIN)
        return {((b * ratio) + a) / denom, (b - (a * ratio)) / denom};
    return {(a + (e * (b / c))) / denom, (b - (e * (a / c))) / denom};
}

// |z| = sqrt(re^2 + im^2) without undue overflow or underflow, the steps of
// glibc's hypot (its code for processors without fused multiply-add).
double magnitude(std::complex<double> z);

// The principal square root (non-negative real part, the imaginary part with
// the sign of z's), the steps of glibc's csqrt.
std::complex<double> squareRoot(std::complex<double> z);
} // namespace Maths
