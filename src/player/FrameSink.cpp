#include "player/FrameSink.h"

#include <QtEndian>
#include <gst/video/video.h>

namespace lumadeck {

namespace {

// The byte order of QImage::Format_RGB32 (0xffRRGGBB in native order).
constexpr const char* FrameFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRx" : "xRGB";
// A frame this late is dropped, as the window sinks drop it.
constexpr gint64 MaxLatenessNs = 20 * GST_MSECOND;

// The picture of a sample as an image sharing its pixels; the buffer stays
// mapped, and held, until the last copy of the image goes.
QImage toImage(GstSample* sample) {
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != gst_video_format_from_string(FrameFormat)) {
        return {};
    }
    auto* frame = new GstVideoFrame;
    if (!gst_video_frame_map(frame, &info, buffer, GST_MAP_READ)) {
        delete frame;
        return {};
    }
    const auto release = [](void* mapped) {
        auto* f = static_cast<GstVideoFrame*>(mapped);
        gst_video_frame_unmap(f);
        delete f;
    };
    return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(frame), GST_VIDEO_FRAME_HEIGHT(frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0), QImage::Format_RGB32, release, frame);
}

} // namespace

FrameSink::FrameSink(QObject* parent) : QObject(parent), m_sink(gst::MakeElement("appsink")) {
    if (!m_sink) {
        return;
    }
    const gst::CapsPtr caps(
        gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, FrameFormat, nullptr));
    // Only the newest frame matters: the one before it is let go.
    g_object_set(m_sink.get(), "caps", caps.get(), "emit-signals", TRUE, "max-buffers", 1u, "drop",
                 TRUE, "qos", TRUE, "max-lateness", MaxLatenessNs, nullptr);
    g_signal_connect(m_sink.get(), "new-preroll", G_CALLBACK(&FrameSink::onPreroll), this);
    g_signal_connect(m_sink.get(), "new-sample", G_CALLBACK(&FrameSink::onSample), this);
}

FrameSink::~FrameSink() {
    if (m_sink) {
        // playbin may keep the element a little longer than this object.
        g_signal_handlers_disconnect_by_data(m_sink.get(), this);
    }
}

// Both run on a streaming thread.
GstFlowReturn FrameSink::onPreroll(GstElement* sink, gpointer self) {
    GstSample* sample = nullptr;
    g_signal_emit_by_name(sink, "pull-preroll", &sample);
    static_cast<FrameSink*>(self)->take(gst::SamplePtr(sample));
    return GST_FLOW_OK;
}

GstFlowReturn FrameSink::onSample(GstElement* sink, gpointer self) {
    GstSample* sample = nullptr;
    g_signal_emit_by_name(sink, "pull-sample", &sample);
    static_cast<FrameSink*>(self)->take(gst::SamplePtr(sample));
    return GST_FLOW_OK;
}

void FrameSink::take(gst::SamplePtr sample) {
    QImage image = sample ? toImage(sample.get()) : QImage();
    if (image.isNull()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_frame.swap(image);
    }
    // The old frame (in image) is let go here, outside the lock.
    if (!m_announced.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_announced = false;
                emit FrameArrived();
            },
            Qt::QueuedConnection);
    }
}

QImage FrameSink::Frame() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_frame;
}

void FrameSink::Clear() {
    QImage old;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_frame.swap(old);
}

} // namespace lumadeck
