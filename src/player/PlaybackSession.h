#pragma once

#include "player/ClipInfo.h"
#include "player/MediaCodes.h"
#include "player/PlaybackErrors.h"
#include "player/PlaybinPipeline.h"

#include <QObject>
#include <QString>
#include <memory>

class QTimer;

namespace lumadeck {

// One file at a time on a playbin pipeline, without any widget: opening and
// closing, playing, pausing, stopping and seeking, and the open and play
// states with the notifications the media player control promises (see
// MediaControl for their order). The control that shows the picture passes
// these notifications on.
class PlaybackSession : public QObject {
    Q_OBJECT
public:
    explicit PlaybackSession(const PlaybinPipeline::Sinks& sinks, QObject* parent = nullptr);
    ~PlaybackSession() override;

    // Starts GStreamer for the whole program on a thread of its own and
    // returns at once; call it early (before the first window), so that the
    // engine is ready by the first open. Later calls do nothing.
    static void StartEngine();
    // Starts GStreamer once for the whole program (or waits for the start
    // begun by StartEngine()); false (with the reason) when it cannot run.
    static bool InitEngine(QString* error = nullptr);

    // The pipeline; nullptr until a file is first opened (or EnsurePipeline()
    // made it), and when GStreamer is not usable.
    PlaybinPipeline* Pipeline() const { return m_pipeline.get(); }
    // Makes the pipeline when there is none yet (waiting for the engine);
    // nullptr when GStreamer is not usable.
    PlaybinPipeline* EnsurePipeline();

    // Volume 0..1 and mute, kept for a pipeline made later.
    void SetVolume(double volume);
    // The stereo channel heard (kept for a pipeline made later).
    AudioChannelCode AudioChannel() const { return m_channel; }
    void SetAudioChannel(AudioChannelCode channel);
    void SetMute(bool on);

    bool Open(const QString& fileName);
    bool Play();
    bool Pause();
    bool Stop();
    bool AutoStart() const { return m_autoStart; }
    void SetAutoStart(bool on) { m_autoStart = on; }
    QString FileName() const { return m_fileName; }
    double CurrentPosition() const;
    bool SetCurrentPosition(double seconds);
    double Duration() const;
    double EndOfPlayPosition() const;
    PlayStateCode PlayState() const { return m_playState; }
    OpenStateCode OpenState() const { return m_openState; }
    QString ErrorDescription() const { return m_errorDescription; }
    long ErrorCode() const { return m_errorCode; }

    // Whether the queries describe a file: open, or being closed.
    bool Described() const { return m_openState == OpenStateCode::Open || m_closing; }
    // What is known about the clip (empty unless Described()).
    const ClipInfo& Clip() const { return m_clip; }

signals:
    void OpenStateChange(OpenStateCode oldState, OpenStateCode newState);
    void PlayStateChange(PlayStateCode oldState, PlayStateCode newState);
    void Error();
    void PositionChange(double oldPosition, double newPosition);
    // The pipeline is about to show a new file: give it its window now.
    void Preparing();
    // What is shown changed: a clip opened (raised before its open
    // notification) or closed, its tags arrived, or the play state moved.
    void Changed();

private:
    void closeCurrent();
    void handleMessage(GstMessage* message);
    void onAsyncDone();
    void onDurationChanged();
    void finishOpen();
    void failOpenTimeout();
    void onStateChanged(GstState oldState, GstState newState, GstState pending);
    void onEndOfStream();
    void onError(GstMessage* message);
    void queryDuration();
    void estimateDuration();
    void setPlayState(PlayStateCode state);
    bool seekTo(double seconds);
    void setError(PlaybackError code, const QString& description);

    PlaybinPipeline::Sinks m_sinks;
    std::unique_ptr<PlaybinPipeline> m_pipeline;
    bool m_pipelineFailed = false;
    double m_volume = 1.0;
    AudioChannelCode m_channel = AudioChannelCode::Stereo;
    bool m_mute = false;
    QString m_fileName;
    QString m_pendingFileName;
    ClipInfo m_clip;
    OpenStateCode m_openState = OpenStateCode::Closed;
    PlayStateCode m_playState = PlayStateCode::Stopped;
    bool m_autoStart = true;
    bool m_opening = false;
    bool m_closing = false; // the closing notification still describes the file
    bool m_stopRequested = false;
    bool m_atEnd = false;
    bool m_broken = false;
    bool m_seekPending = false;
    unsigned m_seekGeneration = 0;
    bool m_seekWithStop = false;
    mutable double m_lastPosition = 0;
    QTimer* m_openTimeout = nullptr;
    QString m_errorDescription;
    long m_errorCode = 0;
};

} // namespace lumadeck
