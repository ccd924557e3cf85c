#pragma once

#include "player/MediaControl.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstBus GstBus;
typedef struct _GSource GSource;

namespace lumadeck {

// The media player control on GStreamer: a playbin pipeline whose picture is
// drawn into a native child window (GstVideoOverlay) and whose bus is watched
// on the event loop of the user-interface thread. Under the picture sits the
// control's own panel: play, pause, stop, a seek bar with the time, volume
// and mute. Space pauses and resumes, the arrow keys seek, F11 or a double
// click enters full screen and Esc or a double click leaves it.
class GstMediaControl : public MediaControl {
    Q_OBJECT
public:
    // Element names of the sinks ("" lets the control choose: a window sink
    // on X11, the sound server or ALSA for sound, silent sinks otherwise).
    struct Sinks {
        QString video;
        QString audio;
    };

    explicit GstMediaControl(QWidget* parent = nullptr, const Sinks& sinks = {});
    ~GstMediaControl() override;

    // Starts GStreamer once for the whole program; false (with the reason)
    // when it cannot run.
    static bool InitEngine(QString* error = nullptr);

    // Volume 0 to 100 and mute, as the panel shows them.
    int Volume() const override;
    bool SetVolume(int percent) override;
    bool Mute() const;
    void SetMute(bool on);
    // The element names of the sinks in use.
    QString VideoSinkName() const { return videoSinkName_; }
    QString AudioSinkName() const { return audioSinkName_; }

    bool Open(const QString& fileName) override;
    bool Play() override;
    bool Pause() override;
    bool Stop() override;
    bool AutoStart() const override { return autoStart_; }
    bool SetAutoStart(bool on) override;
    QString FileName() const override;
    double CurrentPosition() const override;
    bool SetCurrentPosition(double seconds) override;
    double Duration() const override;
    double EndOfPlayPosition() const override;
    long PlayState() const override { return playState_; }
    long OpenState() const override { return openState_; }
    long DisplaySize() const override { return displaySize_; }
    bool SetDisplaySize(long size) override;
    bool AutoSize() const override { return autoSize_; }
    bool SetAutoSize(bool on) override;
    bool AllowChangeDisplaySize() const override { return allowChangeDisplaySize_; }
    bool SetAllowChangeDisplaySize(bool on) override;
    int ImageSourceWidth() const override;
    int ImageSourceHeight() const override;
    int VideoBorderWidth() const override { return 0; }
    bool ShowControls() const override { return showControls_; }
    bool SetShowControls(bool on) override;
    int PanelHeight() const override;
    bool EnableFullScreenControls() const override { return fullScreenControls_; }
    bool SetEnableFullScreenControls(bool on) override;
    QString ErrorDescription() const override { return errorDescription_; }
    long ErrorCode() const override { return errorCode_; }
    long CodecCount() const override;
    QString CodecDescription(long index) const override;
    bool CodecInstalled(long index) const override;
    QString CodecURL(long index) const override;
    QString MediaInfoString(long type) const override;

    // Error codes (ErrorCode()).
    static constexpr long ErrorFormat = 0x1001;      // not recognised or corrupt
    static constexpr long ErrorCodec = 0x1002;       // no decoder installed
    static constexpr long ErrorResource = 0x1003;    // cannot read the file
    static constexpr long ErrorEngine = 0x1004;      // GStreamer is not usable
    static constexpr long ErrorOther = 0x1005;       // anything else
    static constexpr long ErrorOpenTimeout = 0x1006; // opening never finished

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Codec {
        QString description;
        bool installed = true;
        QString url;
    };

    bool buildPipeline();
    void destroyPipeline();
    void closeCurrent();
    void handleMessage(GstMessage* message);
    static int busCallback(GstBus* bus, GstMessage* message, void* self);
    void pollBus();
    void finishOpen();
    void failOpenTimeout();
    void onStateChanged(int oldState, int newState, int pending);
    void onEndOfStream();
    void onError(GstMessage* message);
    void onMissingPlugin(GstMessage* message);
    void onTags(GstMessage* message);
    void queryDuration();
    void estimateDuration();
    void readStreamInfo();
    void addStreamCodec(const char* kind, const char* codecTag, const QString& fallbackName, int i);
    void readFileTags();
    void setPlayState(long state);
    void setPipelineState(int state);
    bool seekTo(double seconds);
    void stopPipeline();
    void layoutChildren();
    QRect videoRect(const QRect& area) const;
    void attachOverlay();
    void enterFullScreen();
    void leaveFullScreen();
    void updatePanel();
    void toggleFullScreen();
    void setError(long code, const QString& description);
    // Whether the queries describe a file: open, or being closed.
    bool described() const { return openState_ == OpenStateOpen || closing_; }

    Sinks sinks_;
    QString videoSinkName_;
    QString audioSinkName_;
    GstElement* playbin_ = nullptr;
    GstElement* videoSink_ = nullptr;
    GSource* busSource_ = nullptr;
    QTimer* busPoll_ = nullptr;
    bool overlay_ = false;

    // The open file.
    QString fileName_;
    QString pendingFileName_;
    long openState_ = OpenStateClosed;
    long playState_ = PlayStateStopped;
    bool opening_ = false;
    bool closing_ = false; // the closing notification still describes the file
    bool stopRequested_ = false;
    bool atEnd_ = false;
    bool broken_ = false;
    int targetState_ = 0; // the GstState last asked for
    double duration_ = 0;
    unsigned bitrate_ = 0;
    bool seekPending_ = false;
    unsigned seekGeneration_ = 0;
    bool seekWithStop_ = false;
    mutable double lastPosition_ = 0;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    QList<Codec> codecs_;
    QList<Codec> missing_;
    QString title_;
    QString description_;
    QString author_;
    QString copyright_;
    QTimer* openTimeout_ = nullptr;

    // Options.
    bool autoStart_ = true;
    long displaySize_ = DisplayDefault;
    long displaySizeBeforeFullScreen_ = DisplayDefault;
    bool autoSize_ = false;
    bool allowChangeDisplaySize_ = false;
    bool showControls_ = true;
    bool fullScreenControls_ = true;
    QString errorDescription_;
    long errorCode_ = 0;

    // Full screen: where the control came from.
    QPointer<QWidget> homeParent_;
    QRect homeGeometry_;
    bool fullScreen_ = false;
    QMetaObject::Connection homeWatch_;

    // Children.
    QWidget* videoArea_ = nullptr;
    QWidget* video_ = nullptr;
    QWidget* panel_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QToolButton* pauseButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QSlider* seekBar_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QSlider* volumeBar_ = nullptr;
    QToolButton* muteButton_ = nullptr;
    QTimer* panelTimer_ = nullptr;
    bool seekBarDragging_ = false;
    int volume_ = 80;
    bool mute_ = false;
};

} // namespace lumadeck
