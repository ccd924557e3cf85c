#pragma once

#include <QString>
#include <QTimer>

namespace lumadeck {

// The main window's tick timer. Besides ticking it carries a free text, Tag,
// in which the main window leaves a command to run on the next tick.
class TagTimer : public QTimer {
    Q_OBJECT
public:
    using QTimer::QTimer;

    QString Tag;
};

// The commands the main window leaves in Tag for its next tick.
namespace TimerTag {
inline constexpr char Idle[] = "0";           // nothing to do
inline constexpr char RefreshDrives[] = "1";  // scan the CD drives again once no scan runs
inline constexpr char ShowModeWindow[] = "2"; // show the window of the display mode
} // namespace TimerTag

} // namespace lumadeck
