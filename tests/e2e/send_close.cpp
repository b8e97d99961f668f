// Sends the window manager's close request (WM_DELETE_WINDOW) to every window
// whose name starts with the given text, as a desktop's close button does. Without a window
// manager under Xvfb nothing else can ask an SDL window to close.
//
// usage: send-close WINDOW-NAME-PREFIX
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

namespace {

int sendTo(Display* display, Window window, const char* name, Atom protocols, Atom deleteWindow) {
    int sent = 0;
    char* windowName = nullptr;
    if (XFetchName(display, window, &windowName) && windowName != nullptr) {
        if (std::strncmp(windowName, name, std::strlen(name)) == 0) {
            XEvent event;
            std::memset(&event, 0, sizeof event);
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = long(deleteWindow);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, window, False, NoEventMask, &event);
            sent = 1;
        }
        XFree(windowName);
    }
    Window root;
    Window parent;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            sent += sendTo(display, children[i], name, protocols, deleteWindow);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
    return sent;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-NAME\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open display\n");
        return 2;
    }
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    int sent = sendTo(display, DefaultRootWindow(display), argv[1], protocols, deleteWindow);
    XFlush(display);
    XCloseDisplay(display);
    if (sent == 0) {
        std::fprintf(stderr, "no window named \"%s\"\n", argv[1]);
        return 1;
    }
    return 0;
}
