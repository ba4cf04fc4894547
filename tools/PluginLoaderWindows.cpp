#include "tools/PluginLoader.h"

#include <windows.h>

#include <vector>

namespace velmohost::loader
{
namespace
{
std::wstring widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), n);
    return wide.data();
}

std::string narrow(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out.data();
}

std::string errorText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text != nullptr ? narrow(text) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}
} // namespace

std::string resolvePath(const std::string& path)
{
    wchar_t full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(widen(path).c_str(), MAX_PATH * 4, full, nullptr);
    return n > 0 && n < MAX_PATH * 4 ? narrow(full) : path;
}

void* open(const std::string& path, bool keepLoaded, std::string& error)
{
    // The library's own folder is searched for what it needs, as hosts do.
    HMODULE module = LoadLibraryExW(widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr)
    {
        error = errorText(GetLastError());
        return nullptr;
    }
    if (keepLoaded)
    {
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, widen(path).c_str(), &pinned);
    }
    return module;
}

void* symbol(void* handle, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void close(void* handle)
{
    FreeLibrary(static_cast<HMODULE>(handle));
}
} // namespace velmohost::loader
