#include "tools/EditorWindow.h"

#include <windows.h>

namespace velmohost
{
namespace
{
constexpr wchar_t windowClassName[] = L"VelmoHostEditorWindow";

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        // The host decides when the window goes: it closes the editor first.
        if (auto* flag = reinterpret_cast<bool*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            *flag = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerWindowClass()
{
    static const bool registered = []
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = windowClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    (void) registered;
}

// Dispatches what is queued for this thread; false when WM_QUIT came.
bool dispatchQueued()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
            return false;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void waitAndDispatch(int timeoutMs)
{
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0);
    for (;;)
    {
        if (!dispatchQueued())
            return;
        const DWORD now = GetTickCount();
        const auto left = static_cast<LONG>(deadline - now);
        if (left <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

std::wstring widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}
} // namespace

void prepareEditorHost() {}

void pumpHostMessages(int timeoutMs)
{
    waitAndDispatch(timeoutMs);
}

struct EditorWindow::Native
{
    HWND window = nullptr;
    bool closeRequested = false;
};

EditorWindow::EditorWindow(std::unique_ptr<Native> n) : native(std::move(n)) {}

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title, std::string& error)
{
    registerWindowClass();

    // The client area gets the requested size.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame{0, 0, width > 0 ? width : 1, height > 0 ? height : 1};
    AdjustWindowRect(&frame, style, FALSE);

    auto n = std::make_unique<Native>();
    n->window = CreateWindowExW(0, windowClassName, widen(title).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (n->window == nullptr)
    {
        error = "cannot create a window (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    SetWindowLongPtrW(n->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&n->closeRequested));
    ShowWindow(n->window, SW_SHOWNORMAL);
    UpdateWindow(n->window);
    dispatchQueued();
    return std::unique_ptr<EditorWindow>(new EditorWindow(std::move(n)));
}

EditorWindow::~EditorWindow()
{
    SetWindowLongPtrW(native->window, GWLP_USERDATA, 0);
    DestroyWindow(native->window);
    dispatchQueued();
}

std::uintptr_t EditorWindow::id() const
{
    return reinterpret_cast<std::uintptr_t>(native->window);
}

void EditorWindow::resize(int width, int height)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(native->window, GWL_STYLE));
    RECT frame{0, 0, width > 0 ? width : 1, height > 0 ? height : 1};
    AdjustWindowRect(&frame, style, FALSE);
    SetWindowPos(native->window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool EditorWindow::pump(int timeoutMs)
{
    waitAndDispatch(timeoutMs);
    return !native->closeRequested;
}
} // namespace velmohost
