#pragma once

#include <QPoint>
#include <Qt>
#include <optional>

class QWidget;

namespace lumadeck::NetWmState {

// Sets or clears the window's "skip taskbar" state on an X server (the
// desktop's taskbar then leaves the window out). Nothing elsewhere.
void SetSkipTaskbar(QWidget* window, bool skip);
// Whether the native window carries that state; false without X.
bool SkipTaskbar(QWidget* window);

// Hands a move (no edges) or a resize of the window to the window manager
// as the mouse button went down at `rootPos` (on the screen, in the same
// units as Pointer::Query). False where no X window manager does that.
bool StartMoveResize(QWidget* window, QPoint rootPos, std::optional<Qt::Edges> edges);

} // namespace lumadeck::NetWmState
