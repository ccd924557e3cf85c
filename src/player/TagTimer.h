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

} // namespace lumadeck
