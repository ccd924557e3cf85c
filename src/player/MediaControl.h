#pragma once

#include <QString>
#include <QWidget>

namespace lumadeck {

// The media player control: the widget that opens, plays, seeks and shows a
// media file, and reports what happens through four notifications. Calls
// never throw: an operation returns whether it worked, and a query that
// fails gives 0 or "".
//
// States: open state 6 open, 0 closed; play state 0 stopped, 1 paused,
// 2 playing. Display sizes: 0 actual size, 1 half, 2 double, 3 full screen,
// 4 fit to the control's window, 5/6/7 one sixteenth/fourth/half of the
// screen. Placement is the widget's own geometry in its parent.
class MediaControl : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~MediaControl() override = default;

    static constexpr long OpenStateClosed = 0;
    static constexpr long OpenStateOpen = 6;
    static constexpr long PlayStateStopped = 0;
    static constexpr long PlayStatePaused = 1;
    static constexpr long PlayStatePlaying = 2;

    // Starts opening a file; completion comes as OpenStateChange(.., 6).
    virtual bool Open(const QString& fileName) = 0;
    virtual bool Play() = 0;
    virtual bool Pause() = 0;
    virtual bool Stop() = 0;

    virtual bool AutoStart() const = 0;
    virtual bool SetAutoStart(bool on) = 0;

    // Full name of the open file, "" when none.
    virtual QString FileName() const = 0;
    virtual double CurrentPosition() const = 0;
    virtual bool SetCurrentPosition(double seconds) = 0; // seeks
    virtual double Duration() const = 0;
    // Equals CurrentPosition() exactly when play stopped at the end.
    virtual double EndOfPlayPosition() const = 0;
    virtual long PlayState() const = 0;
    virtual long OpenState() const = 0;
};

} // namespace lumadeck
