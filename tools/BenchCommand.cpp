// velmo-host bench: the cost of VST 2.4 libraries through their replacing
// process entry, with one fixed signal, side by side.
#include "tools/BenchSignal.h"

#include "tools/HostCommands.h"
#include "tools/VstHost.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velmohost
{
namespace
{
constexpr float glideLow = 0.25f, glideHigh = 0.75f;

bool number(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == 0;
}

int parameterIndex(Plugin& plugin, const std::string& name)
{
    double d = 0.0;
    if (number(name, d))
        return d >= 0.0 && d < plugin.effect()->numParams && d == std::floor(d) ? static_cast<int>(d) : -1;
    return plugin.findParameter(name);
}

double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Instance
{
    std::string path;
    std::unique_ptr<Plugin> plugin;
    int glideIndex = -1;
    std::vector<double> cpuNs, wallNs; // per stereo sample, one per run
};

// One pass of the whole signal through an instance; seconds of thread CPU
// time and of wall-clock time.
std::pair<double, double> runOnce(Instance& inst, const HostOptions& o, const std::vector<std::vector<float>>& in,
    std::vector<std::vector<float>>& out, std::vector<float>& silence)
{
    Plugin& p = *inst.plugin;
    const int numIn = std::max(p.effect()->numInputs, 0);
    const int numOut = std::max(p.effect()->numOutputs, 0);
    std::vector<float*> ins(static_cast<std::size_t>(std::max(numIn, 1))),
        outs(static_cast<std::size_t>(std::max(numOut, 1)));
    const long frames = static_cast<long>(in[0].size());
    bool high = false;
    long nextGlide = 0;

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = threadSeconds();
    for (long done = 0; done < frames;)
    {
        if (inst.glideIndex >= 0 && done >= nextGlide)
        {
            high = !high;
            p.setParameter(inst.glideIndex, high ? glideHigh : glideLow);
            nextGlide += o.glideEvery;
        }
        int n = static_cast<int>(std::min<long>(o.block, frames - done));
        if (inst.glideIndex >= 0)
            n = static_cast<int>(std::min<long>(n, nextGlide - done));
        for (int c = 0; c < numIn; ++c)
            ins[static_cast<std::size_t>(c)] =
                c < 2 ? const_cast<float*>(in[static_cast<std::size_t>(c)].data()) + done : silence.data();
        for (int c = 0; c < numOut; ++c)
            outs[static_cast<std::size_t>(c)] = out[static_cast<std::size_t>(std::min(c, 2))].data() + done;
        p.processReplacing(ins.data(), outs.data(), n);
        done += n;
    }
    const double cpu = threadSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return {cpu, wall};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}
} // namespace

int runBench(const std::vector<std::string>& pluginPaths, const HostOptions& options)
{
    const double rate = options.rate.value_or(44100);
    const double seconds = options.seconds.value_or(30.0);
    const HostOptions& o = options;
    std::string error;

    const long frames = std::max(1L, static_cast<long>(seconds * rate));
    const auto signal = benchSignal(rate, frames);
    // Output channels 0 and 1, a third for any further ones; silence for
    // inputs beyond two.
    std::vector<std::vector<float>> out(3, std::vector<float>(static_cast<std::size_t>(frames)));
    std::vector<float> silence(static_cast<std::size_t>(frames), 0.0f);

    std::vector<Instance> instances;
    for (const std::string& path : pluginPaths)
    {
        HostSettings settings;
        settings.sampleRate = rate;
        settings.blockSize = o.block;
        Instance inst;
        inst.path = path;
        inst.plugin = Plugin::load(path, error, settings);
        if (!inst.plugin)
            return report(runError, error);
        Plugin& p = *inst.plugin;
        p.open();
        p.setSampleRate(rate);
        p.setBlockSize(o.block);
        for (const ParameterSetting& setting : o.params)
        {
            const int index = parameterIndex(p, setting.name);
            if (index < 0)
                return report(runError, path + " has no parameter " + setting.name);
            p.setParameter(index, setting.value);
        }
        if (o.glideEvery > 0)
        {
            inst.glideIndex = parameterIndex(p, o.glideParam);
            if (inst.glideIndex < 0)
                return report(runError, path + " has no parameter " + o.glideParam);
        }
        p.setMains(true);
        instances.push_back(std::move(inst));
    }

    std::printf("bench: %.1f s of noise and a sweep at -12 dBFS, %.0f Hz, blocks of %d", seconds, rate, o.block);
    if (o.glideEvery > 0)
        std::printf(", %s changing every %ld samples", o.glideParam.c_str(), o.glideEvery);
    std::printf(", %d runs in turn\n", o.runs);

    // A warm-up pass each, then the runs in turn, so that drifts of the
    // machine's speed hit every library alike.
    for (Instance& inst : instances)
        runOnce(inst, o, signal, out, silence);
    for (int r = 0; r < o.runs; ++r)
        for (Instance& inst : instances)
        {
            const auto [cpu, wall] = runOnce(inst, o, signal, out, silence);
            inst.cpuNs.push_back(cpu * 1e9 / static_cast<double>(frames));
            inst.wallNs.push_back(wall * 1e9 / static_cast<double>(frames));
        }

    std::printf("%-48s %14s %12s %14s\n", "plug-in", "ns/sample", "realtime", "wall ns/sample");
    for (Instance& inst : instances)
    {
        const double cpu = median(inst.cpuNs);
        const double wall = median(inst.wallNs);
        std::printf("%-48s %14.2f %11.0fx %14.2f\n", inst.path.c_str(), cpu, 1e9 / (cpu * rate), wall);
    }
    std::printf("(medians; ns of thread CPU time per stereo sample; realtime = audio time / CPU time)\n");
    return 0;
}
} // namespace velmohost
