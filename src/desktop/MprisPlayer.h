#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <deque>

namespace lumadeck {

class MediaControl;
class clsPlayList;
class clsPlayVideo;
class frmLumadeck;

// The player as the desktop's media controls see it (MPRIS 2: the root
// interface org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player),
// without the bus: DBusDesktopSession publishes it. Every command goes
// through the operations the window's own commands use (the playlist
// controller and the video player), so positions are stored exactly as
// when the user works the window. Times are in microseconds.
class MprisPlayer : public QObject {
    Q_OBJECT
public:
    static const QString RootInterface;
    static const QString PlayerInterface;
    // The track id of "no track".
    static const QString NoTrack;
    // Track ids are this prefix and the entry's position in the playlist.
    static const QString TrackPrefix;

    explicit MprisPlayer(QObject* parent = nullptr);
    ~MprisPlayer() override;

    // Connects to the main window once its start-up has finished, and opens
    // what was handed over while it was starting.
    void Attach(frmLumadeck& window);
    bool IsAttached() const { return !m_window.isNull(); }

    // ---- org.mpris.MediaPlayer2
    QString Identity() const { return QStringLiteral("Lumadeck Player"); }
    QString DesktopEntry() const { return QStringLiteral("lumadeck"); }
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    static QStringList SupportedUriSchemes();
    // The MIME types of every kind the program opens (also those of the
    // desktop entry).
    static QStringList SupportedMimeTypes();
    // Shows and raises the window of the current display mode.
    void Raise();
    // Ends the program as "E&xit" does, once the caller has its answer.
    void Quit();

    // ---- org.mpris.MediaPlayer2.Player
    QString PlaybackStatus() const; // "Playing", "Paused" or "Stopped"
    QVariantMap Metadata() const;
    qlonglong Position() const;
    double Volume() const;
    void SetVolume(double volume);
    double Rate() const { return 1.0; }
    // One speed only; a rate of 0 pauses, as media controls expect.
    void SetRate(double rate);
    double MinimumRate() const { return 1.0; }
    double MaximumRate() const { return 1.0; }
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanControl() const { return true; }

    void Next();
    void Previous();
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Seek(qlonglong offset);
    void SetPosition(const QString& trackId, qlonglong position);
    // What became of a call to open files.
    enum class OpenOutcome {
        Queued = 0,         // the files open in their turn
        TooManyWaiting = 1, // refused: MaxPendingCalls calls wait already
        NotAFile = 2,       // refused: a name no local file can have
    };
    // Opens one file:// URI as if chosen in the open dialog; nothing opens
    // for other schemes and for what OpenFiles refuses.
    OpenOutcome OpenUri(const QString& uri);

    // ---- the program's own
    // Files handed over by another start of the program: the window is
    // raised and they open as if chosen in the open dialog, one after the
    // other. Calls wait in a queue and are taken one at a time, never while
    // a box or dialog waits for the user nor while the program closes (a
    // failing open shows a box, and a call taken inside it would show the
    // next one on top); before Attach they wait for the start-up to finish.
    // The calls that waited while a failure was shown report their own
    // failures on standard error instead of in boxes.
    // Refused when the queue is full, or for a call naming more files than
    // a playlist holds or a name no file can have (a NUL, more than
    // MaxFileNameBytes).
    OpenOutcome OpenFiles(const QStringList& fileNames);
    static constexpr std::size_t MaxPendingCalls = 256;
    // How many calls wait in the queue.
    std::size_t PendingCalls() const { return m_queue.size(); }

    // The Player properties that announce their changes, by name.
    QVariantMap ChangingProperties() const;

signals:
    // Properties of the interface changed to these values.
    void PropertiesChanged(const QString& interfaceName, const QVariantMap& changed);
    // The position jumped (a seek, a resume) to this many microseconds.
    void Seeked(qlonglong position);

private:
    clsPlayList* playList() const;
    clsPlayVideo* player() const;
    MediaControl* control() const;
    bool fileOpen() const;
    QString currentTrackId() const;
    void watchControl();
    // Compares the changing properties with what was last announced and
    // announces the differences.
    void refresh();
    void openNow(const QStringList& fileNames);
    bool mayOpenNow() const;
    void takeNextCall();

    QPointer<frmLumadeck> m_window;
    QPointer<MediaControl> m_control;
    struct Call {
        QStringList fileNames;
        // It waited while an earlier call's failure was shown: its own
        // failures go to standard error, so that a burst of failing calls
        // shows one box rather than one after the other.
        bool quiet = false;
    };
    std::deque<Call> m_queue; // calls waiting to open their files
    QTimer m_queueTimer;
    bool m_opening = false;
    QVariantMap m_announced;
};

} // namespace lumadeck
