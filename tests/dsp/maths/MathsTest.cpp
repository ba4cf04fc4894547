// The maths layer on every build: the blocks of float inputs that the audio
// path reaches and the double functions' samples against the committed
// digests (digests.txt, which Linux's exhaustive tests check in full). On
// Linux also against the C library itself, which CTest runs without its
// fused multiply-add code (GLIBC_TUNABLES).
#include "tests/dsp/maths/MathsDigests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace mathsdigests;

namespace
{
const Committed& committed()
{
    static const Committed c = [] {
        Committed read;
        if (!readCommitted(MATHS_DIGESTS, read))
            ADD_FAILURE() << "cannot read " << MATHS_DIGESTS;
        return read;
    }();
    return c;
}
} // namespace

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
            const int k = blocks[i];
            EXPECT_EQ(hex(digests[i]), committed().blocks.at(f.name)[static_cast<std::size_t>(k)])
                << f.name << ", inputs " << floatFrom(static_cast<std::uint32_t>(k) << blockBits) << " to "
                << floatFrom((static_cast<std::uint32_t>(k) << blockBits) | ((1u << blockBits) - 1));
            matching += hex(digests[i]) == committed().blocks.at(f.name)[static_cast<std::size_t>(k)] ? 1 : 0;
        }
        std::printf("%-7s %d of %zu blocks (%zu inputs) match\n", f.name, matching, blocks.size(),
                    blocks.size() << blockBits);
    }
}

TEST(MathsLayer, DoubleFunctionsOverTheirSamplesMatchTheCommittedDigests)
{
    for (const auto& [name, digest] : sampleDigests())
    {
        ASSERT_EQ(committed().samples.count(name), 1u) << name;
        EXPECT_EQ(hex(digest), committed().samples.at(name)) << name << " over " << sampleCount << " samples";
    }
}

TEST(MathsLayer, SineCosineGivesTheBitsOfSineAndOfCosine)
{
    int differing = 0;
    forAngleSamples(2, sampleCount, mathsdigests::sineCosine, [&](double x, std::complex<double> r) {
        differing += bitsOf(r.real()) == bitsOf(Maths::sine(x)) && bitsOf(r.imag()) == bitsOf(Maths::cosine(x)) ? 0 : 1;
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

// Distance in representable doubles between two finite values.
std::uint64_t ulps(double a, double b)
{
    auto ordered = [](double v) {
        const std::int64_t i = static_cast<std::int64_t>(bitsOf(v));
        return i < 0 ? std::numeric_limits<std::int64_t>::min() - i : i;
    };
    const std::int64_t x = ordered(a), y = ordered(b);
    return x > y ? static_cast<std::uint64_t>(x - y) : static_cast<std::uint64_t>(y - x);
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
    // meet the FMA code's last-bit differences on such processors.
    EXPECT_EQ(bitsOf(cExpf(32.564632f)), 0x56fc9f1bu) << "GLIBC_TUNABLES is " << (std::getenv("GLIBC_TUNABLES") != nullptr ? std::getenv("GLIBC_TUNABLES") : "not set");
}

TEST(MathsLayerAgainstTheCLibrary, PowAndTheComplexFunctionsGiveItsBits)
{
    Tally pow("pow"), divide("divide"), magnitude("magnitude"), root("squareRoot");
    forPowSamples(sampleCount, [&](double x, double y, double r) { pow.check(same(r, cPow(x, y)), x, y); });
    forDivideSamples(sampleCount, [&](std::complex<double> n, std::complex<double> d, std::complex<double> r) {
        divide.check(same(r, n / d), n, d);
    });
    forComplexSamples(4, sampleCount, mathsdigests::magnitude,
                      [&](std::complex<double> z, double r) { magnitude.check(same(r, std::abs(z)), z); });
    forComplexSamples(5, sampleCount, mathsdigests::squareRoot, [&](std::complex<double> z, std::complex<double> r) {
        root.check(same(r, std::sqrt(z)), z);
    });
    for (const Tally* t : {&pow, &divide, &magnitude, &root})
        EXPECT_EQ(t->differing, 0) << t->name << " differs from the C library's" << t->first;
}

// musl's sine, cosine and tangent are not glibc's (other algorithms, the
// same accuracy): within one unit in the last place of it.
TEST(MathsLayerAgainstTheCLibrary, SineCosineAndTangentStayWithinOneUnitInTheLastPlaceOfIt)
{
    struct Angle
    {
        const char* name;
        double (*layer)(double);
        double (*reference)(double);
        std::uint64_t seed;
    };
    const Angle angles[] = {
        {"sin", mathsdigests::sine, [](double x) { return cSin(x); }, 2},
        {"cos", mathsdigests::cosine, [](double x) { return cCos(x); }, 2},
        {"tan", mathsdigests::tangent, [](double x) { return cTan(x); }, 3},
    };
    for (const Angle& a : angles)
    {
        Tally far(a.name);
        int differing = 0;
        forAngleSamples(a.seed, sampleCount, a.layer, [&](double x, double r) {
            const double expected = a.reference(x);
            differing += same(r, expected) ? 0 : 1;
            far.check(same(r, expected) || (std::isfinite(r) && std::isfinite(expected) && ulps(r, expected) <= 1), x);
        });
        EXPECT_EQ(far.differing, 0) << a.name << " is further than one unit from the C library's" << far.first;
        std::printf("%-4s differs from the C library's in the last bit on %d of %d samples\n", a.name, differing,
                    sampleCount);
    }
}
#endif
