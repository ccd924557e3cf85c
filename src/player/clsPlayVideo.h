#pragma once

#include "player/IPositionStore.h"
#include "player/MediaControl.h"
#include "player/PlayerTexts.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace lumadeck {

// The video player: the one object that drives the media player control. It
// opens and plays one file at a time, turns the control's notifications into
// its own eight signals, keeps the control sized inside its parent window,
// applies zoom and full screen, seeks to a requested start or to the saved
// position, and runs a 100 ms tick that delivers deferred notifications.
//
// Set it up in this order: SetParentForm, SetMediaPlayer, SetTimer, SetlZoom,
// SetFormBottomMargin, SetFormTopMargin, ResizePlayer. Nothing here throws.
class clsPlayVideo : public QObject {
    Q_OBJECT
public:
    // Mouse pointers of the parent window.
    static constexpr int PointerDefault = 0;
    static constexpr int PointerHourglass = 11;
    // Smallest width and height the resize pass gives the control, in pixels.
    static constexpr double MinimumControlSize = 300;

    explicit clsPlayVideo(QObject* parent = nullptr);
    // Stores the position of the file still open (SavePosition with Closing).
    ~clsPlayVideo() override;

    // ---- Configuration
    // The window holding the control; its resizes run the resize pass.
    void SetParentForm(QWidget* parent);
    QWidget* ParentForm() const;
    // Attaches the control, listens to it, and switches on its automatic
    // sizing and its permission to change the display size.
    void SetMediaPlayer(MediaControl* control);
    MediaControl* MediaPlayer() const;
    // Attaches the tick source (the main window's TagTimer): 100 ms, started.
    void SetTimer(QTimer* timer);
    QTimer* Timer() const;
    double FormTopMargin() const { return m_topMargin; }
    void SetFormTopMargin(double margin) { m_topMargin = margin; }
    double FormBottomMargin() const { return m_bottomMargin; }
    void SetFormBottomMargin(double margin) { m_bottomMargin = margin; }
    // Resume a file at its saved position when no start position is given.
    bool bAttemptResume() const { return m_attemptResume; }
    void SetbAttemptResume(bool on) { m_attemptResume = on; }
    // Where positions are saved and restored; nullptr: nowhere.
    void SetPositionStore(IPositionStore* store) { m_store = store; }
    IPositionStore* PositionStore() const { return m_store; }

    // ---- Display
    // Zoom index: 0 actual size, 1 half, 2 double, 3 fit to the window.
    ZoomIndex lZoom() const;
    void SetlZoom(ZoomIndex zoom);
    void ApplyZoom();
    bool FullScreen() const;
    void SetFullScreen(bool on);
    bool EnableFullScreenControls() const;
    void SetEnableFullScreenControls(bool on);
    void ResizePlayer();
    bool bResizing() const { return m_resizing; }

    // A zoom index out of range counts as fit to the window.
    static DisplaySizeCode ZoomToDisplaySize(ZoomIndex zoom);
    static ZoomIndex DisplaySizeToZoom(DisplaySizeCode displaySize);

    // ---- Playback
    // Opens the file and plays it from lPosition seconds (0: from the start,
    // or from the saved position when bAttemptResume is set).
    void PlayVideo(const QString& szFileName, double lPosition = 0);
    // The same, but the file opens without starting.
    void OpenVideo(const QString& szFileName, double lPosition = 0);
    void Play();
    void Pause();
    void StopPlaying();
    // Seeks when the position lies before the end of the clip.
    void SeekTo(double position);
    // The control's file; setting it bypasses the open sequence.
    QString FileName() const;
    void SetFileName(const QString& szFileName);

    // ---- Queries (0 or "" when the control cannot answer)
    double Length() const;
    double CurrentPosition() const;
    QString LengthAsString() const { return ConvertSeconds(Length()); }
    QString CurrentPositionAsString() const { return ConvertSeconds(CurrentPosition()); }
    PlayStateCode GetPlayStatus() const;
    QString GetMediaInfoString(MediaInfoCode lType) const;
    long CodecCount() const;

    // ---- Status
    // Raises StatusMessage("") after this many ticks (tenths of a second);
    // 0 stops a running countdown.
    void RaiseStatusAfterSeconds(long iNumSeconds) { m_statusTicks = iNumSeconds; }

    // Whether a file is opening and the control has not yet said it is open.
    bool OpenPending() const { return m_openPending; }
    // Whether the next tick raises Done.
    bool DonePending() const { return m_donePending; }

    // The error box text for the control's current error and this player's
    // file (see ComposeErrorMessage).
    QString ErrorMessageText() const;

    // One tick of the attached timer (also callable directly).
    void Tick();

signals:
    void Done(const QString& szFileName);
    void Paused(const QString& szFileName);
    void Stopped(const QString& szFileName);
    void Started(const QString& szFileName);
    void PositionChanged(const QString& szNewPos, const QString& szMaxPos);
    void FileNotFound(const QString& szFileName);
    void StatusMessage(const QString& szStatus);
    void ErrorMsg(const QString& szError);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openFile(const QString& szFileName, double lPosition, bool autoStart);
    // Hands a state change to the position store, unless the file is one
    // opened without starting that has not played yet.
    void savePosition(PlayStateCode oldState, PlayStateCode newState, MediaControl& control);
    void resizePass();
    bool availableArea(double& w, double& h) const;
    double adjustForDisplaySize(double v, DisplaySizeCode displaySize, bool widthSide) const;
    void setPointer(int pointer);
    void raiseDone(const QString& szFileName);

    void onOpenStateChange(OpenStateCode oldState, OpenStateCode newState);
    void onPlayStateChange(PlayStateCode oldState, PlayStateCode newState);
    void onError();
    void onPositionChange(double oldPosition, double newPosition);

    bool m_attemptResume = true;
    QPointer<MediaControl> m_mediaPlayer1;
    QPointer<QWidget> m_frmParent;
    QPointer<QTimer> m_timer;
    IPositionStore* m_store = nullptr;
    ZoomIndex m_zoom = ZoomIndex::ActualSize;
    double m_topMargin = 0;
    double m_bottomMargin = 0;
    QString m_fileName;
    double m_pendingSeek = 0;
    bool m_openPending = false;
    bool m_donePending = false;
    bool m_resizing = false;
    long m_statusTicks = 0;
    bool m_inError = false;
    bool m_inTick = false;
    // The file opened without starting and neither played nor moved since:
    // its settling into the paused state, and its close before it ever
    // plays, are no pauses of the user's and must not overwrite the position
    // saved for it.
    QString m_notStartedFile;
};

} // namespace lumadeck
