#include "CFormBorder.h"

#include "NetWmState.h"
#include "SystemMenu.h"
#include "WindowFlags.h"
#include "clsGuiFuncs.h"

#include <QCursor>
#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTimer>
#include <QVariant>
#include <QWidget>

namespace lumadeck {

namespace {

// The window's style words, kept on the window (so every CFormBorder of one
// window sees the same) with the bits of the classic window styles. The
// native window follows them through Qt's window flags; the words keep what
// the flags cannot tell apart (Qt adds a system menu to any title bar with
// buttons, and has no title bar without a border).
constexpr unsigned StyleMaxBox = 0x10000;
constexpr unsigned StyleMinBox = 0x20000;
constexpr unsigned StyleSizing = 0x40000;
constexpr unsigned StyleSysMenu = 0x80000;
constexpr unsigned StyleBorder = 0x800000;
constexpr unsigned StyleDlgFrame = 0x400000;
constexpr unsigned StyleCaption = StyleBorder | StyleDlgFrame;
constexpr unsigned ExTopMost = 0x8;
constexpr unsigned ExToolWindow = 0x80;
constexpr unsigned ExContextHelp = 0x400;
constexpr unsigned ExAppWindow = 0x40000;

constexpr const char* StyleProperty = "lumadeckStyle";
constexpr const char* ExStyleProperty = "lumadeckExStyle";
constexpr const char* MinSizeProperty = "lumadeckSizeableMin";
constexpr const char* MaxSizeProperty = "lumadeckSizeableMax";

unsigned styleFromFlags(const QWidget* w) {
    const Qt::WindowFlags f = w->windowFlags();
    unsigned style = 0;
    if (!(f & Qt::FramelessWindowHint) && (f & Qt::WindowTitleHint)) {
        style |= StyleCaption;
    }
    if (f & Qt::WindowSystemMenuHint) {
        style |= StyleSysMenu;
    }
    if (f & Qt::WindowMinimizeButtonHint) {
        style |= StyleMinBox;
    }
    if (f & Qt::WindowMaximizeButtonHint) {
        style |= StyleMaxBox;
    }
    if (w->minimumSize() != w->maximumSize()) {
        style |= StyleSizing;
    }
    return style;
}

unsigned exStyleFromFlags(const QWidget* w) {
    const Qt::WindowFlags f = w->windowFlags();
    unsigned ex = 0;
    if (f & Qt::WindowStaysOnTopHint) {
        ex |= ExTopMost;
    }
    if ((f & Qt::WindowType_Mask) == Qt::Tool) {
        ex |= ExToolWindow;
    } else {
        ex |= ExAppWindow;
    }
    if (f & Qt::WindowContextHelpButtonHint) {
        ex |= ExContextHelp;
    }
    return ex;
}

unsigned readWord(const QWidget* w, const char* property, unsigned (*initial)(const QWidget*)) {
    if (!w) {
        return 0;
    }
    const QVariant stored = w->property(property);
    return stored.isValid() ? stored.toUInt() : initial(w);
}

// The window flags for the style words; flags the words do not cover
// (window type aside) are kept.
Qt::WindowFlags flagsFor(const QWidget* w, unsigned style, unsigned ex) {
    const Qt::WindowFlags managed = Qt::WindowType_Mask | Qt::FramelessWindowHint |
                                    Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                    Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                                    Qt::WindowContextHelpButtonHint | Qt::WindowStaysOnTopHint;
    Qt::WindowFlags f = w->windowFlags() & ~managed;
    f |= (ex & ExToolWindow) ? Qt::Tool : Qt::Window;
    if (style & StyleCaption) {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    } else {
        f |= Qt::FramelessWindowHint;
    }
    // As with the classic frame, the caption buttons come with the system
    // menu: without it the title bar shows none.
    if (style & StyleSysMenu) {
        f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (style & StyleMinBox) {
            f |= Qt::WindowMinimizeButtonHint;
        }
        if (style & StyleMaxBox) {
            f |= Qt::WindowMaximizeButtonHint;
        }
        if (ex & ExContextHelp) {
            f |= Qt::WindowContextHelpButtonHint;
        }
    }
    if (ex & ExTopMost) {
        f |= Qt::WindowStaysOnTopHint;
    }
    return f;
}

void applySizing(QWidget* w, bool sizeable) {
    const bool fixed = w->minimumSize() == w->maximumSize();
    if (!sizeable && !fixed) {
        w->setProperty(MinSizeProperty, w->minimumSize());
        w->setProperty(MaxSizeProperty, w->maximumSize());
        w->setFixedSize(w->size());
    } else if (sizeable && fixed) {
        const QVariant min = w->property(MinSizeProperty);
        const QVariant max = w->property(MaxSizeProperty);
        w->setMinimumSize(min.isValid() ? min.toSize() : QSize(0, 0));
        w->setMaximumSize(max.isValid() ? max.toSize() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }
}

// Writes both words and brings the native window in line with them.
void writeWords(QWidget* w, unsigned style, unsigned ex) {
    w->setProperty(StyleProperty, style);
    w->setProperty(ExStyleProperty, ex);
    applySizing(w, style & StyleSizing);
    WindowFlags::Apply(w, flagsFor(w, style, ex));
}

} // namespace

CFormBorder::CFormBorder(QObject* parent) : QObject(parent) {}

CFormBorder::~CFormBorder() {
    if (m_window) {
        m_window->removeEventFilter(this);
    }
}

bool CFormBorder::AutoDrag() const {
    return m_autoDrag;
}

void CFormBorder::SetAutoDrag(bool value) {
    m_autoDrag = value;
}

bool CFormBorder::AutoSysMenu() const {
    return m_autoSysMenu;
}

void CFormBorder::SetAutoSysMenu(bool value) {
    m_autoSysMenu = value;
}

QObject* CFormBorder::Client() const {
    if (m_Client) {
        return m_Client.data();
    }
    return m_MdiClient.data();
}

void CFormBorder::SetClient(QObject* obj) {
    if (m_window) {
        m_window->removeEventFilter(this);
    }
    m_window = nullptr;
    auto* widget = qobject_cast<QWidget*>(obj);
    if (!widget || !widget->isWindow()) {
        return;
    }
    auto* main = qobject_cast<QMainWindow*>(widget);
    if (main && qobject_cast<QMdiArea*>(main->centralWidget())) {
        m_Client = nullptr;
        m_MdiClient = main;
    } else {
        m_MdiClient = nullptr;
        m_Client = widget;
    }
    attach(widget);
}

void CFormBorder::attach(QWidget* window) {
    m_window = window;
    window->installEventFilter(this);
    SystemMenu::Of(window);
}

QWidget* CFormBorder::hWnd() const {
    return m_window.data();
}

namespace {

bool styleBit(const QWidget* w, unsigned bit) {
    return (readWord(w, StyleProperty, styleFromFlags) & bit) != 0;
}

bool exBit(const QWidget* w, unsigned bit) {
    return (readWord(w, ExStyleProperty, exStyleFromFlags) & bit) != 0;
}

// FlipBit / FlipBitEx: true when the window took the change.
bool flip(QWidget* w, bool extended, unsigned bit, bool value) {
    if (!w) {
        return false;
    }
    unsigned style = readWord(w, StyleProperty, styleFromFlags);
    unsigned ex = readWord(w, ExStyleProperty, exStyleFromFlags);
    unsigned& word = extended ? ex : style;
    word = value ? (word | bit) : (word & ~bit);
    writeWords(w, style, ex);
    return readWord(w, extended ? ExStyleProperty : StyleProperty,
                    extended ? exStyleFromFlags : styleFromFlags) == word;
}

} // namespace

bool CFormBorder::ControlBox() const {
    return styleBit(m_window, StyleSysMenu);
}

void CFormBorder::SetControlBox(bool value) {
    flip(m_window, false, StyleSysMenu, value);
}

bool CFormBorder::MaxButton() const {
    return styleBit(m_window, StyleMaxBox);
}

void CFormBorder::SetMaxButton(bool value) {
    flip(m_window, false, StyleMaxBox, value);
    EnableMenuItem(unsigned(SysCommand::Maximize), value);
}

bool CFormBorder::MinButton() const {
    return styleBit(m_window, StyleMinBox);
}

void CFormBorder::SetMinButton(bool value) {
    flip(m_window, false, StyleMinBox, value);
    EnableMenuItem(unsigned(SysCommand::Minimize), value);
}

bool CFormBorder::Moveable() const {
    SystemMenu* menu = SystemMenu::Of(m_window, false);
    const int pos = FindMenuPos(unsigned(SysCommand::Move));
    return !menu || menu->ItemState(pos) == 0;
}

void CFormBorder::SetMoveable(bool value) {
    EnableMenuItem(unsigned(SysCommand::Move), value);
}

bool CFormBorder::Sizeable() const {
    return styleBit(m_window, StyleSizing);
}

void CFormBorder::SetSizeable(bool value) {
    EnableMenuItem(unsigned(SysCommand::Size), value);
    flip(m_window, false, StyleSizing, value);
}

bool CFormBorder::ShowInTaskbar() const {
    return exBit(m_window, ExAppWindow);
}

namespace {
// The window's latest taskbar choice, for the requests repeated after it.
constexpr char kShowInTaskbarChoice[] = "lumadeckShowInTaskbar";
} // namespace

void CFormBorder::SetShowInTaskbar(bool value) {
    if (!m_window) {
        return;
    }
    QWidget* w = m_window;
    w->setProperty(kShowInTaskbarChoice, value);
    w->setUpdatesEnabled(false);
    const bool wasVisible = w->isVisible();
    w->hide();
    flip(w, true, ExAppWindow, value);
    // Hidden, the window carries the state itself; shown again, the window
    // manager is asked as well, as it may have cleared the state while the
    // window was away.
    NetWmState::SetSkipTaskbar(w, !value);
    if (wasVisible) {
        w->showNormal();
        NetWmState::SetSkipTaskbar(w, !value);
        // The window manager may still be taking the window back when the
        // request arrives, and drop it: it is asked again a little later
        // (asking is idempotent). The latest choice is the one asked again.
        for (const int ms : {100, 400, 1000}) {
            QTimer::singleShot(ms, w, [w] {
                NetWmState::SetSkipTaskbar(w, !w->property(kShowInTaskbarChoice).toBool());
            });
        }
    }
    w->setUpdatesEnabled(true);
}

bool CFormBorder::Titlebar() const {
    return styleBit(m_window, StyleCaption);
}

void CFormBorder::SetTitlebar(bool value) {
    flip(m_window, false, StyleCaption, value);
}

bool CFormBorder::ToolWindow() const {
    return exBit(m_window, ExToolWindow);
}

void CFormBorder::SetToolWindow(bool value) {
    flip(m_window, true, ExToolWindow, value);
}

bool CFormBorder::TopMost() const {
    return exBit(m_window, ExTopMost);
}

void CFormBorder::SetTopMost(bool value) {
    // Through the window's place in the stacking order, keeping position
    // and size.
    flip(m_window, true, ExTopMost, value);
}

bool CFormBorder::WhatsThisButton() const {
    return exBit(m_window, ExContextHelp);
}

void CFormBorder::SetWhatsThisButton(bool value) {
    flip(m_window, true, ExContextHelp, value);
}

int CFormBorder::FindMenuPos(unsigned MenuItem) const {
    SystemMenu* menu = SystemMenu::Of(m_window, false);
    if (!menu) {
        return -1;
    }
    for (int pos = 0; pos < menu->ItemCount(); ++pos) {
        const unsigned id = menu->ItemID(pos);
        if (id != 0 && (id == MenuItem || id == (MenuItem & ~GreyedCommandMask))) {
            return pos;
        }
    }
    return -1;
}

void CFormBorder::EnableMenuItem(unsigned MenuItem, bool Enabled) {
    SystemMenu* menu = SystemMenu::Of(m_window, false);
    const int pos = FindMenuPos(MenuItem);
    if (!menu || pos < 0) {
        return;
    }
    menu->SetItem(pos, Enabled ? 0 : 1, Enabled ? MenuItem : (MenuItem & ~GreyedCommandMask));
}

void CFormBorder::Redraw() {
    if (m_window) {
        m_window->update();
    }
}

void CFormBorder::RemoveMenuItem(unsigned MenuItem) {
    SystemMenu* menu = SystemMenu::Of(m_window, false);
    if (!menu) {
        return;
    }
    if (MenuItem == unsigned(SysCommand::Minimize) || MenuItem == unsigned(SysCommand::Maximize)) {
        // Taking the button away greys its item first; the item then goes
        // under its greyed number, or it would stay behind.
        if (MenuItem == unsigned(SysCommand::Minimize)) {
            SetMinButton(false);
        } else {
            SetMaxButton(false);
        }
        menu->RemoveCommand(MenuItem & ~GreyedCommandMask);
        return;
    }
    if (MenuItem == unsigned(SysCommand::Close)) {
        const int pos = FindMenuPos(MenuItem);
        if (pos > 0 && menu->ItemID(pos - 1) == 0 && menu->ItemID(pos) == MenuItem) {
            menu->RemoveAt(pos - 1);
        }
    }
    menu->RemoveCommand(MenuItem);
}

void CFormBorder::ShowSysMenu(int X, int Y) {
    SystemMenu* menu = SystemMenu::Of(m_window, false);
    if (!menu) {
        return;
    }
    menu->popup(QPoint(static_cast<qint16>(X), static_cast<qint16>(Y)));
}

bool CFormBorder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && m_autoDrag) {
                clsGuiFuncs().DragOBJ(m_window);
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = QCursor::pos();
            if (mouse->button() == Qt::RightButton && m_autoSysMenu) {
                ShowSysMenu(at.x(), at.y());
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lumadeck
