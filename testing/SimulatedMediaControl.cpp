#include "testing/SimulatedMediaControl.h"

#include <QMetaObject>
#include <QPointer>
#include <algorithm>

namespace lumadeck::test {

SimulatedMediaControl::SimulatedMediaControl(QWidget* parent) : MediaControl(parent) {}

SimulatedMediaControl::~SimulatedMediaControl() = default;

void SimulatedMediaControl::Script(const QString& fileName, const SimulatedMedia& media) {
    scripts_.insert(fileName, media);
}

void SimulatedMediaControl::SetFailing(const QString& operation, bool fails) {
    if (fails) {
        failing_.insert(operation);
    } else {
        failing_.remove(operation);
    }
}

bool SimulatedMediaControl::fails(const char* operation) const {
    return failing_.contains(QString::fromLatin1(operation));
}

const SimulatedMedia& SimulatedMediaControl::media() const {
    return current_;
}

void SimulatedMediaControl::deliver(std::function<void()> step) {
    if (delivery_ == Delivery::Immediate) {
        step();
        return;
    }
    queue_.push_back(std::move(step));
    if (delivery_ == Delivery::Queued) {
        scheduleFlush();
    }
}

void SimulatedMediaControl::scheduleFlush() {
    if (flushScheduled_) {
        return;
    }
    flushScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushScheduled_ = false;
            Flush();
        },
        Qt::QueuedConnection);
}

int SimulatedMediaControl::Flush() {
    int n = 0;
    // Steps may queue further steps (a listener opening the next file); they
    // run in order, after the ones already waiting.
    QPointer<SimulatedMediaControl> self(this);
    while (self && !queue_.empty()) {
        auto step = std::move(queue_.front());
        queue_.pop_front();
        step();
        ++n;
    }
    return n;
}

void SimulatedMediaControl::setPlayState(PlayStateCode state) {
    const PlayStateCode old = playState_;
    if (old == state) {
        return;
    }
    playState_ = state;
    emit PlayStateChange(old, state);
}

void SimulatedMediaControl::closeCurrent() {
    if (openState_ != OpenStateCode::Open) {
        return;
    }
    // The closing notifications still see the old file and its position.
    if (playState_ != PlayStateCode::Stopped) {
        setPlayState(PlayStateCode::Stopped);
    }
    openState_ = OpenStateCode::Closed;
    closing_ = true;
    emit OpenStateChange(OpenStateCode::Open, OpenStateCode::Closed);
    closing_ = false;
    if (openState_ == OpenStateCode::Closed) {
        fileName_.clear();
        current_ = SimulatedMedia{};
        position_ = 0;
        atEnd_ = false;
    }
}

bool SimulatedMediaControl::Open(const QString& fileName) {
    calls << QStringLiteral("Open ") + fileName;
    const SimulatedMedia script = scripts_.value(fileName, DefaultMedia);
    if (fails("Open") || script.refuseOpen || fileName.isEmpty()) {
        errorCode_ = script.refuseOpen ? script.errorCode : 1;
        errorDescription_ = script.refuseOpen ? script.errorDescription
                                              : QStringLiteral("The file could not be opened");
        return false;
    }
    // The open file is closed at once, inside this call.
    closeCurrent();
    const unsigned generation = ++openGeneration_;
    const bool start = autoStart_;
    deliver([this, fileName, script, generation, start] {
        if (generation != openGeneration_) {
            return; // superseded by a later Open()
        }
        closeCurrent();
        if (generation != openGeneration_) {
            return; // a listener opened another file meanwhile
        }
        if (script.failWhileOpening) {
            errorCode_ = script.errorCode;
            errorDescription_ = script.errorDescription;
            emit Error();
            return;
        }
        fileName_ = fileName;
        current_ = script;
        position_ = 0;
        atEnd_ = false;
        openState_ = OpenStateCode::Open;
        emit OpenStateChange(OpenStateCode::Closed, OpenStateCode::Open);
        if (generation != openGeneration_ || openState_ != OpenStateCode::Open) {
            return;
        }
        setPlayState(start ? PlayStateCode::Playing : PlayStateCode::Paused);
    });
    return true;
}

bool SimulatedMediaControl::Play() {
    calls << QStringLiteral("Play");
    if (fails("Play") || openState_ != OpenStateCode::Open) {
        return false;
    }
    deliver([this] {
        if (openState_ != OpenStateCode::Open) {
            return;
        }
        if (atEnd_) {
            position_ = 0;
            atEnd_ = false;
        }
        setPlayState(PlayStateCode::Playing);
    });
    return true;
}

bool SimulatedMediaControl::Pause() {
    calls << QStringLiteral("Pause");
    if (fails("Pause") || openState_ != OpenStateCode::Open) {
        return false;
    }
    deliver([this] {
        if (openState_ == OpenStateCode::Open) {
            setPlayState(PlayStateCode::Paused);
        }
    });
    return true;
}

bool SimulatedMediaControl::Stop() {
    calls << QStringLiteral("Stop");
    if (fails("Stop") || openState_ != OpenStateCode::Open) {
        return false;
    }
    deliver([this] {
        if (openState_ != OpenStateCode::Open) {
            return;
        }
        if (!atEnd_) {
            position_ = 0;
        }
        setPlayState(PlayStateCode::Stopped);
    });
    return true;
}

void SimulatedMediaControl::Advance(double seconds) {
    if (openState_ == OpenStateCode::Open && playState_ == PlayStateCode::Playing) {
        position_ = std::min(current_.duration, position_ + seconds);
    }
}

void SimulatedMediaControl::ReachEnd() {
    deliver([this] {
        if (openState_ != OpenStateCode::Open) {
            return;
        }
        position_ = current_.duration;
        atEnd_ = true;
        setPlayState(PlayStateCode::Stopped);
    });
}

void SimulatedMediaControl::RaiseError(long code, const QString& description) {
    deliver([this, code, description] {
        errorCode_ = code;
        errorDescription_ = description;
        emit Error();
    });
}

bool SimulatedMediaControl::AutoStart() const {
    return fails("AutoStart") ? false : autoStart_;
}

bool SimulatedMediaControl::SetAutoStart(bool on) {
    calls << QStringLiteral("SetAutoStart %1").arg(on ? 1 : 0);
    if (fails("SetAutoStart")) {
        return false;
    }
    autoStart_ = on;
    return true;
}

QString SimulatedMediaControl::FileName() const {
    return fails("FileName") ? QString() : fileName_;
}

bool SimulatedMediaControl::SetFileName(const QString& fileName) {
    if (fails("SetFileName")) {
        calls << QStringLiteral("SetFileName ") + fileName;
        return false;
    }
    return Open(fileName);
}

double SimulatedMediaControl::CurrentPosition() const {
    return fails("CurrentPosition") ? 0.0 : position_;
}

bool SimulatedMediaControl::SetCurrentPosition(double seconds) {
    calls << QStringLiteral("SetCurrentPosition %1").arg(seconds);
    if (fails("SetCurrentPosition") || openState_ != OpenStateCode::Open) {
        return false;
    }
    const double old = position_;
    position_ = std::clamp(seconds, 0.0, current_.duration);
    atEnd_ = false;
    // Like the real control, a seek is reported inside the call.
    emit PositionChange(old, position_);
    return true;
}

double SimulatedMediaControl::Duration() const {
    if (fails("Duration") || !described()) {
        return 0;
    }
    return current_.duration;
}

double SimulatedMediaControl::EndOfPlayPosition() const {
    if (fails("EndOfPlayPosition") || !described()) {
        return -1;
    }
    if (atEnd_) {
        return position_;
    }
    return position_ == current_.duration ? -1 : current_.duration;
}

PlayStateCode SimulatedMediaControl::PlayState() const {
    return fails("PlayState") ? PlayStateCode::Stopped : playState_;
}

OpenStateCode SimulatedMediaControl::OpenState() const {
    return fails("OpenState") ? OpenStateCode::Closed : openState_;
}

DisplaySizeCode SimulatedMediaControl::DisplaySize() const {
    return fails("DisplaySize") ? DisplaySizeCode::Default : displaySize_;
}

bool SimulatedMediaControl::SetDisplaySize(DisplaySizeCode size) {
    calls << QStringLiteral("SetDisplaySize %1").arg(CodeValue(size));
    if (fails("SetDisplaySize") || CodeValue(size) < 0 || CodeValue(size) > 7) {
        return false;
    }
    displaySize_ = size;
    return true;
}

bool SimulatedMediaControl::AutoSize() const {
    return fails("AutoSize") ? false : autoSize_;
}

bool SimulatedMediaControl::SetAutoSize(bool on) {
    if (fails("SetAutoSize")) {
        return false;
    }
    autoSize_ = on;
    return true;
}

bool SimulatedMediaControl::AllowChangeDisplaySize() const {
    return fails("AllowChangeDisplaySize") ? false : allowChangeDisplaySize_;
}

bool SimulatedMediaControl::SetAllowChangeDisplaySize(bool on) {
    if (fails("SetAllowChangeDisplaySize")) {
        return false;
    }
    allowChangeDisplaySize_ = on;
    return true;
}

int SimulatedMediaControl::ImageSourceWidth() const {
    return fails("ImageSourceWidth") || !described() ? 0 : current_.width;
}

int SimulatedMediaControl::ImageSourceHeight() const {
    return fails("ImageSourceHeight") || !described() ? 0 : current_.height;
}

int SimulatedMediaControl::VideoBorderWidth() const {
    return fails("VideoBorderWidth") ? 0 : borderWidth_;
}

bool SimulatedMediaControl::ShowControls() const {
    return fails("ShowControls") ? false : showControls_;
}

bool SimulatedMediaControl::SetShowControls(bool on) {
    if (fails("SetShowControls")) {
        return false;
    }
    showControls_ = on;
    return true;
}

int SimulatedMediaControl::PanelHeight() const {
    return fails("PanelHeight") || !showControls_ ? 0 : panelHeight_;
}

bool SimulatedMediaControl::EnableFullScreenControls() const {
    return fails("EnableFullScreenControls") ? false : fullScreenControls_;
}

bool SimulatedMediaControl::SetEnableFullScreenControls(bool on) {
    if (fails("SetEnableFullScreenControls")) {
        return false;
    }
    fullScreenControls_ = on;
    return true;
}

QString SimulatedMediaControl::ErrorDescription() const {
    return fails("ErrorDescription") ? QString() : errorDescription_;
}

long SimulatedMediaControl::ErrorCode() const {
    return fails("ErrorCode") ? 0 : errorCode_;
}

long SimulatedMediaControl::CodecCount() const {
    return fails("CodecCount") || !described() ? 0 : long(current_.codecs.size());
}

QString SimulatedMediaControl::CodecDescription(long index) const {
    if (fails("CodecDescription") || index < 1 || index > CodecCount()) {
        return {};
    }
    return current_.codecs.at(index - 1).description;
}

bool SimulatedMediaControl::CodecInstalled(long index) const {
    if (fails("CodecInstalled") || index < 1 || index > CodecCount()) {
        return false;
    }
    return current_.codecs.at(index - 1).installed;
}

QString SimulatedMediaControl::CodecURL(long index) const {
    if (fails("CodecURL") || index < 1 || index > CodecCount()) {
        return {};
    }
    return current_.codecs.at(index - 1).url;
}

QString SimulatedMediaControl::MediaInfoString(MediaInfoCode type) const {
    if (fails("MediaInfoString") || !described()) {
        return {};
    }
    switch (type) {
    case MediaInfoCode::FileName:
        return fileName_;
    case MediaInfoCode::Title:
        return current_.title;
    case MediaInfoCode::Description:
        return current_.description;
    default:
        return {};
    }
}

int SimulatedMediaControl::Volume() const {
    return fails("Volume") ? 0 : volume_;
}

bool SimulatedMediaControl::SetVolume(int percent) {
    calls << QStringLiteral("SetVolume %1").arg(percent);
    if (fails("SetVolume")) {
        return false;
    }
    const int old = volume_;
    volume_ = std::clamp(percent, 0, 100);
    if (volume_ != old) {
        emit VolumeChange(volume_);
    }
    return true;
}

bool SimulatedMediaControl::Move(int left, int top, int width, int height) {
    calls << QStringLiteral("Move %1 %2 %3 %4").arg(left).arg(top).arg(width).arg(height);
    if (fails("Move")) {
        return false;
    }
    return MediaControl::Move(left, top, width, height);
}

} // namespace lumadeck::test
