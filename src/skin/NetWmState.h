#pragma once

class QWidget;

namespace lumadeck::NetWmState {

// Sets or clears the window's "skip taskbar" state on an X server (the
// desktop's taskbar then leaves the window out). Nothing elsewhere.
void SetSkipTaskbar(QWidget* window, bool skip);
// Whether the native window carries that state; false without X.
bool SkipTaskbar(QWidget* window);

} // namespace lumadeck::NetWmState
