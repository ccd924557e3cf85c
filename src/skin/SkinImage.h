#pragma once

#include <QLabel>

#include "skin/LabelButton.h"

namespace lumadeck {

// An image control of a skinned window: a picture (stretched to the control
// when stretch is on) that reports presses, releases, pointer moves and
// clicks, and can show a fixed single border (the pressed look of icons).
class SkinImage : public QLabel {
    Q_OBJECT
public:
    explicit SkinImage(QWidget* parent = nullptr);
    // A stretched picture from the skin (SkinArt::Load) at a place.
    SkinImage(const QString& artName, const QRect& geometry, QWidget* parent);

    void SetPicture(const QPixmap& picture);
    BorderStyle Border() const;
    void SetBorder(BorderStyle style);

signals:
    void pressed(Qt::MouseButton Button);
    void released(Qt::MouseButton Button);
    void moved();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    BorderStyle m_border = BorderStyle::None;
    bool m_leftHeld = false;
};

} // namespace lumadeck
