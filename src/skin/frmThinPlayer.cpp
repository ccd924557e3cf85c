#include "frmThinPlayer.h"

#include <QCloseEvent>

namespace lumadeck {

frmThinPlayer::frmThinPlayer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmThinPlayer");
    setWindowTitle("Lumadeck Player");
    resize(420, 48);
}

void frmThinPlayer::RemoveFormBorders() {
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, true);
    if (wasVisible) {
        show(); // changing the flags hides a window
    }
}

void frmThinPlayer::ShowMenus() {}

void frmThinPlayer::closeEvent(QCloseEvent* event) {
    event->ignore(); // the main window's unload takes this window down
    emit closing();
}

} // namespace lumadeck
