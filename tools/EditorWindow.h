// A plain X11 window that a plug-in puts its editor into, as a Linux host's
// editor window does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

typedef struct _XDisplay Display;

namespace velmohost
{
/// What a Linux host does before any X11 call: thread support for Xlib (the
/// plug-in's editor runs on a thread of its own) and an error handler that
/// reports X errors instead of ending the process. Call it first in main().
void prepareX11Host();

class EditorWindow
{
public:
    /// Opens the display (DISPLAY) and maps a window of the given size.
    static std::unique_ptr<EditorWindow> create(int width, int height, const std::string& title,
                                                std::string& error);
    ~EditorWindow();

    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    unsigned long id() const { return window; }
    /// The window id as the parent pointer of effEditOpen.
    void* parentHandle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }

    void resize(int width, int height);

    /// Handles the events that have arrived, waiting up to timeoutMs for the
    /// first. False once the user asked to close the window.
    bool pump(int timeoutMs);

private:
    EditorWindow() = default;

    Display* display = nullptr;
    unsigned long window = 0;
    unsigned long deleteAtom = 0;
    bool closeRequested = false;
};
} // namespace velmohost
