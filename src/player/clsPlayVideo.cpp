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
    if (MediaPlayer1) {
        savePosition(MediaPlayer1->PlayState(), PlayStateCode::Closing, *MediaPlayer1);
    }
    if (mvarTimer) {
        disconnect(mvarTimer, nullptr, this, nullptr);
    }
    if (MediaPlayer1) {
        disconnect(MediaPlayer1, nullptr, this, nullptr);
    }
    if (frmParent) {
        frmParent->removeEventFilter(this);
    }
}

// ---------------------------------------------------------------- set-up

void clsPlayVideo::SetParentForm(QWidget* parent) {
    if (frmParent) {
        frmParent->removeEventFilter(this);
    }
    frmParent = parent;
    if (frmParent) {
        frmParent->installEventFilter(this);
    }
}

QWidget* clsPlayVideo::ParentForm() const {
    return frmParent;
}

void clsPlayVideo::SetMediaPlayer(MediaControl* control) {
    if (MediaPlayer1) {
        disconnect(MediaPlayer1, nullptr, this, nullptr);
    }
    MediaPlayer1 = control;
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
    return MediaPlayer1;
}

void clsPlayVideo::SetTimer(QTimer* timer) {
    if (mvarTimer) {
        disconnect(mvarTimer, nullptr, this, nullptr);
    }
    mvarTimer = timer;
    if (!timer) {
        return;
    }
    connect(timer, &QTimer::timeout, this, &clsPlayVideo::Tick);
    timer->setInterval(100);
    timer->start();
}

QTimer* clsPlayVideo::Timer() const {
    return mvarTimer;
}

bool clsPlayVideo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frmParent && event->type() == QEvent::Resize) {
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
    if (MediaPlayer1) {
        return DisplaySizeToZoom(MediaPlayer1->DisplaySize());
    }
    return mvarZoom;
}

void clsPlayVideo::SetlZoom(ZoomIndex zoom) {
    mvarZoom = zoom;
    if (MediaPlayer1) {
        MediaPlayer1->SetDisplaySize(ZoomToDisplaySize(zoom));
        ResizePlayer();
    }
}

void clsPlayVideo::ApplyZoom() {
    if (MediaPlayer1) {
        SetlZoom(mvarZoom);
        ResizePlayer();
    }
}

bool clsPlayVideo::FullScreen() const {
    return MediaPlayer1 && MediaPlayer1->DisplaySize() == DisplaySizeCode::FullScreen;
}

void clsPlayVideo::SetFullScreen(bool on) {
    if (!MediaPlayer1) {
        return;
    }
    MediaPlayer1->SetDisplaySize(on ? DisplaySizeCode::FullScreen : ZoomToDisplaySize(mvarZoom));
}

bool clsPlayVideo::EnableFullScreenControls() const {
    return MediaPlayer1 && MediaPlayer1->EnableFullScreenControls();
}

void clsPlayVideo::SetEnableFullScreenControls(bool on) {
    if (MediaPlayer1) {
        MediaPlayer1->SetEnableFullScreenControls(on);
    }
}

void clsPlayVideo::ResizePlayer() {
    if (frmParent) {
        resizePass();
    }
}

bool clsPlayVideo::availableArea(double& w, double& h) const {
    if (!MediaPlayer1 || !frmParent) {
        return false;
    }
    // A minimised window has no client area: use its outer size instead.
    double innerW = frmParent->isMinimized() ? 0 : frmParent->width();
    double innerH = frmParent->isMinimized() ? 0 : frmParent->height();
    if (innerW == 0 || innerH == 0) {
        innerW = frmParent->frameGeometry().width();
        innerH = frmParent->frameGeometry().height();
    }
    w = innerW - 4.0 * MediaPlayer1->x();
    h = innerH - mvarTopMargin - mvarBottomMargin;
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
        return widthSide ? MediaPlayer1->width() : MediaPlayer1->height();
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
    if (mvarResizing) {
        return;
    }
    mvarResizing = true;
    double w = 0;
    double h = 0;
    MediaControl* c = MediaPlayer1;
    if (!c || !availableArea(w, h)) {
        mvarResizing = false;
        return;
    }
    const double w0 = w;
    const double h0 = h;
    if (lZoom() == ZoomIndex::FitToWindow) {
        c->Move(c->x(), toPixels(mvarTopMargin), toPixels(w), toPixels(h));
        mvarResizing = false;
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

    w = wantedW > frmParent->frameGeometry().width() ? c->width() : wantedW;
    h = wantedH > frmParent->frameGeometry().height() ? c->height() : wantedH;
    w = std::max(w, w0);
    h = std::max(h, h0);
    if (c->width() != toPixels(w) || c->height() != toPixels(h)) {
        c->Move(c->x(), toPixels(mvarTopMargin), toPixels(w), toPixels(h));
    }
    mvarResizing = false;
}

// ---------------------------------------------------------------- playback

void clsPlayVideo::setPointer(int pointer) {
    if (!frmParent) {
        return;
    }
    if (pointer == PointerHourglass) {
        frmParent->setCursor(Qt::WaitCursor);
    } else {
        frmParent->unsetCursor();
    }
}

void clsPlayVideo::raiseDone(const QString& szFileName) {
    mvarDonePending = false;
    emit Done(szFileName);
}

void clsPlayVideo::PlayVideo(const QString& szFileName, double lPosition) {
    openFile(szFileName, lPosition, true);
}

void clsPlayVideo::OpenVideo(const QString& szFileName, double lPosition) {
    openFile(szFileName, lPosition, false);
}

void clsPlayVideo::openFile(const QString& szFileName, double lPosition, bool autoStart) {
    mvarOpenPending = true;
    mvarFileName = szFileName;
    if (!autoStart) {
        m_notStartedFile = szFileName;
    }
    setPointer(PointerHourglass);
    if (MediaPlayer1) {
        MediaPlayer1->SetAutoStart(autoStart);
    }
    if (!autoStart) {
        mvarPendingSeek = lPosition;
    }
    if (!fileExists(szFileName)) {
        emit FileNotFound(szFileName); // a listener may start another file here
        RaiseStatusAfterSeconds(100);
        raiseDone(szFileName);
        mvarDonePending = false;
        setPointer(PointerDefault);
        return;
    }
    mvarPendingSeek = lPosition;
    if (!MediaPlayer1 || !MediaPlayer1->Open(szFileName)) {
        const QString desc = MediaPlayer1 ? MediaPlayer1->ErrorDescription() : QString();
        QWidget* owner = frmParent;
        Services::dialogs().MessageBox(owner, QCoreApplication::applicationName(),
                                       QStringLiteral("Error: ") + desc, MsgIcon::None,
                                       MsgButtons::Ok);
        setPointer(PointerDefault);
        mvarOpenPending = false;
    }
    ApplyZoom();
}

void clsPlayVideo::Play() {
    if (MediaPlayer1) {
        MediaPlayer1->Play();
    }
}

void clsPlayVideo::Pause() {
    if (MediaPlayer1) {
        MediaPlayer1->Pause();
    }
}

void clsPlayVideo::StopPlaying() {
    if (MediaPlayer1) {
        MediaPlayer1->Stop();
    }
}

void clsPlayVideo::SeekTo(double position) {
    m_notStartedFile.clear(); // a position asked for is worth keeping
    if (MediaPlayer1 && position < MediaPlayer1->Duration()) {
        MediaPlayer1->SetCurrentPosition(position);
    }
}

QString clsPlayVideo::FileName() const {
    return MediaPlayer1 ? MediaPlayer1->FileName() : QString();
}

void clsPlayVideo::SetFileName(const QString& szFileName) {
    if (MediaPlayer1) {
        MediaPlayer1->SetFileName(szFileName);
    }
}

// ---------------------------------------------------------------- queries

double clsPlayVideo::Length() const {
    if (!MediaPlayer1) {
        return 0;
    }
    const double d = MediaPlayer1->Duration();
    return std::isfinite(d) ? d : 0;
}

double clsPlayVideo::CurrentPosition() const {
    if (!MediaPlayer1) {
        return 0;
    }
    const double p = MediaPlayer1->CurrentPosition();
    return std::isfinite(p) ? p : 0;
}

PlayStateCode clsPlayVideo::GetPlayStatus() const {
    return MediaPlayer1 ? MediaPlayer1->PlayState() : PlayStateCode::Stopped;
}

QString clsPlayVideo::GetMediaInfoString(MediaInfoCode lType) const {
    return MediaPlayer1 ? MediaPlayer1->MediaInfoString(lType) : QString();
}

long clsPlayVideo::CodecCount() const {
    return MediaPlayer1 ? MediaPlayer1->CodecCount() : 0;
}

QString clsPlayVideo::ErrorMessageText() const {
    if (!MediaPlayer1) {
        return ComposeErrorMessage(mvarFileName, 0, QString());
    }
    return ComposeErrorMessage(mvarFileName, MediaPlayer1->ErrorCode(),
                               MediaPlayer1->ErrorDescription());
}

// ---------------------------------------------------------------- tick

void clsPlayVideo::Tick() {
    if (mvarInTick) {
        return;
    }
    mvarInTick = true;
    if (mvarDonePending) {
        raiseDone(mvarFileName);
    }
    double w = 0;
    double h = 0;
    MediaControl* c = MediaPlayer1;
    if (c && availableArea(w, h)) {
        if (c->FileName().isEmpty()) {
            if (c->height() != toPixels(h) || c->width() != toPixels(w)) {
                c->Move(c->x(), toPixels(mvarTopMargin), toPixels(w), toPixels(h));
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
    if (mvarStatusTicks > 0) {
        --mvarStatusTicks;
        if (mvarStatusTicks == 0) {
            emit StatusMessage(QString());
        }
    }
    mvarInTick = false;
}

void clsPlayVideo::savePosition(PlayStateCode oldState, PlayStateCode newState,
                                MediaControl& control) {
    const QString name = control.FileName();
    const bool untouched = !name.isEmpty() && name == m_notStartedFile;
    if (mvarStore && !untouched) {
        mvarStore->SavePosition(oldState, newState, control);
    }
}

// ---------------------------------------------------------------- notifications

void clsPlayVideo::onOpenStateChange(OpenStateCode oldState, OpenStateCode newState) {
    setPointer(PointerDefault);
    MediaControl* c = MediaPlayer1;
    if (!c) {
        return;
    }
    if (oldState == OpenStateCode::Open && newState == OpenStateCode::Closed) {
        savePosition(PlayStateCode::Playing, PlayStateCode::Closing, *c);
    }
    if (mvarOpenPending && newState == OpenStateCode::Open) {
        mvarOpenPending = false;
        const QString name = c->FileName();
        const QString title = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        if (frmParent) {
            frmParent->window()->setWindowTitle(
                CaptionText(QStringLiteral("Lumadeck Player: ") + title));
        }
        if (mvarPendingSeek > 0) {
            SeekTo(mvarPendingSeek);
            mvarPendingSeek = 0;
        } else if (mvarAttemptResume && mvarStore && MediaPlayer1) {
            mvarStore->RestorePosition(*MediaPlayer1);
        }
        setPointer(PointerDefault);
    }
}

void clsPlayVideo::onPlayStateChange(PlayStateCode oldState, PlayStateCode newState) {
    MediaControl* c = MediaPlayer1;
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
    if (!MediaPlayer1) {
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
    if (mvarInError) {
        return; // a report is already on screen
    }
    mvarInError = true;
    setPointer(PointerDefault);
    long code = 0;
    QString desc;
    if (MediaPlayer1) {
        code = MediaPlayer1->ErrorCode();
        desc = MediaPlayer1->ErrorDescription();
    }
    Services::dialogs().MessageBox(frmParent, QString::fromLatin1(kPlayerErrorTitle),
                                   ComposeErrorMessage(mvarFileName, code, desc), MsgIcon::Critical,
                                   MsgButtons::Ok);
    emit ErrorMsg(ErrorMsgText(code, desc));
    RaiseStatusAfterSeconds(60);
    // A property the control could not set does not end the file.
    if (!desc.toLower().contains(QLatin1String("failed to set the property"))) {
        mvarDonePending = true;
    }
    mvarInError = false;
}

void clsPlayVideo::onPositionChange(double, double newPosition) {
    emit PositionChanged(ConvertSeconds(newPosition), ConvertSeconds(Length()));
}

} // namespace lumadeck
