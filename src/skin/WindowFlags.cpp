#include "WindowFlags.h"

#include <QRegion>
#include <QWidget>

namespace lumadeck::WindowFlags {

void Apply(QWidget* window, Qt::WindowFlags flags) {
    if (!window || window->windowFlags() == flags) {
        return;
    }
    const bool visible = window->isVisible();
    // A window that has been on screen keeps its outer corner; one that has
    // not knows no frame yet and keeps its inner geometry.
    const bool placed = window->testAttribute(Qt::WA_WState_Created) && visible;
    const QPoint pos = window->pos();
    const QRect geometry = window->geometry();
    const Qt::WindowStates state = window->windowState();
    const QRegion mask = window->mask();
    window->setWindowFlags(flags);
    if (placed) {
        window->move(pos);
        window->resize(geometry.size());
    } else {
        window->setGeometry(geometry);
    }
    if (!mask.isEmpty()) {
        window->setMask(mask);
    }
    window->setWindowState(state);
    if (visible) {
        window->show();
    }
}

void Set(QWidget* window, Qt::WindowFlags which, bool on) {
    if (!window) {
        return;
    }
    Qt::WindowFlags flags = window->windowFlags();
    if (on) {
        flags |= which;
    } else {
        flags &= ~which;
    }
    Apply(window, flags);
}

} // namespace lumadeck::WindowFlags
