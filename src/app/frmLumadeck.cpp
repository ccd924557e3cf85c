#include "frmLumadeck.h"

#include "Forms.h"
#include "mdlGlobals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QStatusBar>

namespace lumadeck {

frmLumadeck::frmLumadeck(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmLumadeck");
    setWindowTitle("Lumadeck Player.");
    resize(640, 520);

    m_video = new QWidget(this);
    m_video->setObjectName("MediaPlayer1");
    m_video->setAutoFillBackground(true);
    QPalette palette = m_video->palette();
    palette.setColor(QPalette::Window, Qt::black);
    m_video->setPalette(palette);
    setCentralWidget(m_video);

    menuBar();
    statusBar();
}

frmLumadeck::~frmLumadeck() = default;

void frmLumadeck::Form_Load() {
    bUnloadingThinClient = false;
    // Closing the compact window ends the program.
    connect(&Forms::ThinPlayer.get(), &frmThinPlayer::closing, this, [this] {
        bUnloadingThinClient = true;
        close();
    });
    bCloseRequested = false;
    bSearching = true;
    setWindowTitle("Lumadeck: Finding video files on CDs.");
    if (bCloseRequested) {
        bSearching = false;
        Forms::Lumadeck.unload();
        Form_Unload();
        return;
    }
    setWindowTitle("Lumadeck Player.");
    bSearching = false;
    ShowAppropriateForm();
}

void frmLumadeck::ShowAppropriateForm() {
    if (mdlGlobals::ThinClient) {
        menuBar()->hide();
        frmThinPlayer& thin = Forms::ThinPlayer.get();
        const bool wasVisible = thin.isVisible();
        thin.show();
        thin.RemoveFormBorders();
        if (!wasVisible) {
            thin.ShowMenus();
            HideVideoWindow(); // nothing plays yet
        }
        return;
    }
    show();
    if (Forms::ThinPlayer.isLoaded()) {
        Forms::ThinPlayer.get().hide();
    }
    menuBar()->show();
    QCoreApplication::processEvents();
    update();
}

void frmLumadeck::HideVideoWindow() {
    hide();
}

bool frmLumadeck::QueryUnload() {
    if (bSearching) {
        setWindowTitle("Lumadeck Player. Closing.... Please wait.");
        bCloseRequested = true;
        return false;
    }
    if (mdlGlobals::ThinClient && !bUnloadingThinClient) {
        HideVideoWindow();
        return false;
    }
    return true;
}

void frmLumadeck::closeEvent(QCloseEvent* event) {
    if (!QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Forms::Lumadeck.unload();
    Form_Unload();
}

void frmLumadeck::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    mdlGlobals::SaveSettings();
    try {
        Forms::ThinPlayer.unload();
    } catch (...) {
    }
    // The program ends with its main window.
    QCoreApplication::quit();
}

} // namespace lumadeck
