#pragma once

// What step i of a run of "registry_child crash" writes, for the child and
// for the test that checks what survived the child being killed.
#include <QString>

namespace registry_crash {

inline constexpr int Slots = 24;

inline int slotOf(int step) {
    return step % Slots;
}

inline QString sectionOf(int slot) {
    return QStringLiteral("Software\\Lumadeck\\Crash\\Disc%1\\clip%2.dat\\VCD_%3")
        .arg(slot / 4)
        .arg(slot)
        .arg(slot % 3);
}

inline QString nameOf(int slot) {
    return slot % 2 ? QStringLiteral("MaxPos") : QStringLiteral("CurrPos");
}

// Up to a few thousand characters, so that writes span pages.
inline QString textOf(int run, int step) {
    return QStringLiteral("%1.%2|").arg(run).arg(step) + QString((step * 37) % 3000, QChar('x'));
}

} // namespace registry_crash
