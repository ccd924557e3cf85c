#pragma once

#include <QString>

namespace lumadeck {

// The desktop's screen saver, asked to keep the screen on while a film
// plays. An implementation keeps at most one request of its own in force.
class IScreenSaver {
public:
    virtual ~IScreenSaver() = default;
    // Asks the desktop not to blank the screen (again a no-op while asked).
    virtual void Inhibit(const QString& applicationName, const QString& reason) = 0;
    // Withdraws the request in force, if any.
    virtual void UnInhibit() = 0;
};

} // namespace lumadeck
