#include "desktop/MprisPlayer.h"

#include "app/Forms.h"
#include "app/frmLumadeck.h"
#include "app/mdlGlobals.h"
#include "desktop/CommandLine.h"
#include "desktop/FileOpening.h"
#include "platform/FileNames.h"
#include "platform/Services.h"
#include "player/MediaControl.h"
#include "player/clsPlayVideo.h"
#include "playlist/M3UFile.h"
#include "playlist/clsPlayList.h"

#include <QApplication>
#include <QDBusObjectPath>
#include <QDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

namespace lumadeck {

const QString MprisPlayer::RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString MprisPlayer::PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString MprisPlayer::NoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
const QString MprisPlayer::TrackPrefix = QStringLiteral("/org/lumadeck/Lumadeck/Track/");

namespace {

qlonglong toMicroseconds(double seconds) {
    return std::isfinite(seconds) ? std::llround(seconds * 1e6) : 0;
}

// How often a call waiting for a box to be answered looks again.
constexpr int BusyRetryMs = 100;

} // namespace

MprisPlayer::MprisPlayer(QObject* parent) : QObject(parent) {
    m_queueTimer.setSingleShot(true);
    connect(&m_queueTimer, &QTimer::timeout, this, &MprisPlayer::takeNextCall);
}

MprisPlayer::~MprisPlayer() = default;

QStringList MprisPlayer::SupportedUriSchemes() {
    return {QStringLiteral("file")};
}

QStringList MprisPlayer::SupportedMimeTypes() {
    return {// MPEG video (.mpg .mpeg .mpe .vob) and Video CD tracks (.dat)
            QStringLiteral("video/mpeg"), QStringLiteral("video/x-mpeg"),
            QStringLiteral("video/mpeg-system"), QStringLiteral("video/x-mpeg2"),
            QStringLiteral("video/x-cdxa"),
            // AVI, ASF, WMV
            QStringLiteral("video/x-msvideo"), QStringLiteral("video/avi"),
            QStringLiteral("video/msvideo"), QStringLiteral("application/vnd.ms-asf"),
            QStringLiteral("video/x-ms-asf"), QStringLiteral("video/x-ms-wmv"),
            // MP3, MP2, WMA, WAV, AU, MIDI
            QStringLiteral("audio/mpeg"), QStringLiteral("audio/mp3"),
            QStringLiteral("audio/x-mp3"), QStringLiteral("audio/mp2"),
            QStringLiteral("audio/x-mp2"), QStringLiteral("audio/x-ms-wma"),
            QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"),
            QStringLiteral("audio/vnd.wave"), QStringLiteral("audio/basic"),
            QStringLiteral("audio/midi"), QStringLiteral("audio/x-midi"),
            // playlists and Video CD images
            QStringLiteral("audio/x-mpegurl"), QStringLiteral("audio/mpegurl"),
            QStringLiteral("application/x-cue")};
}

// ------------------------------------------------------------------ window

void MprisPlayer::Attach(frmLumadeck& window) {
    m_window = &window;
    if (clsPlayList* list = playList()) {
        for (auto signal :
             {&clsPlayList::Done, &clsPlayList::PlaylistShown, &clsPlayList::PlaylistHidden}) {
            connect(list, signal, this, &MprisPlayer::refresh);
        }
        for (auto signal :
             {&clsPlayList::VideoOpened, &clsPlayList::VideoStart, &clsPlayList::VideoDone,
              &clsPlayList::VideoPaused, &clsPlayList::VideoStopped, &clsPlayList::FileNotFound,
              &clsPlayList::FirstFileAddedToPlaylist}) {
            connect(list, signal, this, &MprisPlayer::refresh);
        }
    }
    watchControl();
    // List edits of the playlist window and durations learnt late come
    // without a signal of their own: the player's tick looks for them.
    if (clsPlayVideo* play = player(); play && play->Timer()) {
        connect(play->Timer(), &QTimer::timeout, this, &MprisPlayer::refresh);
    }
    // Nothing handed over opens once the program closes.
    connect(&window, &frmLumadeck::unloaded, this, [this] {
        m_queue.clear();
        m_queueTimer.stop();
    });
    m_announced = ChangingProperties();
    if (!m_queue.empty()) {
        m_queueTimer.start(0);
    }
}

void MprisPlayer::watchControl() {
    MediaControl* c = player() ? player()->MediaPlayer() : nullptr;
    if (c == m_control) {
        return;
    }
    if (m_control) {
        m_control->disconnect(this);
    }
    m_control = c;
    if (!c) {
        return;
    }
    connect(c, &MediaControl::PlayStateChange, this, &MprisPlayer::refresh);
    connect(c, &MediaControl::OpenStateChange, this, &MprisPlayer::refresh);
    connect(c, &MediaControl::VolumeChange, this, &MprisPlayer::refresh);
    connect(c, &MediaControl::PositionChange, this, [this](double, double newPosition) {
        refresh();
        emit Seeked(toMicroseconds(newPosition));
    });
}

clsPlayList* MprisPlayer::playList() const {
    return m_window ? m_window->cPlayList() : nullptr;
}

clsPlayVideo* MprisPlayer::player() const {
    return m_window && m_window->cPlayList() ? m_window->cPlay() : nullptr;
}

MediaControl* MprisPlayer::control() const {
    clsPlayVideo* play = player();
    return play ? play->MediaPlayer() : nullptr;
}

bool MprisPlayer::fileOpen() const {
    clsPlayVideo* play = player();
    return play && !play->FileName().isEmpty();
}

void MprisPlayer::refresh() {
    const QVariantMap now = ChangingProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    m_announced = now;
    if (!changed.isEmpty()) {
        emit PropertiesChanged(PlayerInterface, changed);
    }
}

// -------------------------------------------------------------------- root

void MprisPlayer::Raise() {
    if (!m_window) {
        return;
    }
    m_window->ShowAppropriateForm();
    QWidget* top = m_window;
    if (mdlGlobals::ThinClient) {
        if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
            top = thin;
        }
    }
    clsGuiFuncs::BringBack(top);
}

void MprisPlayer::Quit() {
    if (!m_window) {
        return;
    }
    QTimer::singleShot(0, m_window.data(), [window = m_window] {
        if (window) {
            window->ExitProgram();
        }
    });
}

// ------------------------------------------------------------------ player

QString MprisPlayer::PlaybackStatus() const {
    clsPlayVideo* play = player();
    switch (play && fileOpen() ? play->GetPlayStatus() : PlayStateCode::Stopped) {
    case PlayStateCode::Playing:
        return QStringLiteral("Playing");
    case PlayStateCode::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QString MprisPlayer::currentTrackId() const {
    if (!fileOpen()) {
        return NoTrack;
    }
    const clsPlayList* list = playList();
    const long index = list ? list->CurrentFileIndex() : -1;
    const long count = list ? list->cFiles().Count() : 0;
    return TrackPrefix + QString::number(index >= 0 && index < count ? index : 0);
}

QVariantMap MprisPlayer::Metadata() const {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(currentTrackId())));
    clsPlayVideo* play = player();
    if (!play || !fileOpen()) {
        return metadata;
    }
    const QString name = play->FileName();
    const qlonglong length = toMicroseconds(play->Length());
    if (length > 0) {
        metadata.insert(QStringLiteral("mpris:length"), length);
    }
    QString title = play->GetMediaInfoString(MediaInfoCode::Title);
    if (title.isEmpty()) {
        title = name.mid(name.lastIndexOf('/') + 1);
    }
    metadata.insert(QStringLiteral("xesam:title"), title);
    metadata.insert(QStringLiteral("xesam:url"),
                    QString::fromUtf8(QUrl::fromLocalFile(name).toEncoded()));
    const QString author = play->GetMediaInfoString(MediaInfoCode::Author);
    if (!author.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{author});
    }
    return metadata;
}

qlonglong MprisPlayer::Position() const {
    clsPlayVideo* play = player();
    return play && fileOpen() ? toMicroseconds(play->CurrentPosition()) : 0;
}

double MprisPlayer::Volume() const {
    MediaControl* c = control();
    return c ? c->Volume() / 100.0 : 1.0;
}

void MprisPlayer::SetVolume(double volume) {
    MediaControl* c = control();
    if (!c || std::isnan(volume)) {
        return;
    }
    c->SetVolume(int(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

bool MprisPlayer::CanGoNext() const {
    const clsPlayList* list = playList();
    if (!list) {
        return false;
    }
    const long index = list->CurrentFileIndex();
    return index >= 0 && index < list->cFiles().Count() - 1;
}

bool MprisPlayer::CanGoPrevious() const {
    const clsPlayList* list = playList();
    if (!list) {
        return false;
    }
    const long index = list->CurrentFileIndex();
    return index > 0 && index < list->cFiles().Count();
}

bool MprisPlayer::CanPlay() const {
    const clsPlayList* list = playList();
    return fileOpen() || (list && list->cFiles().Count() > 0);
}

bool MprisPlayer::CanPause() const {
    return CanPlay();
}

bool MprisPlayer::CanSeek() const {
    clsPlayVideo* play = player();
    return play && fileOpen() && play->Length() > 0;
}

QVariantMap MprisPlayer::ChangingProperties() const {
    return {
        {QStringLiteral("PlaybackStatus"), PlaybackStatus()},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("Volume"), Volume()},
        {QStringLiteral("CanGoNext"), CanGoNext()},
        {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
        {QStringLiteral("CanPlay"), CanPlay()},
        {QStringLiteral("CanPause"), CanPause()},
        {QStringLiteral("CanSeek"), CanSeek()},
    };
}

void MprisPlayer::Next() {
    if (CanGoNext()) {
        playList()->PlayNextVideo();
    }
}

void MprisPlayer::Previous() {
    if (CanGoPrevious()) {
        playList()->PlayPrevVideo();
    }
}

void MprisPlayer::Play() {
    clsPlayVideo* play = player();
    if (!play) {
        return;
    }
    if (fileOpen()) {
        if (play->GetPlayStatus() != PlayStateCode::Playing) {
            play->Play(); // as the status bar popup resumes the current entry
        }
        return;
    }
    clsPlayList* list = playList();
    if (list->cFiles().Count() > 0) {
        const long index = list->CurrentFileIndex();
        list->PlayVideoByIndex(index >= 0 && index < list->cFiles().Count() ? index : 0, 0);
    }
}

void MprisPlayer::Pause() {
    clsPlayVideo* play = player();
    if (play && fileOpen() && play->GetPlayStatus() == PlayStateCode::Playing) {
        play->Pause();
    }
}

void MprisPlayer::PlayPause() {
    clsPlayVideo* play = player();
    if (play && fileOpen() && play->GetPlayStatus() == PlayStateCode::Playing) {
        Pause();
    } else {
        Play();
    }
}

void MprisPlayer::SetRate(double rate) {
    if (rate == 0.0) {
        Pause();
    }
}

void MprisPlayer::Stop() {
    clsPlayVideo* play = player();
    if (play && fileOpen() && play->GetPlayStatus() != PlayStateCode::Stopped) {
        play->StopPlaying();
    }
}

void MprisPlayer::Seek(qlonglong offset) {
    if (!CanSeek()) {
        return;
    }
    clsPlayVideo* play = player();
    const double target = std::max(0.0, play->CurrentPosition() + double(offset) / 1e6);
    if (target >= play->Length()) {
        Next(); // past the end of the track: as Next, when there is one
        return;
    }
    play->SeekTo(target);
}

void MprisPlayer::SetPosition(const QString& trackId, qlonglong position) {
    if (!CanSeek() || trackId != currentTrackId() || position < 0) {
        return;
    }
    clsPlayVideo* play = player();
    if (double(position) / 1e6 > play->Length()) {
        return;
    }
    play->SeekTo(double(position) / 1e6);
}

MprisPlayer::OpenOutcome MprisPlayer::OpenUri(const QString& uri) {
    QString problem;
    const QString path = CommandLine::ToLocalFile(uri, QDir::currentPath(), &problem);
    if (path.isEmpty() || !QUrl(uri).isLocalFile()) {
        return OpenOutcome::NotAFile;
    }
    return OpenFiles({path});
}

// ---------------------------------------------------------- handed over

MprisPlayer::OpenOutcome MprisPlayer::OpenFiles(const QStringList& fileNames) {
    if (fileNames.size() > M3UFile::MaxEntries) {
        return OpenOutcome::NotAFile;
    }
    for (const QString& name : fileNames) {
        if (!IsPossibleFileName(name)) {
            return OpenOutcome::NotAFile;
        }
    }
    if (fileNames.isEmpty()) {
        return OpenOutcome::Queued;
    }
    if (m_queue.size() >= MaxPendingCalls) {
        return OpenOutcome::TooManyWaiting;
    }
    // The caller (a bus message, another start) has its answer before the
    // files open: opening may show message boxes.
    m_queue.push_back({fileNames, false});
    if (m_window && !m_queueTimer.isActive()) {
        m_queueTimer.start(0);
    }
    return OpenOutcome::Queued;
}

bool MprisPlayer::mayOpenNow() const {
    return m_window && !m_window->IsUnloaded() && !m_opening && !Services::DialogShowing() &&
           !QApplication::activeModalWidget();
}

void MprisPlayer::takeNextCall() {
    if (m_queue.empty() || !m_window || m_window->IsUnloaded()) {
        return;
    }
    if (!mayOpenNow()) {
        m_queueTimer.start(BusyRetryMs);
        return;
    }
    const Call call = std::move(m_queue.front());
    m_queue.pop_front();
    m_opening = true;
    const unsigned long reported = Services::InformationBoxesAsked();
    const bool wasQuiet = Services::SetQuietInformation(call.quiet);
    openNow(call.fileNames);
    Services::SetQuietInformation(wasQuiet);
    m_opening = false;
    if (Services::InformationBoxesAsked() != reported) {
        for (Call& waiting : m_queue) {
            waiting.quiet = true;
        }
    }
    if (!m_queue.empty()) {
        m_queueTimer.start(0);
    }
}

void MprisPlayer::openNow(const QStringList& fileNames) {
    if (!m_window) {
        return;
    }
    Raise();
    FileOpening::OpenAsChosen(*m_window, fileNames);
    refresh();
}

} // namespace lumadeck
