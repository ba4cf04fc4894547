// Loading a plug-in library and finding its entry point: dlopen on Linux
// (PluginLoaderLinux.cpp), LoadLibrary on Windows (PluginLoaderWindows.cpp).
#pragma once

#include <string>

namespace velmohost::loader
{
// The library's absolute path where it can be found, else path unchanged.
std::string resolvePath(const std::string& path);

// Loads the library; null with error set on failure. With keepLoaded it stays
// mapped after close() where the platform can do that.
void* open(const std::string& path, bool keepLoaded, std::string& error);

// The exported function name, or null.
void* symbol(void* handle, const char* name);

void close(void* handle);
} // namespace velmohost::loader
