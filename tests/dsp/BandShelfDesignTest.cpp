#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <vector>

#include "dsp/BandMapping.h"
#include "dsp/Butterworth.h"
#include "dsp/DirectFormI.h"
#include "dsp/SectionChain.h"
#include "dsp/ShelfPrototype.h"
#include "dsp/maths/Maths.h"
#include "tests/dsp/FilterTestSupport.h"
#include "tests/support/TestSignals.h"

namespace
{

using Complex = std::complex<double>;
using FilterTest::Shelf;

constexpr double pi = 3.141592653589793;
constexpr double twoPi = 6.283185307179586;

bool sameBits(double x, double y)
{
    return std::memcmp(&x, &y, sizeof x) == 0;
}

double dB(double magnitude)
{
    return 20.0 * std::log10(magnitude);
}

// Response of one section from its impulse response, without evaluateResponse.
Complex measuredResponse(const std::vector<double>& impulse, double f)
{
    Complex sum(0.0, 0.0);
    for (std::size_t n = 0; n < impulse.size(); ++n)
    {
        const double phase = -twoPi * f * static_cast<double>(n);
        sum += impulse[n] * Complex(std::cos(phase), std::sin(phase));
    }
    return sum;
}

// Runs until the response has died away (1024 samples in a row below 1e-16).
std::vector<double> impulseResponse(const Dsp::SectionCoeffs& coeffs)
{
    Dsp::DirectFormI state;
    std::vector<double> out;
    int quiet = 0;
    for (int n = 0; quiet < 1024 && n < (1 << 22); ++n)
    {
        const double y = state.filterSection(n == 0 ? 1.0 : 0.0, coeffs, 0.0);
        out.push_back(y);
        quiet = std::fabs(y) < 1e-16 ? quiet + 1 : 0;
    }
    return out;
}

struct MappingFixture
{
    explicit MappingFixture(double gainDb) : prototype(prototypeGroups, 1), digital(digitalGroups, 2)
    {
        prototype.buildPrototype(1, gainDb);
    }

    Dsp::RootGroup prototypeGroups[1]{};
    Dsp::RootGroup digitalGroups[1]{};
    Dsp::ShelfPrototype prototype;
    Dsp::RootList digital;
};

// ---------------------------------------------------------------- prototype

TEST(ShelfPrototype, OrderOneIsOneRealPoleAndZero)
{
    Dsp::RootGroup groups[1]{};
    Dsp::ShelfPrototype prototype(groups, 1);
    EXPECT_EQ(prototype.cachedOrder, -1);

    prototype.buildPrototype(1, 12.0);
    const double g = std::pow(10.0, 12.0 / 40.0);
    EXPECT_EQ(prototype.roots.rootCount, 1);
    EXPECT_EQ(prototype.cachedOrder, 1);
    EXPECT_EQ(prototype.cachedGainDb, 12.0);
    EXPECT_NEAR(groups[0].poleA.real(), -1.0 / g, 1e-15);
    EXPECT_NEAR(groups[0].zeroA.real(), -g, 1e-15);
    EXPECT_EQ(groups[0].poleA.imag(), 0.0);
    EXPECT_EQ(groups[0].poleB, Complex(0.0, 0.0));
    EXPECT_EQ(groups[0].zeroB, Complex(0.0, 0.0));

    // Full gain at s = 0.
    EXPECT_NEAR(groups[0].zeroA.real() / groups[0].poleA.real(), std::pow(10.0, 12.0 / 20.0), 1e-12);
}

TEST(ShelfPrototype, HigherOrdersGiveButterworthPairs)
{
    Dsp::RootGroup groups[2]{};
    Dsp::ShelfPrototype prototype(groups, 3);
    prototype.buildPrototype(3, 6.0);
    ASSERT_EQ(prototype.roots.rootCount, 3);
    const double g = std::pow(std::pow(10.0, 6.0 / 20.0), 1.0 / 6.0);
    const double theta = (0.5 - 1.0 / 6.0) * pi;
    EXPECT_NEAR(groups[0].poleA.real(), -std::cos(theta) / g, 1e-15);
    EXPECT_NEAR(groups[0].poleA.imag(), -std::sin(theta) / g, 1e-15);
    EXPECT_EQ(groups[0].poleB, std::conj(groups[0].poleA));
    EXPECT_EQ(groups[0].zeroB, std::conj(groups[0].zeroA));
    EXPECT_NEAR(groups[1].poleA.real(), -1.0 / g, 1e-15);
    EXPECT_EQ(groups[1].poleB, Complex(0.0, 0.0));
}

TEST(ShelfPrototype, CacheSkipsRebuildUnlessOrderOrGainChange)
{
    Dsp::RootGroup groups[1]{};
    Dsp::ShelfPrototype prototype(groups, 1);
    prototype.buildPrototype(1, -6.0);
    const Complex marker(123.0, 4.0);
    groups[0].poleA = marker;

    prototype.buildPrototype(1, -6.0);
    EXPECT_EQ(groups[0].poleA, marker);

    prototype.buildPrototype(1, -5.0);
    EXPECT_NE(groups[0].poleA, marker);

    // A NaN gain never matches the cache.
    prototype.buildPrototype(1, std::nan(""));
    groups[0].poleA = marker;
    prototype.buildPrototype(1, std::nan(""));
    EXPECT_NE(groups[0].poleA, marker);
}

// ---------------------------------------------------------------- band mapping

TEST(BandMapping, WorkedExampleEdgesAndRoots)
{
    MappingFixture f(-6.0);
    const Dsp::BandMapping mapping(2000.0 / 44100.0, 1720.0 / 44100.0, f.digital, f.prototype.roots);
    EXPECT_NEAR(mapping.lowerEdge, 0.162, 0.0005);
    EXPECT_NEAR(mapping.upperEdge, 0.407, 0.0005);
    EXPECT_NEAR(mapping.a, 0.967, 0.0005);
    EXPECT_NEAR(mapping.b, 8.12, 0.005);
    EXPECT_EQ(mapping.aSquared, mapping.a * mapping.a);
    EXPECT_EQ(mapping.bSquared, mapping.b * mapping.b);
    EXPECT_EQ(mapping.twoAb, mapping.a * mapping.b * 2.0);

    ASSERT_EQ(f.digital.rootCount, 2);
    const Dsp::RootGroup& group = f.digitalGroups[0];
    EXPECT_NEAR(group.poleA.real(), 0.824, 0.0005);
    EXPECT_NEAR(group.poleA.imag(), -0.159, 0.0005);
    EXPECT_EQ(group.poleB, std::conj(group.poleA));
    EXPECT_NEAR(group.zeroA.real(), 0.889, 0.0005);
    EXPECT_NEAR(group.zeroA.imag(), -0.220, 0.0005);
    EXPECT_EQ(group.zeroB, std::conj(group.zeroA));
}

TEST(BandMapping, MapRootSpecialPoints)
{
    MappingFixture f(0.0);
    const Dsp::BandMapping mapping(0.1, 0.05, f.digital, f.prototype.roots);

    const auto infinity = mapping.mapRoot(Complex(std::numeric_limits<double>::infinity(), 0.0));
    EXPECT_EQ(infinity.first, Complex(-1.0, 0.0));
    EXPECT_EQ(infinity.second, Complex(1.0, 0.0));

    // s = 0 lands on the unit circle at -+omega0, cos(omega0) = a.
    const auto origin = mapping.mapRoot(Complex(0.0, 0.0));
    const double s = std::sqrt(1.0 - mapping.a * mapping.a);
    EXPECT_NEAR(origin.first.real(), mapping.a, 1e-12);
    EXPECT_NEAR(origin.first.imag(), -s, 1e-12);
    EXPECT_NEAR(origin.second.imag(), s, 1e-12);

    // A D on the negative real axis takes +j sqrt(-D) for either sign of zero.
    for (double zero : {0.0, -0.0})
    {
        const auto images = mapping.mapRoot(Complex(-0.5, zero));
        EXPECT_LT(images.first.imag(), 0.0) << std::signbit(zero);
        EXPECT_GT(images.second.imag(), 0.0) << std::signbit(zero);
        EXPECT_EQ(images.first, std::conj(images.second));
    }
}

TEST(BandMapping, EdgeClampsAndTheWidthBetweenThem)
{
    MappingFixture f(6.0);
    {
        // Lower edge below 1e-8 starts at 1e-8.
        const Dsp::BandMapping m(100.0 / 44100.0, 400.0 / 44100.0, f.digital, f.prototype.roots);
        EXPECT_EQ(m.lowerEdge, 1e-8);
        const double w = 400.0 / 44100.0 * twoPi;
        EXPECT_EQ(m.upperEdge, (100.0 / 44100.0 * twoPi - w * 0.5) + w);
        EXPECT_EQ(m.b, 1.0 / Maths::tangent((m.upperEdge - m.lowerEdge) * 0.5));
    }
    {
        // An upper edge up to 3.141592643589793, not pi, is the band's own.
        const double centre = 20000.0 / 44100.0;
        const double width = (pi - 1.5e-8 - centre * twoPi) * 2.0 / twoPi;
        const Dsp::BandMapping m(centre, width, f.digital, f.prototype.roots);
        EXPECT_EQ(m.lowerEdge, centre * twoPi - width * twoPi * 0.5);
        EXPECT_EQ(m.upperEdge, m.lowerEdge + width * twoPi);
        EXPECT_LT(m.upperEdge, 3.141592643589793);
        EXPECT_GT(m.upperEdge, 3.141592633589793);
        EXPECT_EQ(
            m.a, Maths::cosine((m.upperEdge + m.lowerEdge) * 0.5) / Maths::cosine((m.upperEdge - m.lowerEdge) * 0.5));
    }
}

// A band past the Nyquist frequency slides down to end at 0.95 of it,
// keeping its width; one wider than that starts at the lower clamp.
TEST(BandMapping, BandsPastNyquistSlideBelowIt)
{
    MappingFixture f(6.0);
    const double top = Dsp::BandMapping::topEdge;
    EXPECT_EQ(top, 0.95 * pi);
    struct Case
    {
        double centreHz, widthHz, lowerEdge;
    };
    const Case cases[] = {
        {20000.0, 8000.0, top - 8000.0 / 44100.0 * twoPi},             // partly past
        {30000.0, 1000.0, top - 1000.0 / 44100.0 * twoPi},             // wholly past
        {22050.0, 1e-12, top - Dsp::BandMapping::narrowestInnerBand},  // too narrow as well
        {30000.0, -500.0, top - Dsp::BandMapping::narrowestInnerBand}, // reversed
        {20000.0, 50000.0, Dsp::BandMapping::lowestEdge},              // wider than the room
        {std::numeric_limits<double>::infinity(), 1000.0, top - 1000.0 / 44100.0 * twoPi},
    };
    for (const Case& c : cases)
    {
        const Dsp::BandMapping m(c.centreHz / 44100.0, c.widthHz / 44100.0, f.digital, f.prototype.roots);
        EXPECT_EQ(m.upperEdge, top) << c.centreHz << " " << c.widthHz;
        EXPECT_EQ(m.lowerEdge, c.lowerEdge) << c.centreHz << " " << c.widthHz;
    }
}

// Bands below the Nyquist frequency keep exactly the edges of the plain
// mapping, lower clamp included; the rest of the design follows from the
// edges alone.
TEST(BandMapping, BandsInsideKeepTheirEdgesBitForBit)
{
    MappingFixture f(24.0);
    int checked = 0;
    for (double sampleRate : {8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
        for (double centreHz = 0.0; centreHz <= 30000.0; centreHz += 97.3)
            for (double widthHz : {0.001, 0.5, 10.0, 80.0, 1720.0, 6000.0, 20000.0})
            {
                const double centre = centreHz / sampleRate;
                const double width = widthHz / sampleRate;
                const double w = width * twoPi;
                double lower = centre * twoPi - w * 0.5;
                double upper = lower + w;
                if (upper > 3.141592643589793)
                    continue;
                if (lower < 1e-8)
                    lower = 1e-8;
                if (!(upper - lower >= Dsp::BandMapping::narrowestInnerBand))
                    continue;
                const Dsp::BandMapping m(centre, width, f.digital, f.prototype.roots);
                ASSERT_TRUE(sameBits(m.lowerEdge, lower) && sameBits(m.upperEdge, upper))
                    << sampleRate << " " << centreHz << " " << widthHz;
                ++checked;
            }
    EXPECT_GT(checked, 5000);
}

// ---------------------------------------------------------------- sections

TEST(SectionCoeffs, AssignFromRootsCases)
{
    struct Case
    {
        Dsp::RootGroup group;
        double a1, a2, b1, b2, b0;
    };
    const Case cases[] = {
        // first order: the zero goes to b0, 1 to b1
        {{{0.5, 0.0}, {0.0, 0.0}, {-0.25, 0.0}, {0.0, 0.0}}, -0.5, 0.0, 1.0, 0.0, 0.25},
        // a negative zero still counts as zero
        {{{0.5, 0.0}, {-0.0, -0.0}, {-0.25, 0.0}, {0.0, -0.0}}, -0.5, 0.0, 1.0, 0.0, 0.25},
        // two real poles, two real zeros
        {{{0.5, 0.0}, {-0.2, 0.0}, {0.1, 0.0}, {0.3, 0.0}}, -0.3, -0.1, -0.4, 0.03, 1.0},
        // conjugate pair: poleB is not read
        {{{0.6, 0.3}, {9.0, 9.0}, {-0.5, 0.5}, {7.0, 7.0}}, -1.2, 0.45, 1.0, 0.5, 1.0},
        // poleB zero but zeroB not: second order
        {{{0.5, 0.0}, {0.0, 0.0}, {0.2, 0.0}, {0.4, 0.0}}, -0.5, 0.0, -0.6, 0.08, 1.0},
    };
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        Dsp::SectionCoeffs s{};
        s.assignFromRoots(c.group);
        EXPECT_EQ(s.a0, 1.0);
        EXPECT_DOUBLE_EQ(s.a1, c.a1);
        EXPECT_DOUBLE_EQ(s.a2, c.a2);
        EXPECT_DOUBLE_EQ(s.b1, c.b1);
        EXPECT_DOUBLE_EQ(s.b2, c.b2);
        EXPECT_DOUBLE_EQ(s.b0, c.b0);
    }
}

TEST(SectionChain, ResponseAtDcNyquistAndWithoutSections)
{
    Dsp::SectionCoeffs storage[2]{{1.0, -0.3, 0.2, 0.4, -0.1, 0.7}, {1.0, 0.1, -0.05, 0.2, 0.3, 1.1}};
    Dsp::SectionChain chain(storage, 2);
    EXPECT_EQ(chain.evaluateResponse(0.1), Complex(1.0, 0.0));

    chain.sectionCount = 1;
    const Dsp::SectionCoeffs& s = storage[0];
    EXPECT_NEAR(std::abs(chain.evaluateResponse(0.0) - (s.b0 + s.b1 + s.b2) / (1.0 + s.a1 + s.a2)), 0.0, 1e-15);
    EXPECT_NEAR(std::abs(chain.evaluateResponse(0.5) - (s.b0 - s.b1 + s.b2) / (1.0 - s.a1 + s.a2)), 0.0, 1e-15);

    // Two sections multiply; a0 plays no part.
    chain.sectionCount = 2;
    storage[1].a0 = 5.0;
    const Complex h = chain.evaluateResponse(0.13);
    Dsp::SectionChain first(storage, 1), second(storage + 1, 1);
    first.sectionCount = second.sectionCount = 1;
    EXPECT_NEAR(std::abs(h - first.evaluateResponse(0.13) * second.evaluateResponse(0.13)), 0.0, 1e-14);
}

TEST(SectionChain, BuildFromRootsNormalisesSectionZero)
{
    Dsp::RootGroup groups[2]{
        {{0.5, 0.2}, {0.5, -0.2}, {-0.3, 0.6}, {-0.3, -0.6}}, {{0.1, 0.0}, {0.0, 0.0}, {0.7, 0.0}, {0.0, 0.0}}};
    Dsp::RootList list(groups, 4);
    list.rootCount = 3;
    list.referenceOmega = 1.1;
    list.referenceGain = 2.5;
    Dsp::SectionCoeffs storage[2]{};
    Dsp::SectionChain chain(storage, 2);
    chain.buildFromRoots(list);
    ASSERT_EQ(chain.sectionCount, 2);
    EXPECT_NEAR(std::abs(chain.evaluateResponse(1.1 / twoPi)), 2.5, 1e-12);
    // Only section 0's numerator is scaled.
    EXPECT_EQ(storage[1].b1, 1.0);
    EXPECT_EQ(storage[1].b0, -0.7);
    EXPECT_DOUBLE_EQ(storage[0].a1, -1.0);
}

// ---------------------------------------------------------------- whole design

TEST(BandShelfDesign, StartsEmpty)
{
    const Shelf design;
    EXPECT_EQ(design.cascade.sectionCount, 0);
    EXPECT_EQ(design.cascade.capacity, 1);
    EXPECT_EQ(design.digital.rootCount, 0);
    EXPECT_EQ(design.digital.capacity, 2);
    EXPECT_EQ(design.prototype.roots.rootCount, 0);
    EXPECT_EQ(design.prototype.roots.capacity, 1);
    EXPECT_EQ(design.prototype.cachedOrder, -1);
    EXPECT_EQ(design.digital.groups[0].poleA, Complex(0.0, 0.0));
    EXPECT_TRUE(design.collectRootGroups().empty());
    // All storage lies inside the object.
    const char* begin = reinterpret_cast<const char*>(&design);
    const char* end = begin + sizeof design;
    for (const void* p : {static_cast<const void*>(design.cascade.sections),
             static_cast<const void*>(design.digital.groups), static_cast<const void*>(design.prototype.roots.groups)})
        EXPECT_TRUE(p >= begin && p < end);
}

TEST(BandShelfDesign, WorkedExample)
{
    Shelf design;
    design.configure(1, 44100.0, 2000.0, 1720.0, -6.0);
    ASSERT_EQ(design.cascade.sectionCount, 1);
    const Dsp::SectionCoeffs& s = design.cascade.sections[0];
    EXPECT_EQ(s.a0, 1.0);
    EXPECT_NEAR(s.a1, -1.65, 0.005);
    EXPECT_NEAR(s.b1, s.a1, 1e-12);
    EXPECT_NEAR(s.a2, 0.704, 0.0005);
    EXPECT_NEAR(s.b2, 0.778, 0.0005);
    EXPECT_NEAR(s.b0, 0.926, 0.0005);
    EXPECT_NEAR(s.b0 + s.b2, 1.0 + s.a2, 1e-12);
    EXPECT_EQ(design.digital.referenceOmega, pi);
    EXPECT_EQ(design.digital.referenceGain, 1.0);

    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(0.0)), 1.0, 1e-12);
    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(0.5)), 1.0, 1e-12);
    EXPECT_NEAR(dB(std::abs(design.cascade.evaluateResponse(2000.0 / 44100.0))), -5.73, 0.005);
    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(2000.0 / 44100.0)), 0.517, 0.0005);

    MappingFixture f(-6.0);
    const Dsp::BandMapping mapping(2000.0 / 44100.0, 1720.0 / 44100.0, f.digital, f.prototype.roots);
    const double omega0 = std::acos(mapping.a);
    EXPECT_NEAR(omega0, 0.258, 0.0005);
    EXPECT_NEAR(dB(std::abs(design.cascade.evaluateResponse(omega0 / twoPi))), -6.0, 1e-9);

    const std::vector<Dsp::RootGroup> groups = design.collectRootGroups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].poleA, f.digitalGroups[0].poleA);
    EXPECT_EQ(groups[0].zeroB, f.digitalGroups[0].zeroB);
}

TEST(BandShelfDesign, ImpulseResponseSpectrumMatchesEvaluateResponse)
{
    struct Case
    {
        double sampleRate, centre, width, gain;
    };
    const Case cases[] = {
        {44100.0, 2000.0, 1720.0, -6.0},
        {44100.0, 8250.0, 3000.0, 12.0},
        {48000.0, 15000.0, 5000.0, 24.0},
        {96000.0, 300.0, 80.0, -24.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.centre);
        Shelf design;
        design.configure(1, c.sampleRate, c.centre, c.width, c.gain);
        const std::vector<double> impulse = impulseResponse(design.cascade.sections[0]);
        ASSERT_LT(impulse.size(), 1u << 22);
        for (double f : {0.0, 0.001, 0.01, 0.05, 0.1, 0.187, 0.25, 0.3333, 0.42, 0.49, 0.5})
        {
            const Complex measured = measuredResponse(impulse, f);
            const Complex designed = design.cascade.evaluateResponse(f);
            EXPECT_NEAR(std::abs(measured - designed), 0.0, 1e-9) << f;
        }
        // Unity at both ends.
        EXPECT_NEAR(std::abs(measuredResponse(impulse, 0.0)), 1.0, 1e-9);
        EXPECT_NEAR(std::abs(measuredResponse(impulse, 0.5)), 1.0, 1e-9);
    }

    // The worked example measured at 2000 Hz and at omega0.
    Shelf design;
    design.configure(1, 44100.0, 2000.0, 1720.0, -6.0);
    const std::vector<double> impulse = impulseResponse(design.cascade.sections[0]);
    EXPECT_NEAR(dB(std::abs(measuredResponse(impulse, 2000.0 / 44100.0))), -5.73, 0.005);
    MappingFixture f(-6.0);
    const Dsp::BandMapping mapping(2000.0 / 44100.0, 1720.0 / 44100.0, f.digital, f.prototype.roots);
    EXPECT_NEAR(dB(std::abs(measuredResponse(impulse, std::acos(mapping.a) / twoPi))), -6.0, 1e-9);
}

TEST(BandShelfDesign, ZeroDecibelsIsTheIdentity)
{
    Shelf design;
    design.configure(1, 44100.0, 80.0, 80.0, 0.0);
    const Dsp::RootGroup& group = design.digital.groups[0];
    EXPECT_EQ(group.poleA, group.zeroA);
    EXPECT_EQ(group.poleB, group.zeroB);
    const Dsp::SectionCoeffs& s = design.cascade.sections[0];
    EXPECT_NEAR(s.a1, -1.99, 0.005);
    EXPECT_NEAR(s.a2, 0.989, 0.0005);
    EXPECT_EQ(s.a1, s.b1);
    EXPECT_EQ(s.a2, s.b2);
    EXPECT_EQ(s.b0, 1.0);
    for (double f = 0.0; f <= 0.5; f += 0.01)
        EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(f)), 1.0, 1e-12) << f;
}

TEST(BandShelfDesign, NormalisationFrequencyFollowsTheCentre)
{
    Shelf design;
    design.configure(1, 44100.0, 11025.0, 2000.0, 6.0);
    EXPECT_EQ(design.digital.referenceOmega, 0.0);
    design.configure(1, 44100.0, 11024.9, 2000.0, 6.0);
    EXPECT_EQ(design.digital.referenceOmega, pi);
    design.configure(1, std::nan(""), 11024.9, 2000.0, 6.0);
    EXPECT_EQ(design.digital.referenceOmega, 0.0);
    design.configure(1, 44100.0, 15000.0, 2000.0, 6.0);
    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(0.0)), 1.0, 1e-15);
}

TEST(BandShelfDesign, SecondConfigureMatchesAFreshDesign)
{
    Shelf reused;
    reused.configure(1, 44100.0, 2000.0, 1720.0, -6.0);
    const Complex cachedPole = reused.prototype.roots.groups[0].poleA;
    reused.configure(1, 48000.0, 5000.0, 900.0, -6.0);
    EXPECT_EQ(reused.prototype.roots.groups[0].poleA, cachedPole);

    Shelf fresh;
    fresh.configure(1, 48000.0, 5000.0, 900.0, -6.0);
    EXPECT_EQ(std::memcmp(reused.cascade.sections, fresh.cascade.sections, sizeof(Dsp::SectionCoeffs)), 0);
}

TEST(BandShelfDesign, OrderIsKeptWithinTheStorage)
{
    Shelf design;
    Shelf reference;
    reference.configure(1, 44100.0, 2000.0, 1720.0, 6.0);
    for (int order : {0, -3, 2, 17})
    {
        design.configure(order, 44100.0, 2000.0, 1720.0, 6.0);
        EXPECT_EQ(design.digital.rootCount, 2) << order;
        EXPECT_EQ(design.cascade.sectionCount, 1) << order;
        EXPECT_EQ(std::memcmp(design.cascade.sections, reference.cascade.sections, sizeof(Dsp::SectionCoeffs)), 0);
    }
}

// ---------------------------------------------------------------- stability

TEST(BandShelfStability, BandPastNyquistAt22050)
{
    Shelf design;
    design.configure(1, 22050.0, 16500.0, 6000.0, 24.0);
    const Dsp::SectionCoeffs& s = design.cascade.sections[0];
    ASSERT_TRUE(FilterTest::finiteSection(s));
    EXPECT_LT(FilterTest::largestPoleRadius(s), 1.0);
    EXPECT_LT(std::abs(design.digital.groups[0].poleA), 1.0);
    EXPECT_LT(std::abs(design.digital.groups[0].poleB), 1.0);

    // The band keeps its width and ends at 0.95 of the Nyquist frequency.
    MappingFixture f(24.0);
    const Dsp::BandMapping m(16500.0 / 22050.0, 6000.0 / 22050.0, f.digital, f.prototype.roots);
    EXPECT_EQ(m.upperEdge, Dsp::BandMapping::topEdge);
    EXPECT_EQ(m.lowerEdge, Dsp::BandMapping::topEdge - 6000.0 / 22050.0 * twoPi);
    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(0.0)), 1.0, 1e-12);
    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(0.5)), 1.0, 1e-6);
    double peak = 0.0;
    for (int k = 0; k <= 20000; ++k)
        peak = std::max(peak, std::abs(design.cascade.evaluateResponse(0.5 * k / 20000.0)));
    EXPECT_LE(peak, std::pow(10.0, 24.0 / 20.0) * 1.0001);

    // The full boost is kept, at omega0 of the moved band.
    EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(std::acos(m.a) / twoPi)), std::pow(10.0, 24.0 / 20.0), 1e-9);

    // Ten seconds of full-scale noise stay within the +24 dB of the boost.
    Dsp::ChannelHistory<Dsp::DirectFormI, 1> history;
    double largest = 0.0;
    for (double x : testsignals::noise<double>(220500, 12345))
        largest = std::max(largest, std::fabs(history.filterSample(x, design.cascade)));
    EXPECT_LT(largest, 20.0);

    // In silence only the alternating offset is left, and it stays far below
    // full scale (clamped at the Nyquist frequency, a pole beside z = -1 grew
    // it past full scale within a minute).
    Dsp::ChannelHistory<Dsp::DirectFormI, 1> quiet;
    double loudest = 0.0;
    for (int n = 0; n < 2000000; ++n)
        loudest = std::max(loudest, std::fabs(quiet.filterSample(0.0, design.cascade)));
    EXPECT_LT(loudest, 1e-6);

    // Measured from the impulse response.
    const std::vector<double> impulse = impulseResponse(s);
    ASSERT_LT(impulse.size(), 1u << 22);
    for (double f : {0.0, 0.05, 0.2, 0.3, 0.4, 0.45, 0.49, 0.5})
        EXPECT_NEAR(std::abs(measuredResponse(impulse, f) - design.cascade.evaluateResponse(f)), 0.0, 1e-9) << f;
}

// Bands far narrower than anything audible: mapped as they are, a band of
// about 1e-11 Hz, or one of 1e-9 rad/sample next to an edge clamp, gets a
// pole on or outside the unit circle by rounding alone.
TEST(BandShelfStability, BandsTooNarrowToMapAreWidened)
{
    const double band = Dsp::BandMapping::narrowestInnerBand;
    struct Case
    {
        double sampleRate, centreHz, widthHz;
        double lowerEdge; // expected; the upper edge is lowerEdge + band
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {44100.0, 1000.0, 1e-11, 1000.0 / 44100.0 * twoPi - band * 0.5},
        {44100.0, 1000.0, 0.0, 1000.0 / 44100.0 * twoPi - band * 0.5},
        {44100.0, 1000.0, -50.0, 1000.0 / 44100.0 * twoPi - band * 0.5},
        {44100.0, 1e-4, 1e-6, Dsp::BandMapping::lowestEdge},               // at the lower clamp
        {44100.0, 22050.0 - 1e-4, 1e-6, Dsp::BandMapping::topEdge - band}, // just below the Nyquist frequency
        {44100.0, nan, 1000.0, Dsp::BandMapping::topEdge - band},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.centreHz << " Hz, " << c.widthHz << " Hz wide");
        MappingFixture f(24.0);
        const Dsp::BandMapping m(c.centreHz / c.sampleRate, c.widthHz / c.sampleRate, f.digital, f.prototype.roots);
        EXPECT_EQ(m.lowerEdge, c.lowerEdge);
        EXPECT_EQ(m.upperEdge, c.lowerEdge + band);

        for (double gain : {-48.0, -24.0, 24.0, 48.0})
        {
            Shelf design;
            design.configure(1, c.sampleRate, c.centreHz, c.widthHz, gain);
            const Dsp::SectionCoeffs& s = design.cascade.sections[0];
            ASSERT_TRUE(FilterTest::finiteSection(s)) << gain;
            EXPECT_LT(FilterTest::largestPoleRadius(s), 1.0) << gain;
            // All but flat away from the band.
            EXPECT_NEAR(std::abs(design.cascade.evaluateResponse(0.1234)), 1.0, 1e-6) << gain;
        }
    }

    // A band just wide enough is mapped as it is.
    MappingFixture f(24.0);
    const double width = 2.0 * band / twoPi;
    const Dsp::BandMapping m(0.1, width, f.digital, f.prototype.roots);
    EXPECT_EQ(m.lowerEdge, 0.1 * twoPi - width * twoPi * 0.5);
    EXPECT_EQ(m.upperEdge, m.lowerEdge + width * twoPi);

    // The narrowest bands at both clamps, for every width down to nothing.
    Shelf design;
    for (double sampleRate : {8000.0, 44100.0, 192000.0})
        for (double centre : {1e-6, 1e-4, 0.01, 1000.0, 0.5 * sampleRate - 1e-4, 0.5 * sampleRate - 1e-6})
            for (double widthExp = -16.0; widthExp <= -2.0; widthExp += 0.5)
                for (double gain : {-48.0, -6.0, 24.0, 48.0})
                {
                    design.configure(1, sampleRate, centre, std::pow(10.0, widthExp), gain);
                    const Dsp::SectionCoeffs& s = design.cascade.sections[0];
                    ASSERT_TRUE(FilterTest::finiteSection(s)) << sampleRate << " " << centre << " " << widthExp;
                    ASSERT_LT(FilterTest::largestPoleRadius(s), 1.0)
                        << sampleRate << " " << centre << " " << widthExp << " " << gain;
                }

    // A second of full-scale noise through a widened band stays bounded.
    design.configure(1, 44100.0, 22050.0 - 1e-4, 1e-9, 24.0);
    Dsp::ChannelHistory<Dsp::DirectFormI, 1> history;
    double largest = 0.0;
    for (double x : testsignals::noise<double>(44100, 12345))
        largest = std::max(largest, std::fabs(history.filterSample(x, design.cascade)));
    EXPECT_LT(largest, 2.0);
}

TEST(BandShelfStability, ProcessorRangeAtEverySampleRate)
{
    Shelf design;
    for (double sampleRate : {8000.0, 11025.0, 16000.0, 22050.0, 32000.0, 44100.0, 48000.0, 96000.0, 192000.0})
        for (int i = 0; i <= 4000; ++i)
        {
            // The processor's Color curve: centre, width and gain rise together.
            const double v = i / 4000.0;
            design.configure(
                1, sampleRate, std::max(16500.0 * v, 80.0), std::max(6000.0 * v, 80.0), std::max(24.0 * v, 1.0));
            const Dsp::SectionCoeffs& s = design.cascade.sections[0];
            ASSERT_TRUE(FilterTest::finiteSection(s)) << sampleRate << " " << v;
            ASSERT_LT(FilterTest::largestPoleRadius(s), 1.0) << sampleRate << " " << v;
        }
}

TEST(BandShelfStability, AnyCentreWidthAndSampleRate)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    const double frequencies[] = {
        -inf, -1e308, -20000.0, -1.0, 0.0, 1e-300, 0.01, 80.0, 11025.0, 16500.0, 22050.0, 1e6, 1e308, inf, nan};
    const double sampleRates[] = {-44100.0, 0.0, 1e-300, 1.0, 22050.0, 44100.0, 1e308, inf, nan};
    Shelf design;
    for (double sampleRate : sampleRates)
        for (double centre : frequencies)
            for (double width : frequencies)
                for (double gain : {-24.0, 0.0, 24.0})
                {
                    design.configure(1, sampleRate, centre, width, gain);
                    const Dsp::SectionCoeffs& s = design.cascade.sections[0];
                    ASSERT_TRUE(FilterTest::finiteSection(s))
                        << sampleRate << " " << centre << " " << width << " " << gain;
                    ASSERT_LT(FilterTest::largestPoleRadius(s), 1.0)
                        << sampleRate << " " << centre << " " << width << " " << gain;
                }

    // A fine grid over ordinary values, bands past both ends included.
    for (double sampleRate : {8000.0, 22050.0, 44100.0, 192000.0})
        for (double centre = -3000.0; centre <= 120000.0; centre += 731.0)
            for (double width = -500.0; width <= 60000.0; width += 457.0)
            {
                design.configure(1, sampleRate, centre, width, 24.0);
                const Dsp::SectionCoeffs& s = design.cascade.sections[0];
                ASSERT_LT(FilterTest::largestPoleRadius(s), 1.0) << sampleRate << " " << centre << " " << width;
                // Past the Nyquist frequency no pole comes near z = -1, where
                // the first section's +-1e-8 offset would be amplified by
                // 1 / (1 - a1 + a2).
                if (centre + 0.5 * width > 0.5 * sampleRate)
                {
                    ASSERT_LT(1e-8 / std::fabs(1.0 - s.a1 + s.a2), 1e-6) << sampleRate << " " << centre << " " << width;
                }
            }
}

} // namespace
