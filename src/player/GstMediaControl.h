#pragma once

#include "player/MediaControl.h"
#include "player/PlaybackSession.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

class QTimer;

namespace lumadeck {

class TransportPanel;

// The media player control on GStreamer: the widget the rest of the program
// sees. Playing is done by a PlaybackSession (its pipeline, the clip's
// information, the states and notifications), whose notifications this
// control passes on; the control itself shows the picture where VideoRect
// puts it, the transport panel under it (TransportPanel), and full screen. Space pauses and
// resumes, the arrow keys seek, F11 or a double click enters full screen
// and Esc or a double click leaves it.
class GstMediaControl : public MediaControl {
    Q_OBJECT
public:
    using Sinks = PlaybinPipeline::Sinks;

    explicit GstMediaControl(QWidget* parent = nullptr, const Sinks& sinks = {});
    ~GstMediaControl() override;

    // Starts GStreamer in the background, early; see
    // PlaybackSession::StartEngine().
    static void StartEngine();
    // Starts GStreamer once for the whole program (or waits for the start
    // begun by StartEngine()); false (with the reason) when it cannot run.
    static bool InitEngine(QString* error = nullptr);

    // Volume 0 to 100 and mute, as the panel shows them.
    int Volume() const override { return m_volume; }
    bool SetVolume(int percent) override;
    AudioChannelCode AudioChannel() const override { return m_session->AudioChannel(); }
    bool SetAudioChannel(AudioChannelCode channel) override;
    QList<double> Chapters() const override { return m_chapters; }
    void SetChapters(const QList<double>& starts) override;
    bool Mute() const { return m_mute; }
    void SetMute(bool on);
    // The element names of the sinks in use (the pipeline is made for the
    // question when no file was opened yet).
    QString VideoSinkName() const;
    QString AudioSinkName() const;

    bool Open(const QString& fileName) override;
    bool Play() override;
    bool Pause() override;
    bool Stop() override;
    bool AutoStart() const override { return m_session->AutoStart(); }
    bool SetAutoStart(bool on) override;
    QString FileName() const override { return m_session->FileName(); }
    double CurrentPosition() const override;
    bool SetCurrentPosition(double seconds) override;
    double Duration() const override;
    double EndOfPlayPosition() const override;
    PlayStateCode PlayState() const override { return m_session->PlayState(); }
    OpenStateCode OpenState() const override { return m_session->OpenState(); }
    DisplaySizeCode DisplaySize() const override { return m_displaySize; }
    bool SetDisplaySize(DisplaySizeCode size) override;
    bool AutoSize() const override { return m_autoSize; }
    bool SetAutoSize(bool on) override;
    bool AllowChangeDisplaySize() const override { return m_allowChangeDisplaySize; }
    bool SetAllowChangeDisplaySize(bool on) override;
    int ImageSourceWidth() const override;
    int ImageSourceHeight() const override;
    int VideoBorderWidth() const override { return 0; }
    bool ShowControls() const override { return m_showControls; }
    bool SetShowControls(bool on) override;
    int PanelHeight() const override;
    bool EnableFullScreenControls() const override { return m_fullScreenControls; }
    bool SetEnableFullScreenControls(bool on) override;
    QString ErrorDescription() const override { return m_session->ErrorDescription(); }
    long ErrorCode() const override { return m_session->ErrorCode(); }
    long CodecCount() const override;
    QString CodecDescription(long index) const override;
    bool CodecInstalled(long index) const override;
    QString CodecURL(long index) const override;
    QString MediaInfoString(MediaInfoCode type) const override;

    // Error codes (ErrorCode()); see PlaybackError.
    static constexpr long ErrorFormat = CodeValue(PlaybackError::Format);
    static constexpr long ErrorCodec = CodeValue(PlaybackError::Codec);
    static constexpr long ErrorResource = CodeValue(PlaybackError::Resource);
    static constexpr long ErrorEngine = CodeValue(PlaybackError::Engine);
    static constexpr long ErrorOther = CodeValue(PlaybackError::Other);
    static constexpr long ErrorOpenTimeout = CodeValue(PlaybackError::OpenTimeout);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showClip();
    void layoutChildren();
    void attachOverlay();
    void paintFrame();
    void enterFullScreen();
    void leaveFullScreen();
    void updatePanel();
    void toggleFullScreen();

    PlaybackSession* m_session = nullptr;

    // Options.
    DisplaySizeCode m_displaySize = DisplaySizeCode::Default;
    DisplaySizeCode m_displaySizeBeforeFullScreen = DisplaySizeCode::Default;
    bool m_autoSize = false;
    bool m_allowChangeDisplaySize = false;
    bool m_showControls = true;
    bool m_fullScreenControls = true;
    int m_volume = 80;
    QList<double> m_chapters;
    bool m_mute = false;

    // Full screen: where the control came from.
    QPointer<QWidget> m_homeParent;
    QRect m_homeGeometry;
    bool m_fullScreen = false;
    QMetaObject::Connection m_homeWatch;

    // Children.
    QWidget* m_video = nullptr;
    QSize m_shownSource; // the picture size the layout was made for
    TransportPanel* m_panel = nullptr;
    QTimer* m_panelTimer = nullptr;
};

} // namespace lumadeck
