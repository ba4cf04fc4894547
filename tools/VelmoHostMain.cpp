// velmo-host: a small command-line VST 2.4 host for trying a plug-in out.
//
//   velmo-host info   PLUGIN
//   velmo-host render PLUGIN [-i IN] [-o OUT] [options]
//   velmo-host state  PLUGIN [options]
//   velmo-host editor PLUGIN [options]
//   velmo-host bench  PLUGIN... [options]   (tools/BenchCommand.cpp)
//
// Options:
//   -p, --param NAME=VALUE   set a parameter (by name or index) before working
//   --rate HZ                sample rate the host reports (default: the input's, or 44100)
//   --block N                block size (default 512)
//   --seconds S              length of the generated signal (render), or how long
//                            the editor stays open (editor; default until closed)
//   --load-state FILE        hand FILE to the plug-in as its state chunk first
//   --save-state FILE        save the plug-in's state chunk afterwards
//   --bypass                 switch the host's soft bypass on (render)
//   --play                   process the test signal in real time while the editor is open
#include "tools/AudioFile.h"
#include "tools/BenchCommand.h"
#include "tools/EditorWindow.h"
#include "tools/VstHost.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace velmohost;

namespace
{
struct Options
{
    std::string command;
    std::string plugin;
    std::string input;
    std::string output = "velmo-out.wav";
    std::vector<std::pair<std::string, float>> params;
    std::optional<double> rate;
    int block = 512;
    std::optional<double> seconds;
    std::string loadState;
    std::string saveState;
    bool bypass = false;
    bool play = false;
};

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: velmo-host info PLUGIN\n"
                 "       velmo-host render PLUGIN [-i IN] [-o OUT] [options]\n"
                 "       velmo-host state PLUGIN [options]\n"
                 "       velmo-host editor PLUGIN [options]\n"
                 "%s"
                 "options: -p NAME=VALUE, --rate HZ, --block N, --seconds S,\n"
                 "         --load-state FILE, --save-state FILE, --bypass, --play\n",
                 benchUsage());
    return 2;
}

bool parseNumber(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == 0;
}

bool parseArgs(int argc, char** argv, Options& o, std::string& error)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
            {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](double& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!parseNumber(text, out))
            {
                error = a + ": not a number: " + text;
                return false;
            }
            return true;
        };

        double d = 0.0;
        std::string text;
        if (a == "-i" || a == "--input")
        {
            if (!value(o.input))
                return false;
        }
        else if (a == "-o" || a == "--output")
        {
            if (!value(o.output))
                return false;
        }
        else if (a == "-p" || a == "--param")
        {
            if (!value(text))
                return false;
            const auto eq = text.find('=');
            if (eq == std::string::npos || !parseNumber(text.substr(eq + 1), d))
            {
                error = "a parameter is given as NAME=VALUE: " + text;
                return false;
            }
            o.params.emplace_back(text.substr(0, eq), static_cast<float>(d));
        }
        else if (a == "--rate")
        {
            if (!number(d))
                return false;
            if (!(d > 0.0))
            {
                error = "--rate must be positive";
                return false;
            }
            o.rate = d;
        }
        else if (a == "--block")
        {
            if (!number(d))
                return false;
            if (!(d >= 1.0 && d <= 65536.0))
            {
                error = "--block must be from 1 to 65536";
                return false;
            }
            o.block = static_cast<int>(d);
        }
        else if (a == "--seconds")
        {
            if (!number(d))
                return false;
            if (!(d >= 0.0))
            {
                error = "--seconds must not be negative";
                return false;
            }
            o.seconds = d;
        }
        else if (a == "--load-state")
        {
            if (!value(o.loadState))
                return false;
        }
        else if (a == "--save-state")
        {
            if (!value(o.saveState))
                return false;
        }
        else if (a == "--bypass")
            o.bypass = true;
        else if (a == "--play")
            o.play = true;
        else if (!a.empty() && a[0] == '-')
        {
            error = "unknown option " + a;
            return false;
        }
        else
            positional.push_back(a);
    }

    if (positional.size() != 2)
    {
        error = "a command and a plug-in file are needed";
        return false;
    }
    o.command = positional[0];
    o.plugin = positional[1];
    return true;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void printParameters(Plugin& plugin)
{
    for (VstInt32 i = 0; i < plugin.effect()->numParams; ++i)
    {
        const std::string label = plugin.parameterLabel(i).text;
        std::printf("  %d  %-8s %.9g  (\"%s\"%s%s)\n", i, plugin.parameterName(i).text.c_str(),
                    static_cast<double>(plugin.getParameter(i)), plugin.parameterDisplay(i).text.c_str(),
                    label.empty() ? "" : " ", label.c_str());
    }
}

// Loads the state, then sets the parameters: the common start of every command.
bool applySettings(Plugin& plugin, const Options& o, std::string& error)
{
    if (!o.loadState.empty())
    {
        std::vector<std::uint8_t> chunk;
        if (!readFile(o.loadState, chunk))
        {
            error = "cannot read " + o.loadState;
            return false;
        }
        plugin.setChunk(chunk);
    }

    for (const auto& [name, value] : o.params)
    {
        double number = 0.0;
        int index = parseNumber(name, number) ? static_cast<int>(number) : plugin.findParameter(name);
        if (index < 0 || index >= plugin.effect()->numParams || (parseNumber(name, number) && number != index))
        {
            error = "no parameter " + name;
            return false;
        }
        plugin.setParameter(index, value);
    }
    return true;
}

bool saveState(Plugin& plugin, const Options& o, std::string& error)
{
    if (o.saveState.empty())
        return true;
    const auto chunk = plugin.getChunk();
    if (chunk.empty() || !writeFile(o.saveState, chunk))
    {
        error = "cannot save the state to " + o.saveState;
        return false;
    }
    std::printf("state: %zu bytes saved to %s\n", chunk.size(), o.saveState.c_str());
    return true;
}

void printLevels(const Audio& audio)
{
    static const char* const names[] = {"L", "R"};
    for (std::size_t c = 0; c < audio.channels.size(); ++c)
    {
        const Level level = levelOf(audio.channels[c]);
        const std::string name = audio.channels.size() == 1 ? "M" : c < 2 ? names[c] : std::to_string(c + 1);
        std::printf("  %-2s peak %-14s rms %s\n", name.c_str(), dbfsText(level.peak).c_str(),
                    dbfsText(level.rms).c_str());
    }
}

int commandInfo(Plugin& plugin)
{
    AEffect* e = plugin.effect();
    std::printf("unique id:      '%s' (0x%08x)\n", fourCCText(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("effect name:    %s\n", plugin.effectName().text.c_str());
    std::printf("vendor:         %s\n", plugin.vendorString().text.c_str());
    std::printf("product:        %s\n", plugin.productString().text.c_str());
    std::printf("version:        %d (vendor version %ld)\n", e->version, static_cast<long>(plugin.vendorVersion()));
    std::printf("VST version:    %ld\n", static_cast<long>(plugin.vstVersion()));
    std::printf("category:       %ld\n", static_cast<long>(plugin.plugCategory()));
    std::printf("programs:       %d\n", e->numPrograms);
    std::printf("inputs/outputs: %d/%d\n", e->numInputs, e->numOutputs);
    std::printf("initial delay:  %d\n", e->initialDelay);
    std::printf("tail size:      %ld\n", static_cast<long>(plugin.tailSize()));
    std::printf("flags:          0x%x (%s)\n", static_cast<unsigned>(e->flags), flagNames(e->flags).c_str());

    VstIntPtr rectAnswer = 0;
    if (auto rect = plugin.editorRect(&rectAnswer))
        std::printf("editor:         %d x %d\n", rect->right - rect->left, rect->bottom - rect->top);
    else
        std::printf("editor:         none (answer %ld)\n", static_cast<long>(rectAnswer));

    std::printf("parameters:     %d\n", e->numParams);
    printParameters(plugin);

    static const char* const queries[] = {
        "sendVstEvents",      "sendVstMidiEvent",      "sendVstMidiEvents", "receiveVstEvents",
        "receiveVstMidiEvent", "receiveVstMidiEvents", "receiveVstTimeInfo", "openCloseAnyThread",
        "conformsToWindowRules", "bypass",             "offline",           "midiProgramNames",
        "plugAsChannelInsert", "plugAsSend",           "mixDryWet",         "noRealTime"};
    std::printf("can do:\n");
    for (const char* q : queries)
        std::printf("  %-22s %ld\n", q, static_cast<long>(plugin.canDo(q)));
    return 0;
}

int commandRender(Plugin& plugin, const Options& o)
{
    std::string error;
    Audio input;
    std::string source;
    if (o.input.empty())
    {
        input = makeTestSignal(o.rate.value_or(44100.0), o.seconds.value_or(4.0));
        source = "generated test signal";
    }
    else
    {
        if (!readAudio(o.input, input, error))
        {
            std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
            return 1;
        }
        source = o.input;
    }

    const int channels = static_cast<int>(input.channels.size());
    if (channels < 1 || channels > 2)
    {
        std::fprintf(stderr, "velmo-host: %s has %d channels; mono and stereo files can be rendered\n",
                     source.c_str(), channels);
        return 1;
    }

    const double rate = o.rate.value_or(input.sampleRate);
    plugin.setSampleRate(rate);
    plugin.setBlockSize(o.block);
    if (!plugin.setSpeakerArrangement(channels, channels))
        std::fprintf(stderr, "velmo-host: the plug-in refused %d in and %d out; rendering anyway\n",
                     channels, channels);
    if (!applySettings(plugin, o, error))
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 1;
    }
    if (o.bypass)
        plugin.setBypass(true);

    Audio output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(input.channels.size(), std::vector<float>(static_cast<std::size_t>(input.frames())));
    std::vector<const float*> in;
    std::vector<float*> out;
    for (int c = 0; c < channels; ++c)
    {
        in.push_back(input.channels[static_cast<std::size_t>(c)].data());
        out.push_back(output.channels[static_cast<std::size_t>(c)].data());
    }

    plugin.setMains(true);
    plugin.process(in.data(), channels, out.data(), channels, input.frames());
    plugin.setMains(false);

    std::printf("input:  %s, %d channel%s, %.0f Hz, %.2f s\n", source.c_str(), channels, channels == 1 ? "" : "s",
                input.sampleRate, static_cast<double>(input.frames()) / input.sampleRate);
    printLevels(input);
    std::printf("plug-in at %.0f Hz, blocks of %d%s:\n", rate, o.block, o.bypass ? ", bypassed" : "");
    printParameters(plugin);
    if (!writeAudio(o.output, output, error))
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 1;
    }
    std::printf("output: %s\n", o.output.c_str());
    printLevels(output);
    return saveState(plugin, o, error) ? 0 : (std::fprintf(stderr, "velmo-host: %s\n", error.c_str()), 1);
}

int commandState(Plugin& plugin, const Options& o)
{
    std::string error;
    if (!applySettings(plugin, o, error) || !saveState(plugin, o, error))
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 1;
    }
    std::printf("parameters:\n");
    printParameters(plugin);
    return 0;
}

// Opens the editor in a window of its own and reports, line by line, what the
// plug-in tells the host, until the window is closed, --seconds pass, or a
// signal (SIGINT, SIGTERM) arrives.
int commandEditor(Plugin& plugin, const Options& o)
{
    std::string error;
    plugin.setSampleRate(o.rate.value_or(44100.0));
    plugin.setBlockSize(o.block);
    if (!applySettings(plugin, o, error))
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 1;
    }

    VstIntPtr answer = 0;
    const auto rect = plugin.editorRect(&answer);
    if (!rect)
    {
        std::fprintf(stderr, "velmo-host: the plug-in has no editor rectangle (answer %ld)\n",
                     static_cast<long>(answer));
        return 1;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;

    auto window = EditorWindow::create(width, height, plugin.effectName().text, error);
    if (!window)
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 1;
    }

    plugin.setMains(true);
    std::atomic<bool> playing{o.play};
    std::thread audio;
    if (o.play)
    {
        audio = std::thread([&] {
            const Audio signal = makeTestSignal(plugin.sampleRate(), 4.0);
            std::vector<float> l(static_cast<std::size_t>(o.block)), r(static_cast<std::size_t>(o.block));
            float* out[] = {l.data(), r.data()};
            long pos = 0;
            const auto blockTime = std::chrono::duration<double>(o.block / plugin.sampleRate());
            auto next = std::chrono::steady_clock::now();
            while (playing.load())
            {
                if (pos + o.block > signal.frames())
                    pos = 0;
                const float* in[] = {signal.channels[0].data() + pos, signal.channels[1].data() + pos};
                plugin.process(in, 2, out, 2, o.block);
                pos += o.block;
                next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockTime);
                std::this_thread::sleep_until(next);
            }
        });
    }

    if (!plugin.openEditor(window->parentHandle()))
    {
        playing = false;
        if (audio.joinable())
            audio.join();
        std::fprintf(stderr, "velmo-host: the plug-in could not open its editor\n");
        return 1;
    }
    std::printf("editor open: window 0x%llx, %d x %d\n", static_cast<unsigned long long>(window->id()), width,
                height);
    std::fflush(stdout);

    std::size_t reported = 0;
    const auto start = std::chrono::steady_clock::now();
    while (!stopRequested && window->pump(50))
    {
        plugin.idleEditor();

        const auto calls = plugin.calls().calls();
        for (; reported < calls.size(); ++reported)
        {
            const HostCall& c = calls[reported];
            if (c.opcode == audioMasterAutomate)
                std::printf("automate %d %.9g (\"%s\")\n", c.index, static_cast<double>(c.opt),
                            plugin.parameterDisplay(c.index).text.c_str());
            else if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit
                     || c.opcode == audioMasterSizeWindow)
                std::printf("%s %d %ld\n", hostOpcodeName(c.opcode).c_str(), c.index, static_cast<long>(c.value));
        }
        std::fflush(stdout);

        if (o.seconds && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(*o.seconds))
            break;
    }

    plugin.closeEditor();
    playing = false;
    if (audio.joinable())
        audio.join();
    std::printf("editor closed\n");
    std::printf("parameters:\n");
    printParameters(plugin);
    return saveState(plugin, o, error) ? 0 : (std::fprintf(stderr, "velmo-host: %s\n", error.c_str()), 1);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "bench")
    {
        const int status = benchCommand(argc - 1, argv + 1);
        return status == 2 ? usage() : status;
    }

    Options o;
    std::string error;
    if (!parseArgs(argc, argv, o, error))
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return usage();
    }
    if (o.command != "info" && o.command != "render" && o.command != "state" && o.command != "editor")
    {
        std::fprintf(stderr, "velmo-host: unknown command %s\n", o.command.c_str());
        return usage();
    }

    if (o.command == "editor")
        prepareEditorHost();

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    HostSettings settings;
    settings.blockSize = o.block;
    if (o.rate)
        settings.sampleRate = *o.rate;
    auto plugin = Plugin::load(o.plugin, error, settings);
    if (!plugin)
    {
        std::fprintf(stderr, "velmo-host: %s\n", error.c_str());
        return 1;
    }
    plugin->open();

    int status = 0;
    if (o.command == "info")
        status = commandInfo(*plugin);
    else if (o.command == "render")
        status = commandRender(*plugin, o);
    else if (o.command == "state")
        status = commandState(*plugin, o);
    else
        status = commandEditor(*plugin, o);

    plugin.reset();
    return status;
}
