// Digests of the maths layer's results, shared by its tests and by the tool
// that writes the committed digests (maths-digests).
//
// Float functions: all 2^32 inputs in 256 blocks of 2^24 consecutive bit
// patterns (block k holds the inputs whose top byte is k); each block's
// digest is the 64-bit FNV-1a of its results' bytes, little-endian, in input
// order. powf is taken as the audio path calls it, 10^y over every y.
//
// Double functions: a fixed sequence of samples per function from a seeded
// generator, mixing the ranges the filter design uses with arbitrary bit
// patterns (every exponent, zeros, subnormals, infinities, NaNs).
#pragma once

#include "dsp/maths/Maths.h"

#include <algorithm>
#include <atomic>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mathsdigests
{
constexpr int blockBits = 24;
constexpr int blockCount = 1 << (32 - blockBits);
constexpr std::uint64_t fnvOffset = 0xcbf29ce484222325ull;

inline std::uint64_t fnv(std::uint64_t h, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
    {
        h ^= (value >> (8 * i)) & 0xff;
        h *= 0x100000001b3ull;
    }
    return h;
}

inline std::uint32_t bitsOf(float x)
{
    std::uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline std::uint64_t bitsOf(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline float floatFrom(std::uint32_t b)
{
    float x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

inline double doubleFrom(std::uint64_t b)
{
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

inline std::string hex(std::uint64_t v)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

using FloatFunction = float (*)(float);

struct FloatCase
{
    const char* name;
    FloatFunction layer;
};

inline float layerPow10(float y)
{
    return Maths::power(10.0f, y);
}

inline const std::vector<FloatCase>& floatCases()
{
    static const std::vector<FloatCase> cases = {
        {"expf", [](float x) { return Maths::exponential(x); }},
        {"logf", [](float x) { return Maths::logarithm(x); }},
        {"powf10", layerPow10},
    };
    return cases;
}

inline std::uint64_t blockDigest(FloatFunction f, int block)
{
    std::uint64_t h = fnvOffset;
    const std::uint32_t first = static_cast<std::uint32_t>(block) << blockBits;
    for (std::uint32_t i = 0; i < (1u << blockBits); ++i)
        h = fnv(h, bitsOf(f(floatFrom(first + i))), 4);
    return h;
}

// The digests of the given blocks, on as many threads as the machine has.
inline std::vector<std::uint64_t> blockDigests(FloatFunction f, const std::vector<int>& blocks)
{
    std::vector<std::uint64_t> digests(blocks.size());
    std::atomic<std::size_t> next{0};
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back(
            [&]
            {
                for (std::size_t i = next++; i < blocks.size(); i = next++)
                    digests[i] = blockDigest(f, blocks[i]);
            });
    for (auto& w : workers)
        w.join();
    return digests;
}

// The blocks holding every input from lo to hi (same sign).
inline std::vector<int> blocksBetween(float lo, float hi)
{
    std::uint32_t a = bitsOf(lo) >> blockBits, b = bitsOf(hi) >> blockBits;
    if (a > b)
        std::swap(a, b);
    std::vector<int> blocks;
    for (std::uint32_t k = a; k <= b; ++k)
        blocks.push_back(static_cast<int>(k));
    return blocks;
}

// The blocks that hold the inputs the audio path gives each function: the
// compressor's exponent (about -4 to 0) and detector level (0 to 20), and the
// drive and output gains (10^y, y from -1.8 to 3.2).
inline std::vector<int> audioPathBlocks(const std::string& name)
{
    if (name == "expf")
        return blocksBetween(-0.0f, -8.0f);
    if (name == "logf")
        return blocksBetween(0.0f, 32.0f);
    std::vector<int> blocks = blocksBetween(-0.0f, -4.0f);
    const std::vector<int> positive = blocksBetween(0.0f, 4.0f);
    blocks.insert(blocks.end(), positive.begin(), positive.end());
    return blocks;
}

// Seeded generator (splitmix64): the same sequence on every platform.
class Samples
{
public:
    explicit Samples(std::uint64_t seed) : state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi).
    double uniform(double lo, double hi) { return lo + (hi - lo) * (static_cast<double>(next() >> 11) * 0x1p-53); }

    // Any bit pattern, or now and then one of the special values.
    double anyDouble()
    {
        static const double specials[] = {0.0, -0.0, 1.0, -1.0, 0x1p-1074, -0x1p-1022, 0x1.fffffffffffffp1023,
            -0x1.fffffffffffffp1023, __builtin_inf(), -__builtin_inf(), __builtin_nan("")};
        const std::uint64_t r = next();
        if ((r & 15) == 0)
            return specials[(r >> 4) % std::size(specials)];
        return doubleFrom(next());
    }

private:
    std::uint64_t state;
};

constexpr int sampleCount = 1 << 20;

// The i-th sample of each kind: every fourth one arbitrary (mixed with the
// others' parts), the rest from the range the filter design gives.
struct PowInput
{
    double x, y;
};

inline PowInput powInput(Samples& s, int i)
{
    switch (i % 4)
    {
        case 0:
        {
            const double x = s.anyDouble();
            return {x, s.anyDouble()};
        }
        case 1:
            return {10.0, s.uniform(-100.0, 100.0) / 20.0}; // decibels to gain
        case 2:
            return {s.uniform(0.0, 40.0), 0.5}; // the shelf's root
        default:
            return {0.01, 1.0 / (s.uniform(0.0, 1e8) * 0.001)}; // the follower's decay
    }
}

inline double angleInput(Samples& s, int i)
{
    return i % 4 == 0 ? s.anyDouble() : s.uniform(-8.0, 8.0);
}

inline std::complex<double> complexInput(Samples& s, int i)
{
    const double re = i % 4 == 0 ? s.anyDouble() : s.uniform(-40.0, 40.0);
    const double im = i % 4 == 3 ? s.anyDouble() : s.uniform(-40.0, 40.0);
    return {re, im};
}

// Each double function over its samples; visit(input..., result...) per sample.
template <typename Visit>
void forPowSamples(int count, Visit visit)
{
    Samples s(1);
    for (int i = 0; i < count; ++i)
    {
        const PowInput in = powInput(s, i);
        visit(in.x, in.y, Maths::power(in.x, in.y));
    }
}

template <typename F, typename Visit>
void forAngleSamples(std::uint64_t seed, int count, F f, Visit visit)
{
    Samples s(seed);
    for (int i = 0; i < count; ++i)
    {
        const double x = angleInput(s, i);
        visit(x, f(x));
    }
}

template <typename F, typename Visit>
void forComplexSamples(std::uint64_t seed, int count, F f, Visit visit)
{
    Samples s(seed);
    for (int i = 0; i < count; ++i)
    {
        const std::complex<double> z = complexInput(s, i);
        visit(z, f(z));
    }
}

template <typename Visit>
void forDivideSamples(int count, Visit visit)
{
    Samples s(6);
    for (int i = 0; i < count; ++i)
    {
        const std::complex<double> n = complexInput(s, i);
        const std::complex<double> d = complexInput(s, i + 1);
        visit(n, d, Maths::divide(n, d));
    }
}

inline std::uint64_t digestOf(std::uint64_t h, double v)
{
    return fnv(h, bitsOf(v), 8);
}
inline std::uint64_t digestOf(std::uint64_t h, std::complex<double> v)
{
    return digestOf(digestOf(h, v.real()), v.imag());
}

inline double sine(double x)
{
    return Maths::sine(x);
}
inline double cosine(double x)
{
    return Maths::cosine(x);
}
inline double tangent(double x)
{
    return Maths::tangent(x);
}
inline std::complex<double> sineCosine(double x)
{
    double s, c;
    Maths::sineCosine(x, s, c);
    return {s, c};
}
inline double magnitude(std::complex<double> z)
{
    return Maths::magnitude(z);
}
inline std::complex<double> squareRoot(std::complex<double> z)
{
    return Maths::squareRoot(z);
}

// The digest of each double function's results over its samples.
inline std::map<std::string, std::uint64_t> sampleDigests(int count = sampleCount)
{
    std::map<std::string, std::uint64_t> d;
    std::uint64_t h = fnvOffset;
    auto take = [&h](auto result) { h = digestOf(h, result); };
    auto done = [&](const char* name) { d[name] = std::exchange(h, fnvOffset); };
    auto ofAngle = [&](double, auto r) { take(r); };
    auto ofComplex = [&](std::complex<double>, auto r) { take(r); };

    forPowSamples(count, [&](double, double, double r) { take(r); });
    done("pow");
    forAngleSamples(2, count, sine, ofAngle);
    done("sin");
    forAngleSamples(2, count, cosine, ofAngle);
    done("cos");
    forAngleSamples(2, count, sineCosine, ofAngle);
    done("sincos");
    forAngleSamples(3, count, tangent, ofAngle);
    done("tan");
    forDivideSamples(count, [&](std::complex<double>, std::complex<double>, std::complex<double> r) { take(r); });
    done("divide");
    forComplexSamples(4, count, magnitude, ofComplex);
    done("magnitude");
    forComplexSamples(5, count, squareRoot, ofComplex);
    done("squareRoot");
    return d;
}

// The committed digests: "NAME BLOCK DIGEST" for float functions and
// "NAME DIGEST" for double sample sets; '#' starts a comment line.
struct Committed
{
    std::map<std::string, std::vector<std::string>> blocks; // name -> 256 digests
    std::map<std::string, std::string> samples;
};

inline bool readCommitted(const std::string& path, Committed& out)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string name, a, b;
        words >> name >> a >> b;
        if (b.empty())
        {
            out.samples[name] = a;
        }
        else
        {
            auto& list = out.blocks[name];
            list.resize(blockCount);
            list.at(static_cast<std::size_t>(std::stoi(a))) = b;
        }
    }
    return true;
}
} // namespace mathsdigests
