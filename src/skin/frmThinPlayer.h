#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;

namespace lumadeck {

// The compact player window: a small bar that takes the place of the main
// window's menus and toolbar in compact mode, while the main window only
// shows the video. It shows the current file and its position, and a button
// that brings the video window back.
class frmThinPlayer : public QWidget {
    Q_OBJECT
public:
    explicit frmThinPlayer(QWidget* parent = nullptr);

    // Takes away the window's title bar and border.
    void RemoveFormBorders();
    // Shows the compact window's menu buttons.
    void ShowMenus();
    // A key pressed in this window, or in the playlist window in compact
    // mode: Alt+F4 (Alt alone) closes this window, and with it the program.
    void HandleKey(int KeyCode, Qt::KeyboardModifiers Shift);

    // Shows the playing file's name and "position/length" (0:12/1:00).
    void ShowCurrentFile(const QString& fileName, const QString& position);
    // Hides the file's name once nothing plays.
    void HideCurrentFile();
    // The button that brings the video window back, shown while the video
    // window is hidden.
    void SetShowVideoVisible(bool visible);

signals:
    // The user closed the compact window: the program is to end.
    void closing();
    // The user asked for the video window.
    void showVideoRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* lblCurrFile = nullptr;
    QLabel* lblPosition = nullptr;
    QToolButton* imgShowVideo = nullptr;
};

} // namespace lumadeck
