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

    explicit ServicesGuard(const Doubles& doubles) : m_installed(doubles) {
        if (m_installed.settings) {
            Services::setSettings(m_installed.settings);
        }
        if (m_installed.dialogs) {
            Services::setDialogs(m_installed.dialogs);
        }
        if (m_installed.opener) {
            Services::setOpener(m_installed.opener);
        }
        if (m_installed.drives) {
            DriveServices::setCurrent(m_installed.drives);
        }
    }
    ~ServicesGuard() {
        if (m_installed.drives) {
            DriveServices::setCurrent(nullptr);
        }
        if (m_installed.opener) {
            Services::setOpener(nullptr);
        }
        if (m_installed.dialogs) {
            Services::setDialogs(nullptr);
        }
        if (m_installed.settings) {
            Services::setSettings(nullptr);
        }
    }
    ServicesGuard(const ServicesGuard&) = delete;
    ServicesGuard& operator=(const ServicesGuard&) = delete;

private:
    Doubles m_installed;
};

} // namespace lumadeck::test
