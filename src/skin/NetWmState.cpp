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

std::vector<Atom> readAtoms(::Display* dpy, ::Window w, Atom property) {
    std::vector<Atom> atoms;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, property, 0, 1024, False, XA_ATOM, &type, &format, &count,
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

// Whether the running window manager lists `feature` in _NET_SUPPORTED.
bool supported(::Display* dpy, Atom feature) {
    const Atom netSupported = XInternAtom(dpy, "_NET_SUPPORTED", False);
    const std::vector<Atom> atoms = readAtoms(dpy, DefaultRootWindow(dpy), netSupported);
    return std::find(atoms.begin(), atoms.end(), feature) != atoms.end();
}

// The _NET_WM_MOVERESIZE direction of a resize by `edges`; 8 moves.
long direction(std::optional<Qt::Edges> edges) {
    if (!edges) {
        return 8;
    }
    const Qt::Edges e = *edges;
    const bool top = e & Qt::TopEdge, bottom = e & Qt::BottomEdge;
    const bool left = e & Qt::LeftEdge, right = e & Qt::RightEdge;
    if (top) {
        return left ? 0 : right ? 2 : 1;
    }
    if (bottom) {
        return right ? 4 : left ? 6 : 5;
    }
    return right ? 3 : 7;
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
    std::vector<Atom> atoms = readAtoms(dpy, w, netWmState);
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
        readAtoms(dpy, static_cast<::Window>(window->winId()), netWmState);
    return std::find(atoms.begin(), atoms.end(), skipTaskbar) != atoms.end();
}

bool StartMoveResize(QWidget* window, QPoint rootPos, std::optional<Qt::Edges> edges) {
    ::Display* dpy = x11Display();
    if (!dpy || !window || !window->isVisible()) {
        return false;
    }
    const Atom moveResize = XInternAtom(dpy, "_NET_WM_MOVERESIZE", False);
    if (!supported(dpy, moveResize)) {
        return false;
    }
    // The press point is the pointer's place as the server has it now, not
    // as the last event seen had it: under load those differ, and the window
    // would jump by the difference.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = static_cast<::Window>(window->winId());
    ev.xclient.message_type = moveResize;
    ev.xclient.format = 32;
    const qreal ratio = window->devicePixelRatioF();
    ev.xclient.data.l[0] = qRound(rootPos.x() * ratio);
    ev.xclient.data.l[1] = qRound(rootPos.y() * ratio);
    ev.xclient.data.l[2] = direction(edges);
    ev.xclient.data.l[3] = Button1;
    ev.xclient.data.l[4] = 1; // a normal application
    // The press gave this program the pointer; the window manager takes it.
    XUngrabPointer(dpy, CurrentTime);
    XSendEvent(dpy, DefaultRootWindow(dpy), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(dpy);
    return true;
}

} // namespace lumadeck::NetWmState
