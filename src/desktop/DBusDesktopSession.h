#pragma once

#include "desktop/IDesktopSession.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

namespace lumadeck {

// The real desktop session: the MPRIS 2 object /org/mpris/MediaPlayer2 on a
// D-Bus connection (the session bus in the program), with the root and
// Player interfaces and the program's own org.lumadeck.Lumadeck interface
// (OpenFiles), and PropertiesChanged sent for every change the player
// announces.
class DBusDesktopSession : public QObject, public IDesktopSession {
    Q_OBJECT
public:
    static const QString ServiceName;  // org.mpris.MediaPlayer2.lumadeck
    static const QString ObjectPath;   // /org/mpris/MediaPlayer2
    static const QString OwnInterface; // org.lumadeck.Lumadeck
    // How long a second start waits for the first one to take its files.
    static constexpr int HandOverTimeoutMs = 15000;

    explicit DBusDesktopSession(const QDBusConnection& connection, QObject* parent = nullptr);
    ~DBusDesktopSession() override;

    Claim Publish(MprisPlayer& player) override;
    bool HandOver(const QStringList& fileNames) override;
    void PublishAsInstance() override;

    // The names this session took on the bus.
    const QStringList& OwnedNames() const { return m_owned; }

private:
    void sendPropertiesChanged(const QString& interfaceName, const QVariantMap& changed);

    QDBusConnection m_connection;
    QObject* m_object = nullptr; // carries the adaptors
    QPointer<MprisPlayer> m_player;
    QStringList m_owned;
};

} // namespace lumadeck
