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

IDialogs& dialogs();
void setDialogs(IDialogs* dialogs);

IDocumentOpener& opener();
void setOpener(IDocumentOpener* opener);

} // namespace Services

} // namespace lumadeck
