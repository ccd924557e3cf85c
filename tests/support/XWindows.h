#pragma once

// Small helpers for tests that drive the real program on a real X server:
// find its top-level windows by title and ask them to close the way a window
// manager does.
#include <QImage>
#include <QRect>
#include <QSet>
#include <QString>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <string>
#include <vector>

namespace xtest {

// Windows come and go while they are looked at; an error about one that has
// just gone is no reason to end the test.
inline int ignoreXErrors(::Display*, XErrorEvent*) {
    return 0;
}

struct Display {
    Display() { XSetErrorHandler(&ignoreXErrors); }
    ::Display* dpy = XOpenDisplay(nullptr);
    ~Display() {
        if (dpy) {
            XCloseDisplay(dpy);
        }
    }
};

inline std::string windowTitle(::Display* dpy, Window w) {
    Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(dpy, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(dpy, w, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

inline bool isViewable(::Display* dpy, Window w) {
    XWindowAttributes attrs;
    return XGetWindowAttributes(dpy, w, &attrs) && attrs.map_state == IsViewable;
}

// The viewable top-level windows with exactly this title.
inline std::vector<Window> findWindows(::Display* dpy, const std::string& title) {
    std::vector<Window> found;
    Window root = DefaultRootWindow(dpy), parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &n)) {
        return found;
    }
    for (unsigned int i = 0; i < n; ++i) {
        if (isViewable(dpy, children[i]) && windowTitle(dpy, children[i]) == title) {
            found.push_back(children[i]);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

// Sends WM_DELETE_WINDOW, as a window manager's close box does.
inline void requestClose(::Display* dpy, Window w) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, w, False, NoEventMask, &ev);
    XFlush(dpy);
}

// How many distinct colours a screenshot shows inside a rectangle.
inline int coloursIn(const QString& png, const QRect& area) {
    const QImage image(png);
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); y += 3) {
        for (int x = area.left(); x <= area.right() && x < image.width(); x += 3) {
            colours.insert(image.pixel(x, y) & 0xf0f0f0);
        }
    }
    return int(colours.size());
}

} // namespace xtest
