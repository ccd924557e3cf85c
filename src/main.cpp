#include "app/Forms.h"
#include "app/mdlGlobals.h"
#include "platform/Services.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Lumadeck");
    QApplication::setApplicationName("Lumadeck");
    // The program ends when its main window unloads, not when the last
    // visible window closes (in compact mode the main window may be hidden).
    QApplication::setQuitOnLastWindowClosed(false);

    lumadeck::mdlGlobals::Main();
    if (!lumadeck::Forms::Lumadeck.isLoaded()) {
        return 0; // closed during start-up
    }
    return QApplication::exec();
}
