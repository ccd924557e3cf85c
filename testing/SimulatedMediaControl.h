#pragma once

#include "player/MediaControl.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

namespace lumadeck::test {

// One codec of a simulated clip.
struct SimulatedCodec {
    QString description;
    bool installed = true;
    QString url;
};

// What a simulated clip looks like and how it behaves.
struct SimulatedMedia {
    double duration = 60;
    int width = 320; // 0 x 0 for sound only
    int height = 240;
    QString title;
    QString description;
    QString author;
    QList<SimulatedCodec> codecs;
    // Open() itself fails with this error (no notification follows).
    bool refuseOpen = false;
    // Opening ends in an Error() notification instead of the open state.
    bool failWhileOpening = false;
    long errorCode = 0;
    QString errorDescription;
};

// A media player control without media: every clip is scripted, nothing is
// decoded and nothing is drawn. It keeps the states and raises the
// notifications in the same order and with the same nesting as the real
// control (see MediaControl). Tests choose when notifications arrive:
// Immediate (inside the call that causes them), Queued (from the event loop,
// as the real control's bus messages) or Manual (on Flush()). A seek is
// always reported inside SetCurrentPosition, as the real control does.
// Any operation or query can be made to fail by name (SetFailing("Play")):
// an operation then returns false, a query 0 or "".
class SimulatedMediaControl : public MediaControl {
    Q_OBJECT
public:
    enum class Delivery { Immediate, Queued, Manual };

    explicit SimulatedMediaControl(QWidget* parent = nullptr) : MediaControl(parent) {}

    // ---- Scripting
    void SetDelivery(Delivery delivery) { m_delivery = delivery; }
    // The clip a file name stands for; unscripted names get DefaultMedia.
    void Script(const QString& fileName, const SimulatedMedia& media) {
        m_scripts.insert(fileName, media);
    }
    SimulatedMedia DefaultMedia;
    void SetFailing(const QString& operation, bool fails = true) {
        m_failing.remove(operation);
        if (fails) {
            m_failing.insert(operation);
        }
    }

    // ---- What happens to the open clip
    // Delivers the notifications held back (Queued/Manual).
    void Flush();
    // Playing moves the position on by this much (no notification).
    void Advance(double seconds);
    // Plays to the end: position at the end, PlayStateChange(old, 0).
    void ReachEnd();
    void RaiseError(long code, const QString& description);
    // Every call made on the control, in order ("Open /a.mpg", "Play", ...).
    QStringList calls;

    // ---- MediaControl
    bool Open(const QString& fileName) override;
    bool Play() override;
    bool Pause() override;
    bool Stop() override;
    bool AutoStart() const override { return get(__func__, m_autoStart); }
    bool SetAutoStart(bool on) override;
    QString FileName() const override { return get(__func__, m_fileName); }
    bool SetFileName(const QString& fileName) override;
    double CurrentPosition() const override { return get(__func__, m_position); }
    bool SetCurrentPosition(double seconds) override;
    double Duration() const override { return get(__func__, clip().duration); }
    double EndOfPlayPosition() const override;
    PlayStateCode PlayState() const override { return get(__func__, m_playState); }
    OpenStateCode OpenState() const override { return get(__func__, m_openState); }
    DisplaySizeCode DisplaySize() const override { return get(__func__, m_displaySize); }
    bool SetDisplaySize(DisplaySizeCode size) override;
    bool AutoSize() const override { return get(__func__, m_autoSize); }
    bool SetAutoSize(bool on) override { return set(__func__, m_autoSize, on); }
    bool AllowChangeDisplaySize() const override { return get(__func__, m_allowChangeDisplaySize); }
    bool SetAllowChangeDisplaySize(bool on) override {
        return set(__func__, m_allowChangeDisplaySize, on);
    }
    int ImageSourceWidth() const override { return get(__func__, clip().width); }
    int ImageSourceHeight() const override { return get(__func__, clip().height); }
    int VideoBorderWidth() const override { return 0; }
    bool ShowControls() const override { return get(__func__, m_showControls); }
    bool SetShowControls(bool on) override { return set(__func__, m_showControls, on); }
    int PanelHeight() const override { return get(__func__, m_showControls ? 64 : 0); }
    bool EnableFullScreenControls() const override { return get(__func__, m_fullScreenControls); }
    bool SetEnableFullScreenControls(bool on) override {
        return set(__func__, m_fullScreenControls, on);
    }
    QString ErrorDescription() const override { return get(__func__, m_errorDescription); }
    long ErrorCode() const override { return get(__func__, m_errorCode); }
    long CodecCount() const override { return get(__func__, long(clip().codecs.size())); }
    QString CodecDescription(long index) const override {
        return get(__func__, codec(index).description);
    }
    bool CodecInstalled(long index) const override { return get(__func__, codec(index).installed); }
    QString CodecURL(long index) const override { return get(__func__, codec(index).url); }
    QString MediaInfoString(MediaInfoCode type) const override;
    int Volume() const override { return get(__func__, m_volume); }
    bool SetVolume(int percent) override;
    bool Move(int left, int top, int width, int height) override;

private:
    bool fails(const char* operation) const {
        return m_failing.contains(QString::fromLatin1(operation));
    }
    template <typename T> T get(const char* query, T value) const {
        return fails(query) ? T{} : value;
    }
    template <typename T> bool set(const char* operation, T& field, T value) {
        if (fails(operation)) {
            return false;
        }
        field = value;
        return true;
    }
    // The clip as the queries see it: nothing unless open or closing.
    const SimulatedMedia& clip() const {
        static const SimulatedMedia none = [] {
            SimulatedMedia m;
            m.duration = m.width = m.height = 0;
            return m;
        }();
        return described() ? m_current : none;
    }
    SimulatedCodec codec(long index) const {
        return index >= 1 && index <= CodecCount() ? m_current.codecs.at(index - 1)
                                                   : SimulatedCodec{{}, false, {}};
    }
    void deliver(std::function<void()> step);
    // Logs the call and, while a clip is open, delivers the step.
    bool request(const char* operation, std::function<void()> step);
    void setPlayState(PlayStateCode state);
    void reportError(long code, const QString& description);
    void closeCurrent();
    bool described() const { return m_openState == OpenStateCode::Open || m_closing; }

    Delivery m_delivery = Delivery::Immediate;
    QHash<QString, SimulatedMedia> m_scripts;
    QSet<QString> m_failing;
    std::deque<std::function<void()>> m_queue;
    bool m_flushScheduled = false;

    QString m_fileName;
    SimulatedMedia m_current;
    OpenStateCode m_openState = OpenStateCode::Closed;
    bool m_closing = false; // the closing notification still describes the file
    PlayStateCode m_playState = PlayStateCode::Stopped;
    double m_position = 0;
    bool m_atEnd = false;
    bool m_autoStart = true;
    DisplaySizeCode m_displaySize = DisplaySizeCode::Default;
    bool m_autoSize = false;
    bool m_allowChangeDisplaySize = false;
    bool m_showControls = true;
    bool m_fullScreenControls = false;
    QString m_errorDescription;
    long m_errorCode = 0;
    unsigned m_openGeneration = 0;
    int m_volume = 100;
};

} // namespace lumadeck::test
