// CFormBorder on the offscreen platform: every property read back after
// setting, the system menu's command numbers, and the quiet failures without
// a window.
#include "skin/CFormBorder.h"
#include "skin/SystemMenu.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

std::vector<unsigned> menuIds(QWidget* window) {
    std::vector<unsigned> ids;
    SystemMenu* menu = SystemMenu::Of(window, false);
    for (int pos = 0; menu && pos < menu->ItemCount(); ++pos) {
        ids.push_back(menu->ItemID(pos));
    }
    return ids;
}

struct ShownWindow {
    QWidget window;
    ShownWindow() {
        window.setGeometry(100, 120, 300, 200);
        window.setMask(QRegion(0, 0, 250, 150, QRegion::Ellipse));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(FormBorder, WithoutAWindowEverythingFailsQuietly) {
    CFormBorder border;
    EXPECT_EQ(border.hWnd(), nullptr);
    EXPECT_EQ(border.Client(), nullptr);
    EXPECT_FALSE(border.AutoDrag());
    EXPECT_FALSE(border.AutoSysMenu());
    border.SetTitlebar(true);
    border.SetControlBox(true);
    border.SetMinButton(true);
    border.SetMaxButton(true);
    border.SetSizeable(true);
    border.SetShowInTaskbar(true);
    border.SetToolWindow(true);
    border.SetTopMost(true);
    border.SetWhatsThisButton(true);
    border.SetMoveable(false);
    EXPECT_FALSE(border.Titlebar() || border.ControlBox() || border.MinButton() ||
                 border.MaxButton() || border.Sizeable() || border.ShowInTaskbar() ||
                 border.ToolWindow() || border.TopMost() || border.WhatsThisButton());
    EXPECT_TRUE(border.Moveable()); // no move item reports enabled
    EXPECT_EQ(border.FindMenuPos(0xF010), -1);
    border.EnableMenuItem(0xF010, false);
    border.RemoveMenuItem(0xF060);
    border.ShowSysMenu(10, 10);
    border.Redraw();
}

TEST(FormBorder, ClientTakesOnlyWindows) {
    QWidget window;
    QWidget child(&window);
    QObject notAWindow;
    CFormBorder border;
    border.SetClient(&window);
    EXPECT_EQ(border.hWnd(), &window);
    EXPECT_EQ(border.Client(), &window);
    for (QObject* other : {static_cast<QObject*>(&notAWindow), static_cast<QObject*>(&child),
                           static_cast<QObject*>(nullptr)}) {
        border.SetClient(other);
        EXPECT_EQ(border.hWnd(), nullptr);
        EXPECT_EQ(border.Client(), &window); // the earlier reference stays
        EXPECT_FALSE(border.Titlebar());
    }

    // A main window around an MDI area is the MDI client; an ordinary window
    // attached after it replaces it.
    QMainWindow mdi;
    mdi.setCentralWidget(new QMdiArea);
    border.SetClient(&mdi);
    EXPECT_EQ(border.hWnd(), &mdi);
    EXPECT_EQ(border.Client(), &mdi);
    QMainWindow plainMain;
    border.SetClient(&plainMain);
    EXPECT_EQ(border.Client(), &plainMain);
}

TEST(FormBorder, EveryPropertyReadsBackWhatWasSet) {
    struct Property {
        const char* name;
        std::function<bool(CFormBorder&)> get;
        std::function<void(CFormBorder&, bool)> set;
        // What the window shows for the value (its flags, its menu).
        std::function<bool(QWidget&)> seen;
    };
    const Property properties[] = {
        {"Titlebar", &CFormBorder::Titlebar, &CFormBorder::SetTitlebar,
         [](QWidget& w) {
             return !(w.windowFlags() & Qt::FramelessWindowHint) &&
                    (w.windowFlags() & Qt::WindowTitleHint);
         }},
        {"ControlBox", &CFormBorder::ControlBox, &CFormBorder::SetControlBox,
         [](QWidget& w) {
             // Without the system menu the title bar has no buttons at all.
             const Qt::WindowFlags buttons = Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                             Qt::WindowMinimizeButtonHint |
                                             Qt::WindowMaximizeButtonHint;
             return (w.windowFlags() & buttons) == buttons;
         }},
        {"MinButton", &CFormBorder::MinButton, &CFormBorder::SetMinButton,
         [](QWidget& w) {
             return (w.windowFlags() & Qt::WindowMinimizeButtonHint) && menuIds(&w)[3] == 0xF020;
         }},
        {"MaxButton", &CFormBorder::MaxButton, &CFormBorder::SetMaxButton,
         [](QWidget& w) {
             return (w.windowFlags() & Qt::WindowMaximizeButtonHint) && menuIds(&w)[4] == 0xF030;
         }},
        {"Sizeable", &CFormBorder::Sizeable, &CFormBorder::SetSizeable,
         [](QWidget& w) { return w.minimumSize() != w.maximumSize() && menuIds(&w)[2] == 0xF000; }},
        {"Moveable", &CFormBorder::Moveable, &CFormBorder::SetMoveable,
         [](QWidget& w) {
             return menuIds(&w)[1] == 0xF010 && SystemMenu::Of(&w)->actions()[1]->isEnabled();
         }},
        {"ShowInTaskbar", &CFormBorder::ShowInTaskbar, &CFormBorder::SetShowInTaskbar,
         [](QWidget& w) { return (w.windowFlags() & Qt::WindowType_Mask) != Qt::Tool; }},
        {"ToolWindow", &CFormBorder::ToolWindow, &CFormBorder::SetToolWindow,
         [](QWidget& w) { return (w.windowFlags() & Qt::WindowType_Mask) == Qt::Tool; }},
        {"TopMost", &CFormBorder::TopMost, &CFormBorder::SetTopMost,
         [](QWidget& w) { return bool(w.windowFlags() & Qt::WindowStaysOnTopHint); }},
        {"WhatsThisButton", &CFormBorder::WhatsThisButton, &CFormBorder::SetWhatsThisButton,
         [](QWidget& w) { return bool(w.windowFlags() & Qt::WindowContextHelpButtonHint); }},
    };
    for (const Property& p : properties) {
        ShownWindow shown;
        QWidget& w = shown.window;
        CFormBorder border;
        border.SetClient(&w);
        const QRect geometry = w.geometry();
        const QRegion mask = w.mask();
        for (bool value : {false, true, false, true}) {
            if (std::string(p.name) == "ShowInTaskbar" && !value) {
                continue; // taskbar presence is not part of the flags; checked below
            }
            p.set(border, value);
            EXPECT_EQ(p.get(border), value) << p.name << " := " << value;
            EXPECT_EQ(p.seen(w), value) << p.name << " := " << value << " on the window";
            EXPECT_TRUE(w.isVisible()) << p.name;
            EXPECT_EQ(w.size(), geometry.size()) << p.name;
            EXPECT_EQ(w.mask(), mask) << p.name;
        }
        // A second border object on the same window reads the same.
        CFormBorder other;
        other.SetClient(&w);
        EXPECT_EQ(p.get(other), p.get(border)) << p.name;
    }
}

TEST(FormBorder, TaskbarPresenceReadsBackAndTheWindowStaysShown) {
    ShownWindow shown;
    CFormBorder border;
    border.SetClient(&shown.window);
    EXPECT_TRUE(border.ShowInTaskbar());
    border.SetShowInTaskbar(false);
    EXPECT_FALSE(border.ShowInTaskbar());
    EXPECT_TRUE(shown.window.isVisible());
    EXPECT_FALSE(border.ToolWindow()); // a separate property
    border.SetShowInTaskbar(true);
    EXPECT_TRUE(border.ShowInTaskbar());
}

TEST(FormBorder, NewWindowsReadTheirFrame) {
    QWidget plain;
    CFormBorder border;
    border.SetClient(&plain);
    EXPECT_TRUE(border.Titlebar());
    EXPECT_TRUE(border.ControlBox());
    EXPECT_TRUE(border.MinButton());
    EXPECT_TRUE(border.MaxButton());
    EXPECT_TRUE(border.Sizeable());
    EXPECT_TRUE(border.Moveable());
    EXPECT_TRUE(border.ShowInTaskbar());
    EXPECT_FALSE(border.ToolWindow());
    EXPECT_FALSE(border.TopMost());

    QWidget frameless(nullptr, Qt::FramelessWindowHint);
    frameless.setFixedSize(40, 30);
    border.SetClient(&frameless);
    EXPECT_FALSE(border.Titlebar());
    EXPECT_FALSE(border.Sizeable());

    QWidget tool(nullptr, Qt::Tool);
    border.SetClient(&tool);
    EXPECT_TRUE(border.ToolWindow());
    EXPECT_FALSE(border.ShowInTaskbar());
}

TEST(FormBorder, SizeableRestoresTheLimitsItTookAway) {
    QWidget w;
    w.resize(200, 100);
    w.setMinimumSize(50, 40);
    w.setMaximumSize(900, 800);
    CFormBorder border;
    border.SetClient(&w);
    border.SetSizeable(false);
    EXPECT_EQ(w.minimumSize(), QSize(200, 100));
    EXPECT_EQ(w.maximumSize(), QSize(200, 100));
    border.SetSizeable(true);
    EXPECT_EQ(w.minimumSize(), QSize(50, 40));
    EXPECT_EQ(w.maximumSize(), QSize(900, 800));
}

TEST(FormBorder, SystemMenuGreyRestoreRemove) {
    QWidget w;
    CFormBorder border;
    border.SetClient(&w);
    using V = std::vector<unsigned>;
    EXPECT_EQ(menuIds(&w), (V{0xF120, 0xF010, 0xF000, 0xF020, 0xF030, 0, 0xF060}));
    SystemMenu* menu = SystemMenu::Of(&w);
    EXPECT_EQ(menu->actions()[5]->isSeparator(), true);

    // Greying clears bit 0x8000; either number finds the item.
    border.SetMoveable(false);
    EXPECT_EQ(menuIds(&w)[1], 0x7010u);
    EXPECT_EQ(menu->ItemState(1), 1);
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    EXPECT_FALSE(border.Moveable());
    EXPECT_EQ(border.FindMenuPos(0xF010), 1);
    EXPECT_EQ(border.FindMenuPos(0x7010), 1);
    // A greyed item cannot be removed: its number has changed.
    border.RemoveMenuItem(0xF010);
    EXPECT_EQ(menuIds(&w)[1], 0x7010u);
    border.SetMoveable(true);
    EXPECT_EQ(menuIds(&w)[1], 0xF010u);
    EXPECT_TRUE(border.Moveable());
    EXPECT_EQ(menu->ItemState(1), 0);

    border.SetMaxButton(false);
    EXPECT_EQ(menuIds(&w)[4], 0x7030u);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);

    // Unknown commands change nothing.
    border.EnableMenuItem(0x1234, false);
    border.RemoveMenuItem(0x1234);
    EXPECT_EQ(menuIds(&w), (V{0xF120, 0xF010, 0xF000, 0xF020, 0x7030, 0, 0xF060}));

    // Close takes its separator along; minimise takes the button along.
    border.RemoveMenuItem(0xF060);
    EXPECT_EQ(menuIds(&w), (V{0xF120, 0xF010, 0xF000, 0xF020, 0x7030}));
    border.RemoveMenuItem(0xF020);
    EXPECT_EQ(menuIds(&w), (V{0xF120, 0xF010, 0xF000, 0x7030}));
    EXPECT_FALSE(border.MinButton());
    // Removing the move item: Moveable reads true again (no item, state 0).
    border.RemoveMenuItem(0xF010);
    EXPECT_EQ(border.FindMenuPos(0xF010), -1);
    EXPECT_TRUE(border.Moveable());
}

TEST(FormBorder, RemovingAGreyedCloseKeepsItsSeparator) {
    QWidget w;
    CFormBorder border;
    border.SetClient(&w);
    border.EnableMenuItem(0xF060, false);
    border.RemoveMenuItem(0xF060);
    EXPECT_EQ(menuIds(&w),
              (std::vector<unsigned>{0xF120, 0xF010, 0xF000, 0xF020, 0xF030, 0, 0x7060}));
}

TEST(FormBorder, MenuItemsRunTheirCommandsUnlessGreyed) {
    ShownWindow shown;
    CFormBorder border;
    border.SetClient(&shown.window);
    SystemMenu* menu = SystemMenu::Of(&shown.window);
    border.EnableMenuItem(0xF060, false);
    menu->actions()[6]->trigger();
    EXPECT_TRUE(shown.window.isVisible());
    border.EnableMenuItem(0xF060, true);
    menu->actions()[6]->trigger();
    EXPECT_FALSE(shown.window.isVisible());
}

TEST(FormBorder, ShowSysMenuTakesSixteenBitCoordinates) {
    ShownWindow shown;
    CFormBorder border;
    border.SetClient(&shown.window);
    SystemMenu* menu = SystemMenu::Of(&shown.window);
    border.ShowSysMenu(65536 + 100, 2 * 65536 + 150);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), QPoint(100, 150));
    menu->hide();
}

TEST(FormBorder, RightClickShowsTheMenuOnlyWithAutoSysMenu) {
    ShownWindow shown;
    CFormBorder border;
    border.SetClient(&shown.window);
    SystemMenu* menu = SystemMenu::Of(&shown.window);
    QTest::mouseClick(&shown.window, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_FALSE(menu->isVisible());
    border.SetAutoSysMenu(true);
    QTest::mouseClick(&shown.window, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(menu->isVisible());
    QTest::mouseClick(&shown.window, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST(FormBorder, AltSpaceShowsTheSystemMenuAtTheWindowsCorner) {
    ShownWindow shown;
    CFormBorder border;
    border.SetClient(&shown.window);
    shown.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    SystemMenu* menu = SystemMenu::Of(&shown.window);
    QTest::keyClick(&shown.window, Qt::Key_Space, Qt::AltModifier);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), shown.window.mapToGlobal(QPoint(0, 0)));
    menu->hide();
}
