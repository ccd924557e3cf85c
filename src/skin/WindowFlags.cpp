#include "WindowFlags.h"

#include <QRegion>
#include <QWidget>

namespace lumadeck::WindowFlags {

void Apply(QWidget* window, Qt::WindowFlags flags) {
    if (!window || window->windowFlags() == flags) {
        return;
    }
    const bool visible = window->isVisible();
    const QPoint pos = window->pos();
    const QSize size = window->size();
    const Qt::WindowStates state = window->windowState();
    const QRegion mask = window->mask();
    window->setWindowFlags(flags);
    window->move(pos);
    window->resize(size);
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
