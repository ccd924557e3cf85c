#include "desktop/DBusDesktopSession.h"

#include "desktop/MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace lumadeck {

const QString DBusDesktopSession::ServiceName = QStringLiteral("org.mpris.MediaPlayer2.lumadeck");
const QString DBusDesktopSession::ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString DBusDesktopSession::OwnInterface = QStringLiteral("org.lumadeck.Lumadeck");

DBusDesktopSession::DBusDesktopSession(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), m_connection(connection) {}

DBusDesktopSession::~DBusDesktopSession() {
    if (!m_connection.isConnected()) {
        return;
    }
    for (const QString& name : m_owned) {
        m_connection.unregisterService(name);
    }
    if (m_object) {
        m_connection.unregisterObject(ObjectPath);
    }
}

IDesktopSession::Claim DBusDesktopSession::Publish(MprisPlayer& player) {
    if (!m_connection.isConnected() || !m_connection.interface()) {
        return Claim::NoSession;
    }
    if (!m_object) {
        // The object is in place before the name is taken, so that a second
        // start never finds the name without the object behind it.
        m_player = &player;
        m_object = new QObject(this);
        new MprisRootAdaptor(m_object, player);
        new MprisPlayerAdaptor(m_object, player, m_connection);
        new LumadeckAdaptor(m_object, player, m_connection);
        if (!m_connection.registerObject(ObjectPath, m_object, QDBusConnection::ExportAdaptors)) {
            delete m_object;
            m_object = nullptr;
            return Claim::NoSession;
        }
        connect(&player, &MprisPlayer::PropertiesChanged, this,
                &DBusDesktopSession::sendPropertiesChanged);
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_connection.interface()->registerService(ServiceName,
                                                  QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        return Claim::NoSession;
    }
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        return Claim::Taken;
    }
    m_owned.append(ServiceName);
    return Claim::Owner;
}

bool DBusDesktopSession::HandOver(const QStringList& fileNames) {
    if (!m_connection.isConnected()) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(ServiceName, ObjectPath, OwnInterface, "OpenFiles");
    call << fileNames;
    // The running instance answers from its event loop; ours keeps running
    // meanwhile, so that an instance in this very process could answer too.
    const QDBusMessage reply = m_connection.call(call, QDBus::BlockWithGui, HandOverTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void DBusDesktopSession::PublishAsInstance() {
    if (!m_connection.isConnected() || !m_connection.interface() || !m_object) {
        return;
    }
    const QString name = ServiceName + QStringLiteral(".instance") +
                         QString::number(QCoreApplication::applicationPid());
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_connection.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_owned.append(name);
    }
}

void DBusDesktopSession::sendPropertiesChanged(const QString& interfaceName,
                                               const QVariantMap& changed) {
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interfaceName << changed << QStringList();
    m_connection.send(signal);
}

} // namespace lumadeck
