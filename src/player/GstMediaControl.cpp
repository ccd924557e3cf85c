#include "player/GstMediaControl.h"

#include "player/PlayerTexts.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/videooverlay.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

namespace lumadeck {

namespace {

constexpr int kPanelHeight = 40;
constexpr int kOpenTimeoutMs = 15000;
constexpr int kDurationGraceMs = 1500;
constexpr double kKeySeekSeconds = 5;
constexpr double kKeyBigSeekSeconds = 30;
constexpr const char* kCodecInfoUrl =
    "https://gstreamer.freedesktop.org/documentation/plugins_doc.html";

QString fromUtf8(const gchar* s) {
    return s ? QString::fromUtf8(s) : QString();
}

QString tagString(const GstTagList* tags, const char* tag) {
    if (!tags) {
        return {};
    }
    gchar* value = nullptr;
    if (!gst_tag_list_get_string(tags, tag, &value)) {
        return {};
    }
    QString s = fromUtf8(value);
    g_free(value);
    return s.trimmed();
}

// A desktop platform other than X11 (Wayland), where a sink cannot draw into
// our window but can still show the picture in a window of its own.
bool hasDisplayOfItsOwn() {
    const QString p = QGuiApplication::platformName();
    return p.startsWith(QLatin1String("wayland"));
}

bool isXcb() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Makes an element and checks that it can reach READY (a sound sink without
// a sound server or card cannot).
GstElement* makeWorkingSink(const char* name) {
    GstElement* e = gst_element_factory_make(name, nullptr);
    if (!e) {
        return nullptr;
    }
    gst_object_ref_sink(e);
    if (gst_element_set_state(e, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(e, GST_STATE_NULL);
        gst_object_unref(e);
        return nullptr;
    }
    gst_element_set_state(e, GST_STATE_NULL);
    return e;
}

QString soundFontPath() {
    for (const char* path :
         {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2"}) {
        if (QFileInfo::exists(QString::fromLatin1(path))) {
            return QString::fromLatin1(path);
        }
    }
    return {};
}

// MIDI is synthesised with the General MIDI sound font, named explicitly.
void onElementSetup(GstElement*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) {
        return;
    }
    const gchar* name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    if (name && g_str_equal(name, "fluiddec")) {
        static const QByteArray font = soundFontPath().toLocal8Bit();
        if (!font.isEmpty()) {
            g_object_set(element, "soundfont", font.constData(), nullptr);
        }
    }
}

bool hasProperty(GstElement* e, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(e), name) != nullptr;
}

double toSeconds(gint64 t) {
    return double(t) / double(GST_SECOND);
}

QString fromTagLib(const TagLib::String& s) {
    return QString::fromUtf8(s.toCString(true)).trimmed();
}

// Whether the bin holds an element made by the named factory.
bool containsElement(GstElement* bin, const char* factoryName) {
    bool found = false;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(bin));
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done && !found) {
        switch (gst_iterator_next(it, &item)) {
        case GST_ITERATOR_OK: {
            auto* e = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* f = gst_element_get_factory(e);
            const gchar* n = f ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)) : nullptr;
            found = n && g_str_equal(n, factoryName);
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(it);
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

} // namespace

bool GstMediaControl::InitEngine(QString* error) {
    static int state = 0; // 0 not tried, 1 running, 2 failed
    static QString reason;
    if (state == 0) {
        GError* err = nullptr;
        if (gst_init_check(nullptr, nullptr, &err)) {
            state = 1;
        } else {
            state = 2;
            reason = err ? fromUtf8(err->message) : QStringLiteral("GStreamer did not start");
            if (err) {
                g_error_free(err);
            }
        }
    }
    if (state == 2 && error) {
        *error = reason;
    }
    return state == 1;
}

GstMediaControl::GstMediaControl(QWidget* parent, const Sinks& sinks)
    : MediaControl(parent), sinks_(sinks) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setMinimumSize(0, 0);

    video_ = new QWidget(this);
    video_->setAttribute(Qt::WA_NoSystemBackground);
    video_->setAttribute(Qt::WA_OpaquePaintEvent);
    video_->setUpdatesEnabled(false);
    video_->installEventFilter(this);
    video_->hide();

    panel_ = new QWidget(this);
    panel_->setAutoFillBackground(true);
    QPalette panelPalette = QGuiApplication::palette();
    panelPalette.setColor(QPalette::Window, panelPalette.color(QPalette::Button));
    panel_->setPalette(panelPalette);
    auto* row = new QHBoxLayout(panel_);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    auto button = [this, row](QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(panel_);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    playButton_ = button(QStyle::SP_MediaPlay, tr("Play"));
    pauseButton_ = button(QStyle::SP_MediaPause, tr("Pause"));
    stopButton_ = button(QStyle::SP_MediaStop, tr("Stop"));
    seekBar_ = new QSlider(Qt::Horizontal, panel_);
    seekBar_->setFocusPolicy(Qt::NoFocus);
    seekBar_->setRange(0, 0);
    row->addWidget(seekBar_, 1);
    timeLabel_ = new QLabel(QStringLiteral("0:00 / 0:00"), panel_);
    row->addWidget(timeLabel_);
    muteButton_ = button(QStyle::SP_MediaVolume, tr("Mute"));
    muteButton_->setCheckable(true);
    volumeBar_ = new QSlider(Qt::Horizontal, panel_);
    volumeBar_->setFocusPolicy(Qt::NoFocus);
    volumeBar_->setRange(0, 100);
    volumeBar_->setValue(volume_);
    volumeBar_->setFixedWidth(80);
    volumeBar_->setToolTip(tr("Volume"));
    row->addWidget(volumeBar_);

    connect(playButton_, &QToolButton::clicked, this, [this] { Play(); });
    connect(pauseButton_, &QToolButton::clicked, this, [this] { Pause(); });
    connect(stopButton_, &QToolButton::clicked, this, [this] { Stop(); });
    connect(muteButton_, &QToolButton::toggled, this, [this](bool on) { SetMute(on); });
    connect(volumeBar_, &QSlider::valueChanged, this, [this](int v) { SetVolume(v); });
    connect(seekBar_, &QSlider::sliderPressed, this, [this] { seekBarDragging_ = true; });
    connect(seekBar_, &QSlider::sliderReleased, this, [this] {
        seekBarDragging_ = false;
        SetCurrentPosition(seekBar_->value() / 10.0);
    });
    connect(seekBar_, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove) {
            return;
        }
        QTimer::singleShot(0, this, [this] { SetCurrentPosition(seekBar_->value() / 10.0); });
    });

    panelTimer_ = new QTimer(this);
    panelTimer_->setInterval(250);
    connect(panelTimer_, &QTimer::timeout, this, &GstMediaControl::updatePanel);
    panelTimer_->start();

    openTimeout_ = new QTimer(this);
    openTimeout_->setSingleShot(true);
    openTimeout_->setInterval(kOpenTimeoutMs);
    connect(openTimeout_, &QTimer::timeout, this, &GstMediaControl::failOpenTimeout);

    if (InitEngine()) {
        buildPipeline();
    }
    layoutChildren();
    updatePanel();
}

GstMediaControl::~GstMediaControl() {
    destroyPipeline();
}

// ------------------------------------------------------------------ engine

bool GstMediaControl::buildPipeline() {
    playbin_ = gst_element_factory_make("playbin", nullptr);
    if (!playbin_) {
        return false;
    }
    gst_object_ref_sink(playbin_);

    // Picture: an explicitly chosen sink, drawn into our own window on X11.
    QString videoName = sinks_.video;
    GstElement* vs = nullptr;
    if (!videoName.isEmpty()) {
        vs = gst_element_factory_make(videoName.toUtf8().constData(), nullptr);
    } else if (isXcb() || hasDisplayOfItsOwn()) {
        // On X11 the sink draws into our window; elsewhere (a Wayland
        // session) it can only open a window of its own.
        for (const char* name : {"glimagesink", "ximagesink"}) {
            if ((vs = makeWorkingSink(name))) {
                gst_object_unref(vs); // the pipeline takes the floating ref below
                vs = gst_element_factory_make(name, nullptr);
                videoName = QString::fromLatin1(name);
                break;
            }
        }
    }
    if (!vs) {
        videoName = QStringLiteral("fakevideosink");
        vs = gst_element_factory_make("fakevideosink", nullptr);
    }
    videoSinkName_ = videoName;
    if (vs) {
        if (hasProperty(vs, "force-aspect-ratio")) {
            g_object_set(vs, "force-aspect-ratio", TRUE, nullptr);
        }
        if (hasProperty(vs, "handle-events")) {
            g_object_set(vs, "handle-events", FALSE, nullptr);
        }
        overlay_ = GST_IS_VIDEO_OVERLAY(vs) && isXcb();
        videoSink_ = vs;
        g_object_set(playbin_, "video-sink", vs, nullptr);
    }

    // Sound: the sound server, else ALSA, else a silent sink that keeps time.
    static QString chosenAudio;
    QString audioName = sinks_.audio;
    if (audioName.isEmpty()) {
        if (chosenAudio.isEmpty()) {
            chosenAudio = QStringLiteral("fakeaudiosink");
            for (const char* name : {"pulsesink", "alsasink"}) {
                if (GstElement* probe = makeWorkingSink(name)) {
                    gst_object_unref(probe);
                    chosenAudio = QString::fromLatin1(name);
                    break;
                }
            }
        }
        audioName = chosenAudio;
    }
    GstElement* as = gst_element_factory_make(audioName.toUtf8().constData(), nullptr);
    if (!as) {
        audioName = QStringLiteral("fakeaudiosink");
        as = gst_element_factory_make("fakeaudiosink", nullptr);
    }
    audioSinkName_ = audioName;
    if (as) {
        g_object_set(playbin_, "audio-sink", as, nullptr);
    }

    // No subtitles; picture, sound and software volume.
    guint flags = 0;
    g_object_get(playbin_, "flags", &flags, nullptr);
    flags &= ~guint(0x4); // GST_PLAY_FLAG_TEXT
    g_object_set(playbin_, "flags", flags, nullptr);
    g_signal_connect(playbin_, "element-setup", G_CALLBACK(onElementSetup), nullptr);

    GstBus* bus = gst_element_get_bus(playbin_);
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher && dispatcher->inherits("QEventDispatcherGlib")) {
        // The bus is watched on the GLib main context that Qt's loop runs.
        // It may recurse: notifications raised from here can open message
        // boxes whose loops must go on delivering the bus.
        busSource_ = gst_bus_create_watch(bus);
        g_source_set_callback(busSource_, G_SOURCE_FUNC(&busCallback), this, nullptr);
        g_source_set_can_recurse(busSource_, TRUE);
        g_source_attach(busSource_, nullptr);
    } else {
        busPoll_ = new QTimer(this);
        busPoll_->setInterval(10);
        connect(busPoll_, &QTimer::timeout, this, &GstMediaControl::pollBus);
        busPoll_->start();
    }
    gst_object_unref(bus);
    SetVolume(volume_);
    return true;
}

void GstMediaControl::destroyPipeline() {
    if (busSource_) {
        g_source_destroy(busSource_);
        g_source_unref(busSource_);
        busSource_ = nullptr;
    }
    if (playbin_) {
        gst_element_set_state(playbin_, GST_STATE_NULL);
        gst_object_unref(playbin_);
        playbin_ = nullptr;
        videoSink_ = nullptr;
    }
}

int GstMediaControl::busCallback(GstBus* bus, GstMessage* message, void* self) {
    QPointer<GstMediaControl> control(static_cast<GstMediaControl*>(self));
    control->handleMessage(message);
    // The watch hands over one message per turn of the loop; take what else
    // is waiting now, so that opening is not spread over many turns.
    for (int i = 0; i < 64 && control && control->playbin_; ++i) {
        GstMessage* more = gst_bus_pop(bus);
        if (!more) {
            break;
        }
        control->handleMessage(more);
        gst_message_unref(more);
    }
    return TRUE; // keep watching (the source dies with the control)
}

void GstMediaControl::pollBus() {
    if (!playbin_) {
        return;
    }
    GstBus* bus = gst_element_get_bus(playbin_);
    QPointer<GstMediaControl> self(this);
    while (self && playbin_) {
        GstMessage* m = gst_bus_pop(bus);
        if (!m) {
            break;
        }
        handleMessage(m);
        gst_message_unref(m);
    }
    gst_object_unref(bus);
}

void GstMediaControl::setPipelineState(int state) {
    targetState_ = state;
    if (playbin_) {
        gst_element_set_state(playbin_, GstState(state));
    }
}

void GstMediaControl::stopPipeline() {
    if (!playbin_) {
        return;
    }
    gst_element_set_state(playbin_, GST_STATE_NULL);
    targetState_ = GST_STATE_NULL;
    // Whatever the old pipeline still had to say is of no interest now.
    GstBus* bus = gst_element_get_bus(playbin_);
    gst_bus_set_flushing(bus, TRUE);
    gst_bus_set_flushing(bus, FALSE);
    gst_object_unref(bus);
}

void GstMediaControl::setError(long code, const QString& description) {
    errorCode_ = code;
    errorDescription_ = description;
}

void GstMediaControl::setPlayState(long state) {
    const long old = playState_;
    if (old == state) {
        return;
    }
    playState_ = state;
    updatePanel();
    emit PlayStateChange(old, state);
}

// ------------------------------------------------------------------ opening

void GstMediaControl::closeCurrent() {
    openTimeout_->stop();
    if (openState_ == OpenStateOpen) {
        // The closing notifications still see the old file and its position.
        CurrentPosition();
        if (playState_ != PlayStateStopped) {
            setPlayState(PlayStateStopped);
        }
        openState_ = OpenStateClosed;
        closing_ = true;
        emit OpenStateChange(OpenStateOpen, OpenStateClosed);
        closing_ = false;
    }
    opening_ = false;
    stopPipeline();
    fileName_.clear();
    pendingFileName_.clear();
    playState_ = PlayStateStopped;
    stopRequested_ = false;
    atEnd_ = false;
    broken_ = false;
    duration_ = 0;
    bitrate_ = 0;
    lastPosition_ = 0;
    seekPending_ = false;
    seekWithStop_ = false;
    sourceWidth_ = sourceHeight_ = 0;
    codecs_.clear();
    missing_.clear();
    title_.clear();
    description_.clear();
    author_.clear();
    copyright_.clear();
    video_->hide();
    updatePanel();
    update();
}

bool GstMediaControl::Open(const QString& fileName) {
    closeCurrent();
    if (openState_ != OpenStateClosed || opening_) {
        // A listener opened another file while the old one closed; this
        // request came last, so it wins.
        closeCurrent();
    }
    if (!playbin_) {
        QString why;
        InitEngine(&why);
        setError(ErrorEngine, QStringLiteral("The media engine is not available: ") +
                                  (why.isEmpty() ? QStringLiteral("playbin is missing") : why));
        return false;
    }
    if (fileName.isEmpty()) {
        setError(ErrorResource, QStringLiteral("No file name was given"));
        return false;
    }
    GError* err = nullptr;
    gchar* uri = gst_filename_to_uri(QFile::encodeName(fileName).constData(), &err);
    if (!uri) {
        setError(ErrorResource, QStringLiteral("Cannot use the file name: ") +
                                    (err ? fromUtf8(err->message) : fileName));
        if (err) {
            g_error_free(err);
        }
        return false;
    }
    g_object_set(playbin_, "uri", uri, nullptr);
    g_free(uri);
    pendingFileName_ = fileName;
    opening_ = true;
    attachOverlay();
    openTimeout_->start();
    setPipelineState(GST_STATE_PAUSED);
    return true;
}

void GstMediaControl::queryDuration() {
    gint64 d = 0;
    if (playbin_ && gst_element_query_duration(playbin_, GST_FORMAT_TIME, &d) && d > 0) {
        duration_ = toSeconds(d);
    }
}

void GstMediaControl::estimateDuration() {
    // Raw MPEG audio has no header giving its length, and the parser only
    // works it out once playing: until then, length = size / bit rate.
    if (duration_ > 0 || bitrate_ == 0) {
        return;
    }
    const qint64 size = QFileInfo(pendingFileName_).size();
    if (size > 0) {
        duration_ = double(size) * 8.0 / double(bitrate_);
    }
}

// One codec entry for stream i of a kind ("video" or "audio"), named by the
// stream's codec tag; the first title tag met becomes the clip's title.
void GstMediaControl::addStreamCodec(const char* kind, const char* codecTag,
                                     const QString& fallbackName, int i) {
    GstTagList* tags = nullptr;
    const QByteArray signal = QByteArray("get-") + kind + "-tags";
    g_signal_emit_by_name(playbin_, signal.constData(), i, &tags);
    QString name = tagString(tags, codecTag);
    if (name.isEmpty()) {
        name = tagString(tags, GST_TAG_CODEC);
    }
    if (title_.isEmpty()) {
        title_ = tagString(tags, GST_TAG_TITLE);
    }
    if (tags) {
        gst_tag_list_unref(tags);
    }
    codecs_.append(
        {name.isEmpty() ? fallbackName : name, true, QString::fromLatin1(kCodecInfoUrl)});
}

void GstMediaControl::readStreamInfo() {
    codecs_.clear();
    gint nVideo = 0;
    gint nAudio = 0;
    g_object_get(playbin_, "n-video", &nVideo, "n-audio", &nAudio, nullptr);
    for (gint i = 0; i < nVideo; ++i) {
        addStreamCodec("video", GST_TAG_VIDEO_CODEC, QStringLiteral("Video"), i);
        GstPad* pad = nullptr;
        g_signal_emit_by_name(playbin_, "get-video-pad", i, &pad);
        if (pad) {
            if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
                GstVideoInfo info;
                if (i == 0 && gst_video_info_from_caps(&info, caps)) {
                    const int parN = std::max(1, GST_VIDEO_INFO_PAR_N(&info));
                    const int parD = std::max(1, GST_VIDEO_INFO_PAR_D(&info));
                    sourceWidth_ =
                        int(std::lround(double(GST_VIDEO_INFO_WIDTH(&info)) * parN / parD));
                    sourceHeight_ = GST_VIDEO_INFO_HEIGHT(&info);
                }
                gst_caps_unref(caps);
            }
            gst_object_unref(pad);
        }
    }
    for (gint i = 0; i < nAudio; ++i) {
        addStreamCodec("audio", GST_TAG_AUDIO_CODEC, QStringLiteral("Audio"), i);
    }
    codecs_.append(missing_);
}

void GstMediaControl::readFileTags() {
    if (!title_.isEmpty() && !description_.isEmpty() && !author_.isEmpty()) {
        return;
    }
    const TagLib::FileRef ref(QFile::encodeName(fileName_).constData(), false);
    if (ref.isNull() || !ref.file()) {
        return;
    }
    const TagLib::PropertyMap props = ref.file()->properties();
    auto first = [&props](const char* key) {
        const auto it = props.find(key);
        return it == props.end() || it->second.isEmpty() ? QString()
                                                         : fromTagLib(it->second.front());
    };
    if (title_.isEmpty()) {
        title_ = first("TITLE");
    }
    if (description_.isEmpty()) {
        description_ = first("COMMENT");
    }
    if (description_.isEmpty()) {
        description_ = first("DESCRIPTION");
    }
    if (description_.isEmpty()) {
        // Windows Media files often keep it as a "Description" attribute.
        if (auto* asf = dynamic_cast<TagLib::ASF::File*>(ref.file()); asf && asf->tag()) {
            const auto& attributes = asf->tag()->attributeListMap();
            const auto it = attributes.find("Description");
            if (it != attributes.end() && !it->second.isEmpty()) {
                description_ = fromTagLib(it->second.front().toString());
            }
        }
    }
    if (author_.isEmpty()) {
        author_ = first("ARTIST");
    }
    if (copyright_.isEmpty()) {
        copyright_ = first("COPYRIGHT");
    }
}

void GstMediaControl::finishOpen() {
    if (!opening_) {
        return;
    }
    opening_ = false;
    openTimeout_->stop();
    fileName_ = pendingFileName_;
    queryDuration();
    estimateDuration();
    readStreamInfo();
    readFileTags();
    seekWithStop_ = containsElement(playbin_, "auparse");
    openState_ = OpenStateOpen;
    lastPosition_ = 0;
    video_->setVisible(sourceWidth_ > 0 && sourceHeight_ > 0);
    layoutChildren();
    updatePanel();
    update();
    const QString name = fileName_;
    emit OpenStateChange(OpenStateClosed, OpenStateOpen);
    if (openState_ != OpenStateOpen || fileName_ != name || opening_) {
        return; // a listener closed it or opened another file
    }
    if (autoStart_) {
        if (playState_ != PlayStatePlaying) {
            stopRequested_ = false;
            setPipelineState(GST_STATE_PLAYING);
        }
    } else {
        setPlayState(PlayStatePaused);
    }
}

void GstMediaControl::failOpenTimeout() {
    if (!opening_) {
        return;
    }
    opening_ = false;
    stopPipeline();
    setError(ErrorOpenTimeout,
             QStringLiteral("Unrecognised or corrupt media format: the file did not finish "
                            "opening"));
    emit Error();
}

// ------------------------------------------------------------------ bus

void GstMediaControl::handleMessage(GstMessage* message) {
    if (!playbin_) {
        return;
    }
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        onError(message);
        break;
    case GST_MESSAGE_EOS:
        onEndOfStream();
        break;
    case GST_MESSAGE_STATE_CHANGED:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(playbin_)) {
            GstState oldState;
            GstState newState;
            GstState pending;
            gst_message_parse_state_changed(message, &oldState, &newState, &pending);
            onStateChanged(oldState, newState, pending);
        }
        break;
    case GST_MESSAGE_ASYNC_DONE:
        seekPending_ = false;
        if (opening_) {
            queryDuration();
            estimateDuration();
            if (duration_ > 0) {
                finishOpen();
            } else {
                // Some streams (raw MPEG audio) learn their length a moment
                // later; wait briefly for it, then open without it.
                const QString waiting = pendingFileName_;
                QTimer::singleShot(kDurationGraceMs, this, [this, waiting] {
                    if (opening_ && pendingFileName_ == waiting) {
                        estimateDuration();
                        finishOpen();
                    }
                });
            }
        }
        break;
    case GST_MESSAGE_DURATION_CHANGED: {
        const double before = duration_;
        duration_ = 0;
        queryDuration();
        if (duration_ <= 0) {
            duration_ = before;
        }
        GstState current = GST_STATE_NULL;
        gst_element_get_state(playbin_, &current, nullptr, 0);
        if (opening_ && duration_ > 0 && current >= GST_STATE_PAUSED) {
            finishOpen();
        }
        break;
    }
    case GST_MESSAGE_ELEMENT:
        if (gst_is_missing_plugin_message(message)) {
            onMissingPlugin(message);
        }
        break;
    case GST_MESSAGE_TAG:
        onTags(message);
        break;
    default:
        break;
    }
}

void GstMediaControl::onStateChanged(int oldState, int newState, int pending) {
    if (pending != GST_STATE_VOID_PENDING || opening_ || openState_ != OpenStateOpen) {
        return; // on the way somewhere else, or not ours to report yet
    }
    if (newState == GST_STATE_PLAYING) {
        setPlayState(PlayStatePlaying);
    } else if (newState == GST_STATE_PAUSED && oldState == GST_STATE_PLAYING &&
               targetState_ == GST_STATE_PAUSED) {
        setPlayState(stopRequested_ || atEnd_ ? PlayStateStopped : PlayStatePaused);
    }
}

void GstMediaControl::onEndOfStream() {
    if (openState_ != OpenStateOpen) {
        return;
    }
    queryDuration();
    if (duration_ <= 0) {
        gint64 p = 0;
        if (gst_element_query_position(playbin_, GST_FORMAT_TIME, &p) && p > 0) {
            duration_ = toSeconds(p);
        }
    }
    atEnd_ = true;
    lastPosition_ = duration_;
    setPipelineState(GST_STATE_PAUSED);
    setPlayState(PlayStateStopped);
}

void GstMediaControl::onError(GstMessage* message) {
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &err, &debug);
    const QString text = err ? fromUtf8(err->message) : QStringLiteral("Unknown error");
    long code = ErrorOther;
    QString description;
    const bool codecMissing =
        err &&
        ((err->domain == GST_STREAM_ERROR && err->code == GST_STREAM_ERROR_CODEC_NOT_FOUND) ||
         (err->domain == GST_CORE_ERROR && err->code == GST_CORE_ERROR_MISSING_PLUGIN));
    if (codecMissing) {
        code = ErrorCodec;
        QStringList names;
        for (const Codec& c : std::as_const(missing_)) {
            names << c.description;
        }
        description = QStringLiteral("No codec installed for ") +
                      (names.isEmpty() ? text : names.join(QStringLiteral(", ")));
    } else if (err && err->domain == GST_STREAM_ERROR) {
        code = ErrorFormat;
        description = QStringLiteral("Unrecognised or corrupt media format: ") + text;
    } else if (err && err->domain == GST_RESOURCE_ERROR) {
        code = ErrorResource;
        const QFileInfo info(opening_ ? pendingFileName_ : fileName_);
        if (info.exists() && info.isFile() && info.size() == 0) {
            // An empty file is not a media file at all.
            code = ErrorFormat;
            description = QStringLiteral("Unrecognised or corrupt media format: the file is empty");
        } else {
            description = QStringLiteral("Cannot read the file: ") + text;
        }
    } else {
        description = QStringLiteral("Playback failed: ") + text;
    }
    if (err) {
        g_error_free(err);
    }
    g_free(debug);

    opening_ = false;
    openTimeout_->stop();
    stopPipeline();
    broken_ = true;
    setError(code, description);
    QPointer<GstMediaControl> self(this);
    emit Error();
    if (self && openState_ == OpenStateOpen) {
        setPlayState(PlayStateStopped);
    }
}

void GstMediaControl::onMissingPlugin(GstMessage* message) {
    QString name;
    const GstStructure* s = gst_message_get_structure(message);
    const GValue* detail = s ? gst_structure_get_value(s, "detail") : nullptr;
    if (detail && GST_VALUE_HOLDS_CAPS(detail)) {
        if (gchar* d = gst_pb_utils_get_codec_description(gst_value_get_caps(detail))) {
            name = fromUtf8(d);
            g_free(d);
        }
    }
    if (name.isEmpty()) {
        if (gchar* d = gst_missing_plugin_message_get_description(message)) {
            name = fromUtf8(d);
            g_free(d);
        }
    }
    if (name.isEmpty()) {
        name = QStringLiteral("Unknown codec");
    }
    for (const Codec& c : std::as_const(missing_)) {
        if (c.description == name) {
            return;
        }
    }
    const Codec codec{name, false, QString::fromLatin1(kCodecDownloadUrl)};
    missing_.append(codec);
    if (openState_ == OpenStateOpen) {
        codecs_.append(codec);
    }
}

void GstMediaControl::onTags(GstMessage* message) {
    GstTagList* tags = nullptr;
    gst_message_parse_tag(message, &tags);
    if (!tags) {
        return;
    }
    auto fill = [tags](QString& field, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (!field.isEmpty()) {
                return;
            }
            field = tagString(tags, n);
        }
    };
    fill(title_, {GST_TAG_TITLE});
    fill(description_, {GST_TAG_COMMENT, GST_TAG_DESCRIPTION});
    fill(author_, {GST_TAG_ARTIST, GST_TAG_COMPOSER});
    fill(copyright_, {GST_TAG_COPYRIGHT});
    guint rate = 0;
    if ((gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &rate) ||
         gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &rate)) &&
        rate > 0) {
        bitrate_ = rate;
    }
    if (openState_ == OpenStateOpen) {
        update();
    }
    gst_tag_list_unref(tags);
}

// ------------------------------------------------------------------ playing

bool GstMediaControl::Play() {
    if (!playbin_ || openState_ != OpenStateOpen) {
        return false;
    }
    if (atEnd_) {
        atEnd_ = false;
        seekTo(0);
    }
    stopRequested_ = false;
    if (broken_) {
        broken_ = false;
        lastPosition_ = 0;
    }
    setPipelineState(GST_STATE_PLAYING);
    return true;
}

bool GstMediaControl::Pause() {
    if (!playbin_ || openState_ != OpenStateOpen) {
        return false;
    }
    stopRequested_ = false;
    if (broken_) {
        return false;
    }
    if (playState_ == PlayStatePlaying) {
        setPipelineState(GST_STATE_PAUSED);
    } else {
        targetState_ = GST_STATE_PAUSED;
        setPlayState(PlayStatePaused);
    }
    return true;
}

bool GstMediaControl::Stop() {
    if (!playbin_ || openState_ != OpenStateOpen) {
        return false;
    }
    stopRequested_ = true;
    if (!atEnd_ && !broken_) {
        // Stop rewinds, as the panel's stop button promises.
        setPipelineState(GST_STATE_PAUSED);
        seekTo(0);
        lastPosition_ = 0;
    }
    if (playState_ != PlayStatePlaying) {
        setPlayState(PlayStateStopped);
    }
    return true;
}

bool GstMediaControl::SetAutoStart(bool on) {
    autoStart_ = on;
    return true;
}

QString GstMediaControl::FileName() const {
    return fileName_;
}

double GstMediaControl::CurrentPosition() const {
    if (!playbin_ || !described()) {
        return 0;
    }
    if (atEnd_) {
        return duration_;
    }
    if (broken_ || seekPending_) {
        return lastPosition_;
    }
    gint64 p = 0;
    if (gst_element_query_position(playbin_, GST_FORMAT_TIME, &p) && p >= 0) {
        lastPosition_ = toSeconds(p);
        if (duration_ > 0 && lastPosition_ > duration_) {
            lastPosition_ = duration_;
        }
    }
    return lastPosition_;
}

bool GstMediaControl::seekTo(double seconds) {
    const auto start = gint64(seconds * double(GST_SECOND));
    const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!seekWithStop_ && gst_element_seek(playbin_, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                           start, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE)) {
        return true;
    }
    // Some parsers (Sun .au) only seek right with an explicit end.
    if (duration_ > 0) {
        const auto stop = gint64(duration_ * double(GST_SECOND));
        return gst_element_seek(playbin_, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, start,
                                GST_SEEK_TYPE_SET, stop);
    }
    return false;
}

bool GstMediaControl::SetCurrentPosition(double seconds) {
    if (!playbin_ || openState_ != OpenStateOpen || !std::isfinite(seconds) || broken_) {
        return false;
    }
    const double old = CurrentPosition();
    double target = std::max(0.0, seconds);
    if (duration_ > 0) {
        target = std::min(target, duration_);
    }
    const bool wasAtEnd = atEnd_;
    atEnd_ = false;
    if (!seekTo(target)) {
        atEnd_ = wasAtEnd;
        setError(ErrorOther, QStringLiteral("The clip cannot seek"));
        return false;
    }
    lastPosition_ = target;
    seekPending_ = true;
    // Should the pipeline never confirm the seek, report its own position
    // again after a while.
    const unsigned seek = ++seekGeneration_;
    QTimer::singleShot(1000, this, [this, seek] {
        if (seek == seekGeneration_) {
            seekPending_ = false;
        }
    });
    updatePanel();
    emit PositionChange(old, target);
    return true;
}

double GstMediaControl::Duration() const {
    if (!described()) {
        return 0;
    }
    return duration_;
}

double GstMediaControl::EndOfPlayPosition() const {
    if (!described()) {
        return -1;
    }
    if (atEnd_) {
        return CurrentPosition();
    }
    return CurrentPosition() == duration_ ? -1 : duration_;
}

int GstMediaControl::ImageSourceWidth() const {
    return described() ? sourceWidth_ : 0;
}

int GstMediaControl::ImageSourceHeight() const {
    return described() ? sourceHeight_ : 0;
}

long GstMediaControl::CodecCount() const {
    return described() ? long(codecs_.size()) : 0;
}

QString GstMediaControl::CodecDescription(long index) const {
    return index >= 1 && index <= CodecCount() ? codecs_.at(index - 1).description : QString();
}

bool GstMediaControl::CodecInstalled(long index) const {
    return index >= 1 && index <= CodecCount() && codecs_.at(index - 1).installed;
}

QString GstMediaControl::CodecURL(long index) const {
    return index >= 1 && index <= CodecCount() ? codecs_.at(index - 1).url : QString();
}

QString GstMediaControl::MediaInfoString(long type) const {
    if (!described()) {
        return {};
    }
    switch (type) {
    case InfoFileName:
        return fileName_;
    case InfoTitle:
        return title_;
    case InfoAuthor:
        return author_;
    case InfoCopyright:
        return copyright_;
    case InfoDescription:
        return description_;
    default:
        return {};
    }
}

// ------------------------------------------------------------------ volume

int GstMediaControl::Volume() const {
    return volume_;
}

bool GstMediaControl::SetVolume(int percent) {
    const int old = volume_;
    volume_ = std::clamp(percent, 0, 100);
    if (playbin_) {
        gst_stream_volume_set_volume(GST_STREAM_VOLUME(playbin_), GST_STREAM_VOLUME_FORMAT_CUBIC,
                                     volume_ / 100.0);
    }
    if (volumeBar_->value() != volume_) {
        volumeBar_->setValue(volume_);
    }
    if (volume_ != old) {
        emit VolumeChange(volume_);
    }
    return true;
}

bool GstMediaControl::Mute() const {
    return mute_;
}

void GstMediaControl::SetMute(bool on) {
    mute_ = on;
    if (playbin_) {
        g_object_set(playbin_, "mute", gboolean(on), nullptr);
    }
    muteButton_->setChecked(on);
    muteButton_->setIcon(
        style()->standardIcon(on ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
}

// ------------------------------------------------------------------ display

bool GstMediaControl::SetAutoSize(bool on) {
    autoSize_ = on;
    return true;
}

bool GstMediaControl::SetAllowChangeDisplaySize(bool on) {
    allowChangeDisplaySize_ = on;
    return true;
}

bool GstMediaControl::SetShowControls(bool on) {
    showControls_ = on;
    layoutChildren();
    return true;
}

int GstMediaControl::PanelHeight() const {
    return showControls_ ? kPanelHeight : 0;
}

bool GstMediaControl::SetEnableFullScreenControls(bool on) {
    fullScreenControls_ = on;
    layoutChildren();
    return true;
}

bool GstMediaControl::SetDisplaySize(long size) {
    if (size < DisplayDefault || size > DisplayOneHalfScreen) {
        return false;
    }
    if (size == DisplayFullScreen) {
        if (displaySize_ != DisplayFullScreen) {
            displaySizeBeforeFullScreen_ = displaySize_;
            displaySize_ = size;
            enterFullScreen();
        }
        return true;
    }
    const bool wasFull = displaySize_ == DisplayFullScreen;
    displaySize_ = size;
    if (wasFull) {
        leaveFullScreen();
    }
    layoutChildren();
    return true;
}

void GstMediaControl::toggleFullScreen() {
    // Leaving full screen is always possible; entering it needs permission.
    if (displaySize_ == DisplayFullScreen) {
        SetDisplaySize(displaySizeBeforeFullScreen_);
    } else if (allowChangeDisplaySize_) {
        SetDisplaySize(DisplayFullScreen);
    }
}

void GstMediaControl::enterFullScreen() {
    if (fullScreen_) {
        return;
    }
    fullScreen_ = true;
    homeParent_ = parentWidget();
    homeGeometry_ = geometry();
    if (homeParent_) {
        setParent(nullptr, Qt::Window);
        // Out of its window the control would outlive it: go with it.
        homeWatch_ = connect(homeParent_, &QObject::destroyed, this, [this] {
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
    if (!fullScreen_) {
        return;
    }
    fullScreen_ = false;
    disconnect(homeWatch_);
    if (homeParent_) {
        setParent(homeParent_, Qt::Widget);
        setGeometry(homeGeometry_);
        show();
    } else {
        showNormal();
    }
    layoutChildren();
    attachOverlay();
    setFocus();
}

QRect GstMediaControl::videoRect(const QRect& area) const {
    if (sourceWidth_ <= 0 || sourceHeight_ <= 0 || area.isEmpty()) {
        return area;
    }
    QSize screen(1024, 768);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screen = s->size();
    }
    QSizeF want(sourceWidth_, sourceHeight_);
    switch (displaySize_) {
    case DisplayHalf:
        want *= 0.5;
        break;
    case DisplayDouble:
        want *= 2;
        break;
    case DisplayFullScreen:
    case DisplayFitToWindow:
        want = QSizeF(area.size());
        break;
    case DisplayOneSixteenthScreen:
        want = QSizeF(screen.width() / 16.0, screen.height() / 16.0);
        break;
    case DisplayOneFourthScreen:
        want = QSizeF(screen.width() / 4.0, screen.height() / 4.0);
        break;
    case DisplayOneHalfScreen:
        want = QSizeF(screen.width() / 2.0, screen.height() / 2.0);
        break;
    default:
        break;
    }
    // Keep the picture's shape and never spill out of the area.
    QSizeF shaped(sourceWidth_, sourceHeight_);
    shaped.scale(want.boundedTo(QSizeF(area.size())), Qt::KeepAspectRatio);
    const QSize size(std::max(1, int(shaped.width())), std::max(1, int(shaped.height())));
    return QRect(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
}

void GstMediaControl::layoutChildren() {
    const bool panelShown = fullScreen_ ? fullScreenControls_ : showControls_;
    const int panelH = panelShown ? std::min(kPanelHeight, height()) : 0;
    panel_->setVisible(panelShown);
    panel_->setGeometry(0, height() - panelH, width(), panelH);
    const QRect area(0, 0, width(), std::max(0, height() - panelH));
    const QRect r = videoRect(area);
    if (video_->geometry() != r) {
        video_->setGeometry(r);
    }
    if (overlay_ && videoSink_ && video_->isVisible()) {
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(videoSink_), 0, 0, r.width(),
                                               r.height());
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(videoSink_));
    }
}

void GstMediaControl::attachOverlay() {
    if (!overlay_ || !videoSink_) {
        return;
    }
    video_->setAttribute(Qt::WA_NativeWindow);
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(videoSink_), guintptr(video_->winId()));
}

void GstMediaControl::updatePanel() {
    const bool open = openState_ == OpenStateOpen;
    const double d = Duration();
    const double p = CurrentPosition();
    playButton_->setEnabled(open && playState_ != PlayStatePlaying);
    pauseButton_->setEnabled(open && playState_ == PlayStatePlaying);
    stopButton_->setEnabled(open && playState_ != PlayStateStopped);
    seekBar_->setEnabled(open && d > 0);
    if (!seekBarDragging_) {
        const QSignalBlocker block(seekBar_);
        seekBar_->setRange(0, int(std::lround(d * 10)));
        seekBar_->setPageStep(std::max(1, int(std::lround(d))));
        seekBar_->setValue(int(std::lround(p * 10)));
    }
    timeLabel_->setText(ConvertSeconds(p) + QStringLiteral(" / ") + ConvertSeconds(d));
}

// ------------------------------------------------------------------ events

void GstMediaControl::resizeEvent(QResizeEvent* event) {
    MediaControl::resizeEvent(event);
    layoutChildren();
}

void GstMediaControl::paintEvent(QPaintEvent* event) {
    MediaControl::paintEvent(event);
    // Sound only: name what is playing where the picture would be.
    if (openState_ != OpenStateOpen || video_->isVisible()) {
        return;
    }
    QString text = title_;
    if (text.isEmpty()) {
        text = QFileInfo(fileName_).fileName();
    }
    QPainter p(this);
    p.setPen(Qt::white);
    const int panelH = panel_->isVisible() ? panel_->height() : 0;
    p.drawText(QRect(8, 0, width() - 16, height() - panelH), Qt::AlignCenter | Qt::TextWordWrap,
               text);
}

void GstMediaControl::keyPressEvent(QKeyEvent* event) {
    const double p = CurrentPosition();
    switch (event->key()) {
    case Qt::Key_Space:
        if (playState_ == PlayStatePlaying) {
            Pause();
        } else {
            Play();
        }
        break;
    case Qt::Key_Left:
        SetCurrentPosition(std::max(0.0, p - kKeySeekSeconds));
        break;
    case Qt::Key_Right:
        if (p + kKeySeekSeconds < Duration()) {
            SetCurrentPosition(p + kKeySeekSeconds);
        }
        break;
    case Qt::Key_Down:
        SetCurrentPosition(std::max(0.0, p - kKeyBigSeekSeconds));
        break;
    case Qt::Key_Up:
        if (p + kKeyBigSeekSeconds < Duration()) {
            SetCurrentPosition(p + kKeyBigSeekSeconds);
        }
        break;
    case Qt::Key_F11:
        toggleFullScreen();
        break;
    case Qt::Key_Escape:
        if (displaySize_ == DisplayFullScreen) {
            toggleFullScreen();
        } else {
            event->ignore();
            return;
        }
        break;
    default:
        MediaControl::keyPressEvent(event);
        return;
    }
    event->accept();
}

void GstMediaControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !panel_->geometry().contains(event->pos())) {
        toggleFullScreen();
        event->accept();
        return;
    }
    MediaControl::mouseDoubleClickEvent(event);
}

bool GstMediaControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == video_) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton) {
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
