#include "player/TransportPanel.h"

#include "player/PlayerTexts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace lumadeck {

namespace {

// Tenths of a second on the seek bar, kept within what a slider holds.
int tenths(double seconds) {
    if (!std::isfinite(seconds)) {
        return 0;
    }
    return int(std::lround(std::clamp(seconds * 10, 0.0, 2e9)));
}

} // namespace

TransportPanel::TransportPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette panelPalette = QGuiApplication::palette();
    panelPalette.setColor(QPalette::Window, panelPalette.color(QPalette::Button));
    setPalette(panelPalette);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    auto button = [this, row](QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    m_play = button(QStyle::SP_MediaPlay, tr("Play"));
    m_pause = button(QStyle::SP_MediaPause, tr("Pause"));
    m_stop = button(QStyle::SP_MediaStop, tr("Stop"));
    m_seekBar = new MarkedSlider(Qt::Horizontal, this);
    m_seekBar->setFocusPolicy(Qt::NoFocus);
    m_seekBar->setRange(0, 0);
    row->addWidget(m_seekBar, 1);
    m_time = new QLabel(QStringLiteral("0:00 / 0:00"), this);
    row->addWidget(m_time);
    m_mute = button(QStyle::SP_MediaVolume, tr("Mute"));
    m_mute->setCheckable(true);
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setRange(0, 100);
    m_volume->setValue(m_state.volume);
    m_volume->setFixedWidth(80);
    m_volume->setToolTip(tr("Volume"));
    row->addWidget(m_volume);

    connect(m_play, &QToolButton::clicked, this, &TransportPanel::PlayRequested);
    connect(m_pause, &QToolButton::clicked, this, &TransportPanel::PauseRequested);
    connect(m_stop, &QToolButton::clicked, this, &TransportPanel::StopRequested);
    connect(m_mute, &QToolButton::toggled, this, &TransportPanel::MuteRequested);
    connect(m_volume, &QSlider::valueChanged, this, &TransportPanel::VolumeRequested);
    connect(m_seekBar, &QSlider::sliderPressed, this, [this] { m_dragging = true; });
    connect(m_seekBar, &QSlider::sliderReleased, this, [this] {
        m_dragging = false;
        emit SeekRequested(m_seekBar->value() / 10.0);
    });
    connect(m_seekBar, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove) {
            return;
        }
        // The slider takes its new value after this signal.
        QTimer::singleShot(0, this, [this] { emit SeekRequested(m_seekBar->value() / 10.0); });
    });
    SetState(m_state);
}

void TransportPanel::SetState(const TransportState& state) {
    m_state = state;
    const bool open = state.open;
    m_play->setEnabled(open && state.playState != PlayStateCode::Playing);
    m_pause->setEnabled(open && state.playState == PlayStateCode::Playing);
    m_stop->setEnabled(open && state.playState != PlayStateCode::Stopped);
    m_seekBar->setEnabled(open && state.duration > 0);
    if (!m_dragging) {
        const QSignalBlocker block(m_seekBar);
        m_seekBar->setRange(0, tenths(state.duration));
        m_seekBar->setPageStep(std::max(1, tenths(state.duration) / 10));
        m_seekBar->setValue(tenths(state.position));
    }
    QList<int> marks;
    if (state.duration > 0) {
        for (const double start : state.chapters) {
            if (start > 0 && start < state.duration) {
                marks.append(tenths(start));
            }
        }
    }
    m_seekBar->SetMarks(marks);
    m_time->setText(ConvertSeconds(state.position) + QStringLiteral(" / ") +
                    ConvertSeconds(state.duration));
    {
        const QSignalBlocker block(m_volume);
        m_volume->setValue(std::clamp(state.volume, 0, 100));
    }
    {
        const QSignalBlocker block(m_mute);
        m_mute->setChecked(state.mute);
    }
    if (state.mute != m_muteShown) {
        m_muteShown = state.mute;
        m_mute->setIcon(style()->standardIcon(state.mute ? QStyle::SP_MediaVolumeMuted
                                                         : QStyle::SP_MediaVolume));
    }
}

void MarkedSlider::SetMarks(const QList<int>& values) {
    if (values != m_marks) {
        m_marks = values;
        update();
    }
}

void MarkedSlider::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (m_marks.isEmpty() || maximum() <= minimum()) {
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre travels from half a handle in to half a handle short.
    const int span = groove.width() - handle.width();
    QPainter p(this);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    for (const int value : m_marks) {
        const int x = groove.left() + handle.width() / 2 +
                      QStyle::sliderPositionFromValue(minimum(), maximum(), value, span);
        p.drawLine(x, groove.bottom() + 1, x, height() - 1);
    }
}

} // namespace lumadeck
