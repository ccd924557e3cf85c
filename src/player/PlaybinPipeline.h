#pragma once

#include "player/AudioChannel.h"
#include "player/FrameSink.h"
#include "player/GstHandles.h"

#include <QByteArray>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace lumadeck {

// The URI playbin opens for a file name; "" (with the reason) when the name
// cannot be made into one. Every file the control opens goes through here.
QByteArray MediaUri(const QString& fileName, QString* error = nullptr);

// The video sink and what playbin is given for it.
struct VideoOutput {
    // The sink element (drawing into our window where it can).
    gst::ElementPtr sink;
    // What playbin draws into: the sink itself, or a bin scaling the
    // picture to the window before a sink that cannot scale.
    gst::ElementPtr element;
    // In that bin, the filter whose caps carry the window's size.
    gst::ElementPtr scaleCaps;
    QString name;
};

// The named element, or ("" as name) the best one for this desktop: on X11
// the sink ChooseVideoSink() picks for the machine (LUMADECK_VIDEO_SINK
// forces one), the frame sink when one is given (on Wayland; see
// FrameSink), a silent sink otherwise.
VideoOutput MakeVideoOutput(const QString& name, FrameSink* frames = nullptr);

// The first element of the named factory anywhere inside the bin; empty when
// there is none.
gst::ElementPtr FindElement(GstElement* bin, const char* factoryName);

// One playbin pipeline and its bus, without any widget. Bus messages are
// handed to the message handler on the thread that owns this object, in
// the order they were posted, through Qt's posted events, so that they keep
// arriving inside nested event loops (a message box opened from a handler).
// Messages posted before the last Stop() are dropped.
class PlaybinPipeline : public QObject {
    Q_OBJECT
public:
    // Element names of the sinks ("" chooses; see MakeVideoSink).
    struct Sinks {
        QString video;
        QString audio;
    };

    explicit PlaybinPipeline(const Sinks& sinks, QObject* parent = nullptr);
    ~PlaybinPipeline() override;

    // False when playbin could not be made (GStreamer unusable).
    bool IsValid() const { return bool(m_playbin); }
    GstElement* Playbin() const { return m_playbin.get(); }
    QString VideoSinkName() const { return m_videoSinkName; }
    QString AudioSinkName() const { return m_audioSinkName; }

    void SetMessageHandler(std::function<void(GstMessage*)> handler);

    void SetUri(const QByteArray& uri);
    // Asks for a state; TargetState() remembers it.
    void SetState(GstState state);
    GstState TargetState() const { return m_target; }
    // Remembers a state as asked for without asking the pipeline.
    void SetTargetState(GstState state) { m_target = state; }
    GstState CurrentState() const;
    // Back to NULL; whatever the pipeline still had to say is dropped.
    void Stop();

    // Position and duration in seconds; false when the pipeline cannot tell.
    bool QueryPosition(double& seconds) const;
    bool QueryDuration(double& seconds) const;
    // A flushing, accurate seek to start seconds, up to stop when stop > 0.
    bool Seek(double start, double stop = -1);
    // Whether the running pipeline holds an element of the named factory.
    bool Contains(const char* factoryName) const;

    // Volume 0..1 (cubic, as a volume slider moves) and mute.
    void SetVolume(double volume);
    void SetMute(bool on);
    // The stereo channel heard, switched while playing without a gap.
    AudioChannelCode AudioChannel() const;
    void SetAudioChannel(AudioChannelCode channel);

    // Drawing into a native window (X11 only). The render rectangle is the
    // picture's place in that window; a sink that cannot scale gets the
    // picture scaled to its size.
    bool HasOverlay() const { return m_overlay; }
    // Where the control paints the frames itself (on Wayland, no sink
    // named): their source; null otherwise.
    FrameSink* Frames() const { return m_framesUsed ? m_frames.get() : nullptr; }
    void SetWindow(quintptr window);
    void SetRenderRectangle(const QRect& r);

private:
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void deliver(GstMessage* message, unsigned generation);
    void chooseAudioSink(const QString& name);

    // Declared before playbin so that it goes after it: playbin's streaming
    // threads call it until playbin stops.
    std::unique_ptr<FrameSink> m_frames;
    std::unique_ptr<ChannelFilter> m_channels;
    bool m_framesUsed = false;
    gst::ElementPtr m_playbin;
    gst::ElementPtr m_videoSink;
    gst::ElementPtr m_scaleCaps;
    QSize m_scaledSize;
    QString m_videoSinkName;
    QString m_audioSinkName;
    bool m_overlay = false;
    GstState m_target = GST_STATE_NULL;
    std::atomic<unsigned> m_generation{0};
    std::function<void(GstMessage*)> m_handler;
};

} // namespace lumadeck
