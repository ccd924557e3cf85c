#pragma once

namespace lumadeck {

class ISettingsStore;
class IDialogs;
class IDocumentOpener;

// The program-wide platform services. The program installs the real ones at
// start; tests install their doubles. Each accessor gives the installed
// service, or a real default created on first use when none was installed.
namespace Services {

ISettingsStore& settings();
void setSettings(ISettingsStore* store); // nullptr: back to the real default

// Every box and file dialog shown through dialogs() counts as showing
// until it is answered, whichever service shows it.
IDialogs& dialogs();
void setDialogs(IDialogs* dialogs);
// Whether a box or a file dialog of dialogs() is waiting for its answer:
// work that comes from outside (the session bus) waits for it.
bool DialogShowing();
// Boxes that only inform (an Ok button alone) asked for through dialogs()
// so far, shown or not.
unsigned long InformationBoxesAsked();
// While quiet, such boxes are not shown: their title and text go to
// standard error instead. Questions are always shown. Returns the setting
// it replaces.
bool SetQuietInformation(bool quiet);

IDocumentOpener& opener();
void setOpener(IDocumentOpener* opener);

} // namespace Services

} // namespace lumadeck
