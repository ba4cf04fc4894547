// The built Velmo.so, loaded by the test host as a VST 2.4 host loads it.
#pragma once

#include "tests/support/TestSignals.h"
#include "tools/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace PluginTest
{
using namespace velmohost;
using testsignals::programme;

// On Linux the plug-in runs its editors on a message thread of its own, so any
// host thread may open and close them. On Windows the host's UI thread is the
// message thread, and it must be free to handle them: a host thread that
// opens or closes an editor while the UI thread waits for it would wait for ever.
#ifdef _WIN32
constexpr bool editorsOnAnyHostThread = false;
#else
constexpr bool editorsOnAnyHostThread = true;
#endif

inline const std::string& pluginPath()
{
    static const std::string path = VELMO_PLUGIN_PATH;
    return path;
}

// One mapping of the library for the whole test program, as a host keeps it.
inline std::shared_ptr<PluginLibrary> library()
{
    static std::shared_ptr<PluginLibrary> lib = []
    {
        std::string error;
        auto l = PluginLibrary::load(pluginPath(), error, true);
        if (!l)
            ADD_FAILURE() << error;
        return l;
    }();
    return lib;
}

// A new instance, opened; fails the test when there is none.
inline std::unique_ptr<Plugin> makePlugin(HostSettings settings = {})
{
    std::string error;
    auto plugin = Plugin::create(library(), error, std::move(settings));
    EXPECT_NE(plugin, nullptr) << error;
    if (plugin)
        plugin->open();
    return plugin;
}

inline std::uint32_t bitsOf(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Runs a signal through an instance with separate input and output buffers.
inline std::vector<std::vector<float>> render(Plugin& plugin, const std::vector<std::vector<float>>& in)
{
    std::vector<std::vector<float>> out(in.size(), std::vector<float>(in[0].size()));
    std::vector<const float*> ins;
    std::vector<float*> outs;
    for (std::size_t c = 0; c < in.size(); ++c)
    {
        ins.push_back(in[c].data());
        outs.push_back(out[c].data());
    }
    plugin.process(ins.data(), static_cast<int>(in.size()), outs.data(), static_cast<int>(out.size()),
        static_cast<long>(in[0].size()));
    return out;
}
} // namespace PluginTest
