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
//   Immediate - inside the call that causes them (nested),
//   Queued    - from the event loop, after the call returns (as the real
//               control does with its bus messages),
//   Manual    - only when the test calls Flush().
// A seek is always reported inside SetCurrentPosition, as the real control
// does.
// Any operation or query can be made to fail by name (SetFailing("Play")):
// an operation then returns false, a query 0 or "".
class SimulatedMediaControl : public MediaControl {
    Q_OBJECT
public:
    enum class Delivery { Immediate, Queued, Manual };

    explicit SimulatedMediaControl(QWidget* parent = nullptr);
    ~SimulatedMediaControl() override;

    // ---- Scripting
    void SetDelivery(Delivery delivery) { delivery_ = delivery; }
    Delivery delivery() const { return delivery_; }
    // The clip a file name stands for; unscripted names get DefaultMedia.
    void Script(const QString& fileName, const SimulatedMedia& media);
    SimulatedMedia DefaultMedia;
    void SetFailing(const QString& operation, bool fails = true);
    void SetPanelHeight(int pixels) { panelHeight_ = pixels; }
    void SetVideoBorderWidth(int pixels) { borderWidth_ = pixels; }

    // ---- What happens to the open clip
    // Delivers the notifications held back (Queued/Manual); returns how many.
    int Flush();
    int PendingNotifications() const { return int(queue_.size()); }
    // Playing moves the position on by this much (no notification).
    void Advance(double seconds);
    // Plays to the end: position at the end, PlayStateChange(old, 0).
    void ReachEnd();
    // Reports an error with this description and code.
    void RaiseError(long code, const QString& description);
    // Every call made on the control, in order ("Open /a.mpg", "Play", ...).
    QStringList calls;

    // ---- MediaControl
    bool Open(const QString& fileName) override;
    bool Play() override;
    bool Pause() override;
    bool Stop() override;
    bool AutoStart() const override;
    bool SetAutoStart(bool on) override;
    QString FileName() const override;
    bool SetFileName(const QString& fileName) override;
    double CurrentPosition() const override;
    bool SetCurrentPosition(double seconds) override;
    double Duration() const override;
    double EndOfPlayPosition() const override;
    PlayStateCode PlayState() const override;
    OpenStateCode OpenState() const override;
    DisplaySizeCode DisplaySize() const override;
    bool SetDisplaySize(DisplaySizeCode size) override;
    bool AutoSize() const override;
    bool SetAutoSize(bool on) override;
    bool AllowChangeDisplaySize() const override;
    bool SetAllowChangeDisplaySize(bool on) override;
    int ImageSourceWidth() const override;
    int ImageSourceHeight() const override;
    int VideoBorderWidth() const override;
    bool ShowControls() const override;
    bool SetShowControls(bool on) override;
    int PanelHeight() const override;
    bool EnableFullScreenControls() const override;
    bool SetEnableFullScreenControls(bool on) override;
    QString ErrorDescription() const override;
    long ErrorCode() const override;
    long CodecCount() const override;
    QString CodecDescription(long index) const override;
    bool CodecInstalled(long index) const override;
    QString CodecURL(long index) const override;
    QString MediaInfoString(MediaInfoCode type) const override;
    int Volume() const override;
    bool SetVolume(int percent) override;
    bool Move(int left, int top, int width, int height) override;

private:
    bool fails(const char* operation) const;
    void deliver(std::function<void()> step);
    void scheduleFlush();
    const SimulatedMedia& media() const;
    void setPlayState(PlayStateCode state);
    void closeCurrent();
    bool described() const { return openState_ == OpenStateCode::Open || closing_; }

    Delivery delivery_ = Delivery::Immediate;
    QHash<QString, SimulatedMedia> scripts_;
    QSet<QString> failing_;
    std::deque<std::function<void()>> queue_;
    bool flushScheduled_ = false;
    int panelHeight_ = 64;
    int borderWidth_ = 0;

    QString fileName_;
    SimulatedMedia current_;
    OpenStateCode openState_ = OpenStateCode::Closed;
    bool closing_ = false; // the closing notification still describes the file
    PlayStateCode playState_ = PlayStateCode::Stopped;
    double position_ = 0;
    bool atEnd_ = false;
    bool autoStart_ = true;
    DisplaySizeCode displaySize_ = DisplaySizeCode::Default;
    bool autoSize_ = false;
    bool allowChangeDisplaySize_ = false;
    bool showControls_ = true;
    bool fullScreenControls_ = false;
    QString errorDescription_;
    long errorCode_ = 0;
    unsigned openGeneration_ = 0;
    int volume_ = 100;
};

} // namespace lumadeck::test
