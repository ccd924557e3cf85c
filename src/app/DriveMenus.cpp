#include "DriveMenus.h"

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

} // namespace lumadeck
