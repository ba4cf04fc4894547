#include "tools/BenchSignal.h"

#include <cmath>
#include <cstdint>

namespace velmohost
{
std::vector<std::vector<float>> benchSignal(double rate, long frames)
{
    std::vector<std::vector<float>> s(2, std::vector<float>(static_cast<std::size_t>(frames)));
    std::uint32_t state = 22222u;
    constexpr double twoPi = 6.283185307179586;
    const double k = std::log(20000.0 / 20.0);
    const double duration = static_cast<double>(frames) / rate;
    for (long i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const double phase = twoPi * 20.0 * duration / k * (std::exp(t / duration * k) - 1.0);
        const double sweep = 0.125 * std::sin(phase);
        for (int c = 0; c < 2; ++c)
        {
            state = state * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(state >> 8) / 8388608.0 - 1.0) * 0.125;
            s[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = static_cast<float>(noise + sweep);
        }
    }
    return s;
}
} // namespace velmohost
