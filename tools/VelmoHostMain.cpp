// velmo-host: a small command-line VST 2.4 host for trying a plug-in out.
// The commands and options are the tables below; 'velmo-host --help' and
// 'velmo-host COMMAND --help' print them.
#include "tools/AudioFile.h"
#include "tools/CommandLine.h"
#include "tools/HostCommands.h"

#include "resources/VelmoIdentity.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace velmohost;

namespace
{
// The whole text as a number; no blanks, no trailing characters.
bool parseNumber(const std::string& text, double& value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end != nullptr && *end == 0 && errno != ERANGE;
}

bool parseWhole(const std::string& text, long low, long high, long& value)
{
    double d = 0.0;
    if (!parseNumber(text, d) || !(d >= low && d <= high) || d != std::floor(d))
        return false;
    value = static_cast<long>(d);
    return true;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool takeParameter(const std::string& text, HostOptions& o, std::string& error)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
    {
        error = "-p " + text + ": a parameter is given as NAME=VALUE, for example -p Gain=0.5";
        return false;
    }
    const std::string value = text.substr(eq + 1);
    double d = 0.0;
    if (!parseNumber(value, d) || !std::isfinite(d))
    {
        error = "-p " + text + ": " + quoted(value) + " is not a number; " + text.substr(0, eq) +
                " takes a number from 0 to 1";
        return false;
    }
    if (!(d >= 0.0 && d <= 1.0))
    {
        error =
            "-p " + text + ": " + value + " is outside 0 to 1; " + text.substr(0, eq) + " takes a number from 0 to 1";
        return false;
    }
    o.params.push_back({text, text.substr(0, eq), static_cast<float>(d)});
    return true;
}

std::string formatNames()
{
    std::string text;
    for (const SampleFormatName& f : sampleFormatNames())
        text += "\n  " + std::string(f.name) + std::string(8 - std::string(f.name).size(), ' ') + f.meaning;
    return text;
}

std::string extensions()
{
    std::string text;
    std::size_t column = 0;
    for (const std::string& ext : writableExtensions())
    {
        if (column > 64)
        {
            text += "\n";
            column = 0;
        }
        text += (column == 0 ? "" : " ") + ("." + ext);
        column += ext.size() + 2;
    }
    return text;
}

using Take = std::function<bool(const std::string& value, std::string& error)>;

// The value as it is, into target.
Take textInto(std::string& target)
{
    return [&target](const std::string& v, std::string&)
    {
        target = v;
        return true;
    };
}

// An option without a value: sets target to value.
Take flagInto(bool& target, bool value)
{
    return [&target, value](const std::string&, std::string&)
    {
        target = value;
        return true;
    };
}

// A whole number from low to high into target; else "NAME VALUE: rule".
template <typename T>
Take wholeInto(const char* name, long low, long high, T& target, const char* rule)
{
    return [name, low, high, &target, rule](const std::string& v, std::string& e)
    {
        long n = 0;
        if (!parseWhole(v, low, high, n))
        {
            e = std::string(name) + " " + v + ": " + rule;
            return false;
        }
        target = static_cast<T>(n);
        return true;
    };
}

std::vector<cli::Option> optionTable(HostOptions& o)
{
    using cli::Option;
    auto number = [](const std::string& name, const std::string& text, double& value, std::string& error)
    {
        if (parseNumber(text, value) && std::isfinite(value))
            return true;
        error = name + ": " + quoted(text) + " is not a number";
        return false;
    };
    return {
        {"-i", "--input", "FILE",
            "the audio file to render: mono or stereo, any format libsndfile reads "
            "(without it, a generated stereo test signal of drums, hats and bass)",
            false, textInto(o.input)},
        {"-o", "--output", "FILE", "where the result goes (default velmo-out.wav); its extension names the format",
            false, textInto(o.output)},
        {"-p", "--param", "NAME=VALUE",
            "sets a parameter, by name (any case) or number, to a value from 0 to 1; "
            "give it once for each parameter",
            true, [&o](const std::string& v, std::string& e) { return takeParameter(v, o, e); }},
        {"", "--format", "NAME",
            "the output's samples (default: the input's, where the format holds them):" + formatNames(), false,
            textInto(o.format)},
        {"", "--rate", "HZ",
            "the sample rate of the generated signal (default 44100); with -i only "
            "the file's own rate is allowed",
            false,
            wholeInto("--rate", 1000, 768000, o.rate, "the rate is a whole number of hertz from 1000 to 768000")},
        {"", "--block", "N", "frames per block handed to the plug-in, 1 to 65536 (default 512)", false,
            wholeInto("--block", 1, 65536, o.block, "the block size is a whole number from 1 to 65536")},
        {"", "--seconds", "S", "the length of the generated signal in seconds (default 4)", false,
            [&o, number](const std::string& v, std::string& e)
            {
                double s = 0.0;
                if (!number("--seconds", v, s, e))
                    return false;
                if (s < 0.0)
                {
                    e = "--seconds " + v + ": a length is not negative";
                    return false;
                }
                o.seconds = s;
                return true;
            }},
        {"", "--load-state", "FILE",
            "hands FILE to the plug-in as its state chunk before the parameters are set; "
            "a file that is not a Velmo chunk, or that the plug-in rejects, is an error",
            false, textInto(o.loadState)},
        {"", "--save-state", "FILE", "saves the plug-in's state chunk at the end", false, textInto(o.saveState)},
        {"", "--bypass", "", "switches the host's soft bypass on: the input passes unchanged", false,
            flagInto(o.bypass, true)},
        {"", "--no-progress", "",
            "no progress line (it shows on stderr only when that is a terminal, once a render "
            "has taken a second)",
            false, flagInto(o.progress, false)},
        {"", "--stats", "", "prints the render's speed and the peak memory at the end", false, flagInto(o.stats, true)},
        {"", "--play", "", "processes the test signal in real time while the editor is open", false,
            flagInto(o.play, true)},
        {"", "--runs", "R", "timed passes through each plug-in, 1 to 1000 (default 5)", false,
            wholeInto("--runs", 1, 1000, o.runs, "the number of runs is a whole number from 1 to 1000")},
        {"", "--glide", "N", "changes the --glide-param parameter between 0.25 and 0.75 every N samples", false,
            wholeInto(
                "--glide", 1, 1000000000, o.glideEvery, "the interval is a whole number of samples from 1 upward")},
        {"", "--glide-param", "NAME", "the parameter --glide changes, by name or number (default Color)", false,
            textInto(o.glideParam)},
    };
}

int runState(const std::string& pluginPath, const HostOptions& o)
{
    auto plugin = loadPlugin(pluginPath, o);
    if (!plugin)
        return runError;
    if (const int status = applySettings(*plugin, o))
        return status;
    if (const int status = saveState(*plugin, o))
        return status;
    std::printf("parameters:\n");
    printParameters(*plugin);
    return 0;
}

std::vector<cli::Command> commandTable(HostOptions& o)
{
    auto with = [&o](int (*command)(const std::string&, const HostOptions&))
    { return [&o, command](const std::vector<std::string>& arguments) { return command(arguments[0], o); }; };
    return {
        {"info", {"PLUGIN"}, "the plug-in's identity, flags, parameters and can-do answers",
            "Loads the plug-in and lists what it tells a host: identity, version, channels, flags, "
            "editor size, each parameter with its value and display text (and the texts at 0 and "
            "at 1), and its answers to the can-do queries.",
            {}, {"velmo-host info build/wrapper/Velmo.so"}, with(runInfo)},
        {"render", {"PLUGIN"}, "renders a file, or a generated test signal, through the plug-in",
            "Reads, processes and writes block by block, so memory stays the same for any length. "
            "A file renders at its own sample rate. The output's format follows its extension; "
            "this build writes:\n" +
                extensions() +
                "\n"
                "The output keeps the input's sample format where its format holds it (--format "
                "chooses another), with a warning when samples beyond full scale had to be clipped. "
                "Prints the input, the settings, the output and the levels; a progress line goes to "
                "stderr when it is a terminal.",
            {{"--input"}, {"--output"}, {"--param"}, {"--format"}, {"--rate"}, {"--block"}, {"--seconds"},
                {"--load-state"}, {"--save-state"}, {"--bypass"}, {"--no-progress"}, {"--stats"}},
            {"velmo-host render build/wrapper/Velmo.so -i song.wav -o song-velmo.wav -p Punch=0.6 -p Gain=0.45",
                "velmo-host render build/wrapper/Velmo.so --seconds 10 --rate 48000 -o test.aiff --format 24"},
            with(runRender)},
        {"state", {"PLUGIN"}, "sets parameters and saves the plug-in's state chunk",
            "Loads a state file and sets parameters as render does, prints the parameters, and "
            "saves the state chunk with --save-state.",
            {{"--param"}, {"--load-state"}, {"--save-state"}},
            {"velmo-host state build/wrapper/Velmo.so -p Gain=0.3 -p Punch=0.5 --save-state loud.chunk"},
            with(runState)},
        {"editor", {"PLUGIN"}, "opens the plug-in's editor in a window of its own",
            "Opens the editor and prints what the plug-in tells the host (automation with the "
            "value and its display text, edit gestures, window sizes) until the window is closed, "
            "--seconds pass, or the program is interrupted; then the parameters, and the state "
            "with --save-state.",
            {{"--param"}, {"--rate", "the sample rate the host reports (default 44100)"}, {"--block"},
                {"--seconds", "how long the window stays open (default: until it is closed)"}, {"--load-state"},
                {"--save-state"}, {"--play"}},
            {"velmo-host editor build/wrapper/Velmo.so --play"}, with(runEditor)},
        {"bench", {"PLUGIN"}, "measures what plug-ins cost, side by side",
            "Runs the same signal (noise and a sweep at about -12 dBFS, two channels) through each "
            "plug-in's replacing process entry: a warm-up pass each, then the timed passes in turn, "
            "so that a change in the machine's speed meets every plug-in alike. Prints the median "
            "thread CPU time per stereo sample and the realtime factor for each.",
            {{"--param", "sets a parameter of each plug-in, by name or number"},
                {"--rate", "the sample rate (default 44100)"}, {"--block"},
                {"--seconds", "the signal's length in seconds (default 30)"}, {"--runs"}, {"--glide"},
                {"--glide-param"}},
            {"velmo-host bench build/wrapper/Velmo.so /usr/lib/vst/3BandEQ-vst.so --runs 3",
                "velmo-host bench build/wrapper/Velmo.so -p Gain=0.5 -p Punch=0.5 -p Color=0.5",
                "velmo-host bench build/wrapper/Velmo.so --glide 1024"},
            [&o](const std::vector<std::string>& plugins) { return runBench(plugins, o); }, true},
    };
}
} // namespace

int main(int argc, char** argv)
{
    HostOptions options;
    cli::Tool tool;
    tool.name = "velmo-host";
    tool.version = VelmoIdentity::versionText;
    tool.description = "a small VST 2.4 host for trying a plug-in out";
    tool.notes = "PLUGIN is the plug-in library: Velmo.so on Linux, Velmo.dll on Windows.\n"
                 "Exit status: 0 done, 1 failed (a file or the plug-in), 2 bad command line.";
    tool.options = optionTable(options);
    tool.commands = commandTable(options);
    watchStopSignals();
    return cli::run(tool, argc, argv);
}
