#pragma once

#include <Qt>

class QWidget;

namespace lumadeck::WindowFlags {

// Changes a top-level window's flags. Qt recreates the native window for
// that, which hides it and may forget where it was: position, size,
// visibility, window state and mask are carried across.
void Apply(QWidget* window, Qt::WindowFlags flags);

// Sets or clears some flags, keeping the rest (through Apply).
void Set(QWidget* window, Qt::WindowFlags which, bool on);

} // namespace lumadeck::WindowFlags
