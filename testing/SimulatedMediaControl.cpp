#include "testing/SimulatedMediaControl.h"

#include <QMetaObject>
#include <QPointer>
#include <algorithm>

namespace lumadeck::test {

SimulatedMediaControl::SimulatedMediaControl(QWidget* parent) : MediaControl(parent) {}

SimulatedMediaControl::~SimulatedMediaControl() = default;

void SimulatedMediaControl::Script(const QString& fileName, const SimulatedMedia& media) {
    m_scripts.insert(fileName, media);
}

void SimulatedMediaControl::SetFailing(const QString& operation, bool fails) {
    if (fails) {
        m_failing.insert(operation);
    } else {
        m_failing.remove(operation);
    }
}

bool SimulatedMediaControl::fails(const char* operation) const {
    return m_failing.contains(QString::fromLatin1(operation));
}

const SimulatedMedia& SimulatedMediaControl::media() const {
    return m_current;
}

void SimulatedMediaControl::deliver(std::function<void()> step) {
    if (m_delivery == Delivery::Immediate) {
        step();
        return;
    }
    m_queue.push_back(std::move(step));
    if (m_delivery == Delivery::Queued) {
        scheduleFlush();
    }
}

void SimulatedMediaControl::scheduleFlush() {
    if (m_flushScheduled) {
        return;
    }
    m_flushScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_flushScheduled = false;
            Flush();
        },
        Qt::QueuedConnection);
}

int SimulatedMediaControl::Flush() {
    int n = 0;
    // Steps may queue further steps (a listener opening the next file); they
    // run in order, after the ones already waiting.
    QPointer<SimulatedMediaControl> self(this);
    while (self && !m_queue.empty()) {
        auto step = std::move(m_queue.front());
        m_queue.pop_front();
        step();
        ++n;
    }
    return n;
}

void SimulatedMediaControl::setPlayState(PlayStateCode state) {
    const PlayStateCode old = m_playState;
    if (old == state) {
        return;
    }
    m_playState = state;
    emit PlayStateChange(old, state);
}

void SimulatedMediaControl::closeCurrent() {
    if (m_openState != OpenStateCode::Open) {
        return;
    }
    // The closing notifications still see the old file and its position.
    if (m_playState != PlayStateCode::Stopped) {
        setPlayState(PlayStateCode::Stopped);
    }
    m_openState = OpenStateCode::Closed;
    m_closing = true;
    emit OpenStateChange(OpenStateCode::Open, OpenStateCode::Closed);
    m_closing = false;
    if (m_openState == OpenStateCode::Closed) {
        m_fileName.clear();
        m_current = SimulatedMedia{};
        m_position = 0;
        m_atEnd = false;
    }
}

bool SimulatedMediaControl::Open(const QString& fileName) {
    calls << QStringLiteral("Open ") + fileName;
    const SimulatedMedia script = m_scripts.value(fileName, DefaultMedia);
    if (fails("Open") || script.refuseOpen || fileName.isEmpty()) {
        m_errorCode = script.refuseOpen ? script.errorCode : 1;
        m_errorDescription = script.refuseOpen ? script.errorDescription
                                               : QStringLiteral("The file could not be opened");
        return false;
    }
    // The open file is closed at once, inside this call.
    closeCurrent();
    const unsigned generation = ++m_openGeneration;
    const bool start = m_autoStart;
    deliver([this, fileName, script, generation, start] {
        if (generation != m_openGeneration) {
            return; // superseded by a later Open()
        }
        closeCurrent();
        if (generation != m_openGeneration) {
            return; // a listener opened another file meanwhile
        }
        if (script.failWhileOpening) {
            m_errorCode = script.errorCode;
            m_errorDescription = script.errorDescription;
            emit Error();
            return;
        }
        m_fileName = fileName;
        m_current = script;
        m_position = 0;
        m_atEnd = false;
        m_openState = OpenStateCode::Open;
        emit OpenStateChange(OpenStateCode::Closed, OpenStateCode::Open);
        if (generation != m_openGeneration || m_openState != OpenStateCode::Open) {
            return;
        }
        setPlayState(start ? PlayStateCode::Playing : PlayStateCode::Paused);
    });
    return true;
}

bool SimulatedMediaControl::Play() {
    calls << QStringLiteral("Play");
    if (fails("Play") || m_openState != OpenStateCode::Open) {
        return false;
    }
    deliver([this] {
        if (m_openState != OpenStateCode::Open) {
            return;
        }
        if (m_atEnd) {
            m_position = 0;
            m_atEnd = false;
        }
        setPlayState(PlayStateCode::Playing);
    });
    return true;
}

bool SimulatedMediaControl::Pause() {
    calls << QStringLiteral("Pause");
    if (fails("Pause") || m_openState != OpenStateCode::Open) {
        return false;
    }
    deliver([this] {
        if (m_openState == OpenStateCode::Open) {
            setPlayState(PlayStateCode::Paused);
        }
    });
    return true;
}

bool SimulatedMediaControl::Stop() {
    calls << QStringLiteral("Stop");
    if (fails("Stop") || m_openState != OpenStateCode::Open) {
        return false;
    }
    deliver([this] {
        if (m_openState != OpenStateCode::Open) {
            return;
        }
        if (!m_atEnd) {
            m_position = 0;
        }
        setPlayState(PlayStateCode::Stopped);
    });
    return true;
}

void SimulatedMediaControl::Advance(double seconds) {
    if (m_openState == OpenStateCode::Open && m_playState == PlayStateCode::Playing) {
        m_position = std::min(m_current.duration, m_position + seconds);
    }
}

void SimulatedMediaControl::ReachEnd() {
    deliver([this] {
        if (m_openState != OpenStateCode::Open) {
            return;
        }
        m_position = m_current.duration;
        m_atEnd = true;
        setPlayState(PlayStateCode::Stopped);
    });
}

void SimulatedMediaControl::RaiseError(long code, const QString& description) {
    deliver([this, code, description] {
        m_errorCode = code;
        m_errorDescription = description;
        emit Error();
    });
}

bool SimulatedMediaControl::AutoStart() const {
    return fails("AutoStart") ? false : m_autoStart;
}

bool SimulatedMediaControl::SetAutoStart(bool on) {
    calls << QStringLiteral("SetAutoStart %1").arg(on ? 1 : 0);
    if (fails("SetAutoStart")) {
        return false;
    }
    m_autoStart = on;
    return true;
}

QString SimulatedMediaControl::FileName() const {
    return fails("FileName") ? QString() : m_fileName;
}

bool SimulatedMediaControl::SetFileName(const QString& fileName) {
    if (fails("SetFileName")) {
        calls << QStringLiteral("SetFileName ") + fileName;
        return false;
    }
    return Open(fileName);
}

double SimulatedMediaControl::CurrentPosition() const {
    return fails("CurrentPosition") ? 0.0 : m_position;
}

bool SimulatedMediaControl::SetCurrentPosition(double seconds) {
    calls << QStringLiteral("SetCurrentPosition %1").arg(seconds);
    if (fails("SetCurrentPosition") || m_openState != OpenStateCode::Open) {
        return false;
    }
    const double old = m_position;
    m_position = std::clamp(seconds, 0.0, m_current.duration);
    m_atEnd = false;
    // Like the real control, a seek is reported inside the call.
    emit PositionChange(old, m_position);
    return true;
}

double SimulatedMediaControl::Duration() const {
    if (fails("Duration") || !described()) {
        return 0;
    }
    return m_current.duration;
}

double SimulatedMediaControl::EndOfPlayPosition() const {
    if (fails("EndOfPlayPosition") || !described()) {
        return -1;
    }
    if (m_atEnd) {
        return m_position;
    }
    return m_position == m_current.duration ? -1 : m_current.duration;
}

PlayStateCode SimulatedMediaControl::PlayState() const {
    return fails("PlayState") ? PlayStateCode::Stopped : m_playState;
}

OpenStateCode SimulatedMediaControl::OpenState() const {
    return fails("OpenState") ? OpenStateCode::Closed : m_openState;
}

DisplaySizeCode SimulatedMediaControl::DisplaySize() const {
    return fails("DisplaySize") ? DisplaySizeCode::Default : m_displaySize;
}

bool SimulatedMediaControl::SetDisplaySize(DisplaySizeCode size) {
    calls << QStringLiteral("SetDisplaySize %1").arg(CodeValue(size));
    if (fails("SetDisplaySize") || CodeValue(size) < 0 || CodeValue(size) > 7) {
        return false;
    }
    m_displaySize = size;
    return true;
}

bool SimulatedMediaControl::AutoSize() const {
    return fails("AutoSize") ? false : m_autoSize;
}

bool SimulatedMediaControl::SetAutoSize(bool on) {
    if (fails("SetAutoSize")) {
        return false;
    }
    m_autoSize = on;
    return true;
}

bool SimulatedMediaControl::AllowChangeDisplaySize() const {
    return fails("AllowChangeDisplaySize") ? false : m_allowChangeDisplaySize;
}

bool SimulatedMediaControl::SetAllowChangeDisplaySize(bool on) {
    if (fails("SetAllowChangeDisplaySize")) {
        return false;
    }
    m_allowChangeDisplaySize = on;
    return true;
}

int SimulatedMediaControl::ImageSourceWidth() const {
    return fails("ImageSourceWidth") || !described() ? 0 : m_current.width;
}

int SimulatedMediaControl::ImageSourceHeight() const {
    return fails("ImageSourceHeight") || !described() ? 0 : m_current.height;
}

int SimulatedMediaControl::VideoBorderWidth() const {
    return fails("VideoBorderWidth") ? 0 : m_borderWidth;
}

bool SimulatedMediaControl::ShowControls() const {
    return fails("ShowControls") ? false : m_showControls;
}

bool SimulatedMediaControl::SetShowControls(bool on) {
    if (fails("SetShowControls")) {
        return false;
    }
    m_showControls = on;
    return true;
}

int SimulatedMediaControl::PanelHeight() const {
    return fails("PanelHeight") || !m_showControls ? 0 : m_panelHeight;
}

bool SimulatedMediaControl::EnableFullScreenControls() const {
    return fails("EnableFullScreenControls") ? false : m_fullScreenControls;
}

bool SimulatedMediaControl::SetEnableFullScreenControls(bool on) {
    if (fails("SetEnableFullScreenControls")) {
        return false;
    }
    m_fullScreenControls = on;
    return true;
}

QString SimulatedMediaControl::ErrorDescription() const {
    return fails("ErrorDescription") ? QString() : m_errorDescription;
}

long SimulatedMediaControl::ErrorCode() const {
    return fails("ErrorCode") ? 0 : m_errorCode;
}

long SimulatedMediaControl::CodecCount() const {
    return fails("CodecCount") || !described() ? 0 : long(m_current.codecs.size());
}

QString SimulatedMediaControl::CodecDescription(long index) const {
    if (fails("CodecDescription") || index < 1 || index > CodecCount()) {
        return {};
    }
    return m_current.codecs.at(index - 1).description;
}

bool SimulatedMediaControl::CodecInstalled(long index) const {
    if (fails("CodecInstalled") || index < 1 || index > CodecCount()) {
        return false;
    }
    return m_current.codecs.at(index - 1).installed;
}

QString SimulatedMediaControl::CodecURL(long index) const {
    if (fails("CodecURL") || index < 1 || index > CodecCount()) {
        return {};
    }
    return m_current.codecs.at(index - 1).url;
}

QString SimulatedMediaControl::MediaInfoString(MediaInfoCode type) const {
    if (fails("MediaInfoString") || !described()) {
        return {};
    }
    switch (type) {
    case MediaInfoCode::FileName:
        return m_fileName;
    case MediaInfoCode::Title:
        return m_current.title;
    case MediaInfoCode::Description:
        return m_current.description;
    default:
        return {};
    }
}

int SimulatedMediaControl::Volume() const {
    return fails("Volume") ? 0 : m_volume;
}

bool SimulatedMediaControl::SetVolume(int percent) {
    calls << QStringLiteral("SetVolume %1").arg(percent);
    if (fails("SetVolume")) {
        return false;
    }
    const int old = m_volume;
    m_volume = std::clamp(percent, 0, 100);
    if (m_volume != old) {
        emit VolumeChange(m_volume);
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
