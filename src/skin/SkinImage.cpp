#include "SkinImage.h"

#include "SkinArt.h"

#include <QMouseEvent>

namespace lumadeck {

SkinImage::SkinImage(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    setMouseTracking(true);
    SetBorder(BorderStyle::None);
}

SkinImage::SkinImage(const QString& artName, const QRect& geometry, QWidget* parent)
    : SkinImage(parent) {
    setGeometry(geometry);
    SetPicture(SkinArt::Load(artName, geometry.size()));
}

void SkinImage::SetPicture(const QPixmap& picture) {
    setPixmap(picture);
}

BorderStyle SkinImage::Border() const {
    return m_border;
}

void SkinImage::SetBorder(BorderStyle style) {
    m_border = style;
    if (style == BorderStyle::FixedSingle) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
}

void SkinImage::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = true;
    }
    emit pressed(event->button());
}

void SkinImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool click = event->button() == Qt::LeftButton && m_leftHeld &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = false;
    }
    emit released(event->button());
    if (click) {
        emit clicked();
    }
}

void SkinImage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit moved();
}

} // namespace lumadeck
