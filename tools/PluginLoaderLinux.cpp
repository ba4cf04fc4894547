#include "tools/PluginLoader.h"

#include <dlfcn.h>

#include <cstdlib>

namespace velmohost::loader
{
std::string resolvePath(const std::string& path)
{
    // dlopen searches the library path for names without a slash: load the named file.
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    if (char* resolved = realpath(file.c_str(), nullptr))
    {
        file = resolved;
        std::free(resolved);
    }
    return file;
}

void* open(const std::string& path, bool keepLoaded, std::string& error)
{
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (keepLoaded ? RTLD_NODELETE : 0));
    if (handle == nullptr)
    {
        const char* why = dlerror();
        error = why != nullptr ? why : "unknown error";
    }
    return handle;
}

void* symbol(void* handle, const char* name)
{
    return dlsym(handle, name);
}

void close(void* handle)
{
    dlclose(handle);
}
} // namespace velmohost::loader
