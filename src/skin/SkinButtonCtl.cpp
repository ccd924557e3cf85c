#include "SkinButtonCtl.h"

#include "SkinArt.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumadeck {

namespace {

// A skin picture, or where it cannot be read a plain square with the
// button's sign drawn on it, so the button still says what it does.
QPixmap picture(const char* name, const QColor& plain, bool close) {
    const bool found = SkinArt::Exists(name);
    QPixmap pixmap = SkinArt::Load(name, QSize(16, 16), plain);
    if (!found) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        if (close) {
            painter.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
            painter.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        } else {
            painter.drawLine(QPointF(4.5, 10.5), QPointF(11.5, 10.5));
        }
    }
    return pixmap;
}

SkinButtonCtl* makeButton(QWidget* parent, int left, int top, const char* up, const char* down,
                          const char* hover, const QString& name, const QColor& plain) {
    const bool close = name == "Close";
    auto* button = new SkinButtonCtl(parent);
    button->setGeometry(left, top, 16, 16);
    button->setPictureup(picture(up, plain, close));
    button->setPicturedown(picture(down, plain.darker(140), close));
    button->setPicturehover(picture(hover, plain.lighter(140), close));
    button->setStretch(true);
    button->setAccessibleName(name);
    button->setToolTip(name);
    return button;
}

} // namespace

SkinButtonCtl::SkinButtonCtl(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    resize(16, 16);
}

SkinButtonCtl* SkinButtonCtl::MakeMinimise(QWidget* parent, int left, int top) {
    SkinButtonCtl* button =
        makeButton(parent, left, top, SkinArt::MinimiseUp, SkinArt::MinimiseDown,
                   SkinArt::MinimiseHover, "Minimise", QColor(96, 96, 160));
    button->setObjectName("skinButtonMin");
    return button;
}

SkinButtonCtl* SkinButtonCtl::MakeClose(QWidget* parent, int left, int top) {
    SkinButtonCtl* button = makeButton(parent, left, top, SkinArt::CloseUp, SkinArt::CloseDown,
                                       SkinArt::CloseHover, "Close", QColor(176, 48, 48));
    button->setObjectName("skinButtonClose");
    return button;
}

QPixmap SkinButtonCtl::pictureup() const {
    return m_up;
}

void SkinButtonCtl::setPictureup(const QPixmap& picture) {
    m_up = picture;
    update();
}

QPixmap SkinButtonCtl::picturedown() const {
    return m_down;
}

void SkinButtonCtl::setPicturedown(const QPixmap& picture) {
    m_down = picture;
    update();
}

QPixmap SkinButtonCtl::picturehover() const {
    return m_hover;
}

void SkinButtonCtl::setPicturehover(const QPixmap& picture) {
    m_hover = picture;
    update();
}

bool SkinButtonCtl::stretch() const {
    return m_stretch;
}

void SkinButtonCtl::setStretch(bool on) {
    m_stretch = on;
    update();
}

SkinButtonCtl::Look SkinButtonCtl::CurrentLook() const {
    if (isDown()) {
        return Look::Down;
    }
    if (m_hovered) {
        return Look::Hover;
    }
    return Look::Up;
}

QPixmap SkinButtonCtl::CurrentPicture() const {
    switch (CurrentLook()) {
    case Look::Down:
        return m_down.isNull() ? m_up : m_down;
    case Look::Hover:
        return m_hover.isNull() ? m_up : m_hover;
    case Look::Up:
        break;
    }
    return m_up;
}

QSize SkinButtonCtl::sizeHint() const {
    return m_up.isNull() ? QSize(16, 16) : m_up.deviceIndependentSize().toSize();
}

void SkinButtonCtl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap picture = CurrentPicture();
    if (!picture.isNull()) {
        if (m_stretch) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(rect(), picture);
        } else {
            painter.drawPixmap(0, 0, picture);
        }
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void SkinButtonCtl::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    emit mouseMoved();
}

void SkinButtonCtl::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void SkinButtonCtl::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}

} // namespace lumadeck
