#pragma once

#include <QWidget>

namespace lumadeck {

// The compact player window: a small bar that takes the place of the main
// window's menus and toolbar in compact mode, while the main window only
// shows the video.
class frmThinPlayer : public QWidget {
    Q_OBJECT
public:
    explicit frmThinPlayer(QWidget* parent = nullptr);

    // Takes away the window's title bar and border.
    void RemoveFormBorders();
    // Shows the compact window's menu buttons.
    void ShowMenus();

signals:
    // The user closed the compact window: the program is to end.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace lumadeck
