#include "DriveMenus.h"

#include "platform/PlainText.h"

#include <QAction>
#include <QMenu>

namespace lumadeck {

QAction* DriveMenuSet::item(int n, int i) {
    while (items[n].size() <= i) {
        QAction* action = mnuDrive[n]->addAction(QString());
        items[n].append(action);
        QObject::connect(action, &QAction::triggered, mnuDrive[n], [this, n, action] {
            if (onItem) {
                onItem(n, action);
            }
        });
    }
    return items[n][i];
}

void DriveMenuSet::SetItem(int n, int i, const DriveMenuItem& shown) {
    QAction* action = item(n, i);
    // A separator keeps its caption "-" only as its tag's meaning: menus
    // draw a separator's text beside its line.
    const bool separator = shown.key == DriveMenuModel::KeySep;
    action->setSeparator(separator);
    action->setText(separator ? QString() : MenuText(shown.text));
    action->setData(shown.key);
    action->setEnabled(shown.enabled);
    action->setVisible(shown.visible);
}

void DriveMenuSet::UnloadItems(int n) {
    while (items[n].size() > 1) {
        QAction* action = items[n].takeLast();
        mnuDrive[n]->removeAction(action);
        action->deleteLater();
    }
}

void DriveMenuSet::SetVisible(int n, bool visible) {
    if (mnuDrive[n]) {
        mnuDrive[n]->menuAction()->setVisible(visible);
    }
}

void DriveMenuSet::Show(const QList<DriveMenuView>& menus) {
    SetVisible(0, true);
    for (int n = 1; n < Count; ++n) {
        SetVisible(n, false);
    }
    if (mnuPopup) {
        mnuPopup->menuAction()->setVisible(false);
    }
    mnuDrive[0]->setTitle("No Drives Found");
    for (int k = 0; k < menus.size() && k < Count; ++k) {
        const DriveMenuView& view = menus[k];
        mnuDrive[k]->setTitle(view.title);
        SetVisible(k, true);
        items[k][0]->setVisible(true);
        UnloadItems(k);
        for (int j = 0; j < view.items.size(); ++j) {
            SetItem(k, j, view.items[j]);
        }
        tag[k] = view.tag;
    }
}

} // namespace lumadeck
