#pragma once

#include "cd/DriveMenuModel.h"

#include <QList>
#include <QString>
#include <functional>

class QAction;
class QMenu;

namespace lumadeck {

// Four drive menus, as the main window's menu bar and the helper window's
// popup carry them, drawn from the drive menu model. Each has a Tag (the key
// of the drive it shows, "" when free) and an item array whose items carry a
// Tag (the item's key) in their data.
struct DriveMenuSet {
    static constexpr int Count = DriveMenuModel::MenuCount;
    QMenu* mnuDrive[Count] = {};
    QString tag[Count];
    QList<QAction*> items[Count];
    QMenu* mnuPopup = nullptr; // the helper window's popup root; hidden in the main window
    // What choosing item (an action of items[n]) of drive menu n does.
    std::function<void(int n, QAction* item)> onItem;

    // Item i of drive menu n, loaded (and wired to onItem) when it does not
    // exist yet.
    QAction* item(int n, int i);
    // Shows a model item as item i of drive menu n.
    void SetItem(int n, int i, const DriveMenuItem& shown);
    // Unloads items 1 and up of drive menu n.
    void UnloadItems(int n);
    void SetVisible(int n, bool visible);
    // Draws the menus of the model: menu 0 reads "No Drives Found" when
    // there is no drive, menus without a drive are hidden.
    void Show(const QList<DriveMenuView>& menus);
};

} // namespace lumadeck
