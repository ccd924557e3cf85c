#include "NetWmState.h"

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <vector>
// Xlib's macros clash with Qt's names: it comes after every Qt header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace lumadeck::NetWmState {

namespace {

::Display* x11Display() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

std::vector<Atom> readState(::Display* dpy, ::Window w, Atom netWmState) {
    std::vector<Atom> atoms;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, netWmState, 0, 1024, False, XA_ATOM, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (format == 32) {
            const auto* values = reinterpret_cast<const long*>(data);
            atoms.assign(values, values + count);
        }
        XFree(data);
    }
    return atoms;
}

} // namespace

void SetSkipTaskbar(QWidget* window, bool skip) {
    ::Display* dpy = x11Display();
    if (!dpy || !window) {
        return;
    }
    const ::Window w = static_cast<::Window>(window->winId());
    const Atom netWmState = XInternAtom(dpy, "_NET_WM_STATE", False);
    const Atom skipTaskbar = XInternAtom(dpy, "_NET_WM_STATE_SKIP_TASKBAR", False);
    if (window->isVisible()) {
        // A mapped window's state belongs to the window manager: ask it.
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = netWmState;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = skip ? 1 : 0; // add or remove
        ev.xclient.data.l[1] = static_cast<long>(skipTaskbar);
        ev.xclient.data.l[3] = 1;
        XSendEvent(dpy, DefaultRootWindow(dpy), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &ev);
        XFlush(dpy);
        return;
    }
    // An unmapped window carries its own state, read when it is mapped.
    std::vector<Atom> atoms = readState(dpy, w, netWmState);
    std::erase(atoms, skipTaskbar);
    if (skip) {
        atoms.push_back(skipTaskbar);
    }
    XChangeProperty(dpy, w, netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
    XFlush(dpy);
}

bool SkipTaskbar(QWidget* window) {
    ::Display* dpy = x11Display();
    if (!dpy || !window || !window->testAttribute(Qt::WA_WState_Created)) {
        return false;
    }
    const Atom netWmState = XInternAtom(dpy, "_NET_WM_STATE", False);
    const Atom skipTaskbar = XInternAtom(dpy, "_NET_WM_STATE_SKIP_TASKBAR", False);
    const std::vector<Atom> atoms =
        readState(dpy, static_cast<::Window>(window->winId()), netWmState);
    return std::find(atoms.begin(), atoms.end(), skipTaskbar) != atoms.end();
}

} // namespace lumadeck::NetWmState
