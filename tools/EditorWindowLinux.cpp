#include "tools/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace velmohost
{
namespace
{
// Plug-ins ask for window-manager properties by atoms that exist only when a
// window manager runs (without one they are None): the server answers
// BadAtom to those property requests, and nothing is wrong.
bool isHarmless(const XErrorEvent* event)
{
    const bool propertyRequest = event->request_code == X_GetAtomName || event->request_code == X_ChangeProperty ||
                                 event->request_code == X_DeleteProperty || event->request_code == X_GetProperty;
    return event->error_code == BadAtom && propertyRequest;
}

int reportXError(Display* display, XErrorEvent* event)
{
    if (isHarmless(event))
        return 0;
    char text[128] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "velmo-host: X error %s (request %d)\n", text, event->request_code);
    return 0;
}
} // namespace

void prepareEditorHost()
{
    XInitThreads();
    XSetErrorHandler(reportXError);
}

void pumpHostMessages(int timeoutMs)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
}

struct EditorWindow::Native
{
    Display* display = nullptr;
    Window window = 0;
    Atom deleteAtom = 0;
    bool closeRequested = false;
};

EditorWindow::EditorWindow(std::unique_ptr<Native> n) : native(std::move(n)) {}

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title, std::string& error)
{
    auto n = std::make_unique<Native>();
    n->display = XOpenDisplay(nullptr);
    if (n->display == nullptr)
    {
        error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }

    const int screen = DefaultScreen(n->display);
    n->window = XCreateSimpleWindow(n->display, RootWindow(n->display, screen), 0, 0,
        static_cast<unsigned>(width > 0 ? width : 1), static_cast<unsigned>(height > 0 ? height : 1), 0,
        BlackPixel(n->display, screen), BlackPixel(n->display, screen));
    XStoreName(n->display, n->window, title.c_str());

    n->deleteAtom = XInternAtom(n->display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(n->display, n->window, &n->deleteAtom, 1);

    XSelectInput(n->display, n->window, StructureNotifyMask);
    XMapWindow(n->display, n->window);

    // Wait until the window is on screen, so the editor has a parent to show in.
    for (;;)
    {
        XEvent event;
        XNextEvent(n->display, &event);
        if (event.type == MapNotify)
            break;
    }
    return std::unique_ptr<EditorWindow>(new EditorWindow(std::move(n)));
}

EditorWindow::~EditorWindow()
{
    XDestroyWindow(native->display, native->window);
    XCloseDisplay(native->display);
}

std::uintptr_t EditorWindow::id() const
{
    return static_cast<std::uintptr_t>(native->window);
}

void EditorWindow::resize(int width, int height)
{
    XResizeWindow(native->display, native->window, static_cast<unsigned>(width > 0 ? width : 1),
        static_cast<unsigned>(height > 0 ? height : 1));
    XFlush(native->display);
}

bool EditorWindow::pump(int timeoutMs)
{
    Display* display = native->display;
    XFlush(display);
    if (XPending(display) == 0)
    {
        const int fd = ConnectionNumber(display);
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        select(fd + 1, &fds, nullptr, nullptr, &timeout);
    }

    while (XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == native->deleteAtom)
            native->closeRequested = true;
    }
    return !native->closeRequested;
}
} // namespace velmohost
