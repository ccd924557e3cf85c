#pragma once

#include <QMainWindow>

namespace lumadeck {

// The classic player window: menu bar, toolbar, video and status bar. It is
// loaded at start and lives until the program ends; in compact mode it only
// shows the video.
class frmLumadeck : public QMainWindow {
    Q_OBJECT
public:
    explicit frmLumadeck(QWidget* parent = nullptr);
    ~frmLumadeck() override;

    // Load steps; run once, right after the window is created.
    void Form_Load();

    // Shows the window of the current display mode.
    void ShowAppropriateForm();

    // Closing really ends the window even in compact mode.
    bool bUnloadingThinClient = false;

    bool bSearching = false;
    bool bCloseRequested = false;
    bool bStopSearch = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // True when the close request may go ahead.
    bool QueryUnload();
    void Form_Unload();
    void HideVideoWindow();

    QWidget* m_video = nullptr;
    bool m_unloaded = false;
};

} // namespace lumadeck
