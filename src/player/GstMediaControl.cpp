#include "player/GstMediaControl.h"

#include "player/Chapters.h"
#include "player/TransportPanel.h"
#include "player/VideoRect.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace lumadeck {

namespace {

constexpr double kKeySeekSeconds = 5;
constexpr double kKeyBigSeekSeconds = 30;

} // namespace

void GstMediaControl::StartEngine() {
    PlaybackSession::StartEngine();
}

bool GstMediaControl::InitEngine(QString* error) {
    return PlaybackSession::InitEngine(error);
}

GstMediaControl::GstMediaControl(QWidget* parent, const Sinks& sinks) : MediaControl(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setMinimumSize(0, 0);

    m_video = new QWidget(this);
    m_video->setAttribute(Qt::WA_NoSystemBackground);
    m_video->setAttribute(Qt::WA_OpaquePaintEvent);
    m_video->setUpdatesEnabled(false);
    m_video->installEventFilter(this);
    m_video->hide();

    m_panel = new TransportPanel(this);
    connect(m_panel, &TransportPanel::PlayRequested, this, [this] { Play(); });
    connect(m_panel, &TransportPanel::PauseRequested, this, [this] { Pause(); });
    connect(m_panel, &TransportPanel::StopRequested, this, [this] { Stop(); });
    connect(m_panel, &TransportPanel::SeekRequested, this,
            [this](double seconds) { SetCurrentPosition(seconds); });
    connect(m_panel, &TransportPanel::VolumeRequested, this, &GstMediaControl::SetVolume);
    connect(m_panel, &TransportPanel::MuteRequested, this, &GstMediaControl::SetMute);

    m_panelTimer = new QTimer(this);
    m_panelTimer->setInterval(250);
    connect(m_panelTimer, &QTimer::timeout, this, &GstMediaControl::updatePanel);

    m_session = new PlaybackSession(sinks, this);
    connect(m_session, &PlaybackSession::OpenStateChange, this, &MediaControl::OpenStateChange);
    connect(m_session, &PlaybackSession::PlayStateChange, this, &MediaControl::PlayStateChange);
    connect(m_session, &PlaybackSession::Error, this, &MediaControl::Error);
    connect(m_session, &PlaybackSession::PositionChange, this, &MediaControl::PositionChange);
    connect(m_session, &PlaybackSession::Preparing, this, &GstMediaControl::attachOverlay);
    connect(m_session, &PlaybackSession::Changed, this, &GstMediaControl::showClip);
    SetVolume(m_volume);
    layoutChildren();
    updatePanel();
}

GstMediaControl::~GstMediaControl() {
    // The pipeline goes first, while everything its last messages could
    // reach is still there.
    delete m_session;
}

QString GstMediaControl::VideoSinkName() const {
    const PlaybinPipeline* pipeline = m_session->EnsurePipeline();
    return pipeline ? pipeline->VideoSinkName() : QString();
}

QString GstMediaControl::AudioSinkName() const {
    const PlaybinPipeline* pipeline = m_session->EnsurePipeline();
    return pipeline ? pipeline->AudioSinkName() : QString();
}

void GstMediaControl::showClip() {
    // The picture's place only moves when a clip opens or closes; tags and
    // play states only change what is written.
    const ClipInfo& clip = m_session->Clip();
    const bool picture =
        m_session->OpenState() == OpenStateCode::Open && clip.width > 0 && clip.height > 0;
    const QSize source = picture ? QSize(clip.width, clip.height) : QSize();
    if (picture != !m_video->isHidden() || source != m_shownSource) {
        m_shownSource = source;
        m_video->setVisible(picture);
        layoutChildren();
    }
    // The position only moves while playing; the panel follows it then.
    if (PlayState() != PlayStateCode::Playing) {
        m_panelTimer->stop();
    } else if (!m_panelTimer->isActive()) {
        m_panelTimer->start();
    }
    updatePanel();
    if (m_video->isHidden()) {
        update(); // the title written where a picture would be
    }
}

bool GstMediaControl::Open(const QString& fileName) {
    m_chapters.clear();
    return m_session->Open(fileName);
}

bool GstMediaControl::Play() {
    return m_session->Play();
}

bool GstMediaControl::Pause() {
    return m_session->Pause();
}

bool GstMediaControl::Stop() {
    return m_session->Stop();
}

bool GstMediaControl::SetAutoStart(bool on) {
    m_session->SetAutoStart(on);
    return true;
}

double GstMediaControl::CurrentPosition() const {
    return m_session->CurrentPosition();
}

bool GstMediaControl::SetCurrentPosition(double seconds) {
    return m_session->SetCurrentPosition(seconds);
}

double GstMediaControl::Duration() const {
    return m_session->Duration();
}

double GstMediaControl::EndOfPlayPosition() const {
    return m_session->EndOfPlayPosition();
}

int GstMediaControl::ImageSourceWidth() const {
    return m_session->Described() ? m_session->Clip().width : 0;
}

int GstMediaControl::ImageSourceHeight() const {
    return m_session->Described() ? m_session->Clip().height : 0;
}

long GstMediaControl::CodecCount() const {
    return m_session->Described() ? long(m_session->Clip().codecs.size()) : 0;
}

QString GstMediaControl::CodecDescription(long index) const {
    return index >= 1 && index <= CodecCount() ? m_session->Clip().codecs.at(index - 1).description
                                               : QString();
}

bool GstMediaControl::CodecInstalled(long index) const {
    return index >= 1 && index <= CodecCount() && m_session->Clip().codecs.at(index - 1).installed;
}

QString GstMediaControl::CodecURL(long index) const {
    return index >= 1 && index <= CodecCount() ? m_session->Clip().codecs.at(index - 1).url
                                               : QString();
}

QString GstMediaControl::MediaInfoString(MediaInfoCode type) const {
    return m_session->Described() ? m_session->Clip().Text(type, FileName()) : QString();
}

bool GstMediaControl::SetVolume(int percent) {
    const int old = m_volume;
    m_volume = std::clamp(percent, 0, 100);
    m_session->SetVolume(m_volume / 100.0);
    updatePanel();
    if (m_volume != old) {
        emit VolumeChange(m_volume);
    }
    return true;
}

bool GstMediaControl::SetAudioChannel(AudioChannelCode channel) {
    m_session->SetAudioChannel(channel);
    return true;
}

void GstMediaControl::SetMute(bool on) {
    m_mute = on;
    m_session->SetMute(on);
    updatePanel();
}

void GstMediaControl::updatePanel() {
    m_panel->SetState({OpenState() == OpenStateCode::Open, PlayState(), Duration(),
                       CurrentPosition(), m_volume, m_mute, m_chapters});
}

void GstMediaControl::SetChapters(const QList<double>& starts) {
    m_chapters = starts;
    updatePanel();
}

// ------------------------------------------------------------------ display

bool GstMediaControl::SetAutoSize(bool on) {
    m_autoSize = on;
    return true;
}

bool GstMediaControl::SetAllowChangeDisplaySize(bool on) {
    m_allowChangeDisplaySize = on;
    return true;
}

bool GstMediaControl::SetShowControls(bool on) {
    m_showControls = on;
    layoutChildren();
    return true;
}

int GstMediaControl::PanelHeight() const {
    return m_showControls ? TransportPanel::Height : 0;
}

bool GstMediaControl::SetEnableFullScreenControls(bool on) {
    m_fullScreenControls = on;
    layoutChildren();
    return true;
}

bool GstMediaControl::SetDisplaySize(DisplaySizeCode size) {
    if (size < DisplaySizeCode::Default || size > DisplaySizeCode::OneHalfScreen) {
        return false;
    }
    if (size == DisplaySizeCode::FullScreen) {
        if (m_displaySize != DisplaySizeCode::FullScreen) {
            m_displaySizeBeforeFullScreen = m_displaySize;
            m_displaySize = size;
            enterFullScreen();
        }
        return true;
    }
    const bool wasFull = m_displaySize == DisplaySizeCode::FullScreen;
    m_displaySize = size;
    if (wasFull) {
        leaveFullScreen();
    }
    layoutChildren();
    return true;
}

void GstMediaControl::toggleFullScreen() {
    // Leaving full screen is always possible; entering it needs permission.
    if (m_displaySize == DisplaySizeCode::FullScreen) {
        SetDisplaySize(m_displaySizeBeforeFullScreen);
    } else if (m_allowChangeDisplaySize) {
        SetDisplaySize(DisplaySizeCode::FullScreen);
    }
}

void GstMediaControl::enterFullScreen() {
    if (m_fullScreen) {
        return;
    }
    m_fullScreen = true;
    m_homeParent = parentWidget();
    m_homeGeometry = geometry();
    if (m_homeParent) {
        setParent(nullptr, Qt::Window);
        // Out of its window the control would outlive it: go with it.
        m_homeWatch = connect(m_homeParent, &QObject::destroyed, this, [this] {
            hide();
            deleteLater();
        });
    }
    showFullScreen();
    layoutChildren();
    attachOverlay();
    activateWindow();
    setFocus();
}

void GstMediaControl::leaveFullScreen() {
    if (!m_fullScreen) {
        return;
    }
    m_fullScreen = false;
    disconnect(m_homeWatch);
    if (m_homeParent) {
        setParent(m_homeParent, Qt::Widget);
        setGeometry(m_homeGeometry);
        show();
    } else {
        showNormal();
    }
    layoutChildren();
    attachOverlay();
    setFocus();
}

void GstMediaControl::layoutChildren() {
    const bool panelShown = m_fullScreen ? m_fullScreenControls : m_showControls;
    const int panelH = panelShown ? std::min(TransportPanel::Height, height()) : 0;
    m_panel->setVisible(panelShown);
    m_panel->setGeometry(0, height() - panelH, width(), panelH);
    QSize screen(1024, 768);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screen = s->size();
    }
    const QRect area(0, 0, width(), std::max(0, height() - panelH));
    const QRect r =
        VideoRect(area, QSize(ImageSourceWidth(), ImageSourceHeight()), m_displaySize, screen);
    if (m_video->geometry() != r) {
        m_video->setGeometry(r);
    }
    if (m_session->Pipeline() && m_video->isVisible()) {
        // The sink draws in the window's own pixels: on a scaled screen
        // more of them than the widget's size says.
        const qreal ratio = m_video->devicePixelRatioF();
        m_session->Pipeline()->SetRenderRectangle(
            QRect(0, 0, qRound(r.width() * ratio), qRound(r.height() * ratio)));
    }
}

void GstMediaControl::attachOverlay() {
    PlaybinPipeline* pipeline = m_session->Pipeline();
    if (!pipeline) {
        return;
    }
    if (!pipeline->HasOverlay()) {
        // The picture is painted here, frame by frame; black where no sink
        // draws into the control (one with a window of its own).
        m_video->setUpdatesEnabled(true);
        if (const FrameSink* frames = pipeline->Frames()) {
            connect(frames, &FrameSink::FrameArrived, m_video, qOverload<>(&QWidget::update),
                    Qt::UniqueConnection);
        }
        m_video->update();
        return;
    }
    m_video->setAttribute(Qt::WA_NativeWindow);
    pipeline->SetWindow(quintptr(m_video->winId()));
}

void GstMediaControl::paintFrame() {
    // A sink's own window (X11) is never painted over.
    const PlaybinPipeline* pipeline = m_session->Pipeline();
    if (m_video->testAttribute(Qt::WA_NativeWindow)) {
        return;
    }
    const FrameSink* frames = pipeline ? pipeline->Frames() : nullptr;
    QPainter p(m_video);
    const QImage frame = frames ? frames->Frame() : QImage();
    if (frame.isNull()) {
        p.fillRect(m_video->rect(), Qt::black);
        return;
    }
    // The widget has the picture's shape: the frame fills it, in as many
    // pixels as the screen gives it.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(m_video->rect()), frame, QRectF(frame.rect()));
}

// ------------------------------------------------------------------ events

void GstMediaControl::resizeEvent(QResizeEvent* event) {
    MediaControl::resizeEvent(event);
    layoutChildren();
}

void GstMediaControl::paintEvent(QPaintEvent* event) {
    MediaControl::paintEvent(event);
    // Sound only: name what is playing where the picture would be.
    if (OpenState() != OpenStateCode::Open || m_video->isVisible()) {
        return;
    }
    const QString& title = m_session->Clip().title;
    const QString text = title.isEmpty() ? QFileInfo(FileName()).fileName() : title;
    QPainter p(this);
    p.setPen(Qt::white);
    const int panelH = m_panel->isVisible() ? m_panel->height() : 0;
    p.drawText(QRect(8, 0, width() - 16, height() - panelH), Qt::AlignCenter | Qt::TextWordWrap,
               text);
}

void GstMediaControl::keyPressEvent(QKeyEvent* event) {
    const double p = CurrentPosition();
    const auto seekBy = [this, p](double step) {
        if (step < 0) {
            SetCurrentPosition(std::max(0.0, p + step));
        } else if (p + step < Duration()) {
            SetCurrentPosition(p + step);
        }
    };
    switch (event->key()) {
    case Qt::Key_Space:
        PlayState() == PlayStateCode::Playing ? Pause() : Play();
        break;
    case Qt::Key_Left:
        seekBy(-kKeySeekSeconds);
        break;
    case Qt::Key_Right:
        seekBy(kKeySeekSeconds);
        break;
    case Qt::Key_Down:
        seekBy(-kKeyBigSeekSeconds);
        break;
    case Qt::Key_Up:
        seekBy(kKeyBigSeekSeconds);
        break;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        if (const int to = ChapterStep(m_chapters, p, event->key() == Qt::Key_PageDown); to >= 0) {
            SetCurrentPosition(m_chapters[to]);
        }
        break;
    case Qt::Key_F11:
        toggleFullScreen();
        break;
    case Qt::Key_Escape:
        if (m_displaySize != DisplaySizeCode::FullScreen) {
            event->ignore();
            return;
        }
        toggleFullScreen();
        break;
    default:
        MediaControl::keyPressEvent(event);
        return;
    }
    event->accept();
}

void GstMediaControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_panel->geometry().contains(event->pos())) {
        toggleFullScreen();
        event->accept();
        return;
    }
    MediaControl::mouseDoubleClickEvent(event);
}

bool GstMediaControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_video) {
        if (event->type() == QEvent::Paint) {
            paintFrame();
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                toggleFullScreen();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonPress) {
            setFocus();
        }
    }
    return MediaControl::eventFilter(watched, event);
}

} // namespace lumadeck
