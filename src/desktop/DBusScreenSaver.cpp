#include "desktop/DBusScreenSaver.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace lumadeck {

const QString DBusScreenSaver::ServiceName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString DBusScreenSaver::ObjectPath = QStringLiteral("/org/freedesktop/ScreenSaver");

DBusScreenSaver::DBusScreenSaver(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), m_connection(connection) {}

DBusScreenSaver::~DBusScreenSaver() {
    m_wanted = false;
    if (m_cookie != 0) {
        sendUnInhibit(m_cookie, true);
        m_cookie = 0;
    } else if (m_unflushed && m_connection.isConnected() && m_connection.interface()) {
        // Messages leave in order: once the bus has answered this question,
        // a withdrawal sent just before it is on its way even if the
        // program ends now.
        m_connection.interface()->isServiceRegistered(ServiceName);
    }
}

void DBusScreenSaver::Inhibit(const QString& applicationName, const QString& reason) {
    m_wanted = true;
    if (m_cookie != 0 || m_pending || !m_connection.isConnected()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(ServiceName, ObjectPath, ServiceName, "Inhibit");
    call << applicationName << reason;
    m_pending = true;
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_pending = false;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            return; // no screen saver service: nothing to hold off
        }
        if (m_wanted) {
            m_cookie = reply.value();
        } else {
            sendUnInhibit(reply.value(), false); // withdrawn meanwhile
        }
    });
}

void DBusScreenSaver::UnInhibit() {
    m_wanted = false;
    if (m_cookie != 0) {
        sendUnInhibit(m_cookie, false);
        m_cookie = 0;
    }
}

void DBusScreenSaver::sendUnInhibit(uint cookie, bool wait) {
    if (!m_connection.isConnected()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(ServiceName, ObjectPath, ServiceName, "UnInhibit");
    call << cookie;
    if (wait) {
        m_connection.call(call, QDBus::Block, 2000);
    } else {
        m_connection.asyncCall(call);
        m_unflushed = true;
    }
}

} // namespace lumadeck
