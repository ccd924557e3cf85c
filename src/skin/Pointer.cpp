#include "Pointer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
// Xlib's macros clash with Qt's names: it comes after every Qt header.
#include <X11/Xlib.h>

namespace lumadeck::Pointer {

namespace {

::Display* x11Display() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) {
        return nullptr;
    }
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
        return x11->display();
    }
    return nullptr;
}

} // namespace

bool IsX11() {
    return x11Display() != nullptr;
}

State Query() {
    if (::Display* dpy = x11Display()) {
        ::Window root = DefaultRootWindow(dpy);
        ::Window rootReturn = 0;
        ::Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int winX = 0;
        int winY = 0;
        unsigned int mask = 0;
        if (XQueryPointer(dpy, root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask)) {
            const qreal ratio = QGuiApplication::primaryScreen()
                                    ? QGuiApplication::primaryScreen()->devicePixelRatio()
                                    : 1.0;
            State state;
            state.pos = QPoint(qRound(rootX / ratio), qRound(rootY / ratio));
            state.held = (mask & (Button1Mask | Button2Mask | Button3Mask)) != 0;
            return state;
        }
    }
    State state;
    state.pos = QCursor::pos();
    state.held = QGuiApplication::mouseButtons() != Qt::NoButton;
    return state;
}

} // namespace lumadeck::Pointer
