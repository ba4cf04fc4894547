#include "tests/support/RenderSet.h"
#include "tests/support/TestSignals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

namespace renderset
{
using testsignals::Noise;
using testsignals::sineOfCycles;

namespace
{
using Events = std::vector<Event>;

Event param(long frame, int index, double value)
{
    return {frame, Event::parameter, index, value};
}

// Color moves every `every` frames through the values, from frame `from` on.
Events colorSteps(long from, long every, const std::vector<double>& values)
{
    Events e;
    for (std::size_t i = 0; i < values.size(); ++i)
        e.push_back(param(from + every * static_cast<long>(i), 2, values[i]));
    return e;
}

Case make(std::string name, double rate, int channels, long frames, std::vector<int> blocks, float gain, float punch,
    float color, float level, std::uint32_t seed, Events events = {})
{
    Case c;
    c.name = std::move(name);
    c.sampleRate = rate;
    c.channels = channels;
    c.frames = frames;
    c.blocks = std::move(blocks);
    c.gain = gain;
    c.punch = punch;
    c.color = color;
    c.level = level;
    c.seed = seed;
    c.events = std::move(events);
    return c;
}

const std::vector<int> b512{512};
const std::vector<int> b1{1};
const std::vector<int> b127{127};
const std::vector<int> b4096{4096};
const std::vector<int> odd{7, 333, 1, 65, 1000, 3};
const std::vector<int> varying{1, 7, 512, 33, 1024, 2, 4096, 129, 64, 480};

std::vector<Case> buildCases()
{
    constexpr long n = 16384;
    std::vector<Case> list;

    // Fixed parameters: defaults, heavy drive, extremes, a hard-driven limiter.
    list.push_back(make("defaults_44100_b512", 44100, 2, n, b512, 0.5f, 0.0f, 0.0f, 0.5f, 1));
    list.push_back(make("heavy_44100_b512", 44100, 2, n, b512, 0.5f, 0.5f, 0.5f, 0.25f, 2));
    list.push_back(make("heavy_48000_odd", 48000, 2, n, odd, 0.5f, 0.5f, 0.5f, 0.25f, 3));
    list.push_back(make("heavy_22050_varying", 22050, 2, n, varying, 0.5f, 0.5f, 0.5f, 0.25f, 4));
    list.push_back(make("heavy_96000_varying", 96000, 2, n, varying, 0.5f, 0.5f, 0.5f, 0.25f, 5));
    list.push_back(make("heavy_192000_b512", 192000, 2, n, b512, 0.5f, 0.5f, 0.5f, 0.25f, 6));
    list.push_back(make("defaults_192000_b1", 192000, 2, n, b1, 0.5f, 0.0f, 0.0f, 0.5f, 7));
    list.push_back(make("zeros_48000_b127", 48000, 2, n, b127, 0.0f, 0.0f, 0.0f, 0.5f, 8));
    list.push_back(make("ones_44100_varying", 44100, 2, n, varying, 1.0f, 1.0f, 1.0f, 0.5f, 9));
    list.push_back(make("limiter_96000_b4096", 96000, 2, n, b4096, 1.0f, 1.0f, 0.3f, 1.0f, 10));
    list.push_back(make("widthonly_88200_odd", 88200, 2, n, odd, 0.62f, 1.0f / 3.0f, 0.2f, 0.8f, 11));
    list.push_back(make("outofrange_44100_b512", 44100, 2, n, b512, -0.5f, 1.5f, 1.2f, 0.3f, 12));
    list.push_back(make("heavy_8000_varying", 8000, 2, n, varying, 0.5f, 0.5f, 0.5f, 0.25f, 13));
    list.push_back(make("ones_11025_odd", 11025, 2, n, odd, 1.0f, 1.0f, 1.0f, 0.7f, 14));

    // Mono arrangement.
    list.push_back(make("mono_heavy_44100_varying", 44100, 1, n, varying, 0.5f, 0.5f, 0.5f, 0.25f, 15));
    list.push_back(make("mono_defaults_22050_b1", 22050, 1, n, b1, 0.5f, 0.0f, 0.0f, 0.5f, 16));
    list.push_back(make("mono_ones_192000_odd", 192000, 1, n, odd, 1.0f, 1.0f, 1.0f, 0.9f, 17));

    // Automation between blocks: all three parameters, a Color change while a
    // glide still runs, several changes at one boundary, Punch every block.
    {
        Events e{param(0, 1, 0.2), param(1500, 0, 0.8), param(2000, 2, 0.4), param(2600, 2, 0.7), param(2600, 0, 0.3),
            param(4000, 2, 0.1), param(4000, 2, 0.9), param(4000, 2, 0.55), param(6000, 1, 1.0), param(9000, 0, 0.0),
            param(9100, 0, 1.0), param(12000, 2, 0.0)};
        for (long f = 13000; f < 15000; f += 97)
            e.push_back(param(f, 1, 0.25 + 0.5 * static_cast<double>((f / 97) % 5) / 4.0));
        list.push_back(make("automation_44100_varying", 44100, 2, n, varying, 0.5f, 0.0f, 0.0f, 0.4f, 18, e));
        list.push_back(make("automation_48000_b1", 48000, 2, n, b1, 0.5f, 0.0f, 0.0f, 0.4f, 19, e));
        list.push_back(make("mono_automation_96000_odd", 96000, 1, n, odd, 0.5f, 0.0f, 0.0f, 0.4f, 20, e));
    }

    // Glides: Color always on the move, at glide length and faster, across the
    // Nyquist/DC normalisation switch and back to the floors.
    {
        std::vector<double> values;
        for (int i = 0; i < 22; ++i)
            values.push_back(static_cast<double>((i * 7) % 11) / 10.0);
        list.push_back(
            make("glide700_48000_b1", 48000, 2, n, b1, 0.5f, 0.5f, 0.0f, 0.25f, 21, colorSteps(700, 700, values)));
        list.push_back(
            make("glide1024_96000_odd", 96000, 2, n, odd, 0.5f, 0.5f, 0.0f, 0.25f, 22, colorSteps(0, 1024, values)));
        list.push_back(make(
            "glide300_44100_varying", 44100, 2, n, varying, 0.6f, 0.3f, 0.2f, 0.3f, 23, colorSteps(100, 300, values)));
        list.push_back(make("mono_glide_44100_varying", 44100, 1, n, varying, 0.5f, 0.5f, 0.1f, 0.25f, 24,
            colorSteps(50, 1024, values)));
        list.push_back(make("glidecross_22050_b512", 22050, 2, n, b512, 0.5f, 0.4f, 0.0f, 0.3f, 25,
            colorSteps(512, 1536, {0.3, 0.35, 0.9, 0.0, 1.0, 0.001, 0.334, 0.04, 0.2})));
        list.push_back(make(
            "glide_192000_varying", 192000, 2, n, varying, 0.5f, 0.5f, 0.5f, 0.25f, 26, colorSteps(10, 900, values)));
    }

    // The host switches the plug-in off and on, and changes the sample rate.
    {
        Events e{param(0, 2, 0.6), param(3000, 2, 0.2), {5000, Event::mainsCycle, 0, 0.0}, param(7000, 1, 0.9),
            {9000, Event::newRate, 0, 96000.0}, param(9500, 2, 0.8), {12000, Event::newRate, 0, 22050.0},
            param(14000, 0, 0.7)};
        list.push_back(make("prepare_44100_varying", 44100, 2, n, varying, 0.5f, 0.5f, 0.3f, 0.3f, 27, e));
        list.push_back(make("mono_prepare_44100_odd", 44100, 1, n, odd, 0.5f, 0.5f, 0.3f, 0.3f, 28, e));
    }

    // Automation whose output once hung on whether the C library ran its
    // code for processors with fused multiply-add (three of the random cases).
    for (std::uint32_t seed : {24u, 74u, 249u})
    {
        Case c = randomCase(seed);
        c.name = "automation_random" + std::to_string(seed);
        list.push_back(c);
    }
    return list;
}
} // namespace

const std::vector<Case>& cases()
{
    static const std::vector<Case> list = buildCases();
    return list;
}

Case randomCase(std::uint32_t seed)
{
    Noise rng(seed ^ 0x9e3779b9u);
    auto uniform = [&rng] { return rng.next() * 0.5 + 0.5; }; // [0, 1)
    auto below = [&uniform](int limit) { return static_cast<int>(uniform() * limit); };
    // Parameters: mostly inside 0..1, the ends and a few values beyond.
    auto value = [&]
    {
        const int k = below(10);
        return k == 0 ? 0.0 : k == 1 ? 1.0 : k == 2 ? uniform() * 3.0 - 1.0 : uniform();
    };

    static const double rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};
    Case c;
    c.name = "random_" + std::to_string(seed);
    c.sampleRate = below(4) == 0 ? 8000.0 + uniform() * 184000.0 : rates[below(11)];
    c.channels = below(4) == 0 ? 1 : 2;
    c.frames = 2000 + below(14000);
    const int pattern = below(5);
    const int numBlocks = 1 + below(8);
    for (int i = 0; i < numBlocks; ++i)
        c.blocks.push_back(pattern == 0 ? 1 : pattern == 1 ? 1 + below(16) : 1 + below(pattern == 2 ? 600 : 4500));
    c.gain = static_cast<float>(value());
    c.punch = static_cast<float>(value());
    c.color = static_cast<float>(value());
    c.level = static_cast<float>(below(3) == 0 ? uniform() * 1.5 : uniform() * 0.5);
    c.seed = seed;

    const int numEvents = below(40);
    long frame = 0;
    for (int i = 0; i < numEvents; ++i)
    {
        frame += below(4) == 0 ? 0 : below(1500);
        const int k = below(20);
        if (k == 0)
            c.events.push_back({frame, Event::mainsCycle, 0, 0.0});
        else if (k == 1)
            c.events.push_back({frame, Event::newRate, 0, rates[below(11)]});
        else
            c.events.push_back(param(frame, k < 12 ? 2 : k < 16 ? 1 : 0, value()));
    }
    return c;
}

Render makeInput(const Case& c)
{
    constexpr long segment = 2048;
    Render out(static_cast<std::size_t>(c.channels), std::vector<float>(static_cast<std::size_t>(c.frames)));
    const double level = c.level;
    const double nyquist = c.sampleRate * 0.5;

    for (int ch = 0; ch < c.channels; ++ch)
    {
        Noise noise(c.seed * 31u + static_cast<std::uint32_t>(ch) * 7u + 1u);
        double phase = ch * 0.25;
        double decay = 1.0;
        std::vector<float>& x = out[static_cast<std::size_t>(ch)];
        for (long i = 0; i < c.frames; ++i)
        {
            const long s = i / segment;
            const long t = i % segment;
            const int kind = static_cast<int>((s + static_cast<long>(c.seed)) % 8);
            // A linear sweep from 20 Hz to 0.9 of the Nyquist frequency per segment.
            const double freq = 20.0 + (nyquist * 0.9 - 20.0) * static_cast<double>(t) / segment;
            phase += freq / c.sampleRate;
            if (t == 0)
                decay = 1.0;
            decay *= 0.9993;
            const double r = noise.next();
            double v = 0.0;
            switch (kind)
            {
                case 0:
                    v = r * level;
                    break;
                case 1:
                    v = sineOfCycles(phase) * level;
                    break;
                case 2:
                    v = (r * 0.5 + sineOfCycles(phase) * 0.5) * level;
                    break;
                case 3:
                    v = 0.0;
                    break;
                case 4:
                    v = r * 2.5 * level * decay;
                    break;
                case 5:
                    v = r * 1e-5;
                    break;
                case 6:
                    v = level * 0.7 + (t % 100 == 0 ? (ch == 0 ? level : -level) : 0.0);
                    break;
                default:
                    v = ((t / 50) % 2 == 0 ? level : -level) * (ch == 0 ? 1.0 : 0.8);
                    break;
            }
            x[static_cast<std::size_t>(i)] = static_cast<float>(v);
        }
    }
    return out;
}

bool render(const std::shared_ptr<velmohost::PluginLibrary>& library, const Case& c, Render& out, std::string& error)
{
    const int largestBlock = *std::max_element(c.blocks.begin(), c.blocks.end());
    velmohost::HostSettings settings;
    settings.sampleRate = c.sampleRate;
    settings.blockSize = largestBlock;
    auto plugin = velmohost::Plugin::create(library, error, settings);
    if (!plugin)
        return false;
    plugin->open();
    plugin->setSampleRate(c.sampleRate);
    plugin->setBlockSize(largestBlock);
    if (!plugin->setSpeakerArrangement(c.channels, c.channels))
    {
        error = "the plug-in refused the arrangement";
        return false;
    }
    plugin->setParameter(0, c.gain);
    plugin->setParameter(1, c.punch);
    plugin->setParameter(2, c.color);
    plugin->setMains(true);

    const Render in = makeInput(c);
    out.assign(in.size(), std::vector<float>(in[0].size()));
    std::vector<float*> ins(in.size()), outs(in.size());
    std::size_t nextEvent = 0;
    std::size_t blockIndex = 0;
    for (long done = 0; done < c.frames;)
    {
        for (; nextEvent < c.events.size() && c.events[nextEvent].frame <= done; ++nextEvent)
        {
            const Event& e = c.events[nextEvent];
            switch (e.kind)
            {
                case Event::parameter:
                    plugin->setParameter(e.index, static_cast<float>(e.value));
                    break;
                case Event::mainsCycle:
                    plugin->setMains(false);
                    plugin->setMains(true);
                    break;
                case Event::newRate:
                    plugin->setMains(false);
                    plugin->setSampleRate(e.value);
                    plugin->setMains(true);
                    break;
            }
        }
        const int n = static_cast<int>(std::min<long>(c.blocks[blockIndex % c.blocks.size()], c.frames - done));
        ++blockIndex;
        for (std::size_t ch = 0; ch < in.size(); ++ch)
        {
            ins[ch] = const_cast<float*>(in[ch].data()) + done;
            outs[ch] = out[ch].data() + done;
        }
        plugin->processReplacing(ins.data(), outs.data(), n);
        done += n;
    }
    plugin->setMains(false);
    return true;
}

std::uint64_t checksum(const Render& r)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const auto& channel : r)
        for (float f : channel)
        {
            std::uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            for (int b = 0; b < 4; ++b)
            {
                h ^= (bits >> (8 * b)) & 0xffu;
                h *= 1099511628211ull;
            }
        }
    return h;
}

std::string hex(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        s[static_cast<std::size_t>(i)] = digits[value & 0xf];
    return s;
}

Difference compare(const Render& a, const Render& b)
{
    Difference d;
    if (a.size() != b.size())
    {
        d.largest = std::numeric_limits<double>::infinity();
        return d;
    }
    for (std::size_t ch = 0; ch < a.size(); ++ch)
    {
        if (a[ch].size() != b[ch].size())
        {
            d.largest = std::numeric_limits<double>::infinity();
            return d;
        }
        for (std::size_t i = 0; i < a[ch].size(); ++i)
        {
            if (std::memcmp(&a[ch][i], &b[ch][i], sizeof(float)) == 0)
                continue;
            ++d.differingSamples;
            double diff = std::fabs(static_cast<double>(a[ch][i]) - static_cast<double>(b[ch][i]));
            if (std::isnan(diff))
                diff = std::numeric_limits<double>::infinity();
            if (d.channel < 0 || diff > d.largest)
            {
                d.largest = diff;
                d.channel = static_cast<int>(ch);
                d.frame = static_cast<long>(i);
            }
        }
    }
    return d;
}

bool writeRender(const std::string& path, const Render& r)
{
    std::ofstream file(path, std::ios::binary);
    for (const auto& channel : r)
        for (float f : channel)
        {
            std::uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
            file.write(reinterpret_cast<const char*>(bytes), 4);
        }
    return static_cast<bool>(file);
}

bool readRender(const std::string& path, int channels, long frames, Render& r)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    r.assign(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    for (auto& channel : r)
        for (float& f : channel)
        {
            unsigned char bytes[4];
            if (!file.read(reinterpret_cast<char*>(bytes), 4))
                return false;
            const std::uint32_t bits =
                static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
            std::memcpy(&f, &bits, sizeof f);
        }
    return true;
}

bool readChecksums(const std::string& path, std::vector<std::pair<std::string, std::string>>& list)
{
    std::ifstream file(path);
    if (!file)
        return false;
    list.clear();
    std::string line;
    while (std::getline(file, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string name, sum;
        if (words >> name >> sum)
            list.emplace_back(name, sum);
    }
    return true;
}
} // namespace renderset
