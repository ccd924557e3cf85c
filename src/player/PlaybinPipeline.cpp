#include "player/PlaybinPipeline.h"
#include "cd/DiscPath.h"
#include "platform/FileNames.h"
#include "player/LocalOnly.h"
#include "player/MediaTime.h"
#include "player/VcdTrackSource.h"

#include "player/VideoSinkProbe.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <cstring>
#include <gst/audio/streamvolume.h>
#include <gst/video/videooverlay.h>
#include <memory>

namespace lumadeck {

namespace {

// A Wayland session, where a sink cannot be handed our window: the control
// paints the frames (FrameSink) instead.
bool isWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool isXcb() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool hasProperty(GstElement* e, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(e), name) != nullptr;
}

// Whether an element of this factory can reach READY (a sound sink without
// a sound server or card cannot).
bool sinkWorks(const char* name) {
    const gst::ElementPtr e = gst::MakeElement(name);
    if (!e) {
        return false;
    }
    const bool works = gst_element_set_state(e.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(e.get(), GST_STATE_NULL);
    return works;
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

// The tracks of a Video CD (its MPEGAV folder) and of a Super Video CD (its
// MPEG2 folder) are MPEG program streams. Read from a disc's sectors, a
// track starts with empty sectors, which leave that type only likely: the
// type finder would then try every other format as well, loading the
// general decoder library (about 30 MB and a tenth of a second) for
// nothing. It is told the type instead. Nothing for other files.
gst::CapsPtr videoCdTrackCaps(GstElement* playbin) {
    gchar* raw = nullptr;
    g_object_get(playbin, "current-uri", &raw, nullptr); // the one being opened
    const gst::CharPtr uri(raw);
    if (!uri || !g_str_has_prefix(uri.get(), kVcdUriScheme) ||
        !g_str_has_prefix(uri.get() + strlen(kVcdUriScheme), "://")) {
        return nullptr;
    }
    const gst::CharPtr location(gst_uri_get_location(uri.get()));
    if (!location) {
        return nullptr;
    }
    const int version = VideoCdTrackVersion(QFile::decodeName(location.get()));
    if (version == 0) {
        return nullptr;
    }
    return gst::CapsPtr(gst_caps_new_simple("video/mpeg", "systemstream", G_TYPE_BOOLEAN, TRUE,
                                            "mpegversion", G_TYPE_INT, version, nullptr));
}

// MIDI is synthesised with the General MIDI sound font, named explicitly.
// Nothing reaches the network.
void onElementSetup(GstElement* playbin, GstElement* element, gpointer) {
    KeepLocal(element);
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) {
        return;
    }
    const gchar* name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    if (name && g_str_equal(name, "typefind")) {
        if (const gst::CapsPtr caps = videoCdTrackCaps(playbin)) {
            g_object_set(element, "force-caps", caps.get(), nullptr);
        }
    }
    if (name && g_str_equal(name, "fluiddec")) {
        static const QByteArray font = soundFontPath().toLocal8Bit();
        if (!font.isEmpty()) {
            g_object_set(element, "soundfont", font.constData(), nullptr);
        }
    }
}

const char* factoryName(GstElement* e) {
    GstElementFactory* f = gst_element_get_factory(e);
    return f ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)) : nullptr;
}

} // namespace

QByteArray MediaUri(const QString& fileName, QString* error) {
    // Video CD tracks go through the program's own source; see VcdTrackSource.
    return PlaybackUri(fileName, error);
}

namespace {

// Colour conversion and scaling before a sink that draws frames as they
// come; the filter's caps later carry the window's size. Converting first
// and scaling the sink's own pixels costs less than the other way round
// (the picture is mostly made larger, and conversion is dearer per pixel).
VideoOutput scaledOutput(VideoOutput out) {
    gst::ElementPtr scale = gst::MakeElement("videoscale");
    gst::ElementPtr convert = gst::MakeElement("videoconvert");
    gst::ElementPtr caps = gst::MakeElement("capsfilter");
    gst::ElementPtr bin(gst_bin_new("scaled-video-sink"));
    if (!scale || !convert || !caps || !bin) {
        return out;
    }
    gst_object_ref_sink(bin.get());
    gst_bin_add_many(GST_BIN(bin.get()), convert.get(), scale.get(), caps.get(), out.sink.get(),
                     nullptr);
    if (!gst_element_link_many(convert.get(), scale.get(), caps.get(), out.sink.get(), nullptr)) {
        return out;
    }
    const gst::PadPtr target(gst_element_get_static_pad(convert.get(), "sink"));
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", target.get()));
    out.element = std::move(bin);
    out.scaleCaps = std::move(caps);
    return out;
}

} // namespace

VideoOutput MakeVideoOutput(const QString& name, FrameSink* frames) {
    VideoOutput out;
    out.name = name;
    if (!name.isEmpty()) {
        out.sink = gst::MakeElement(name.toUtf8().constData());
    } else if (isXcb()) {
        // On X11 the sink draws into our window.
        const VideoSinkFacts facts = ProbeVideoSinkFacts();
        const QString chosen = ChooseVideoSink(facts);
        // The probe has seen the sink it chose work (X is there, Xv has a
        // port, OpenGL made a context); a sink the user named is tried.
        if (facts.forced.isEmpty() || sinkWorks(chosen.toUtf8().constData())) {
            out.sink = gst::MakeElement(chosen.toUtf8().constData());
            out.name = chosen;
        }
        for (const char* candidate : {"xvimagesink", "ximagesink", "glimagesink"}) {
            if (!out.sink && sinkWorks(candidate)) {
                out.sink = gst::MakeElement(candidate);
                out.name = QString::fromLatin1(candidate);
            }
        }
    } else if (isWayland()) {
        // A sink the user names is used as it is (it opens a window of its
        // own); otherwise the picture is painted into ours.
        const QString forced = qEnvironmentVariable(ForcedVideoSinkVariable).trimmed();
        if (!forced.isEmpty()) {
            out.sink = gst::MakeElement(forced.toUtf8().constData());
            out.name = forced;
        } else if (frames && frames->Element()) {
            out.sink = gst::Ref(frames->Element());
            out.name = QStringLiteral("appsink");
        }
    }
    if (!out.sink) {
        out.name = QStringLiteral("fakevideosink");
        out.sink = gst::MakeElement("fakevideosink");
    }
    if (out.sink && SinkNeedsScaling(out.name)) {
        out = scaledOutput(std::move(out));
    }
    if (!out.element) {
        out.element = gst::Ref(out.sink.get());
    }
    return out;
}

PlaybinPipeline::PlaybinPipeline(const Sinks& sinks, QObject* parent) : QObject(parent) {
    m_playbin = gst::MakeElement("playbin");
    if (!m_playbin) {
        return;
    }
    if (sinks.video.isEmpty() && isWayland()) {
        m_frames = std::make_unique<FrameSink>();
    }
    VideoOutput video = MakeVideoOutput(sinks.video, m_frames.get());
    m_framesUsed = m_frames && video.sink.get() == m_frames->Element();
    m_videoSink = std::move(video.sink);
    m_scaleCaps = std::move(video.scaleCaps);
    m_videoSinkName = video.name;
    if (GstElement* vs = m_videoSink.get()) {
        if (hasProperty(vs, "force-aspect-ratio")) {
            g_object_set(vs, "force-aspect-ratio", TRUE, nullptr);
        }
        if (hasProperty(vs, "handle-events")) {
            g_object_set(vs, "handle-events", FALSE, nullptr);
        }
        m_overlay = GST_IS_VIDEO_OVERLAY(vs) && isXcb();
        g_object_set(m_playbin.get(), "video-sink", video.element.get(), nullptr);
    }
    chooseAudioSink(sinks.audio);
    m_channels = std::make_unique<ChannelFilter>();
    if (m_channels->Element()) {
        g_object_set(m_playbin.get(), "audio-filter", m_channels->Element(), nullptr);
    }

    // No subtitles; picture, sound and software volume.
    guint flags = 0;
    g_object_get(m_playbin.get(), "flags", &flags, nullptr);
    flags &= ~guint(0x4); // GST_PLAY_FLAG_TEXT
    if (m_scaleCaps) {
        // Our own bin converts and scales before the sink: playbin's
        // converter would only pass frames through (GST_PLAY_FLAG_NATIVE_VIDEO).
        flags |= guint(0x40);
    }
    g_object_set(m_playbin.get(), "flags", flags, nullptr);
    g_signal_connect(m_playbin.get(), "element-setup", G_CALLBACK(onElementSetup), nullptr);

    const gst::BusPtr bus(gst_element_get_bus(m_playbin.get()));
    gst_bus_set_sync_handler(bus.get(), &PlaybinPipeline::onBusMessage, this, nullptr);
}

PlaybinPipeline::~PlaybinPipeline() {
    if (!m_playbin) {
        return;
    }
    gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
    const gst::BusPtr bus(gst_element_get_bus(m_playbin.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

void PlaybinPipeline::chooseAudioSink(const QString& requested) {
    // Sound: the sound server, else ALSA, else a silent sink that keeps time.
    static QString chosenAudio;
    QString name = requested;
    if (name.isEmpty()) {
        if (chosenAudio.isEmpty()) {
            chosenAudio = QStringLiteral("fakeaudiosink");
            for (const char* candidate : {"pulsesink", "alsasink"}) {
                if (sinkWorks(candidate)) {
                    chosenAudio = QString::fromLatin1(candidate);
                    break;
                }
            }
        }
        name = chosenAudio;
    }
    gst::ElementPtr sink = gst::MakeElement(name.toUtf8().constData());
    if (!sink) {
        name = QStringLiteral("fakeaudiosink");
        sink = gst::MakeElement("fakeaudiosink");
    }
    m_audioSinkName = name;
    if (sink) {
        g_object_set(m_playbin.get(), "audio-sink", sink.get(), nullptr);
    }
}

GstBusSyncReply PlaybinPipeline::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    // Called on whichever thread posted the message. It travels on as a
    // posted event; should this object go first, the event is dropped with
    // it and the message released. A handler that drops a message owns it:
    // the message (and through it the element that posted it, with all it
    // holds) is released once handled.
    auto* pipeline = static_cast<PlaybinPipeline*>(self);
    const unsigned generation = pipeline->m_generation.load();
    std::shared_ptr<GstMessage> held(message, gst::MessageUnref());
    QMetaObject::invokeMethod(
        pipeline, [pipeline, held, generation] { pipeline->deliver(held.get(), generation); },
        Qt::QueuedConnection);
    return GST_BUS_DROP;
}

void PlaybinPipeline::deliver(GstMessage* message, unsigned generation) {
    if (generation == m_generation.load() && m_handler && m_playbin) {
        m_handler(message);
    }
}

void PlaybinPipeline::SetMessageHandler(std::function<void(GstMessage*)> handler) {
    m_handler = std::move(handler);
}

void PlaybinPipeline::SetUri(const QByteArray& uri) {
    if (m_playbin) {
        g_object_set(m_playbin.get(), "uri", uri.constData(), nullptr);
    }
}

void PlaybinPipeline::SetState(GstState state) {
    m_target = state;
    if (m_playbin) {
        gst_element_set_state(m_playbin.get(), state);
    }
}

GstState PlaybinPipeline::CurrentState() const {
    GstState current = GST_STATE_NULL;
    if (m_playbin) {
        gst_element_get_state(m_playbin.get(), &current, nullptr, 0);
    }
    return current;
}

void PlaybinPipeline::Stop() {
    if (!m_playbin) {
        return;
    }
    gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
    m_target = GST_STATE_NULL;
    ++m_generation;
    if (m_frames) {
        m_frames->Clear();
    }
}

bool PlaybinPipeline::QueryPosition(double& seconds) const {
    gint64 p = 0;
    if (!m_playbin || !gst_element_query_position(m_playbin.get(), GST_FORMAT_TIME, &p) || p < 0) {
        return false;
    }
    seconds = ClampSeconds(double(p) / double(GST_SECOND));
    return true;
}

bool PlaybinPipeline::QueryDuration(double& seconds) const {
    gint64 d = 0;
    if (!m_playbin || !gst_element_query_duration(m_playbin.get(), GST_FORMAT_TIME, &d) || d <= 0) {
        return false;
    }
    seconds = ClampSeconds(double(d) / double(GST_SECOND));
    return true;
}

bool PlaybinPipeline::Seek(double start, double stop) {
    if (!m_playbin) {
        return false;
    }
    const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const gint64 startTime = ToNanoseconds(start);
    if (stop <= 0) {
        return gst_element_seek(m_playbin.get(), 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                startTime, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    }
    return gst_element_seek(m_playbin.get(), 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                            startTime, GST_SEEK_TYPE_SET, ToNanoseconds(stop));
}

AudioChannelCode PlaybinPipeline::AudioChannel() const {
    return m_channels ? m_channels->Channel() : AudioChannelCode::Stereo;
}

void PlaybinPipeline::SetAudioChannel(AudioChannelCode channel) {
    if (m_channels) {
        m_channels->SetChannel(channel);
    }
}

gst::ElementPtr FindElement(GstElement* bin, const char* factory) {
    gst::ElementPtr found;
    if (!bin || !GST_IS_BIN(bin)) {
        return found;
    }
    const gst::IteratorPtr it(gst_bin_iterate_recurse(GST_BIN(bin)));
    GValue item = G_VALUE_INIT;
    for (bool done = false; !done && !found;) {
        switch (gst_iterator_next(it.get(), &item)) {
        case GST_ITERATOR_OK: {
            auto* e = GST_ELEMENT(g_value_get_object(&item));
            const char* n = factoryName(e);
            if (n && g_str_equal(n, factory)) {
                found = gst::Ref(e);
            }
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(it.get());
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    return found;
}

bool PlaybinPipeline::Contains(const char* wanted) const {
    return FindElement(m_playbin.get(), wanted) != nullptr;
}

void PlaybinPipeline::SetVolume(double volume) {
    if (m_playbin) {
        gst_stream_volume_set_volume(GST_STREAM_VOLUME(m_playbin.get()),
                                     GST_STREAM_VOLUME_FORMAT_CUBIC, volume);
    }
}

void PlaybinPipeline::SetMute(bool on) {
    if (m_playbin) {
        g_object_set(m_playbin.get(), "mute", gboolean(on), nullptr);
    }
}

void PlaybinPipeline::SetWindow(quintptr window) {
    if (m_overlay && m_videoSink) {
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(m_videoSink.get()), guintptr(window));
    }
}

void PlaybinPipeline::SetRenderRectangle(const QRect& r) {
    if (m_scaleCaps && !r.isEmpty() && r.size() != m_scaledSize) {
        // The picture is scaled to the window's size before the sink.
        m_scaledSize = r.size();
        const gst::CapsPtr caps(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, r.width(),
                                                    "height", G_TYPE_INT, r.height(), nullptr));
        g_object_set(m_scaleCaps.get(), "caps", caps.get(), nullptr);
        // A paused picture would stay at its old size until the next frame:
        // the frame shown is decoded again at the new one.
        double position = 0;
        if (m_target == GST_STATE_PAUSED && CurrentState() == GST_STATE_PAUSED &&
            QueryPosition(position)) {
            Seek(position);
        }
    }
    if (m_overlay && m_videoSink) {
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(m_videoSink.get()), r.x(), r.y(),
                                               r.width(), r.height());
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_videoSink.get()));
    }
}

} // namespace lumadeck
