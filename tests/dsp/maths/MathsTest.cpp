// The maths layer on every build against the committed digests (digests.txt):
// the double functions' samples, and on Windows the blocks of float inputs
// that the audio path reaches (Linux's exhaustive tests check all of them).
// On Linux also against the C library itself, which CTest runs without its
// fused multiply-add code (GLIBC_TUNABLES).
#include "tests/dsp/maths/MathsDigests.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

using namespace mathsdigests;

namespace
{
const Committed& committed()
{
    static const Committed c = []
    {
        Committed read;
        if (!readCommitted(MATHS_DIGESTS, read))
            ADD_FAILURE() << "cannot read " << MATHS_DIGESTS;
        return read;
    }();
    return c;
}
} // namespace

// Linux's exhaustive tests check every input (MathsExhaustiveTest.cpp).
#if defined(_WIN32)
TEST(MathsLayer, FloatFunctionsOverTheAudioPathsInputsMatchTheCommittedDigests)
{
    for (const FloatCase& f : floatCases())
    {
        ASSERT_EQ(committed().blocks.count(f.name), 1u) << f.name;
        const std::vector<int> blocks = audioPathBlocks(f.name);
        const std::vector<std::uint64_t> digests = blockDigests(f.layer, blocks);
        int matching = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i)
        {
            const std::uint32_t first = static_cast<std::uint32_t>(blocks[i]) << blockBits;
            const std::string& expected = committed().blocks.at(f.name)[static_cast<std::size_t>(blocks[i])];
            EXPECT_EQ(hex(digests[i]), expected)
                << f.name << ", inputs " << floatFrom(first) << " to " << floatFrom(first | ((1u << blockBits) - 1));
            matching += hex(digests[i]) == expected ? 1 : 0;
        }
        std::printf(
            "%-7s %d of %zu blocks (%zu inputs) match\n", f.name, matching, blocks.size(), blocks.size() << blockBits);
    }
}
#endif

TEST(MathsLayer, DoubleFunctionsOverTheirSamplesMatchTheCommittedDigests)
{
    for (const auto& [name, digest] : sampleDigests())
    {
        ASSERT_EQ(committed().samples.count(name), 1u) << name;
        EXPECT_EQ(hex(digest), committed().samples.at(name)) << name << " over " << sampleCount << " samples";
    }
}

// The square root stands in for power(x, 0.5) only where it gives the same
// bits. Random magnitudes over the whole range and the edges of the fast
// path; the gains of a band shelf (10^(dB/20), densely over the decibels a
// design meets); the doubles next to squares of midpoints between two
// doubles, where the exact root lies a hair from a midpoint.
TEST(MathsLayer, PowerOneHalfGivesTheBitsOfPower)
{
    auto check = [](double x)
    {
        const double expected = Maths::power(x, 0.5);
        const double actual = Maths::powerOneHalf(x);
        ASSERT_EQ(0, std::memcmp(&expected, &actual, sizeof actual)) << std::hexfloat << x;
    };

    std::mt19937_64 rng(20261210);
    for (int i = 0; i < 4000000; ++i)
    {
        const double mantissa = static_cast<double>(rng() >> 11) * 0x1p-53 + 0.5;
        check(std::ldexp(mantissa, static_cast<int>(rng() % 2100) - 1050));
    }
    for (int i = 0; i < 4000000; ++i)
        check(Maths::power(10.0, (static_cast<double>(rng() >> 11) * 0x1p-53 * 96.0 - 48.0) / 20.0));
    for (int i = 0; i < 1000000; ++i)
    {
        // m = s + ulp(s) / 2 exactly as hi + lo; x next to hi^2 + 2 hi lo.
        const double s = std::ldexp(static_cast<double>(rng() >> 11) * 0x1p-53 + 0.5, static_cast<int>(rng() % 8) - 4);
        const double half = std::ldexp(std::nextafter(s, 2.0 * s) - s, -1);
        const double x = s * s + 2.0 * s * half;
        for (double y = std::nextafter(x, 0.0), n = 0; n < 3; ++n, y = std::nextafter(y, 4.0 * x))
            check(y);
    }
    for (double x : {0x1p-900, 0x1.0000000000001p-900, 0x1.fffffffffffffp-901, 0x1p900, 0x1.0000000000001p900, 1.0, 4.0,
             0x1.fffffffffffffp1, 0x1.0000000000001p2, 0.0, -0.0, -1.0, DBL_MIN, DBL_MAX, 4.9e-324,
             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::quiet_NaN()})
        check(x);
}

// powerOfTen runs power's own code with the logarithm of 10 taken once, so a
// wrong constant or a missed special case shows at once: the constants
// against the logarithm power takes; every exponent and sign of y, with
// zeros, subnormals, infinities and NaNs among them; the decibels a design
// meets, densely; the edges of power's main path (|y| near 2^-65 and 2^63,
// and where 10^y overflows or underflows).
TEST(MathsLayer, PowerOfTenGivesTheBitsOfPower)
{
    double high = 0.0, low = 0.0;
    velmo_musl_pow_split_log(10.0, &high, &low);
    EXPECT_EQ(bitsOf(high), bitsOf(Maths::logOfTenHigh));
    EXPECT_EQ(bitsOf(low), bitsOf(Maths::logOfTenLow));

    int differing = 0;
    double first = 0.0;
    auto check = [&](double y)
    {
        const double expected = Maths::power(10.0, y);
        const double actual = Maths::powerOfTen(y);
        if (bitsOf(expected) != bitsOf(actual) && !(std::isnan(expected) && std::isnan(actual)) && differing++ == 0)
            first = y;
    };

    std::mt19937_64 rng(20261211);
    for (int i = 0; i < 2000000; ++i)
        check(doubleFrom(rng()));
    for (int i = 0; i < 2000000; ++i)
        check(std::ldexp(static_cast<double>(rng() >> 11) * 0x1p-53 + 0.5, static_cast<int>(rng() % 140) - 120) *
              (rng() % 2 != 0 ? -1.0 : 1.0));
    for (int i = 0; i < 4000000; ++i)
        check((static_cast<double>(rng() >> 11) * 0x1p-53 * 96.0 - 48.0) / 20.0);
    for (double edge : {0x1p-65, 0x1p63, 308.25471555991675, 309.0, -307.6526555685888, -323.3062153431158, -324.0})
    {
        double below = edge, above = edge;
        for (int n = 0; n < 64; ++n, below = std::nextafter(below, 0.0), above = std::nextafter(above, 2.0 * above))
            for (double y : {below, -below, above, -above})
                check(y);
    }
    for (double y : {0.0, -0.0, 1.0, -1.0, 4.9e-324, DBL_MIN, DBL_MAX, std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
    {
        check(y);
        check(-y);
    }
    EXPECT_EQ(differing, 0) << "first at y = " << std::hexfloat << first;
}

TEST(MathsLayer, SineCosineGivesTheBitsOfSineAndOfCosine)
{
    int differing = 0;
    forAngleSamples(2, sampleCount, mathsdigests::sineCosine,
        [&](double x, std::complex<double> r) {
            differing +=
                bitsOf(r.real()) == bitsOf(Maths::sine(x)) && bitsOf(r.imag()) == bitsOf(Maths::cosine(x)) ? 0 : 1;
        });
    EXPECT_EQ(differing, 0);
}

#if defined(__linux__)
namespace
{
// Through pointers, so the compiler calls the library.
float (*volatile cExpf)(float) = ::expf;
double (*volatile cPow)(double, double) = ::pow;
double (*volatile cSin)(double) = ::sin;
double (*volatile cCos)(double) = ::cos;
double (*volatile cTan)(double) = ::tan;

bool same(double a, double b)
{
    return bitsOf(a) == bitsOf(b) || (std::isnan(a) && std::isnan(b));
}

bool same(std::complex<double> a, std::complex<double> b)
{
    return same(a.real(), b.real()) && same(a.imag(), b.imag());
}

struct Tally
{
    explicit Tally(const char* n) : name(n) {}

    const char* name;
    int differing = 0;
    std::string first;

    template <typename... Inputs>
    void check(bool equal, Inputs... inputs)
    {
        if (equal)
            return;
        if (differing++ < 3)
        {
            std::ostringstream text;
            text.precision(17);
            ((text << inputs << ' '), ...);
            first += "\n  at " + text.str();
        }
    }
};
} // namespace

TEST(MathsLayerAgainstTheCLibrary, TheCLibraryRunsWithoutItsFusedMultiplyAddCode)
{
    // glibc's expf for processors with FMA gives 0x56fc9f1c here, its other
    // code (and musl) 0x56fc9f1b. Without this the comparisons below would
    // meet the FMA code's last-bit differences (pow, sin, cos, tan) on such
    // processors.
    EXPECT_EQ(bitsOf(cExpf(32.564632f)), 0x56fc9f1bu)
        << "GLIBC_TUNABLES is "
        << (std::getenv("GLIBC_TUNABLES") != nullptr ? std::getenv("GLIBC_TUNABLES") : "not set");
}

TEST(MathsLayerAgainstTheCLibrary, EveryDoubleFunctionGivesItsBits)
{
    Tally pow("pow"), sin("sin"), cos("cos"), tan("tan"), divide("divide"), magnitude("magnitude"), root("squareRoot");
    forPowSamples(sampleCount, [&](double x, double y, double r) { pow.check(same(r, cPow(x, y)), x, y); });
    forAngleSamples(2, sampleCount, mathsdigests::sine, [&](double x, double r) { sin.check(same(r, cSin(x)), x); });
    forAngleSamples(2, sampleCount, mathsdigests::cosine, [&](double x, double r) { cos.check(same(r, cCos(x)), x); });
    forAngleSamples(3, sampleCount, mathsdigests::tangent, [&](double x, double r) { tan.check(same(r, cTan(x)), x); });
    forDivideSamples(sampleCount, [&](std::complex<double> n, std::complex<double> d, std::complex<double> r)
        { divide.check(same(r, n / d), n, d); });
    forComplexSamples(4, sampleCount, mathsdigests::magnitude,
        [&](std::complex<double> z, double r) { magnitude.check(same(r, std::abs(z)), z); });
    forComplexSamples(5, sampleCount, mathsdigests::squareRoot,
        [&](std::complex<double> z, std::complex<double> r) { root.check(same(r, std::sqrt(z)), z); });
    for (const Tally* t : {&pow, &sin, &cos, &tan, &divide, &magnitude, &root})
        EXPECT_EQ(t->differing, 0) << t->name << " differs from the C library's" << t->first;
}
#endif
