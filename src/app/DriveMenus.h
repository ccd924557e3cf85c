#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QToolButton;

namespace lumadeck {

// One item of a drive button's dropdown list.
struct DriveButtonItem {
    QString key;  // "PlayAll", "AddAll", "Sep", "None" or a file's full path
    QString text; // what the item shows
    bool enabled = true;
};

// A CD drive's button on the main window's toolbar: the master copy of the
// drive's files.
struct DriveButton {
    QString key; // "CD" followed by the drive's id, e.g. "CDsr0"
    QString toolTip;
    QList<DriveButtonItem> items;
    QPointer<QToolButton> widget;
    QString drive() const { return key.mid(2); }
};

// Four drive menus, as the main window's menu bar and the helper window's
// popup carry them. Each has a Tag (the key of the drive button it shows, ""
// when free) and an item array whose items carry a Tag (the dropdown item's
// key) in their data.
struct DriveMenuSet {
    static constexpr int Count = 4;
    QMenu* mnuDrive[Count] = {};
    QString tag[Count];
    QList<QAction*> items[Count];
    QMenu* mnuPopup = nullptr; // the helper window's popup root; hidden in the main window
    // What choosing item (an action of items[n]) of drive menu n does.
    std::function<void(int n, QAction* item)> onItem;

    // Item i of drive menu n, loaded (and wired to onItem) when it does not
    // exist yet.
    QAction* item(int n, int i);
};

} // namespace lumadeck
