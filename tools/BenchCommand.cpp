#include "tools/BenchCommand.h"

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
struct BenchOptions
{
    std::vector<std::string> plugins;
    std::vector<std::pair<std::string, float>> params;
    double rate = 44100.0;
    int block = 512;
    double seconds = 30.0;
    int runs = 5;
    long glideEvery = 0;              // frames between Color changes; 0: none
    std::string glideParam = "Color";
    float glideLow = 0.25f, glideHigh = 0.75f;
};

bool number(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == 0;
}

bool parse(int argc, char** argv, BenchOptions& o, std::string& error)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        double d = 0.0;
        auto numeric = [&](double low, double high) {
            if (!hasValue || !number(argv[i + 1], d) || !(d >= low && d <= high))
            {
                error = a + " needs a number from " + std::to_string(low) + " to " + std::to_string(high);
                return false;
            }
            ++i;
            return true;
        };
        if (a == "-p" || a == "--param")
        {
            const std::string text = hasValue ? argv[++i] : "";
            const auto eq = text.find('=');
            if (eq == std::string::npos || !number(text.substr(eq + 1), d))
            {
                error = "a parameter is given as NAME=VALUE or INDEX=VALUE: " + text;
                return false;
            }
            o.params.emplace_back(text.substr(0, eq), static_cast<float>(d));
        }
        else if (a == "--rate")
        {
            if (!numeric(1.0, 1e7))
                return false;
            o.rate = d;
        }
        else if (a == "--block")
        {
            if (!numeric(1.0, 65536.0))
                return false;
            o.block = static_cast<int>(d);
        }
        else if (a == "--seconds")
        {
            if (!numeric(0.001, 3600.0))
                return false;
            o.seconds = d;
        }
        else if (a == "--runs")
        {
            if (!numeric(1.0, 1000.0))
                return false;
            o.runs = static_cast<int>(d);
        }
        else if (a == "--glide")
        {
            if (!numeric(1.0, 1e9))
                return false;
            o.glideEvery = static_cast<long>(d);
        }
        else if (a == "--glide-param")
        {
            if (!hasValue)
            {
                error = a + " needs a parameter name or index";
                return false;
            }
            o.glideParam = argv[++i];
        }
        else if (!a.empty() && a[0] == '-')
        {
            error = "unknown option " + a;
            return false;
        }
        else
            o.plugins.push_back(a);
    }
    if (o.plugins.empty())
    {
        error = "bench needs at least one plug-in file";
        return false;
    }
    return true;
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
std::pair<double, double> runOnce(Instance& inst, const BenchOptions& o, const std::vector<std::vector<float>>& in,
                                  std::vector<std::vector<float>>& out, std::vector<float>& silence)
{
    Plugin& p = *inst.plugin;
    const int numIn = std::max(p.effect()->numInputs, 0);
    const int numOut = std::max(p.effect()->numOutputs, 0);
    std::vector<float*> ins(static_cast<std::size_t>(std::max(numIn, 1))), outs(static_cast<std::size_t>(std::max(numOut, 1)));
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
            p.setParameter(inst.glideIndex, high ? o.glideHigh : o.glideLow);
            nextGlide += o.glideEvery;
        }
        int n = static_cast<int>(std::min<long>(o.block, frames - done));
        if (inst.glideIndex >= 0)
            n = static_cast<int>(std::min<long>(n, nextGlide - done));
        for (int c = 0; c < numIn; ++c)
            ins[static_cast<std::size_t>(c)] = c < 2 ? const_cast<float*>(in[static_cast<std::size_t>(c)].data()) + done : silence.data();
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

std::vector<std::vector<float>> benchSignal(double rate, long frames)
{
    std::vector<std::vector<float>> s(2, std::vector<float>(static_cast<std::size_t>(frames)));
    std::uint32_t state = 22222u;
    const double k = std::log(20000.0 / 20.0);
    const double duration = static_cast<double>(frames) / rate;
    for (long i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const double phase = 2.0 * 3.141592653589793 * 20.0 * duration / k * (std::exp(t / duration * k) - 1.0);
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

const char* benchUsage()
{
    return "       velmo-host bench PLUGIN... [-p NAME=VALUE] [--rate HZ] [--block N] [--seconds S]\n"
           "                        [--runs R] [--glide N] [--glide-param NAME]\n";
}

int benchCommand(int argc, char** argv)
{
    BenchOptions o;
    std::string error;
    if (!parse(argc, argv, o, error))
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 2;
    }

    const long frames = static_cast<long>(o.seconds * o.rate);
    const auto signal = benchSignal(o.rate, frames);
    // Output channels 0 and 1, a third for any further ones; silence for
    // inputs beyond two.
    std::vector<std::vector<float>> out(3, std::vector<float>(static_cast<std::size_t>(frames)));
    std::vector<float> silence(static_cast<std::size_t>(frames), 0.0f);

    std::vector<Instance> instances;
    for (const std::string& path : o.plugins)
    {
        HostSettings settings;
        settings.sampleRate = o.rate;
        settings.blockSize = o.block;
        Instance inst;
        inst.path = path;
        inst.plugin = Plugin::load(path, error, settings);
        if (!inst.plugin)
        {
            std::fprintf(stderr, "velmo-host: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        Plugin& p = *inst.plugin;
        p.open();
        p.setSampleRate(o.rate);
        p.setBlockSize(o.block);
        for (const auto& [name, value] : o.params)
        {
            const int index = parameterIndex(p, name);
            if (index < 0)
            {
                std::fprintf(stderr, "velmo-host: %s has no parameter %s\n", path.c_str(), name.c_str());
                return 1;
            }
            p.setParameter(index, value);
        }
        if (o.glideEvery > 0)
        {
            inst.glideIndex = parameterIndex(p, o.glideParam);
            if (inst.glideIndex < 0)
            {
                std::fprintf(stderr, "velmo-host: %s has no parameter %s\n", path.c_str(), o.glideParam.c_str());
                return 1;
            }
        }
        p.setMains(true);
        instances.push_back(std::move(inst));
    }

    std::printf("bench: %.1f s of noise and a sweep at -12 dBFS, %.0f Hz, blocks of %d", o.seconds, o.rate, o.block);
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
        std::printf("%-48s %14.2f %11.0fx %14.2f\n", inst.path.c_str(), cpu, 1e9 / (cpu * o.rate), wall);
    }
    std::printf("(medians; ns of thread CPU time per stereo sample; realtime = audio time / CPU time)\n");
    return 0;
}
} // namespace velmohost
