#include "tools/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>

#include <cstdio>

namespace velmohost
{
namespace
{
int reportXError(Display* display, XErrorEvent* event)
{
    char text[128] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "velmo-host: X error %s (request %d)\n", text, event->request_code);
    return 0;
}
} // namespace

void prepareX11Host()
{
    XInitThreads();
    XSetErrorHandler(reportXError);
}

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title,
                                                   std::string& error)
{
    std::unique_ptr<EditorWindow> w(new EditorWindow());
    w->display = XOpenDisplay(nullptr);
    if (w->display == nullptr)
    {
        error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }

    const int screen = DefaultScreen(w->display);
    w->window = XCreateSimpleWindow(w->display, RootWindow(w->display, screen), 0, 0,
                                    static_cast<unsigned>(width > 0 ? width : 1),
                                    static_cast<unsigned>(height > 0 ? height : 1), 0,
                                    BlackPixel(w->display, screen), BlackPixel(w->display, screen));
    XStoreName(w->display, w->window, title.c_str());

    Atom deleteWindow = XInternAtom(w->display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(w->display, w->window, &deleteWindow, 1);
    w->deleteAtom = deleteWindow;

    XSelectInput(w->display, w->window, StructureNotifyMask);
    XMapWindow(w->display, w->window);

    // Wait until the window is on screen, so the editor has a parent to show in.
    for (;;)
    {
        XEvent event;
        XNextEvent(w->display, &event);
        if (event.type == MapNotify)
            break;
    }
    return w;
}

EditorWindow::~EditorWindow()
{
    if (display == nullptr)
        return;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

void EditorWindow::resize(int width, int height)
{
    XResizeWindow(display, window, static_cast<unsigned>(width > 0 ? width : 1),
                  static_cast<unsigned>(height > 0 ? height : 1));
    XFlush(display);
}

bool EditorWindow::pump(int timeoutMs)
{
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
        if (event.type == ClientMessage && static_cast<unsigned long>(event.xclient.data.l[0]) == deleteAtom)
            closeRequested = true;
    }
    return !closeRequested;
}
} // namespace velmohost
