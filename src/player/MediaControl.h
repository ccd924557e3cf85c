#pragma once

#include "player/MediaCodes.h"

#include <QList>
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
// screen. Placement is the widget's own geometry in its parent, in pixels.
//
// Notification order for one file:
//   Open(name)      -> [PlayStateChange(old, 0) and OpenStateChange(6, 0)
//                       for the file that was open, while FileName() and
//                       CurrentPosition() still describe it]
//                   -> OpenStateChange(0, 6) once the file is ready
//                   -> PlayStateChange(0, 2) when it starts (automatic start)
//                      or PlayStateChange(0, 1) (opened paused at its start)
//   natural end     -> PlayStateChange(2, 0) with EndOfPlayPosition() equal to
//                      CurrentPosition()
//   every seek      -> PositionChange(old, new)
//   any failure     -> Error(); ErrorDescription()/ErrorCode() tell what
// Notifications arrive on the user-interface thread, possibly nested inside
// calls on the control.
class MediaControl : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~MediaControl() override = default;

    // Starts opening a file; completion comes as OpenStateChange(.., 6).
    virtual bool Open(const QString& fileName) = 0;
    virtual bool Play() = 0;
    virtual bool Pause() = 0;
    virtual bool Stop() = 0;

    virtual bool AutoStart() const = 0;
    virtual bool SetAutoStart(bool on) = 0;

    // Full name of the open file, "" when none.
    virtual QString FileName() const = 0;
    // Writing the file name opens that file directly (like Open()).
    virtual bool SetFileName(const QString& fileName) { return Open(fileName); }
    virtual double CurrentPosition() const = 0;
    virtual bool SetCurrentPosition(double seconds) = 0; // seeks
    virtual double Duration() const = 0;
    // Equals CurrentPosition() exactly when play stopped at the end.
    virtual double EndOfPlayPosition() const = 0;
    virtual PlayStateCode PlayState() const = 0;
    virtual OpenStateCode OpenState() const = 0;

    // Display size (see above); SetDisplaySize fails for a number outside 0 to 7.
    virtual DisplaySizeCode DisplaySize() const = 0;
    virtual bool SetDisplaySize(DisplaySizeCode size) = 0;
    // Automatic sizing to the clip, and the permission to change the display
    // size (both switched on by the player when it attaches the control).
    virtual bool AutoSize() const = 0;
    virtual bool SetAutoSize(bool on) = 0;
    virtual bool AllowChangeDisplaySize() const = 0;
    virtual bool SetAllowChangeDisplaySize(bool on) = 0;

    // Natural size of the video in pixels (0 for sound only or nothing open).
    virtual int ImageSourceWidth() const = 0;
    virtual int ImageSourceHeight() const = 0;
    // Border drawn around the video, in pixels.
    virtual int VideoBorderWidth() const = 0;
    // The panel of transport controls under the video, and its height.
    virtual bool ShowControls() const = 0;
    virtual bool SetShowControls(bool on) = 0;
    virtual int PanelHeight() const = 0;
    // Whether the panel is also shown in full-screen mode.
    virtual bool EnableFullScreenControls() const = 0;
    virtual bool SetEnableFullScreenControls(bool on) = 0;

    // The last error; "" and 0 when there was none.
    virtual QString ErrorDescription() const = 0;
    virtual long ErrorCode() const = 0;

    // Codecs of the open clip, numbered from 1.
    virtual long CodecCount() const = 0;
    virtual QString CodecDescription(long index) const = 0;
    virtual bool CodecInstalled(long index) const = 0;
    virtual QString CodecURL(long index) const = 0;

    // Text about the open clip: 8 title, 12 description (see MediaInfoCode).
    virtual QString MediaInfoString(MediaInfoCode type) const = 0;

    // Sound volume from 0 to 100, as the control's panel shows it; a change
    // from either side is reported as VolumeChange. A control without a
    // volume of its own plays at full volume and refuses changes.
    virtual int Volume() const { return 100; }
    virtual bool SetVolume(int percent) { return false; }

    // The stereo channel heard: both, or one on both speakers (karaoke). It
    // stays as set for every file until changed, and changes while playing
    // without a gap. A control without the choice plays stereo and refuses.
    virtual AudioChannelCode AudioChannel() const { return AudioChannelCode::Stereo; }
    virtual bool SetAudioChannel(AudioChannelCode channel) {
        return channel == AudioChannelCode::Stereo;
    }

    // Where the chapters of the open file start, in seconds, sorted (empty
    // for a file without them). Given by the owner once the file is open;
    // opening another file clears them. Page Down and Page Up go to the
    // next and previous one, and the seek bar marks them.
    virtual QList<double> Chapters() const { return {}; }
    virtual void SetChapters(const QList<double>& starts) { Q_UNUSED(starts); }

    // Placement in the parent, in pixels.
    virtual bool Move(int left, int top, int width, int height) {
        setGeometry(left, top, width < 0 ? 0 : width, height < 0 ? 0 : height);
        return true;
    }
    virtual bool SetWidth(int width) { return Move(x(), y(), width, height()); }
    virtual bool SetHeight(int height) { return Move(x(), y(), width(), height); }

signals:
    // Open state moved from oldState to newState (6 open, 0 closed).
    void OpenStateChange(OpenStateCode oldState, OpenStateCode newState);
    // Play state moved from oldState to newState (0 stopped, 1 paused, 2 playing).
    void PlayStateChange(PlayStateCode oldState, PlayStateCode newState);
    // Something failed; ErrorDescription() and ErrorCode() tell what.
    void Error();
    // The position jumped (a seek) from oldPosition to newPosition seconds.
    void PositionChange(double oldPosition, double newPosition);
    // The sound volume changed (0 to 100).
    void VolumeChange(int percent);
};

} // namespace lumadeck
