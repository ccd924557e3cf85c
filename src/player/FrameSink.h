#pragma once

#include "player/GstHandles.h"

#include <QImage>
#include <QObject>
#include <atomic>
#include <mutex>

namespace lumadeck {

// The video sink where no sink can draw into our window (a Wayland
// session): playbin converts each frame to the pixel layout of Qt's images
// and hands it here, and the control paints the newest one into its picture
// area, at any size and in full screen, sharp on a high-density screen.
// Frames are shown at their time on the pipeline's clock; late ones are
// dropped as a window sink drops them.
class FrameSink : public QObject {
    Q_OBJECT
public:
    explicit FrameSink(QObject* parent = nullptr);
    ~FrameSink() override;

    // The sink element for playbin; empty when GStreamer has no appsink.
    GstElement* Element() const { return m_sink.get(); }

    // The newest frame (sharing its pixels with the decoder's buffer); a
    // null image before the first one and after Clear().
    QImage Frame() const;
    void Clear();

signals:
    // A new frame is there; sent on the thread that owns this object, once
    // for any number of frames that came while it was on its way.
    void FrameArrived();

private:
    static GstFlowReturn onPreroll(GstElement* sink, gpointer self);
    static GstFlowReturn onSample(GstElement* sink, gpointer self);
    void take(gst::SamplePtr sample);

    gst::ElementPtr m_sink;
    mutable std::mutex m_mutex;
    QImage m_frame;
    std::atomic<bool> m_announced{false};
};

} // namespace lumadeck
