#include "Services.h"

#include "IDocumentOpener.h"
#include "IniSettingsStore.h"
#include "QtDialogs.h"

#include <memory>

namespace lumadeck::Services {

namespace {

ISettingsStore* g_settings = nullptr;
IDialogs* g_dialogs = nullptr;
IDocumentOpener* g_opener = nullptr;

template <class T> T& realDefault() {
    static std::unique_ptr<T> instance = std::make_unique<T>();
    return *instance;
}

} // namespace

ISettingsStore& settings() {
    return g_settings ? *g_settings : realDefault<IniSettingsStore>();
}

void setSettings(ISettingsStore* store) {
    g_settings = store;
}

IDialogs& dialogs() {
    return g_dialogs ? *g_dialogs : realDefault<QtDialogs>();
}

void setDialogs(IDialogs* dialogs) {
    g_dialogs = dialogs;
}

IDocumentOpener& opener() {
    return g_opener ? *g_opener : realDefault<DesktopOpener>();
}

void setOpener(IDocumentOpener* opener) {
    g_opener = opener;
}

} // namespace lumadeck::Services
