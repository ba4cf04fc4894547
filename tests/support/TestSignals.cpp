#include "tests/support/TestSignals.h"

#include <algorithm>
#include <cmath>

namespace testsignals
{
double sineOfCycles(double p)
{
    p -= static_cast<double>(static_cast<long long>(p));
    if (p >= 0.5)
        p -= 1.0;
    if (p < -0.5)
        p += 1.0;
    const double x = p * 6.283185307179586;
    const double x2 = x * x;
    double s = 1.0 / 355687428096000.0; // 1/17!
    s = s * -x2 + 1.0 / 1307674368000.0;
    s = s * -x2 + 1.0 / 6227020800.0;
    s = s * -x2 + 1.0 / 39916800.0;
    s = s * -x2 + 1.0 / 362880.0;
    s = s * -x2 + 1.0 / 5040.0;
    s = s * -x2 + 1.0 / 120.0;
    s = s * -x2 + 1.0 / 6.0;
    s = s * -x2 + 1.0;
    return s * x;
}

float programme(int channel, long frame, float level)
{
    const double t = static_cast<double>(frame);
    const double swell = std::exp(-std::fmod(t, 4000.0) / 600.0);
    const double v = channel % 2 == 0 ? 6.0 / 7.0 * swell * std::sin(t * 0.021) + 1.0 / 7.0 * std::sin(t * 0.33)
                                      : 0.8 * swell * std::sin(t * 0.017 + 1.0) + 0.2 * std::sin(t * 0.29);
    return static_cast<float>(level * v);
}

std::vector<std::vector<float>> programme(int channels, long frames, long first)
{
    std::vector<std::vector<float>> s(
        static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    for (int c = 0; c < channels; ++c)
        for (long i = 0; i < frames; ++i)
            s[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                programme(c, first + i, c % 2 == 0 ? 0.7f : 0.5f);
    return s;
}

const std::vector<Kind>& kinds()
{
    static const std::vector<Kind> list = {
        {"noise", [](int frames, double) { return noise(static_cast<std::size_t>(frames), 5); }},
        {"silence", [](int frames, double) { return std::vector<float>(static_cast<std::size_t>(frames), 0.0f); }},
        {"full-scale square",
            [](int frames, double rate)
            {
                std::vector<float> s(static_cast<std::size_t>(frames));
                const long period = std::max(2L, std::lround(rate / 100.0));
                for (int i = 0; i < frames; ++i)
                    s[static_cast<std::size_t>(i)] = (i % period) < period / 2 ? 1.0f : -1.0f;
                return s;
            }},
        {"DC", [](int frames, double) { return std::vector<float>(static_cast<std::size_t>(frames), 1.0f); }},
        {"impulses",
            [](int frames, double)
            {
                std::vector<float> s(static_cast<std::size_t>(frames), 0.0f);
                for (int i = 0; i < frames; i += 3001)
                    s[static_cast<std::size_t>(i)] = (i / 3001) % 2 == 0 ? 1.0f : -1.0f;
                return s;
            }},
        {"sweep",
            [](int frames, double rate)
            {
                // Exponential in frequency.
                std::vector<float> s(static_cast<std::size_t>(frames));
                const double k = std::log(rate / 2.0 / 20.0) / frames;
                double cycles = 0.0;
                for (int i = 0; i < frames; ++i)
                {
                    cycles += 20.0 * std::exp(k * i) / rate;
                    s[static_cast<std::size_t>(i)] = static_cast<float>(sineOfCycles(cycles));
                }
                return s;
            }},
    };
    return list;
}
} // namespace testsignals
