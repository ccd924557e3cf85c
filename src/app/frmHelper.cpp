#include "frmHelper.h"

#include <QAction>
#include <QMenu>

namespace lumadeck {

frmHelper::frmHelper(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmHelper");
    setAttribute(Qt::WA_DontShowOnScreen);

    mnuPopup = new QMenu("mnuPopup", this);
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        QMenu* menu = mnuPopup->addMenu(QString("&Drive%1").arg(n + 1));
        menu->setObjectName(QString("mnuDrive%1").arg(n + 1));
        driveMenus.mnuDrive[n] = menu;
        driveMenus.item(n, 0)->setText(QString("&Drive%1File").arg(n + 1));
    }
    driveMenus.mnuPopup = mnuPopup;
    driveMenus.onItem = [this](int, QAction* item) {
        const QString tag = item->data().toString();
        if (!tag.isEmpty()) {
            emit AddToPL(tag);
        }
    };

    mnuPlayControl = new QMenu("mnuPlayControl", this);
    mnuRemove = mnuPlayControl->addAction("&Remove", this, [this] { emit ButtonClicked(5); });
    mnuPlayControl->addSeparator();
    mnuPlay = mnuPlayControl->addAction("&Play", this, [this] { emit ButtonClicked(6); });
    mnuPause = mnuPlayControl->addAction("&Pause", this, [this] { emit ButtonClicked(7); });
    mnuStop = mnuPlayControl->addAction("&Stop", this, [this] { emit ButtonClicked(8); });
}

} // namespace lumadeck
