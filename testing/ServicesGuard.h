#pragma once

#include "cd/DriveServices.h"
#include "platform/Services.h"

namespace lumadeck::test {

// Installs doubles as the program-wide services for its lifetime and puts the
// program's own back when it goes. A service given as nullptr is left alone.
class ServicesGuard {
public:
    struct Doubles {
        ISettingsStore* settings = nullptr;
        IDialogs* dialogs = nullptr;
        IDocumentOpener* opener = nullptr;
        IDriveServices* drives = nullptr;
    };

    explicit ServicesGuard(const Doubles& doubles) : m_installed(doubles) { install(true); }
    ~ServicesGuard() { install(false); }
    ServicesGuard(const ServicesGuard&) = delete;
    ServicesGuard& operator=(const ServicesGuard&) = delete;

private:
    void install(bool on) {
        const Doubles& d = m_installed;
        if (d.settings) {
            Services::setSettings(on ? d.settings : nullptr);
        }
        if (d.dialogs) {
            Services::setDialogs(on ? d.dialogs : nullptr);
        }
        if (d.opener) {
            Services::setOpener(on ? d.opener : nullptr);
        }
        if (d.drives) {
            DriveServices::setCurrent(on ? d.drives : nullptr);
        }
    }
    Doubles m_installed;
};

} // namespace lumadeck::test
