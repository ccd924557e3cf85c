#include "player/PlaybackSession.h"
#include "platform/FileNames.h"
#include "player/MediaTime.h"

#include "player/VideoSinkProbe.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <gst/pbutils/pbutils.h>
#include <mutex>
#include <thread>

namespace lumadeck {

namespace {

constexpr int kOpenTimeoutMs = 15000;
constexpr int kDurationGraceMs = 1500;

PipelineFailure::Domain domainOf(const GError* err) {
    if (!err) {
        return PipelineFailure::Domain::Other;
    }
    if (err->domain == GST_STREAM_ERROR) {
        return PipelineFailure::Domain::Stream;
    }
    if (err->domain == GST_RESOURCE_ERROR) {
        return PipelineFailure::Domain::Resource;
    }
    if (err->domain == GST_CORE_ERROR) {
        return PipelineFailure::Domain::Core;
    }
    if (err->domain == GST_LIBRARY_ERROR) {
        return PipelineFailure::Domain::Library;
    }
    return PipelineFailure::Domain::Other;
}

} // namespace

namespace {

// MPEG video and MPEG audio, the bulk of what this player plays, are decoded
// by libmpeg2 and libmpg123 where their plugins are installed. The general
// decoder library would be chosen otherwise, and loading it maps and
// relocates several dozen codec libraries: about 35 MB more memory while a
// Video CD plays, for no better picture. A user's own ranks
// (GST_PLUGIN_FEATURE_RANK) are left as they are.
void preferLeanMpegDecoders() {
    if (!qEnvironmentVariableIsEmpty("GST_PLUGIN_FEATURE_RANK")) {
        return;
    }
    for (const char* name : {"mpeg2dec", "mpg123audiodec"}) {
        const gst::ObjectPtr<GstPluginFeature> feature(
            gst_registry_lookup_feature(gst_registry_get(), name));
        if (feature) {
            gst_plugin_feature_set_rank(feature.get(), GST_RANK_PRIMARY + 1);
        }
    }
}

// Starts GStreamer (the plugin registry is read then) on a thread of its
// own, and on X11 goes on to ask the machine which video sink suits it, so
// that the first file opened finds both ready. Whoever needs the engine
// waits for gst_init's answer only; the video sink's answer has its own
// wait (ProbeVideoSinkFacts()). The thread is joined when the program ends.
class EngineStart {
public:
    ~EngineStart() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    void Begin() {
        std::call_once(m_once, [this] {
            const bool x11 = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
                             QGuiApplication::platformName() == QLatin1String("xcb");
            m_thread = std::thread([this, x11] { run(x11); });
        });
    }

    // Whether GStreamer runs; the reason when it does not.
    bool Wait(QString* reason) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_doneChanged.wait(lock, [this] { return m_done; });
        if (!m_running && reason) {
            *reason = m_reason;
        }
        return m_running;
    }

private:
    void run(bool x11) {
        GError* raw = nullptr;
        const bool started = gst_init_check(nullptr, nullptr, &raw);
        const gst::ErrorPtr err(raw);
        if (started) {
            preferLeanMpegDecoders();
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_running = started;
            if (!started) {
                m_reason = err ? QString::fromUtf8(err->message)
                               : QStringLiteral("GStreamer did not start");
            }
            m_done = true;
        }
        m_doneChanged.notify_all();
        if (started && x11) {
            ProbeVideoSinkFacts();
        }
    }

    std::once_flag m_once;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    bool m_done = false;
    bool m_running = false;
    QString m_reason;
};

EngineStart& engineStart() {
    static EngineStart start;
    return start;
}

} // namespace

void PlaybackSession::StartEngine() {
    engineStart().Begin();
}

bool PlaybackSession::InitEngine(QString* error) {
    StartEngine();
    return engineStart().Wait(error);
}

PlaybackSession::PlaybackSession(const PlaybinPipeline::Sinks& sinks, QObject* parent)
    : QObject(parent), m_sinks(sinks) {
    m_openTimeout = new QTimer(this);
    m_openTimeout->setSingleShot(true);
    m_openTimeout->setInterval(kOpenTimeoutMs);
    connect(m_openTimeout, &QTimer::timeout, this, &PlaybackSession::failOpenTimeout);
}

PlaybinPipeline* PlaybackSession::EnsurePipeline() {
    if (m_pipeline || m_pipelineFailed) {
        return m_pipeline.get();
    }
    if (InitEngine()) {
        m_pipeline = std::make_unique<PlaybinPipeline>(m_sinks);
        if (m_pipeline->IsValid()) {
            m_pipeline->SetMessageHandler([this](GstMessage* m) { handleMessage(m); });
            m_pipeline->SetVolume(m_volume);
            m_pipeline->SetMute(m_mute);
            m_pipeline->SetAudioChannel(m_channel);
        } else {
            m_pipeline.reset();
        }
    }
    m_pipelineFailed = !m_pipeline;
    return m_pipeline.get();
}

void PlaybackSession::SetVolume(double volume) {
    m_volume = volume;
    if (m_pipeline) {
        m_pipeline->SetVolume(volume);
    }
}

void PlaybackSession::SetAudioChannel(AudioChannelCode channel) {
    m_channel = channel;
    if (m_pipeline) {
        m_pipeline->SetAudioChannel(channel);
    }
}

void PlaybackSession::SetMute(bool on) {
    m_mute = on;
    if (m_pipeline) {
        m_pipeline->SetMute(on);
    }
}

PlaybackSession::~PlaybackSession() {
    m_pipeline.reset();
}

void PlaybackSession::setError(PlaybackError code, const QString& description) {
    m_errorCode = CodeValue(code);
    m_errorDescription = description;
}

void PlaybackSession::setPlayState(PlayStateCode state) {
    const PlayStateCode old = m_playState;
    if (old == state) {
        return;
    }
    m_playState = state;
    emit Changed();
    emit PlayStateChange(old, state);
}

// ------------------------------------------------------------------ opening

void PlaybackSession::closeCurrent() {
    m_openTimeout->stop();
    if (m_openState == OpenStateCode::Open) {
        // The closing notifications still see the old file and its position.
        CurrentPosition();
        if (m_playState != PlayStateCode::Stopped) {
            setPlayState(PlayStateCode::Stopped);
        }
        m_openState = OpenStateCode::Closed;
        m_closing = true;
        emit OpenStateChange(OpenStateCode::Open, OpenStateCode::Closed);
        m_closing = false;
    }
    if (m_pipeline) {
        m_pipeline->Stop();
    }
    m_opening = false;
    m_fileName.clear();
    m_pendingFileName.clear();
    m_clip = ClipInfo();
    m_playState = PlayStateCode::Stopped;
    m_stopRequested = false;
    m_atEnd = false;
    m_broken = false;
    m_lastPosition = 0;
    m_seekPending = false;
    m_seekWithStop = false;
    emit Changed();
}

bool PlaybackSession::Open(const QString& fileName) {
    if (m_opening && m_pipeline && !fileName.isEmpty() && fileName == m_pendingFileName) {
        // The file still opening is asked for again (a list's first entry
        // is opened as it is added, then played): the open under way serves
        // both, where starting over would close and reopen the sinks.
        return true;
    }
    closeCurrent();
    if (m_openState != OpenStateCode::Closed || m_opening) {
        // A listener opened another file while the old one closed; this
        // request came last, so it wins.
        closeCurrent();
    }
    if (!EnsurePipeline()) {
        QString why;
        InitEngine(&why);
        setError(PlaybackError::Engine,
                 QStringLiteral("The media engine is not available: ") +
                     (why.isEmpty() ? QStringLiteral("playbin is missing") : why));
        return false;
    }
    if (fileName.isEmpty()) {
        setError(PlaybackError::Resource, QStringLiteral("No file name was given"));
        return false;
    }
    QString why;
    const QByteArray uri = MediaUri(fileName, &why);
    if (uri.isEmpty()) {
        setError(PlaybackError::Resource, QStringLiteral("Cannot use the file name: ") + why);
        return false;
    }
    m_pipeline->SetUri(uri);
    m_pendingFileName = fileName;
    m_opening = true;
    emit Preparing();
    m_openTimeout->start();
    m_pipeline->SetState(GST_STATE_PAUSED);
    return true;
}

void PlaybackSession::queryDuration() {
    double d = 0;
    if (m_pipeline && m_pipeline->QueryDuration(d)) {
        m_clip.duration = ClampSeconds(d);
    }
}

void PlaybackSession::estimateDuration() {
    // Raw MPEG audio has no header giving its length, and the parser only
    // works it out once playing: until then, length = size / bit rate.
    if (m_clip.duration > 0 || m_clip.bitrate == 0) {
        return;
    }
    m_clip.duration = EstimatedSeconds(StatFile(m_pendingFileName).size, m_clip.bitrate);
}

void PlaybackSession::finishOpen() {
    if (!m_opening) {
        return;
    }
    m_opening = false;
    m_openTimeout->stop();
    m_fileName = m_pendingFileName;
    queryDuration();
    estimateDuration();
    ReadStreams(m_clip, m_pipeline->Playbin());
    ReadFileTags(m_clip, m_fileName);
    m_seekWithStop = m_pipeline->Contains("auparse");
    m_openState = OpenStateCode::Open;
    m_lastPosition = 0;
    emit Changed();
    const QString name = m_fileName;
    emit OpenStateChange(OpenStateCode::Closed, OpenStateCode::Open);
    if (m_openState != OpenStateCode::Open || m_fileName != name || m_opening) {
        return; // a listener closed it or opened another file
    }
    if (m_autoStart) {
        if (m_playState != PlayStateCode::Playing) {
            m_stopRequested = false;
            m_pipeline->SetState(GST_STATE_PLAYING);
        }
    } else {
        setPlayState(PlayStateCode::Paused);
    }
}

void PlaybackSession::failOpenTimeout() {
    if (!m_opening) {
        return;
    }
    m_opening = false;
    m_pipeline->Stop();
    setError(PlaybackError::OpenTimeout,
             QStringLiteral("Unrecognised or corrupt media format: the file did not finish "
                            "opening"));
    emit Error();
}

// ------------------------------------------------------------------ bus

void PlaybackSession::handleMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        onError(message);
        break;
    case GST_MESSAGE_EOS:
        onEndOfStream();
        break;
    case GST_MESSAGE_STATE_CHANGED:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(m_pipeline->Playbin())) {
            GstState oldState;
            GstState newState;
            GstState pending;
            gst_message_parse_state_changed(message, &oldState, &newState, &pending);
            onStateChanged(oldState, newState, pending);
        }
        break;
    case GST_MESSAGE_ASYNC_DONE:
        onAsyncDone();
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        onDurationChanged();
        break;
    case GST_MESSAGE_ELEMENT:
        if (gst_is_missing_plugin_message(message) && AddMissingCodec(m_clip, message) &&
            m_openState == OpenStateCode::Open) {
            m_clip.codecs.append(m_clip.missing.last());
        }
        break;
    case GST_MESSAGE_TAG: {
        GstTagList* raw = nullptr;
        gst_message_parse_tag(message, &raw);
        const gst::TagListPtr tags(raw);
        if (ApplyTags(m_clip, tags.get()) && m_openState == OpenStateCode::Open) {
            emit Changed();
        }
        break;
    }
    default:
        break;
    }
}

void PlaybackSession::onAsyncDone() {
    m_seekPending = false;
    if (!m_opening) {
        return;
    }
    queryDuration();
    estimateDuration();
    if (m_clip.duration > 0) {
        finishOpen();
        return;
    }
    // Some streams (raw MPEG audio) learn their length a moment later; wait
    // briefly for it, then open without it.
    const QString waiting = m_pendingFileName;
    QTimer::singleShot(kDurationGraceMs, this, [this, waiting] {
        if (m_opening && m_pendingFileName == waiting) {
            estimateDuration();
            finishOpen();
        }
    });
}

void PlaybackSession::onDurationChanged() {
    const double before = m_clip.duration;
    m_clip.duration = 0;
    queryDuration();
    if (m_clip.duration <= 0) {
        m_clip.duration = before;
    }
    if (m_opening && m_clip.duration > 0 && m_pipeline->CurrentState() >= GST_STATE_PAUSED) {
        finishOpen();
    }
}

void PlaybackSession::onStateChanged(GstState oldState, GstState newState, GstState pending) {
    if (pending != GST_STATE_VOID_PENDING || m_opening || m_openState != OpenStateCode::Open) {
        return; // on the way somewhere else, or not ours to report yet
    }
    if (newState == GST_STATE_PLAYING) {
        setPlayState(PlayStateCode::Playing);
    } else if (newState == GST_STATE_PAUSED && oldState == GST_STATE_PLAYING &&
               m_pipeline->TargetState() == GST_STATE_PAUSED) {
        setPlayState(m_stopRequested || m_atEnd ? PlayStateCode::Stopped : PlayStateCode::Paused);
    }
}

void PlaybackSession::onEndOfStream() {
    if (m_openState != OpenStateCode::Open) {
        return;
    }
    queryDuration();
    double p = 0;
    if (m_clip.duration <= 0 && m_pipeline->QueryPosition(p) && p > 0) {
        m_clip.duration = p;
    }
    m_atEnd = true;
    m_lastPosition = m_clip.duration;
    m_pipeline->SetState(GST_STATE_PAUSED);
    setPlayState(PlayStateCode::Stopped);
}

void PlaybackSession::onError(GstMessage* message) {
    GError* rawError = nullptr;
    gchar* rawDebug = nullptr;
    gst_message_parse_error(message, &rawError, &rawDebug);
    const gst::ErrorPtr err(rawError);
    const gst::CharPtr debug(rawDebug);

    PipelineFailure failure;
    failure.domain = domainOf(err.get());
    failure.text = err ? QString::fromUtf8(err->message) : QString();
    failure.codecMissing =
        err &&
        ((err->domain == GST_STREAM_ERROR && err->code == GST_STREAM_ERROR_CODEC_NOT_FOUND) ||
         (err->domain == GST_CORE_ERROR && err->code == GST_CORE_ERROR_MISSING_PLUGIN));
    for (const CodecEntry& c : std::as_const(m_clip.missing)) {
        failure.missingCodecs << c.description;
    }
    const FileStatus file = StatFile(m_opening ? m_pendingFileName : m_fileName);
    failure.fileIsEmpty = file.isFile && file.size == 0;
    const PlaybackErrorReport report = DescribeFailure(failure);

    m_opening = false;
    m_openTimeout->stop();
    m_pipeline->Stop();
    m_broken = true;
    setError(report.code, report.description);
    QPointer<PlaybackSession> self(this);
    emit Error();
    if (self && m_openState == OpenStateCode::Open) {
        setPlayState(PlayStateCode::Stopped);
    }
}

// ------------------------------------------------------------------ playing

bool PlaybackSession::Play() {
    if (!m_pipeline || m_openState != OpenStateCode::Open) {
        return false;
    }
    if (m_atEnd) {
        m_atEnd = false;
        seekTo(0);
    }
    m_stopRequested = false;
    if (m_broken) {
        m_broken = false;
        m_lastPosition = 0;
    }
    m_pipeline->SetState(GST_STATE_PLAYING);
    return true;
}

bool PlaybackSession::Pause() {
    if (!m_pipeline || m_openState != OpenStateCode::Open) {
        return false;
    }
    m_stopRequested = false;
    if (m_broken) {
        return false;
    }
    if (m_playState == PlayStateCode::Playing) {
        m_pipeline->SetState(GST_STATE_PAUSED);
    } else {
        m_pipeline->SetTargetState(GST_STATE_PAUSED);
        setPlayState(PlayStateCode::Paused);
    }
    return true;
}

bool PlaybackSession::Stop() {
    if (!m_pipeline || m_openState != OpenStateCode::Open) {
        return false;
    }
    m_stopRequested = true;
    if (!m_atEnd && !m_broken) {
        // Stop rewinds, as the panel's stop button promises.
        m_pipeline->SetState(GST_STATE_PAUSED);
        seekTo(0);
        m_lastPosition = 0;
    }
    if (m_playState != PlayStateCode::Playing) {
        setPlayState(PlayStateCode::Stopped);
    }
    return true;
}

double PlaybackSession::CurrentPosition() const {
    if (!m_pipeline || !Described()) {
        return 0;
    }
    if (m_atEnd) {
        return m_clip.duration;
    }
    double p = 0;
    if (!m_broken && !m_seekPending && m_pipeline->QueryPosition(p)) {
        m_lastPosition = m_clip.duration > 0 ? std::min(p, m_clip.duration) : p;
    }
    return m_lastPosition;
}

bool PlaybackSession::seekTo(double seconds) {
    if (!m_seekWithStop && m_pipeline->Seek(seconds)) {
        return true;
    }
    // Some parsers (Sun .au) only seek right with an explicit end.
    return m_clip.duration > 0 && m_pipeline->Seek(seconds, m_clip.duration);
}

bool PlaybackSession::SetCurrentPosition(double seconds) {
    if (!m_pipeline || m_openState != OpenStateCode::Open || !std::isfinite(seconds) || m_broken) {
        return false;
    }
    const double old = CurrentPosition();
    double target = std::max(0.0, seconds);
    if (m_clip.duration > 0) {
        target = std::min(target, m_clip.duration);
    }
    const bool wasAtEnd = m_atEnd;
    m_atEnd = false;
    if (!seekTo(target)) {
        m_atEnd = wasAtEnd;
        setError(PlaybackError::Other, QStringLiteral("The clip cannot seek"));
        return false;
    }
    m_lastPosition = target;
    m_seekPending = true;
    // Should the pipeline never confirm the seek, report its own position
    // again after a while.
    const unsigned seek = ++m_seekGeneration;
    QTimer::singleShot(1000, this, [this, seek] {
        if (seek == m_seekGeneration) {
            m_seekPending = false;
        }
    });
    emit Changed();
    emit PositionChange(old, target);
    return true;
}

double PlaybackSession::Duration() const {
    return Described() ? m_clip.duration : 0;
}

double PlaybackSession::EndOfPlayPosition() const {
    if (!Described()) {
        return -1;
    }
    if (m_atEnd) {
        return CurrentPosition();
    }
    return CurrentPosition() == m_clip.duration ? -1 : m_clip.duration;
}

} // namespace lumadeck
