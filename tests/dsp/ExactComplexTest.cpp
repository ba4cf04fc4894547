// The fast complex division and square root give the maths layer's bits, and
// a one-section response the loop's, for every input tried: millions of
// random ones over the whole range of magnitudes, signed zeros, subnormals,
// infinities and NaN.
#include "dsp/ExactComplex.h"
#include "dsp/SectionChain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace
{
using Complex = std::complex<double>;

bool sameBits(Complex x, Complex y)
{
    return std::memcmp(&x, &y, sizeof x) == 0;
}

// Random doubles: mostly moderate magnitudes, also the edges of the fast
// path's range, extremes, zeros of both signs, subnormals, infinities, NaN.
struct Values
{
    std::mt19937_64 rng{20240611};

    double next()
    {
        static const double specials[] = {0.0, -0.0, 1.0, -1.0, 0x1p-300, -0x1p-300, 0x1p300, 0x1.0000000000001p300,
            0x1.fffffffffffffp-301, DBL_MIN, -DBL_MIN, 4.9e-324, DBL_MAX, -DBL_MAX,
            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::quiet_NaN()};
        const std::uint64_t r = rng();
        switch (r % 8)
        {
            case 0:
                return specials[(r >> 8) % (sizeof specials / sizeof specials[0])];
            case 1:
            {
                std::uint64_t bits = rng();
                double d;
                std::memcpy(&d, &bits, sizeof d);
                return d; // any bit pattern
            }
            default:
            {
                const int exponent = static_cast<int>((r >> 8) % 700) - 350;
                const double mantissa = static_cast<double>(rng() >> 11) * 0x1p-53 + 0.5;
                return std::ldexp((r >> 40) & 1 ? -mantissa : mantissa, exponent);
            }
        }
    }
};
} // namespace

TEST(ExactComplex, DivisionGivesTheMathsLayersBits)
{
    Values v;
    long differing = 0;
    for (long i = 0; i < 4000000; ++i)
    {
        Complex n(v.next(), v.next()), d(v.next(), v.next());
        switch (i % 4)
        {
            case 1:
                d = Complex(d.real(), (i & 4) ? 0.0 : -0.0);
                break; // real divisor
            case 2:
                n = Complex(n.real(), 0.0);
                d = Complex(d.real(), -0.0);
                break; // real over real
            default:
                break;
        }
        const Complex fast = Dsp::ExactComplex::divide(n, d), library = Maths::divide(n, d);
        if (!sameBits(fast, library) && !(std::isnan(fast.real()) && std::isnan(library.real()) &&
                                            std::isnan(fast.imag()) && std::isnan(library.imag())))
        {
            if (++differing <= 5)
                ADD_FAILURE() << std::hexfloat << "(" << n << ") / (" << d << "): " << fast << " against " << library;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(ExactComplex, SquareRootOfARealGivesTheMathsLayersBits)
{
    Values v;
    long differing = 0;
    for (long i = 0; i < 4000000; ++i)
    {
        const double re = v.next();
        const double im = (i & 1) ? 0.0 : -0.0;
        const Complex fast = Dsp::ExactComplex::sqrtOfReal(re, im), library = Maths::squareRoot(Complex(re, im));
        if (!sameBits(fast, library))
        {
            if (++differing <= 5)
                ADD_FAILURE() << std::hexfloat << re << " " << im << ": " << fast << " against " << library;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(ExactComplex, MagnitudeOfARealIsTheMathsLayersHypot)
{
    Values v;
    long differing = 0;
    for (long i = 0; i < 2000000; ++i)
    {
        const Complex z(v.next(), (i & 1) ? 0.0 : -0.0);
        const double fast = Dsp::magnitude(z), library = Maths::magnitude(z);
        if (std::memcmp(&fast, &library, sizeof fast) != 0 && !(std::isnan(fast) && std::isnan(library)))
            ++differing;
    }
    EXPECT_EQ(differing, 0);
}

// A one-section cascade's response without the loop is the loop's, bit for
// bit: random sections, infinities and NaN among their coefficients, at DC,
// at the Nyquist frequency and at random frequencies.
TEST(ExactComplex, OneSectionResponseIsTheCascadesBits)
{
    auto samePart = [](double x, double y)
    { return std::memcmp(&x, &y, sizeof x) == 0 || (std::isnan(x) && std::isnan(y)); };
    Values v;
    std::uniform_real_distribution<double> frequency(0.0, 0.5);
    long differing = 0;
    for (long i = 0; i < 2000000; ++i)
    {
        Dsp::SectionCoeffs s{1.0, v.next(), v.next(), v.next(), v.next(), v.next()};
        Dsp::SectionChain::UnitPowers z = i % 3 == 0   ? Dsp::SectionChain::powersAtDc()
                                          : i % 3 == 1 ? Dsp::SectionChain::powersAtNyquist()
                                                       : Dsp::SectionChain::UnitPowers{};
        if (i % 3 == 2)
        {
            const double w = frequency(v.rng) * Maths::twoPi;
            z = {{Maths::cosine(-w), Maths::sine(-w)}, {Maths::cosine(w * -2.0), Maths::sine(w * -2.0)}};
        }
        Dsp::SectionChain chain(&s, 1);
        chain.sectionCount = 1;
        const Complex fast = Dsp::SectionChain::sectionResponseAt(s, z.z1, z.z2), loop = chain.responseAt(z.z1, z.z2);
        if (!samePart(fast.real(), loop.real()) || !samePart(fast.imag(), loop.imag()))
        {
            if (++differing <= 5)
                ADD_FAILURE() << std::hexfloat << s.a1 << " " << s.a2 << " " << s.b1 << " " << s.b2 << " " << s.b0
                              << " at " << z.z1 << ": " << fast << " against " << loop;
        }
    }
    EXPECT_EQ(differing, 0);
}
