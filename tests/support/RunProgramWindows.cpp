#include "tests/support/RunProgram.h"

#include <windows.h>

namespace testsupport
{
namespace
{
std::wstring widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument)
    {
        if (c == L'\\')
        {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}
} // namespace

ProgramResult runProgram(const std::vector<std::string>& arguments)
{
    ProgramResult result;
    if (arguments.empty())
        return result;

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine;
    for (const std::string& a : arguments)
        commandLine += (commandLine.empty() ? L"" : L" ") + quoted(widen(a));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process) != FALSE;
    // Only the child holds the write end now: reading ends when it has gone.
    CloseHandle(writeEnd);

    if (started)
    {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
            result.output.append(buffer, n);

        DWORD code = 0;
        if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &code))
            result.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return result;
}
} // namespace testsupport
