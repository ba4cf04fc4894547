// A plain top-level window that a plug-in puts its editor into, as a host's
// editor window does: an X11 window on Linux (EditorWindowLinux.cpp), a Win32
// window on Windows (EditorWindowWindows.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmohost
{
// What the platform's hosts do before any window call. Linux: thread support
// for Xlib (the plug-in's editor runs on a thread of its own) and an error
// handler that reports X errors instead of ending the process. Call it first
// in main().
void prepareEditorHost();

// Delivers the window messages that have arrived for this thread, waiting up
// to timeoutMs for the first. On Windows the thread that created a plug-in
// is its message thread, so a host pumps it for the plug-in's timers and
// messages; on Linux the plug-in has a thread of its own and this only waits.
void pumpHostMessages(int timeoutMs);

class EditorWindow
{
public:
    // Opens a window of the given size (Linux: on DISPLAY) and shows it.
    static std::unique_ptr<EditorWindow> create(int width, int height, const std::string& title, std::string& error);
    ~EditorWindow();

    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // The native window: an X11 window id, or a window handle.
    std::uintptr_t id() const;
    // The native window as the parent pointer of effEditOpen.
    void* parentHandle() const { return reinterpret_cast<void*>(id()); }

    void resize(int width, int height);

    // Handles the events that have arrived, waiting up to timeoutMs for the
    // first. False once the user asked to close the window.
    bool pump(int timeoutMs);

private:
    struct Native;

    explicit EditorWindow(std::unique_ptr<Native> native);

    std::unique_ptr<Native> native;
};
} // namespace velmohost
