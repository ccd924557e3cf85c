#pragma once

// The D-Bus faces of MprisPlayer, exported by DBusDesktopSession.
#include "desktop/MprisPlayer.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

namespace lumadeck {

// Answers a call to open files that was refused with an error saying why.
inline void AnswerOpen(const QDBusConnection& connection, const QDBusMessage& call,
                       MprisPlayer::OpenOutcome outcome) {
    switch (outcome) {
    case MprisPlayer::OpenOutcome::Queued:
        return; // the empty reply goes out by itself
    case MprisPlayer::OpenOutcome::TooManyWaiting:
        call.setDelayedReply(true);
        connection.send(call.createErrorReply(
            QDBusError::LimitsExceeded, QStringLiteral("Not opened: %1 calls are waiting already")
                                            .arg(MprisPlayer::MaxPendingCalls)));
        return;
    case MprisPlayer::OpenOutcome::NotAFile:
        call.setDelayedReply(true);
        connection.send(call.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("Not opened: not a local file (a name with a NUL or of more than "
                           "4096 bytes, or a URI of another scheme than file://)")));
        return;
    }
}

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    MprisRootAdaptor(QObject* object, MprisPlayer& player)
        : QDBusAbstractAdaptor(object), m_player(player) {}
    bool CanQuit() const { return m_player.CanQuit(); }
    bool CanRaise() const { return m_player.CanRaise(); }
    bool HasTrackList() const { return m_player.HasTrackList(); }
    QString Identity() const { return m_player.Identity(); }
    QString DesktopEntry() const { return m_player.DesktopEntry(); }
    QStringList SupportedUriSchemes() const { return MprisPlayer::SupportedUriSchemes(); }
    QStringList SupportedMimeTypes() const { return MprisPlayer::SupportedMimeTypes(); }
public slots:
    void Raise() { m_player.Raise(); }
    void Quit() { m_player.Quit(); }

private:
    MprisPlayer& m_player;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    MprisPlayerAdaptor(QObject* object, MprisPlayer& player, const QDBusConnection& connection)
        : QDBusAbstractAdaptor(object), m_player(player), m_connection(connection) {
        connect(&player, &MprisPlayer::Seeked, this, &MprisPlayerAdaptor::Seeked);
    }
    QString PlaybackStatus() const { return m_player.PlaybackStatus(); }
    double Rate() const { return m_player.Rate(); }
    void SetRate(double rate) { m_player.SetRate(rate); }
    QVariantMap Metadata() const { return m_player.Metadata(); }
    double Volume() const { return m_player.Volume(); }
    void SetVolume(double volume) { m_player.SetVolume(volume); }
    qlonglong Position() const { return m_player.Position(); }
    double MinimumRate() const { return m_player.MinimumRate(); }
    double MaximumRate() const { return m_player.MaximumRate(); }
    bool CanGoNext() const { return m_player.CanGoNext(); }
    bool CanGoPrevious() const { return m_player.CanGoPrevious(); }
    bool CanPlay() const { return m_player.CanPlay(); }
    bool CanPause() const { return m_player.CanPause(); }
    bool CanSeek() const { return m_player.CanSeek(); }
    bool CanControl() const { return m_player.CanControl(); }
public slots:
    void Next() { m_player.Next(); }
    void Previous() { m_player.Previous(); }
    void Pause() { m_player.Pause(); }
    void PlayPause() { m_player.PlayPause(); }
    void Stop() { m_player.Stop(); }
    void Play() { m_player.Play(); }
    void Seek(qlonglong Offset) { m_player.Seek(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
        m_player.SetPosition(TrackId.path(), Position);
    }
    void OpenUri(const QString& Uri, const QDBusMessage& message) {
        AnswerOpen(m_connection, message, m_player.OpenUri(Uri));
    }
signals:
    void Seeked(qlonglong Position);

private:
    MprisPlayer& m_player;
    QDBusConnection m_connection;
};

// The program's own interface: a second start hands its files over here.
class LumadeckAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumadeck.Lumadeck")
public:
    LumadeckAdaptor(QObject* object, MprisPlayer& player, const QDBusConnection& connection)
        : QDBusAbstractAdaptor(object), m_player(player), m_connection(connection) {}
public slots:
    void OpenFiles(const QStringList& files, const QDBusMessage& message) {
        AnswerOpen(m_connection, message, m_player.OpenFiles(files));
    }

private:
    MprisPlayer& m_player;
    QDBusConnection m_connection;
};

} // namespace lumadeck
