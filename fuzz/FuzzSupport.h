// The plug-in under a fuzzer: one instance of the built Velmo.so, opened once
// through the test host and kept for every input.
#pragma once

#include "tools/VstHost.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace FuzzSupport
{
inline velmohost::Plugin& instance()
{
    static std::unique_ptr<velmohost::Plugin> plugin = []
    {
        std::string error;
        auto library = velmohost::PluginLibrary::load(VELMO_PLUGIN_PATH, error, true);
        auto p = library ? velmohost::Plugin::create(library, error) : nullptr;
        if (!p)
        {
            std::fprintf(stderr, "cannot open the plug-in: %s\n", error.c_str());
            std::abort();
        }
        p->open();
        return p;
    }();
    return *plugin;
}

// Forgets the host calls recorded so far, so that a long run keeps its memory.
inline void forgetHostCalls(velmohost::Plugin& plugin)
{
    plugin.calls().clear();
    velmohost::unattributedCalls().clear();
}
} // namespace FuzzSupport
