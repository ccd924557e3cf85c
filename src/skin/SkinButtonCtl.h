#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace lumadeck {

// The minimise and close buttons of the skinned windows: a button that
// shows one picture at rest, one while pressed and one while the pointer is
// over it, scaled to its size when stretch is on. It raises clicked() (from
// the mouse, or Space with the keyboard focus) and mouseMoved() for every
// pointer move over it.
class SkinButtonCtl : public QAbstractButton {
    Q_OBJECT
public:
    enum class Look { Up, Down, Hover };

    explicit SkinButtonCtl(QWidget* parent = nullptr);

    // A 16 x 16 minimise or close button with the program's pictures and
    // accessible name ("Minimise", "Close"), placed at (left, top).
    static SkinButtonCtl* MakeMinimise(QWidget* parent, int left, int top);
    static SkinButtonCtl* MakeClose(QWidget* parent, int left, int top);

    QPixmap pictureup() const;
    void setPictureup(const QPixmap& picture);
    QPixmap picturedown() const;
    void setPicturedown(const QPixmap& picture);
    QPixmap picturehover() const;
    void setPicturehover(const QPixmap& picture);
    bool stretch() const;
    void setStretch(bool on);

    // Which picture the button shows now.
    Look CurrentLook() const;
    QPixmap CurrentPicture() const;

    QSize sizeHint() const override;

signals:
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap m_up;
    QPixmap m_down;
    QPixmap m_hover;
    bool m_stretch = true;
    bool m_hovered = false;
};

} // namespace lumadeck
