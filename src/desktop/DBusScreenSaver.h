#pragma once

#include "desktop/IScreenSaver.h"

#include <QDBusConnection>
#include <QObject>

namespace lumadeck {

// org.freedesktop.ScreenSaver on a D-Bus connection (the session bus in the
// program). Calls are asynchronous, so a slow or missing service never
// holds up the window; a request whose answer comes after it was withdrawn
// is withdrawn on arrival. Without the service nothing happens and nothing
// is printed.
class DBusScreenSaver : public QObject, public IScreenSaver {
    Q_OBJECT
public:
    static const QString ServiceName; // org.freedesktop.ScreenSaver
    static const QString ObjectPath;  // /org/freedesktop/ScreenSaver

    explicit DBusScreenSaver(const QDBusConnection& connection, QObject* parent = nullptr);
    // Withdraws a request still in force, and waits (briefly) until every
    // withdrawal is on its way, as the program may be ending.
    ~DBusScreenSaver() override;

    void Inhibit(const QString& applicationName, const QString& reason) override;
    void UnInhibit() override;

    // The cookie of the request in force, 0 when none.
    uint Cookie() const { return m_cookie; }

private:
    void sendUnInhibit(uint cookie, bool wait);

    QDBusConnection m_connection;
    bool m_wanted = false;  // the screen should stay on
    bool m_pending = false; // an Inhibit call awaits its answer
    uint m_cookie = 0;
    bool m_unflushed = false; // a withdrawal was sent without waiting
};

} // namespace lumadeck
