#pragma once

#include <QColor>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace lumadeck {

// Border styles of label buttons and skin images.
enum class BorderStyle : int { None = 0, FixedSingle = 1 };

// A label button of the skinned windows: plain centred text on the skin,
// transparent background, that behaves as a button. It reports presses,
// releases, pointer moves and clicks (a left press and release on it); a
// disabled one reports nothing. Space or Enter clicks it when it has the
// keyboard focus.
class LabelButton : public QLabel {
    Q_OBJECT
public:
    static QColor NormalColour();         // 255, 255, 192
    static QColor HoverColour();          // 255, 0, 0
    static QColor CompactInitialColour(); // 255, 255, 128

    LabelButton(int index, const QString& caption, QWidget* parent);

    int Index() const;
    QColor ForeColour() const;
    void SetForeColour(const QColor& colour);
    BorderStyle Border() const;
    void SetBorder(BorderStyle style);

signals:
    void pressed(int Index, Qt::MouseButton Button);
    void released(int Index, Qt::MouseButton Button);
    void moved(int Index);
    void clicked(int Index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_index;
    BorderStyle m_border = BorderStyle::None;
    bool m_leftHeld = false;
};

// The shared look and feel of a window's label buttons.
namespace LabelButtons {

// The pressed (bUp false) and released look for the left button (1): a
// fixed single border while held, none after. Other buttons leave the
// border alone. Pending events run afterwards in every case, so the border
// is painted before any long action that follows.
void AnimateLabelButton(LabelButton* lbl, Qt::MouseButton Button, bool bUp);

// Every button of `buttons` but lblControl gets the normal colour; then
// lblControl (when not null) gets the hover colour.
void SetButtonColors(const QList<LabelButton*>& buttons, LabelButton* lblControl);

// The skinned windows' lettering: Comic Sans MS where it is installed, else
// its free look-alike Comic Neue, else DejaVu Sans.
QStringList SkinFamilies();

// The font of label buttons: the skin's lettering at 9 pt.
QFont ButtonFont();

} // namespace LabelButtons

// A window's array of label buttons (lblButtons), indexed from 0, with the
// two operations the window offers for it. By default presses and releases
// animate the button and pointer moves colour it; a window that runs its
// action between the press and the release turns AutoAnimate off and calls
// AnimateLabelButton itself.
class LabelButtonArray : public QObject {
    Q_OBJECT
public:
    explicit LabelButtonArray(QWidget* window);

    // Adds the next button (index = the count before) at a place in the
    // window, in the given text colour.
    LabelButton* Add(const QString& caption, const QRect& geometry,
                     const QColor& colour = LabelButton::NormalColour());
    LabelButton* operator[](int Index) const;
    int Count() const;
    const QList<LabelButton*>& Buttons() const;

    void SetAutoAnimate(bool on);

    void AnimateLabelButton(LabelButton* lbl, Qt::MouseButton Button, bool bUp);
    // Also emits colorsReset, so a window can add steps of its own.
    void SetButtonColors(LabelButton* lblControl);

    // Pointer moves over this widget (a background picture, a list, the
    // window itself) call SetButtonColors(nullptr). Turns on its mouse
    // tracking.
    void ResetColorsOnMove(QWidget* widget);

signals:
    void pressed(int Index, Qt::MouseButton Button);
    void released(int Index, Qt::MouseButton Button);
    void clicked(int Index);
    void colorsReset(LabelButton* lblControl);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QList<LabelButton*> m_buttons;
    bool m_autoAnimate = true;
};

} // namespace lumadeck
