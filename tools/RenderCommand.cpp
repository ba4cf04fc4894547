// velmo-host render: a file or the generated test signal through the
// plug-in, read, processed and written block by block, so memory stays the
// same whatever the length.
#include "tools/AudioFile.h"
#include "tools/CommandLine.h"
#include "tools/HostCommands.h"
#include "tools/HostSystem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace velmohost
{
namespace
{
using Clock = std::chrono::steady_clock;

std::string durationText(double seconds)
{
    const auto whole = static_cast<long long>(seconds);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

// A progress line on stderr, rewritten in place, once the render has taken
// more than a second; only on a terminal.
class Progress
{
public:
    Progress(bool enabled, std::int64_t totalFrames, int sampleRate)
        : on(enabled), total(totalFrames), rate(sampleRate), start(Clock::now()), last(start)
    {
    }

    void update(std::int64_t done)
    {
        if (!on)
            return;
        const auto now = Clock::now();
        if (now - start < std::chrono::seconds(1) || now - last < std::chrono::milliseconds(200))
            return;
        last = now;
        const double elapsed = std::chrono::duration<double>(now - start).count();
        const double audio = static_cast<double>(done) / rate;
        char text[160];
        if (total > 0)
        {
            const double left =
                elapsed * static_cast<double>(total - done) / static_cast<double>(std::max<std::int64_t>(done, 1));
            std::snprintf(text, sizeof text, "render: %3d%%  %s of %s  %.0fx real time  %s left",
                static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total)),
                durationText(audio).c_str(), durationText(static_cast<double>(total) / rate).c_str(), audio / elapsed,
                durationText(left).c_str());
        }
        else
            std::snprintf(
                text, sizeof text, "render: %s  %.0fx real time", durationText(audio).c_str(), audio / elapsed);
        show(text);
    }

    // Clears the line.
    void finish()
    {
        if (shown > 0)
            show("");
    }

private:
    void show(const std::string& text)
    {
        const std::size_t pad = shown > text.size() ? shown - text.size() : 0;
        std::fprintf(stderr, "\r%s%s\r", text.c_str(), std::string(pad, ' ').c_str());
        std::fflush(stderr);
        shown = text.size();
    }

    bool on;
    std::int64_t total;
    int rate;
    Clock::time_point start, last;
    std::size_t shown = 0;
};

void printLevels(const char* title, const std::vector<LevelMeter>& meters)
{
    static const char* const names[] = {"L", "R"};
    std::printf("%s\n", title);
    for (std::size_t c = 0; c < meters.size(); ++c)
    {
        const Level level = meters[c].level();
        const std::string name = meters.size() == 1 ? "M" : c < 2 ? names[c] : std::to_string(c + 1);
        std::printf(
            "  %-2s peak %-14s rms %s\n", name.c_str(), dbfsText(level.peak).c_str(), dbfsText(level.rms).c_str());
    }
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::exists(b, error) && std::filesystem::equivalent(a, b, error);
}

void removeOutput(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
} // namespace

int runRender(const std::string& pluginPath, const HostOptions& o)
{
    // The source: a file at its own rate, or the generated signal.
    std::string error;
    std::unique_ptr<AudioReader> reader;
    int rate = o.rate.value_or(44100);
    int channels = 2;
    std::int64_t frames = 0;
    int inputSubtype = 0;
    if (!o.input.empty())
    {
        if (o.seconds)
            return report(cli::usageError,
                "--seconds sets the length of the generated signal; it does not apply to -i " + o.input);
        reader = AudioReader::open(o.input, error);
        if (!reader)
            return report(runError, error);
        if (o.rate && *o.rate != reader->sampleRate())
            return report(
                cli::usageError, "--rate " + std::to_string(*o.rate) + " does not match " + o.input + ", which is " +
                                     std::to_string(reader->sampleRate()) +
                                     " Hz: a file renders at its own rate (resample it first to render at another)");
        rate = reader->sampleRate();
        channels = reader->channels();
        frames = reader->frames();
        inputSubtype = reader->format().subtype;
        if (channels < 1 || channels > 2)
            return report(runError,
                o.input + " has " + std::to_string(channels) + " channels; mono and stereo files can be rendered");
    }
    else
        frames = static_cast<std::int64_t>(std::max(0.0, o.seconds.value_or(4.0) * rate));

    FileFormat format;
    std::string note;
    if (!chooseOutputFormat(o.output, o.format, inputSubtype, channels, rate, format, note, error) ||
        !checkLength(format, channels, frames, error))
        return report(cli::usageError, error);
    if (reader && sameFile(o.input, o.output))
        return report(cli::usageError, "the output " + o.output + " is the input file; name another");

    auto plugin = loadPlugin(pluginPath, o);
    if (!plugin)
        return runError;
    plugin->setSampleRate(rate);
    plugin->setBlockSize(o.block);
    if (!plugin->setSpeakerArrangement(channels, channels))
        std::fprintf(
            stderr, "velmo-host: the plug-in refused %d in and %d out; rendering anyway\n", channels, channels);
    if (const int status = applySettings(*plugin, o))
        return status;
    if (o.bypass)
        plugin->setBypass(true);

    auto writer = AudioWriter::open(o.output, format, channels, rate, error);
    if (!writer)
        return report(runError, error);

    const std::string source = reader ? o.input : "generated test signal";
    std::printf("input:  %s, %d channel%s, %d Hz, %.2f s%s\n", source.c_str(), channels, channels == 1 ? "" : "s", rate,
        static_cast<double>(frames) / rate, reader ? (", " + reader->format().describe()).c_str() : "");
    std::printf("plug-in at %d Hz, blocks of %d%s:\n", rate, o.block, o.bypass ? ", bypassed" : "");
    printParameters(*plugin);
    std::printf("output: %s, %s\n", o.output.c_str(), format.describe().c_str());
    if (!note.empty())
        std::printf("        (%s)\n", note.c_str());
    std::fflush(stdout);

    // Chunks of whole blocks, so the plug-in sees the blocks it would see
    // with the whole file at once.
    const long chunk = static_cast<long>(o.block) * std::max(1, 8192 / o.block);
    const auto size = static_cast<std::size_t>(chunk);
    std::vector<std::vector<float>> in(static_cast<std::size_t>(channels), std::vector<float>(size));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(channels), std::vector<float>(size));
    std::vector<float*> inPtrs, outPtrs;
    for (int c = 0; c < channels; ++c)
    {
        inPtrs.push_back(in[static_cast<std::size_t>(c)].data());
        outPtrs.push_back(out[static_cast<std::size_t>(c)].data());
    }
    std::vector<LevelMeter> inLevels(static_cast<std::size_t>(channels)), outLevels(static_cast<std::size_t>(channels));
    TestSignal signal(rate);
    Progress progress(o.progress && stderrIsTerminal(), frames, rate);
    const auto start = Clock::now();

    plugin->setMains(true);
    std::int64_t done = 0;
    bool written = true, interrupted = false;
    for (;;)
    {
        long n = 0;
        if (reader)
            n = reader->read(inPtrs.data(), chunk);
        else
        {
            n = static_cast<long>(std::min<std::int64_t>(chunk, frames - done));
            signal.generate(inPtrs[0], inPtrs[1], n);
        }
        if (n <= 0)
            break;
        for (int c = 0; c < channels; ++c)
            inLevels[static_cast<std::size_t>(c)].add(inPtrs[static_cast<std::size_t>(c)], n);
        plugin->process(inPtrs.data(), channels, outPtrs.data(), channels, n);
        plugin->calls().clear(); // the calls of every block would add up
        for (int c = 0; c < channels; ++c)
            outLevels[static_cast<std::size_t>(c)].add(outPtrs[static_cast<std::size_t>(c)], n);
        if (!writer->write(outPtrs.data(), n))
        {
            written = false;
            break;
        }
        done += n;
        progress.update(done);
        if (stopRequested())
        {
            interrupted = true;
            break;
        }
    }
    plugin->setMains(false);
    progress.finish();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::string closeError;
    const bool closed = writer->close(closeError);
    if (interrupted || !written || !closed)
    {
        removeOutput(o.output);
        if (interrupted)
            return report(130, "interrupted; " + o.output + " removed");
        return report(runError, "cannot write " + o.output + ": " +
                                    (closeError.empty() ? "the write failed" : closeError) +
                                    "; the incomplete file is removed");
    }

    if (reader && frames > 0 && done < frames)
        std::fprintf(stderr, "velmo-host: warning: %s ended after %lld of the %lld frames its header gives\n",
            o.input.c_str(), static_cast<long long>(done), static_cast<long long>(frames));
    printLevels("input levels:", inLevels);
    printLevels("output levels:", outLevels);

    std::int64_t nonFinite = 0;
    for (const LevelMeter& m : outLevels)
        nonFinite += m.nonFinite();
    if (nonFinite > 0)
        std::fprintf(stderr, "velmo-host: warning: %lld output samples are not numbers (NaN or infinite)\n",
            static_cast<long long>(nonFinite));
    if (writer->clippedSamples() > 0)
        std::fprintf(stderr,
            "velmo-host: warning: %lld output samples were beyond full scale and are clipped in %s (%s); "
            "lower Gain, or write float samples to keep them\n",
            static_cast<long long>(writer->clippedSamples()), o.output.c_str(), subtypeName(format.subtype).c_str());
    if (o.stats)
        std::printf("stats: %.2f s of audio in %.2f s (%.0fx real time), peak memory %.1f MB\n",
            static_cast<double>(done) / rate, seconds, seconds > 0.0 ? static_cast<double>(done) / rate / seconds : 0.0,
            static_cast<double>(peakResidentBytes()) / 1e6);
    return saveState(*plugin, o);
}
} // namespace velmohost
