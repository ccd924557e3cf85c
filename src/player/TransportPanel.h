#pragma once

#include "player/MediaCodes.h"

#include <QList>
#include <QSlider>
#include <QWidget>

class QLabel;
class QToolButton;

namespace lumadeck {

// What the transport panel shows.
struct TransportState {
    bool open = false;
    PlayStateCode playState = PlayStateCode::Stopped;
    double duration = 0; // seconds
    double position = 0; // seconds
    int volume = 80;     // 0 to 100
    bool mute = false;
    QList<double> chapters; // starts, in seconds: marked on the seek bar
};

// A seek bar with a short mark under the groove at each chapter's start.
class MarkedSlider : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;
    // Values of the slider to mark.
    void SetMarks(const QList<int>& values);
    const QList<int>& Marks() const { return m_marks; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<int> m_marks;
};

// The row of transport controls under the picture: play, pause, stop, a
// seek bar with the time, mute and volume. It only shows the state it is
// given and reports what the user asks for; it plays nothing itself.
class TransportPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int Height = 40;

    explicit TransportPanel(QWidget* parent = nullptr);

    void SetState(const TransportState& state);
    const TransportState& State() const { return m_state; }

signals:
    void PlayRequested();
    void PauseRequested();
    void StopRequested();
    void SeekRequested(double seconds);
    void VolumeRequested(int percent);
    void MuteRequested(bool on);

private:
    TransportState m_state;
    QToolButton* m_play = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_stop = nullptr;
    MarkedSlider* m_seekBar = nullptr;
    QLabel* m_time = nullptr;
    QToolButton* m_mute = nullptr;
    bool m_muteShown = false; // which icon m_mute shows
    QSlider* m_volume = nullptr;
    bool m_dragging = false;
};

} // namespace lumadeck
