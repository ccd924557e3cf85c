#include "LabelButton.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace lumadeck {

QColor LabelButton::NormalColour() {
    return QColor(255, 255, 192);
}

QColor LabelButton::HoverColour() {
    return QColor(255, 0, 0);
}

QColor LabelButton::CompactInitialColour() {
    return QColor(255, 255, 128);
}

LabelButton::LabelButton(int index, const QString& caption, QWidget* parent)
    : QLabel(parent), m_index(index) {
    setTextFormat(Qt::PlainText);
    setText(caption);
    setAlignment(Qt::AlignCenter);
    setFont(LabelButtons::ButtonFont());
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(caption);
    SetForeColour(NormalColour());
    SetBorder(BorderStyle::None);
}

int LabelButton::Index() const {
    return m_index;
}

QColor LabelButton::ForeColour() const {
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void LabelButton::SetForeColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, colour);
    p.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    setPalette(p);
}

BorderStyle LabelButton::Border() const {
    return m_border;
}

void LabelButton::SetBorder(BorderStyle style) {
    m_border = style;
    if (style == BorderStyle::FixedSingle) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
}

void LabelButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = true;
    }
    emit pressed(m_index, event->button());
}

void LabelButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool click = event->button() == Qt::LeftButton && m_leftHeld &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = false;
    }
    emit released(m_index, event->button());
    if (click && isEnabled()) {
        emit clicked(m_index);
    }
}

void LabelButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit moved(m_index);
}

void LabelButton::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
         event->key() == Qt::Key_Enter)) {
        event->accept();
        emit clicked(m_index);
        return;
    }
    QLabel::keyPressEvent(event);
}

namespace LabelButtons {

void AnimateLabelButton(LabelButton* lbl, Qt::MouseButton Button, bool bUp) {
    if (lbl && Button == Qt::LeftButton) {
        lbl->SetBorder(bUp ? BorderStyle::None : BorderStyle::FixedSingle);
        lbl->repaint();
    }
    QCoreApplication::processEvents();
}

void SetButtonColors(const QList<LabelButton*>& buttons, LabelButton* lblControl) {
    for (LabelButton* button : buttons) {
        if (button && (!lblControl || button->Index() != lblControl->Index())) {
            button->SetForeColour(LabelButton::NormalColour());
        }
    }
    if (lblControl) {
        lblControl->SetForeColour(LabelButton::HoverColour());
    }
}

QStringList SkinFamilies() {
    return {"Comic Sans MS", "Comic Neue", "DejaVu Sans"};
}

QFont ButtonFont() {
    QFont font;
    font.setFamilies(SkinFamilies());
    font.setPointSizeF(9);
    return font;
}

} // namespace LabelButtons

LabelButtonArray::LabelButtonArray(QWidget* window) : QObject(window), m_window(window) {}

LabelButton* LabelButtonArray::Add(const QString& caption, const QRect& geometry,
                                   const QColor& colour) {
    auto* button = new LabelButton(static_cast<int>(m_buttons.size()), caption, m_window);
    button->setGeometry(geometry);
    button->SetForeColour(colour);
    m_buttons.append(button);
    connect(button, &LabelButton::pressed, this, [this, button](int index, Qt::MouseButton mouse) {
        if (m_autoAnimate) {
            AnimateLabelButton(button, mouse, false);
        }
        emit pressed(index, mouse);
    });
    connect(button, &LabelButton::released, this, [this, button](int index, Qt::MouseButton mouse) {
        if (m_autoAnimate) {
            AnimateLabelButton(button, mouse, true);
        }
        emit released(index, mouse);
    });
    connect(button, &LabelButton::moved, this, [this, button](int) { SetButtonColors(button); });
    connect(button, &LabelButton::clicked, this, &LabelButtonArray::clicked);
    return button;
}

LabelButton* LabelButtonArray::operator[](int Index) const {
    return (Index >= 0 && Index < m_buttons.size()) ? m_buttons[Index] : nullptr;
}

int LabelButtonArray::Count() const {
    return static_cast<int>(m_buttons.size());
}

const QList<LabelButton*>& LabelButtonArray::Buttons() const {
    return m_buttons;
}

void LabelButtonArray::SetAutoAnimate(bool on) {
    m_autoAnimate = on;
}

void LabelButtonArray::AnimateLabelButton(LabelButton* lbl, Qt::MouseButton Button, bool bUp) {
    LabelButtons::AnimateLabelButton(lbl, Button, bUp);
}

void LabelButtonArray::SetButtonColors(LabelButton* lblControl) {
    LabelButtons::SetButtonColors(m_buttons, lblControl);
    emit colorsReset(lblControl);
}

void LabelButtonArray::ResetColorsOnMove(QWidget* widget) {
    if (!widget) {
        return;
    }
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

bool LabelButtonArray::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
        SetButtonColors(nullptr);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lumadeck
