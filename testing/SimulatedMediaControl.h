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
    void SetDelivery(Delivery delivery) { m_delivery = delivery; }
    Delivery delivery() const { return m_delivery; }
    // The clip a file name stands for; unscripted names get DefaultMedia.
    void Script(const QString& fileName, const SimulatedMedia& media);
    SimulatedMedia DefaultMedia;
    void SetFailing(const QString& operation, bool fails = true);
    void SetPanelHeight(int pixels) { m_panelHeight = pixels; }
    void SetVideoBorderWidth(int pixels) { m_borderWidth = pixels; }

    // ---- What happens to the open clip
    // Delivers the notifications held back (Queued/Manual); returns how many.
    int Flush();
    int PendingNotifications() const { return int(m_queue.size()); }
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
    bool described() const { return m_openState == OpenStateCode::Open || m_closing; }

    Delivery m_delivery = Delivery::Immediate;
    QHash<QString, SimulatedMedia> m_scripts;
    QSet<QString> m_failing;
    std::deque<std::function<void()>> m_queue;
    bool m_flushScheduled = false;
    int m_panelHeight = 64;
    int m_borderWidth = 0;

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
