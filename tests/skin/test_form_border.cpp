// CFormBorder offscreen: every property as the window shows it, and the system menu.
#include "skin/CFormBorder.h"
#include "skin/SystemMenu.h"

#include <QAction>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

using Ids = std::vector<unsigned>;

Ids menuIds(QWidget* window) {
    Ids ids;
    SystemMenu* menu = SystemMenu::Of(window, false);
    for (int pos = 0; menu && pos < menu->ItemCount(); ++pos) {
        ids.push_back(menu->ItemID(pos));
    }
    return ids;
}

// How the window shows each property: these flags, and its menu item (at menuPos) enabled. The
// title bar and taskbar presence show only to a window manager (xtest_x11_windows).
using B = CFormBorder;
const struct Property {
    const char* name;
    bool (B::*get)() const;
    void (B::*set)(bool);
    bool onNewWindow;
    Qt::WindowFlags flags;
    int menuPos;
    unsigned menuId;
} properties[] = {
    {"Titlebar", &B::Titlebar, &B::SetTitlebar, true, {}, -1, 0},
    {"ShowInTaskbar", &B::ShowInTaskbar, &B::SetShowInTaskbar, true, {}, -1, 0},
    {"ControlBox", &B::ControlBox, &B::SetControlBox, true,
     Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
         Qt::WindowMaximizeButtonHint,
     -1, 0},
    {"MinButton", &B::MinButton, &B::SetMinButton, true, Qt::WindowMinimizeButtonHint, 3, 0xF020},
    {"MaxButton", &B::MaxButton, &B::SetMaxButton, true, Qt::WindowMaximizeButtonHint, 4, 0xF030},
    {"Sizeable", &B::Sizeable, &B::SetSizeable, true, {}, 2, 0xF000},
    {"Moveable", &B::Moveable, &B::SetMoveable, true, {}, 1, 0xF010},
    {"ToolWindow", &B::ToolWindow, &B::SetToolWindow, false, Qt::Tool, -1, 0},
    {"TopMost", &B::TopMost, &B::SetTopMost, false, Qt::WindowStaysOnTopHint, -1, 0},
    {"WhatsThisButton", &B::WhatsThisButton, &B::SetWhatsThisButton, false,
     Qt::WindowContextHelpButtonHint, -1, 0},
};

struct ShownWindow : QWidget {
    ShownWindow() {
        setGeometry(100, 120, 300, 200);
        setMask(QRegion(0, 0, 250, 150, QRegion::Ellipse));
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
    }
};

} // namespace

TEST(FormBorder, EveryPropertyShowsOnTheWindowWhichStaysInPlace) {
    CFormBorder none; // without a window everything fails quietly; Moveable reads true
    for (const Property& p : properties) {
        (none.*p.set)(p.name != std::string("Moveable"));
        EXPECT_EQ((none.*p.get)(), p.name == std::string("Moveable")) << p.name;
    }
    none.ShowSysMenu(10, 10);
    for (const Property& p : properties) {
        SCOPED_TRACE(p.name);
        ShownWindow w;
        CFormBorder border;
        border.SetClient(&w);
        EXPECT_EQ((border.*p.get)(), p.onNewWindow);
        const QRegion mask = w.mask();
        for (bool value : {false, true, false, true}) {
            (border.*p.set)(value);
            EXPECT_EQ((border.*p.get)(), value);
            if (p.flags || p.menuPos >= 0) {
                EXPECT_EQ(
                    (w.windowFlags() & p.flags) == p.flags &&
                        (p.menuPos < 0 || (menuIds(&w)[p.menuPos] == p.menuId &&
                                           SystemMenu::Of(&w)->actions()[p.menuPos]->isEnabled())),
                    value);
            }
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(w.size(), QSize(300, 200));
            EXPECT_EQ(w.mask(), mask);
        }
    }
    // Only windows are taken, keeping the earlier reference; the frame is read from the window.
    QWidget window, child(&window);
    CFormBorder border;
    border.SetClient(&window);
    border.SetClient(&child);
    EXPECT_EQ(border.hWnd(), nullptr);
    EXPECT_EQ(border.Client(), &window);
    QWidget frameless(nullptr, Qt::FramelessWindowHint), tool(nullptr, Qt::Tool);
    frameless.setFixedSize(40, 30);
    border.SetClient(&frameless);
    EXPECT_FALSE(border.Titlebar() || border.Sizeable());
    border.SetClient(&tool);
    EXPECT_TRUE(border.ToolWindow());
    EXPECT_FALSE(border.ShowInTaskbar());
}

// Greying clears bit 0x8000: either number finds the item, only the exact one removes it; close
// takes its separator along, minimise the button. A right click opens the menu with AutoSysMenu;
// greyed commands do not run.
TEST(FormBorder, TheSystemMenuGreysRestoresRemovesAndOpensOnARightClick) {
    ShownWindow w;
    CFormBorder border;
    border.SetClient(&w);
    SystemMenu* menu = SystemMenu::Of(&w);
    QTest::mouseClick(&w, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_FALSE(menu->isVisible());
    border.SetAutoSysMenu(true);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(menu->isVisible());
    QTest::mouseClick(&w, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    border.EnableMenuItem(0xF060, false);
    menu->actions()[6]->trigger();
    EXPECT_TRUE(w.isVisible());
    border.EnableMenuItem(0xF060, true);
    menu->actions()[6]->trigger();
    EXPECT_FALSE(w.isVisible());
    border.SetMoveable(false);
    EXPECT_EQ(border.FindMenuPos(0xF010), 1);
    EXPECT_EQ(border.FindMenuPos(0x7010), 1);
    border.RemoveMenuItem(0xF010);
    border.SetMaxButton(false);
    border.EnableMenuItem(0x1234, false); // unknown: nothing changes
    border.RemoveMenuItem(0x1234);
    EXPECT_EQ(menuIds(&w), (Ids{0xF120, 0x7010, 0xF000, 0xF020, 0x7030, 0, 0xF060}));
    border.SetMoveable(true);
    border.RemoveMenuItem(0xF060);
    border.RemoveMenuItem(0xF020);
    EXPECT_EQ(menuIds(&w), (Ids{0xF120, 0xF010, 0xF000, 0x7030}));
    EXPECT_FALSE(border.MinButton());
    border.RemoveMenuItem(0xF010); // without a move item Moveable reads true
    EXPECT_EQ(border.FindMenuPos(0xF010), -1);
    EXPECT_TRUE(border.Moveable());
}
