#include "player/clsPlayVideo.h"

#include "cd/DiscPath.h"
#include "platform/FileNames.h"
#include "platform/IDialogs.h"
#include "platform/PlainText.h"
#include "platform/Services.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace lumadeck {

namespace {

// Ordinary files only, and files of a disc read without a mount: a
// directory, a missing name and a hidden file (its name starts with ".")
// all count as missing.
bool fileExists(const QString& name) {
    if (name.isEmpty()) {
        return false;
    }
    if (name.mid(name.lastIndexOf(QLatin1Char('/')) + 1).startsWith(QLatin1Char('.'))) {
        return false;
    }
    return StatFile(name).isFile || DiscFileExists(name);
}

int toPixels(double v) {
    if (!std::isfinite(v)) {
        return 0;
    }
    return int(std::lround(std::clamp(v, -1e7, 1e7)));
}

} // namespace

clsPlayVideo::clsPlayVideo(QObject* parent) : QObject(parent) {}

clsPlayVideo::~clsPlayVideo() {
    if (m_mediaPlayer1) {
        savePosition(m_mediaPlayer1->PlayState(), PlayStateCode::Closing, *m_mediaPlayer1);
    }
    if (m_timer) {
        disconnect(m_timer, nullptr, this, nullptr);
    }
    if (m_mediaPlayer1) {
        disconnect(m_mediaPlayer1, nullptr, this, nullptr);
    }
    if (m_frmParent) {
        m_frmParent->removeEventFilter(this);
    }
}

// ---------------------------------------------------------------- set-up

void clsPlayVideo::SetParentForm(QWidget* parent) {
    if (m_frmParent) {
        m_frmParent->removeEventFilter(this);
    }
    m_frmParent = parent;
    if (m_frmParent) {
        m_frmParent->installEventFilter(this);
    }
}

QWidget* clsPlayVideo::ParentForm() const {
    return m_frmParent;
}

void clsPlayVideo::SetMediaPlayer(MediaControl* control) {
    if (m_mediaPlayer1) {
        disconnect(m_mediaPlayer1, nullptr, this, nullptr);
    }
    m_mediaPlayer1 = control;
    if (!control) {
        return;
    }
    connect(control, &MediaControl::OpenStateChange, this, &clsPlayVideo::onOpenStateChange);
    connect(control, &MediaControl::PlayStateChange, this, &clsPlayVideo::onPlayStateChange);
    connect(control, &MediaControl::Error, this, &clsPlayVideo::onError);
    connect(control, &MediaControl::PositionChange, this, &clsPlayVideo::onPositionChange);
    control->SetAutoSize(true);
    control->SetAllowChangeDisplaySize(true);
}

MediaControl* clsPlayVideo::MediaPlayer() const {
    return m_mediaPlayer1;
}

void clsPlayVideo::SetTimer(QTimer* timer) {
    if (m_timer) {
        disconnect(m_timer, nullptr, this, nullptr);
    }
    m_timer = timer;
    if (!timer) {
        return;
    }
    connect(timer, &QTimer::timeout, this, &clsPlayVideo::Tick);
    timer->setInterval(100);
    timer->start();
}

QTimer* clsPlayVideo::Timer() const {
    return m_timer;
}

bool clsPlayVideo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_frmParent && event->type() == QEvent::Resize) {
        resizePass();
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------- display

DisplaySizeCode clsPlayVideo::ZoomToDisplaySize(ZoomIndex zoom) {
    switch (zoom) {
    case ZoomIndex::ActualSize:
        return DisplaySizeCode::Default;
    case ZoomIndex::Half:
        return DisplaySizeCode::Half;
    case ZoomIndex::Double:
        return DisplaySizeCode::Double;
    default:
        return DisplaySizeCode::FitToWindow;
    }
}

ZoomIndex clsPlayVideo::DisplaySizeToZoom(DisplaySizeCode displaySize) {
    switch (displaySize) {
    case DisplaySizeCode::Default:
        return ZoomIndex::ActualSize;
    case DisplaySizeCode::Half:
        return ZoomIndex::Half;
    case DisplaySizeCode::Double:
        return ZoomIndex::Double;
    default:
        return ZoomIndex::FitToWindow;
    }
}

ZoomIndex clsPlayVideo::lZoom() const {
    if (m_mediaPlayer1) {
        return DisplaySizeToZoom(m_mediaPlayer1->DisplaySize());
    }
    return m_zoom;
}

void clsPlayVideo::SetlZoom(ZoomIndex zoom) {
    m_zoom = zoom;
    if (m_mediaPlayer1) {
        m_mediaPlayer1->SetDisplaySize(ZoomToDisplaySize(zoom));
        ResizePlayer();
    }
}

void clsPlayVideo::ApplyZoom() {
    if (m_mediaPlayer1) {
        SetlZoom(m_zoom);
        ResizePlayer();
    }
}

bool clsPlayVideo::FullScreen() const {
    return m_mediaPlayer1 && m_mediaPlayer1->DisplaySize() == DisplaySizeCode::FullScreen;
}

void clsPlayVideo::SetFullScreen(bool on) {
    if (!m_mediaPlayer1) {
        return;
    }
    m_mediaPlayer1->SetDisplaySize(on ? DisplaySizeCode::FullScreen : ZoomToDisplaySize(m_zoom));
}

bool clsPlayVideo::EnableFullScreenControls() const {
    return m_mediaPlayer1 && m_mediaPlayer1->EnableFullScreenControls();
}

void clsPlayVideo::SetEnableFullScreenControls(bool on) {
    if (m_mediaPlayer1) {
        m_mediaPlayer1->SetEnableFullScreenControls(on);
    }
}

void clsPlayVideo::ResizePlayer() {
    if (m_frmParent) {
        resizePass();
    }
}

bool clsPlayVideo::availableArea(double& w, double& h) const {
    if (!m_mediaPlayer1 || !m_frmParent) {
        return false;
    }
    // A minimised window has no client area: use its outer size instead.
    double innerW = m_frmParent->isMinimized() ? 0 : m_frmParent->width();
    double innerH = m_frmParent->isMinimized() ? 0 : m_frmParent->height();
    if (innerW == 0 || innerH == 0) {
        innerW = m_frmParent->frameGeometry().width();
        innerH = m_frmParent->frameGeometry().height();
    }
    w = innerW - 4.0 * m_mediaPlayer1->x();
    h = innerH - m_topMargin - m_bottomMargin;
    return true;
}

double clsPlayVideo::adjustForDisplaySize(double v, DisplaySizeCode displaySize,
                                          bool widthSide) const {
    QSize screen(1024, 768);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screen = s->size();
    }
    const double screenLength = widthSide ? screen.width() : screen.height();
    switch (displaySize) {
    case DisplaySizeCode::Half:
        return v * 0.5;
    case DisplaySizeCode::Double:
        return v * 2;
    case DisplaySizeCode::FitToWindow:
        return widthSide ? m_mediaPlayer1->width() : m_mediaPlayer1->height();
    case DisplaySizeCode::OneSixteenthScreen:
        return screenLength / 16;
    case DisplaySizeCode::OneFourthScreen:
        return screenLength / 4;
    case DisplaySizeCode::OneHalfScreen:
        return screenLength / 2;
    default: // actual size, full screen
        return v;
    }
}

void clsPlayVideo::resizePass() {
    if (m_resizing) {
        return;
    }
    m_resizing = true;
    double w = 0;
    double h = 0;
    MediaControl* c = m_mediaPlayer1;
    if (!c || !availableArea(w, h)) {
        m_resizing = false;
        return;
    }
    const double w0 = w;
    const double h0 = h;
    if (lZoom() == ZoomIndex::FitToWindow) {
        c->Move(c->x(), toPixels(m_topMargin), toPixels(w), toPixels(h));
        m_resizing = false;
        return;
    }
    const DisplaySizeCode displaySize = c->DisplaySize();
    const int border = c->VideoBorderWidth();

    double wantedW = c->ImageSourceWidth() + 2.0 * border + 10;
    wantedW = std::max(adjustForDisplaySize(wantedW, displaySize, true), MinimumControlSize);
    double wantedH = c->ImageSourceHeight();
    wantedH = adjustForDisplaySize(wantedH, displaySize, false);
    if (c->ShowControls()) {
        wantedH += c->PanelHeight();
    }
    wantedH = std::max(wantedH + 2.0 * border, MinimumControlSize);

    w = wantedW > m_frmParent->frameGeometry().width() ? c->width() : wantedW;
    h = wantedH > m_frmParent->frameGeometry().height() ? c->height() : wantedH;
    w = std::max(w, w0);
    h = std::max(h, h0);
    if (c->width() != toPixels(w) || c->height() != toPixels(h)) {
        c->Move(c->x(), toPixels(m_topMargin), toPixels(w), toPixels(h));
    }
    m_resizing = false;
}

// ---------------------------------------------------------------- playback

void clsPlayVideo::setPointer(int pointer) {
    if (!m_frmParent) {
        return;
    }
    if (pointer == PointerHourglass) {
        m_frmParent->setCursor(Qt::WaitCursor);
    } else {
        m_frmParent->unsetCursor();
    }
}

void clsPlayVideo::raiseDone(const QString& szFileName) {
    m_donePending = false;
    emit Done(szFileName);
}

void clsPlayVideo::PlayVideo(const QString& szFileName, double lPosition) {
    openFile(szFileName, lPosition, true);
}

void clsPlayVideo::OpenVideo(const QString& szFileName, double lPosition) {
    openFile(szFileName, lPosition, false);
}

void clsPlayVideo::openFile(const QString& szFileName, double lPosition, bool autoStart) {
    m_openPending = true;
    m_fileName = szFileName;
    if (!autoStart) {
        m_notStartedFile = szFileName;
    }
    setPointer(PointerHourglass);
    if (m_mediaPlayer1) {
        m_mediaPlayer1->SetAutoStart(autoStart);
    }
    if (!autoStart) {
        m_pendingSeek = lPosition;
    }
    if (!fileExists(szFileName)) {
        emit FileNotFound(szFileName); // a listener may start another file here
        RaiseStatusAfterSeconds(100);
        raiseDone(szFileName);
        m_donePending = false;
        setPointer(PointerDefault);
        return;
    }
    m_pendingSeek = lPosition;
    if (!m_mediaPlayer1 || !m_mediaPlayer1->Open(szFileName)) {
        const QString desc = m_mediaPlayer1 ? m_mediaPlayer1->ErrorDescription() : QString();
        QWidget* owner = m_frmParent;
        Services::dialogs().MessageBox(owner, QCoreApplication::applicationName(),
                                       QStringLiteral("Error: ") + desc, MsgIcon::None,
                                       MsgButtons::Ok);
        setPointer(PointerDefault);
        m_openPending = false;
    }
    ApplyZoom();
}

void clsPlayVideo::Play() {
    if (m_mediaPlayer1) {
        m_mediaPlayer1->Play();
    }
}

void clsPlayVideo::Pause() {
    if (m_mediaPlayer1) {
        m_mediaPlayer1->Pause();
    }
}

void clsPlayVideo::StopPlaying() {
    if (m_mediaPlayer1) {
        m_mediaPlayer1->Stop();
    }
}

void clsPlayVideo::SeekTo(double position) {
    m_notStartedFile.clear(); // a position asked for is worth keeping
    if (m_mediaPlayer1 && position < m_mediaPlayer1->Duration()) {
        m_mediaPlayer1->SetCurrentPosition(position);
    }
}

QString clsPlayVideo::FileName() const {
    return m_mediaPlayer1 ? m_mediaPlayer1->FileName() : QString();
}

void clsPlayVideo::SetFileName(const QString& szFileName) {
    if (m_mediaPlayer1) {
        m_mediaPlayer1->SetFileName(szFileName);
    }
}

// ---------------------------------------------------------------- queries

double clsPlayVideo::Length() const {
    if (!m_mediaPlayer1) {
        return 0;
    }
    const double d = m_mediaPlayer1->Duration();
    return std::isfinite(d) ? d : 0;
}

double clsPlayVideo::CurrentPosition() const {
    if (!m_mediaPlayer1) {
        return 0;
    }
    const double p = m_mediaPlayer1->CurrentPosition();
    return std::isfinite(p) ? p : 0;
}

PlayStateCode clsPlayVideo::GetPlayStatus() const {
    return m_mediaPlayer1 ? m_mediaPlayer1->PlayState() : PlayStateCode::Stopped;
}

QString clsPlayVideo::GetMediaInfoString(MediaInfoCode lType) const {
    return m_mediaPlayer1 ? m_mediaPlayer1->MediaInfoString(lType) : QString();
}

long clsPlayVideo::CodecCount() const {
    return m_mediaPlayer1 ? m_mediaPlayer1->CodecCount() : 0;
}

QString clsPlayVideo::ErrorMessageText() const {
    if (!m_mediaPlayer1) {
        return ComposeErrorMessage(m_fileName, 0, QString());
    }
    return ComposeErrorMessage(m_fileName, m_mediaPlayer1->ErrorCode(),
                               m_mediaPlayer1->ErrorDescription());
}

// ---------------------------------------------------------------- tick

void clsPlayVideo::Tick() {
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    if (m_donePending) {
        raiseDone(m_fileName);
    }
    double w = 0;
    double h = 0;
    MediaControl* c = m_mediaPlayer1;
    if (c && availableArea(w, h)) {
        if (c->FileName().isEmpty()) {
            if (c->height() != toPixels(h) || c->width() != toPixels(w)) {
                c->Move(c->x(), toPixels(m_topMargin), toPixels(w), toPixels(h));
            }
        } else {
            // Grow the control into the window, never shrink it here.
            if (toPixels(h) > c->height()) {
                c->SetHeight(toPixels(h));
            }
            if (toPixels(w) > c->width()) {
                c->SetWidth(toPixels(w));
            }
        }
    }
    if (m_statusTicks > 0) {
        --m_statusTicks;
        if (m_statusTicks == 0) {
            emit StatusMessage(QString());
        }
    }
    m_inTick = false;
}

void clsPlayVideo::savePosition(PlayStateCode oldState, PlayStateCode newState,
                                MediaControl& control) {
    const QString name = control.FileName();
    const bool untouched = !name.isEmpty() && name == m_notStartedFile;
    if (m_store && !untouched) {
        m_store->SavePosition(oldState, newState, control);
    }
}

// ---------------------------------------------------------------- notifications

void clsPlayVideo::onOpenStateChange(OpenStateCode oldState, OpenStateCode newState) {
    setPointer(PointerDefault);
    MediaControl* c = m_mediaPlayer1;
    if (!c) {
        return;
    }
    if (oldState == OpenStateCode::Open && newState == OpenStateCode::Closed) {
        savePosition(PlayStateCode::Playing, PlayStateCode::Closing, *c);
    }
    if (m_openPending && newState == OpenStateCode::Open) {
        m_openPending = false;
        const QString name = c->FileName();
        const QString title = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        if (m_frmParent) {
            m_frmParent->window()->setWindowTitle(
                CaptionText(QStringLiteral("Lumadeck Player: ") + title));
        }
        if (m_pendingSeek > 0) {
            SeekTo(m_pendingSeek);
            m_pendingSeek = 0;
        } else if (m_attemptResume && m_store && m_mediaPlayer1) {
            m_store->RestorePosition(*m_mediaPlayer1);
        }
        setPointer(PointerDefault);
    }
}

void clsPlayVideo::onPlayStateChange(PlayStateCode oldState, PlayStateCode newState) {
    MediaControl* c = m_mediaPlayer1;
    if (!c) {
        return;
    }
    // The file this change is about, even if a listener opens another one.
    const QString name = c->FileName();
    if (newState == PlayStateCode::Playing && name == m_notStartedFile) {
        m_notStartedFile.clear();
    }
    savePosition(oldState, newState, *c);
    ResizePlayer();
    if (!m_mediaPlayer1) {
        return;
    }
    if (newState == PlayStateCode::Stopped && c->EndOfPlayPosition() == c->CurrentPosition()) {
        raiseDone(name);
    }
    switch (newState) {
    case PlayStateCode::Paused:
        emit Paused(name);
        break;
    case PlayStateCode::Stopped:
        emit Stopped(name);
        break;
    case PlayStateCode::Playing:
        emit Started(name);
        break;
    default:
        break;
    }
}

void clsPlayVideo::onError() {
    if (m_inError) {
        return; // a report is already on screen
    }
    m_inError = true;
    setPointer(PointerDefault);
    long code = 0;
    QString desc;
    if (m_mediaPlayer1) {
        code = m_mediaPlayer1->ErrorCode();
        desc = m_mediaPlayer1->ErrorDescription();
    }
    Services::dialogs().MessageBox(m_frmParent, QString::fromLatin1(kPlayerErrorTitle),
                                   ComposeErrorMessage(m_fileName, code, desc), MsgIcon::Critical,
                                   MsgButtons::Ok);
    emit ErrorMsg(ErrorMsgText(code, desc));
    RaiseStatusAfterSeconds(60);
    // A property the control could not set does not end the file.
    if (!desc.toLower().contains(QLatin1String("failed to set the property"))) {
        m_donePending = true;
    }
    m_inError = false;
}

void clsPlayVideo::onPositionChange(double, double newPosition) {
    emit PositionChanged(ConvertSeconds(newPosition), ConvertSeconds(Length()));
}

} // namespace lumadeck
