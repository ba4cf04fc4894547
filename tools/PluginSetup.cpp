// Loading the plug-in, state files and parameters: what every command does
// before its own work.
#include "tools/CommandLine.h"
#include "tools/HostCommands.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velmohost
{
namespace
{
volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int)
{
    stopSignal = 1;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

constexpr char chunkMagic[4] = {'V', 'C', '2', '!'};

bool hasChunkMagic(const std::vector<std::uint8_t>& chunk)
{
    return chunk.size() >= 4 && std::memcmp(chunk.data(), chunkMagic, 4) == 0;
}

// Velmo's chunk is "VC2!", a little-endian 32-bit length L, L bytes of XML
// text and a zero byte. Empty when the frame holds; else what is wrong.
std::string chunkFrameProblem(const std::vector<std::uint8_t>& chunk)
{
    if (!hasChunkMagic(chunk))
        return "it does not start with \"VC2!\"";
    if (chunk.size() < 9)
        return "it ends after " + std::to_string(chunk.size()) + " bytes";
    const auto length = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(chunk[4]) | static_cast<std::uint32_t>(chunk[5]) << 8 |
        static_cast<std::uint32_t>(chunk[6]) << 16 | static_cast<std::uint32_t>(chunk[7]) << 24);
    if (length <= 0 || static_cast<std::size_t>(length) > chunk.size() - 8)
        return "its length field says " + std::to_string(length) + " bytes of text where the file holds " +
               std::to_string(chunk.size() - 8);
    std::string text(chunk.begin() + 8, chunk.begin() + 8 + length);
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    if (text.find('\0') != std::string::npos || first == std::string::npos || text[first] != '<' || text[last] != '>')
        return "its text is not XML";
    return {};
}

std::string parameterList(Plugin& plugin)
{
    const int count = plugin.effect()->numParams;
    std::string names;
    for (int i = 0; i < count; ++i)
        names += (i == 0 ? "" : i + 1 == count ? " and " : ", ") + plugin.parameterName(i).text;
    return names + " (or their numbers 0 to " + std::to_string(count - 1) + ")";
}

int parameterIndex(Plugin& plugin, const std::string& name)
{
    const int count = plugin.effect()->numParams;
    const bool digits = !name.empty() && name.size() < 6 && name.find_first_not_of("0123456789") == std::string::npos;
    if (digits)
    {
        const int index = std::stoi(name);
        return index < count ? index : -1;
    }
    return plugin.findParameter(name);
}

int loadStateFile(Plugin& plugin, const std::string& path)
{
    std::vector<std::uint8_t> chunk;
    if (!readFile(path, chunk))
        return report(runError, "cannot read the state file " + path + ": " + std::strerror(errno));
    if (chunk.empty())
        return report(runError, path + " is empty, not a state chunk");

    // A plug-in that writes Velmo chunks is handed only chunks of that frame.
    const std::vector<std::uint8_t> before = plugin.getChunk();
    if (hasChunkMagic(before))
    {
        const std::string problem = chunkFrameProblem(chunk);
        if (!problem.empty())
            return report(runError, path + " is not a Velmo state chunk: " + problem);
    }

    // The plug-in answers nothing about a chunk it ignores. It took the chunk
    // when its own chunk now reads the same, or has changed, or it reported
    // the values it applied as automation.
    const std::size_t reported = plugin.calls().count(audioMasterAutomate);
    plugin.setChunk(chunk);
    const std::vector<std::uint8_t> after = plugin.getChunk();
    const bool taken = after == chunk || after != before || plugin.calls().count(audioMasterAutomate) > reported;
    if (!taken)
        return report(runError, "the plug-in rejected the state in " + path + "; its parameters are as they were");

    for (VstInt32 i = 0; i < plugin.effect()->numParams; ++i)
    {
        const float v = plugin.getParameter(i);
        if (!(v >= 0.0f && v <= 1.0f))
        {
            char value[32];
            std::snprintf(value, sizeof value, "%.9g", static_cast<double>(v));
            return report(runError, "the state in " + path + " sets " + plugin.parameterName(i).text + " to " + value +
                                        "; parameter values are numbers from 0 to 1");
        }
    }
    return 0;
}
} // namespace

int report(int status, const std::string& message)
{
    std::fprintf(stderr, "velmo-host: %s\n", message.c_str());
    return status;
}

void watchStopSignals()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

bool stopRequested()
{
    return stopSignal != 0;
}

std::unique_ptr<Plugin> loadPlugin(const std::string& path, const HostOptions& o, HostSettings settings)
{
    settings.blockSize = o.block;
    if (o.rate)
        settings.sampleRate = *o.rate;
    std::string error;
    auto plugin = Plugin::load(path, error, std::move(settings));
    if (!plugin)
    {
        report(runError, error);
        return nullptr;
    }
    plugin->open();
    return plugin;
}

int applySettings(Plugin& plugin, const HostOptions& o)
{
    if (!o.loadState.empty())
        if (const int status = loadStateFile(plugin, o.loadState))
            return status;

    for (const ParameterSetting& p : o.params)
    {
        const int index = parameterIndex(plugin, p.name);
        if (index < 0)
            return report(cli::usageError,
                "-p " + p.given + ": no parameter \"" + p.name + "\"; the parameters are " + parameterList(plugin));
        plugin.setParameter(index, p.value);
    }
    return 0;
}

int saveState(Plugin& plugin, const HostOptions& o)
{
    if (o.saveState.empty())
        return 0;
    const auto chunk = plugin.getChunk();
    if (chunk.empty())
        return report(runError, "the plug-in gave no state chunk to save");
    if (!writeFile(o.saveState, chunk))
        return report(runError, "cannot save the state to " + o.saveState + ": " + std::strerror(errno));
    std::printf("state: %zu bytes saved to %s\n", chunk.size(), o.saveState.c_str());
    return 0;
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
} // namespace velmohost
