#include "app/AppEnvironment.h"
#include "app/Forms.h"
#include "app/ProgramWindows.h"
#include "app/SavedPositions.h"
#include "app/frmLumadeck.h"
#include "app/mdlGlobals.h"
#include "desktop/CommandLine.h"
#include "desktop/DBusDesktopSession.h"
#include "desktop/DBusScreenSaver.h"
#include "desktop/MprisPlayer.h"
#include "desktop/ScreenSaverGuard.h"
#include "desktop/Startup.h"
#include "platform/FileNames.h"
#include "platform/cRegistry.h"
#include "player/GstMediaControl.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <cstdio>

namespace {

// Prints what the command line asks to be printed; true when the program
// ends here.
bool report(const lumadeck::CommandLine& commandLine) {
    if (!commandLine.output.isEmpty()) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), stdout);
    }
    // Names in the lines keep their own bytes, also those that are not UTF-8.
    for (const QString& problem : commandLine.problems) {
        std::fprintf(stderr, "lumadeck: %s\n", lumadeck::EncodeFileName(problem).constData());
    }
    for (const QString& name : commandLine.missing) {
        std::fprintf(stderr, "lumadeck: not found: %s\n",
                     lumadeck::EncodeFileName(name).constData());
    }
    return commandLine.exitNow;
}

} // namespace

int main(int argc, char* argv[]) {
    // The toolkit gets the program's name and nothing else: it would take
    // its own options (a folder to load plugins from, ...) from anywhere on
    // the line, even from file names after "--". The line itself is read
    // here, byte for byte.
    const QStringList arguments = lumadeck::CommandLine::Arguments(argc, argv);
    char* toolkitArgv[] = {argv[0], nullptr, nullptr, nullptr};
    int toolkitArgc = 1;
    if (lumadeck::CommandLine::AsksForInformation(arguments)) {
        // --help and --version work without a display.
        QCoreApplication information(toolkitArgc, toolkitArgv);
        const lumadeck::CommandLine commandLine =
            lumadeck::CommandLine::Parse(arguments, QDir::currentPath());
        report(commandLine);
        return commandLine.exitCode;
    }
    const lumadeck::CommandLine commandLine =
        lumadeck::CommandLine::Parse(arguments, QDir::currentPath());
    if (report(commandLine)) {
        return commandLine.exitCode;
    }
    QByteArray platformOption("-platform");
    QByteArray platform = commandLine.platform.toLocal8Bit();
    if (!platform.isEmpty()) {
        toolkitArgv[1] = platformOption.data();
        toolkitArgv[2] = platform.data();
        toolkitArgc = 3;
    }

    // The video is drawn into a native window of its own inside the main
    // window; its neighbours must stay ordinary widgets, or they would be
    // stacked above it and hide the picture.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // On a Wayland desktop that also runs XWayland, the X11 side is used: the
    // skinned windows place, dock and shape themselves there, which a Wayland
    // window may not do. An explicit choice of platform wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(toolkitArgc, toolkitArgv);
    QApplication::setOrganizationName("Lumadeck");
    QApplication::setApplicationName("Lumadeck");
    QApplication::setApplicationVersion("2.0");
    QApplication::setDesktopFileName("lumadeck");
    // The program ends when its main window unloads, not when the last
    // visible window closes (in compact mode the main window may be hidden).
    QApplication::setQuitOnLastWindowClosed(false);

    // One instance per desktop session: a start with files hands them to
    // the one that runs.
    lumadeck::MprisPlayer mpris;
    lumadeck::DBusDesktopSession session(QDBusConnection::sessionBus());
    if (lumadeck::Startup::Begin(session, mpris, commandLine.files) ==
        lumadeck::Startup::Outcome::HandedOver) {
        return 0;
    }
    // The playback engine starts (reading its plugin registry) on a thread
    // of its own while the windows are made; the first file opened waits
    // for it.
    lumadeck::GstMediaControl::StartEngine();

    lumadeck::DBusScreenSaver screenSaver(QDBusConnection::sessionBus());
    lumadeck::ScreenSaverGuard screenSaverGuard(screenSaver);

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
    int result = 0; // closed during start-up
    if (lumadeck::frmLumadeck* window = lumadeck::Forms::Lumadeck.ifLoaded()) {
        lumadeck::Startup::Finish(*window, mpris, screenSaverGuard, commandLine.files);
        result = QApplication::exec();
    }
    // The saved positions are all written: the database is closed so that
    // no write-ahead log is left beside it.
    lumadeck::mdlGlobals::PositionRegistry().Close();
    return result;
}
