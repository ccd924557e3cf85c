#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QMainWindow;

namespace lumadeck {

// Changes the frame of an existing window at run time: title bar, sizing
// border, system menu, minimise/maximise/help buttons, taskbar presence,
// tool-window look and staying on top, each a property that reads back what
// was set. It also greys, restores and removes the items of the window's
// own system menu (SystemMenu) and can show that menu anywhere. With
// AutoDrag a left press on the window moves it; with AutoSysMenu a right
// click shows the system menu at the pointer.
//
// Without a window every Set does nothing, the Gets read false and
// Moveable reads true.
class CFormBorder : public QObject {
    Q_OBJECT
public:
    explicit CFormBorder(QObject* parent = nullptr);
    ~CFormBorder() override;

    bool AutoDrag() const;
    void SetAutoDrag(bool value);
    bool AutoSysMenu() const;
    void SetAutoSysMenu(bool value);

    // The controlled window: the ordinary window, else the MDI parent window
    // (a main window whose centre is an MDI area), else none.
    QObject* Client() const;
    // Attaches a top-level window. Anything that is not one leaves no
    // window attached (hWnd null) and keeps the earlier references.
    void SetClient(QObject* obj);
    QWidget* hWnd() const;

    bool ControlBox() const;
    void SetControlBox(bool value);
    bool MaxButton() const;
    void SetMaxButton(bool value);
    bool MinButton() const;
    void SetMinButton(bool value);
    bool Moveable() const;
    void SetMoveable(bool value);
    bool Sizeable() const;
    void SetSizeable(bool value);
    bool ShowInTaskbar() const;
    void SetShowInTaskbar(bool value);
    bool Titlebar() const;
    void SetTitlebar(bool value);
    bool ToolWindow() const;
    void SetToolWindow(bool value);
    bool TopMost() const;
    void SetTopMost(bool value);
    bool WhatsThisButton() const;
    void SetWhatsThisButton(bool value);

    // Greys (command number with bit 0x8000 cleared) or restores a system
    // menu item found by either form of its number.
    void EnableMenuItem(unsigned MenuItem, bool Enabled);
    // Has the frame redrawn.
    void Redraw();
    // Removes a system-menu item by its exact command number (so a greyed
    // one stays). 0xF020 and 0xF030 also take the button away; 0xF060 also
    // removes the separator above it.
    void RemoveMenuItem(unsigned MenuItem);
    // Shows the system menu at a screen point; each coordinate is taken as
    // a 16-bit integer.
    void ShowSysMenu(int X, int Y);
    // The position of a command in the system menu (either form), -1 when
    // it has none.
    int FindMenuPos(unsigned MenuItem) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attach(QWidget* window);

    QPointer<QWidget> m_Client;
    QPointer<QMainWindow> m_MdiClient;
    QPointer<QWidget> m_window;
    bool m_autoDrag = false;
    bool m_autoSysMenu = false;
};

} // namespace lumadeck
