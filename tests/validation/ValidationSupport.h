// The validation suite's common ground: the built Velmo.so through the test
// host (PluginTestSupport.h), the checks made on every output block, and the
// figures the suite prints when a program ends. The signals are the tests'
// common ones (tests/support/TestSignals.h).
#pragma once

#include "tests/wrapper/PluginTestSupport.h"

#include <atomic>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace Validation
{
using namespace PluginTest;
using testsignals::kinds;

// Built with a sanitizer, where everything runs many times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
constexpr bool sanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool sanitized = false;
#endif

// What the suite did; printed when a test program ends.
struct Figures
{
    std::atomic<long> instancesOpened{0};
    std::atomic<long> rateAndBlockSizeRuns{0};
    std::atomic<long> automationEvents{0};
    std::atomic<long> inputsTried{0};
    std::atomic<long> blocksChecked{0};
    std::atomic<long> chunksSet{0};

    // The slowest effSetChunk so far.
    void noteChunk(double milliseconds, std::size_t bytes, const std::string& what);

    std::mutex mutex;
    double slowestChunkMs = 0.0;
    std::string slowestChunk;
};

Figures& figures();

// A new instance, opened and counted; fails the test when there is none.
std::unique_ptr<Plugin> openInstance(HostSettings settings = {});

// Largest magnitude the chain lets out at a Gain value: the limiter's 0.999
// times the output gain (-36 dB at 0, 0 dB at 0.5, +4 dB at 1 and above).
float peakLimit(float gain);

// Counts what must never leave the plug-in: NaN, infinities, subnormals and
// samples beyond the limit.
struct OutputCheck
{
    explicit OutputCheck(float peakLimit = std::numeric_limits<float>::max()) : limit(peakLimit) {}

    void check(const float* samples, int count);
    bool clean() const { return nans + infinities + subnormals + overLimit == 0; }
    std::string report() const;

    float limit;
    float peak = 0.0f;
    long nans = 0, infinities = 0, subnormals = 0, overLimit = 0;
};

// Sets channel layout (1 or 2 channels in and out) and the rate and block
// size, then switches the instance on.
void prepare(Plugin& plugin, int channels, double rate, int maxBlock);

// Runs `input` (one vector per channel) through processReplacing in blocks
// whose sizes nextBlock() chooses, checking each output block with
// checkBlock(first frame, frames, outputs). Answers the number of blocks.
long runBlocks(Plugin& plugin, const std::vector<std::vector<float>>& input, const std::function<int()>& nextBlock,
    const std::function<void(long first, int frames, float* const* out)>& checkBlock);

// The right channel made from the left: inverted and delayed, so the side
// signal is not zero.
std::vector<std::vector<float>> asChannels(const std::vector<float>& mono, int channels);
} // namespace Validation
