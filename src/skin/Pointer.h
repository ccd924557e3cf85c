#pragma once

#include <QPoint>

namespace lumadeck::Pointer {

// Where the mouse pointer is on the screen and whether any of its buttons
// is held, asked of the window system at this moment (not of the events
// seen so far).
struct State {
    QPoint pos;
    bool held = false;
};
State Query();

// Whether the window system is an X server that Query asks directly.
bool IsX11();

} // namespace lumadeck::Pointer
