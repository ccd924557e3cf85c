#include "app/AppEnvironment.h"
#include "app/Forms.h"
#include "app/ProgramWindows.h"
#include "app/SavedPositions.h"
#include "app/mdlGlobals.h"
#include "player/GstMediaControl.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The video is drawn into a native window of its own inside the main
    // window; its neighbours must stay ordinary widgets, or they would be
    // stacked above it and hide the picture.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // The picture is handed to the video sink as an X11 window. On a Wayland
    // desktop that also runs XWayland, the X11 side is used so that the video
    // stays inside the player's window; an explicit choice of platform wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Lumadeck");
    QApplication::setApplicationName("Lumadeck");
    // The program ends when its main window unloads, not when the last
    // visible window closes (in compact mode the main window may be hidden).
    QApplication::setQuitOnLastWindowClosed(false);

    lumadeck::SavedPositionStore positions;
    lumadeck::AppEnvironment& environment = lumadeck::Environment();
    environment.createMediaControl = [](QWidget* parent) -> lumadeck::MediaControl* {
        return new lumadeck::GstMediaControl(parent);
    };
    environment.positions = &positions;
    // The playlist window and the codec window.
    lumadeck::ProgramWindows windows;
    windows.Install(environment);

    lumadeck::mdlGlobals::Main();
    if (!lumadeck::Forms::Lumadeck.isLoaded()) {
        return 0; // closed during start-up
    }
    return QApplication::exec();
}
