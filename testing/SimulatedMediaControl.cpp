#include "testing/SimulatedMediaControl.h"

#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace lumadeck::test {

void SimulatedMediaControl::deliver(std::function<void()> step) {
    if (m_delivery == Delivery::Immediate) {
        step();
        return;
    }
    m_queue.push_back(std::move(step));
    if (m_delivery == Delivery::Queued && !m_flushScheduled) {
        m_flushScheduled = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_flushScheduled = false;
                Flush();
            },
            Qt::QueuedConnection);
    }
}

void SimulatedMediaControl::Flush() {
    // Steps may queue further steps (a listener opening the next file); they
    // run in order, after the ones already waiting.
    QPointer<SimulatedMediaControl> self(this);
    while (self && !m_queue.empty()) {
        auto step = std::move(m_queue.front());
        m_queue.pop_front();
        step();
    }
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
    setPlayState(PlayStateCode::Stopped);
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
            reportError(script.errorCode, script.errorDescription);
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

bool SimulatedMediaControl::request(const char* operation, std::function<void()> step) {
    calls << QString::fromLatin1(operation);
    if (fails(operation) || m_openState != OpenStateCode::Open) {
        return false;
    }
    deliver([this, step = std::move(step)] {
        if (m_openState == OpenStateCode::Open) {
            step();
        }
    });
    return true;
}

bool SimulatedMediaControl::Play() {
    return request(__func__, [this] {
        if (m_atEnd) {
            m_position = 0;
            m_atEnd = false;
        }
        setPlayState(PlayStateCode::Playing);
    });
}

bool SimulatedMediaControl::Pause() {
    return request(__func__, [this] { setPlayState(PlayStateCode::Paused); });
}

bool SimulatedMediaControl::Stop() {
    return request(__func__, [this] {
        m_position = m_atEnd ? m_position : 0;
        setPlayState(PlayStateCode::Stopped);
    });
}

void SimulatedMediaControl::Advance(double seconds) {
    if (m_openState == OpenStateCode::Open && m_playState == PlayStateCode::Playing) {
        m_position = std::min(m_current.duration, m_position + seconds);
    }
}

void SimulatedMediaControl::ReachEnd() {
    deliver([this] {
        if (m_openState == OpenStateCode::Open) {
            m_position = m_current.duration;
            m_atEnd = true;
            setPlayState(PlayStateCode::Stopped);
        }
    });
}

void SimulatedMediaControl::RaiseError(long code, const QString& description) {
    deliver([this, code, description] { reportError(code, description); });
}

void SimulatedMediaControl::reportError(long code, const QString& description) {
    m_errorCode = code;
    m_errorDescription = description;
    emit Error();
}

bool SimulatedMediaControl::SetAutoStart(bool on) {
    calls << QStringLiteral("SetAutoStart %1").arg(on ? 1 : 0);
    return set("SetAutoStart", m_autoStart, on);
}

bool SimulatedMediaControl::SetFileName(const QString& fileName) {
    if (fails("SetFileName")) {
        calls << QStringLiteral("SetFileName ") + fileName;
        return false;
    }
    return Open(fileName);
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

double SimulatedMediaControl::EndOfPlayPosition() const {
    if (fails("EndOfPlayPosition") || !described()) {
        return -1;
    }
    if (m_atEnd) {
        return m_position;
    }
    return m_position == m_current.duration ? -1 : m_current.duration;
}

bool SimulatedMediaControl::SetDisplaySize(DisplaySizeCode size) {
    calls << QStringLiteral("SetDisplaySize %1").arg(CodeValue(size));
    return CodeValue(size) >= 0 && CodeValue(size) <= 7 &&
           set("SetDisplaySize", m_displaySize, size);
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
    case MediaInfoCode::Author:
        return m_current.author;
    default:
        return {};
    }
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
    return !fails("Move") && MediaControl::Move(left, top, width, height);
}

} // namespace lumadeck::test
