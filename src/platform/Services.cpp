#include "Services.h"

#include "IDocumentOpener.h"
#include "IniSettingsStore.h"
#include "QtDialogs.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace lumadeck::Services {

namespace {

ISettingsStore* g_settings = nullptr;
IDialogs* g_dialogs = nullptr;
IDocumentOpener* g_opener = nullptr;

template <class T> T& realDefault() {
    static std::unique_ptr<T> instance = std::make_unique<T>();
    return *instance;
}

int g_dialogsShowing = 0;
unsigned long g_informationAsked = 0;
bool g_quietInformation = false;

// Hands every request to the installed service, counting those waiting for
// their answer (a modal box runs an event loop of its own meanwhile).
class CountingDialogs : public IDialogs {
public:
    MsgAnswer MessageBox(QWidget* owner, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override {
        if (buttons == MsgButtons::Ok) {
            ++g_informationAsked;
            if (g_quietInformation) {
                std::fprintf(stderr, "lumadeck: %s: %s\n",
                             title.left(200).toLocal8Bit().constData(),
                             text.left(2000).toLocal8Bit().constData());
                return MsgAnswer::Ok;
            }
        }
        const Showing showing;
        return target().MessageBox(owner, title, text, icon, buttons);
    }
    QString OpenFile(QWidget* owner, const FileDialogRequest& request) override {
        const Showing showing;
        return target().OpenFile(owner, request);
    }
    QString SaveFile(QWidget* owner, const FileDialogRequest& request) override {
        const Showing showing;
        return target().SaveFile(owner, request);
    }

private:
    struct Showing {
        Showing() { ++g_dialogsShowing; }
        ~Showing() { --g_dialogsShowing; }
        Showing(const Showing&) = delete;
        Showing& operator=(const Showing&) = delete;
    };
    static IDialogs& target() { return g_dialogs ? *g_dialogs : realDefault<QtDialogs>(); }
};

} // namespace

ISettingsStore& settings() {
    return g_settings ? *g_settings : realDefault<IniSettingsStore>();
}

void setSettings(ISettingsStore* store) {
    g_settings = store;
}

IDialogs& dialogs() {
    static CountingDialogs counting;
    return counting;
}

bool DialogShowing() {
    return g_dialogsShowing > 0;
}

unsigned long InformationBoxesAsked() {
    return g_informationAsked;
}

bool SetQuietInformation(bool quiet) {
    return std::exchange(g_quietInformation, quiet);
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
