#include "mdlGlobals.h"

#include "Forms.h"
#include "cd/mdlCDNotify.h"
#include "frmLumadeck.h"
#include "platform/ISettingsStore.h"
#include "platform/Services.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdint>
#include <limits>

namespace lumadeck::mdlGlobals {

bool EnableCDNotify = true;
bool SaveVideoPosition = true;
bool ShowControlsOnFullScreen = true;
bool ThinClient = false;
long DisplaySize = 0;

bool GetBoolSetting(const QString& appName, const QString& section, const QString& key,
                    const QString& defaultText) {
    return Services::settings().GetSetting(appName, section, key, defaultText) ==
           QStringLiteral("True");
}

void SaveBoolSetting(const QString& appName, const QString& section, const QString& key,
                     bool value) {
    Services::settings().SaveSetting(appName, section, key,
                                     value ? QStringLiteral("True") : QStringLiteral("False"));
}

long TextToLong(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const long whole = t.toLong(&ok);
    if (ok) {
        // A Long holds 32 bits; anything wider does not fit.
        return whole >= std::numeric_limits<int32_t>::min() &&
                       whole <= std::numeric_limits<int32_t>::max()
                   ? whole
                   : 0;
    }
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d)) {
        return 0;
    }
    const double rounded = std::nearbyint(d); // the default rounding: half to even
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    return static_cast<long>(rounded);
}

void LoadSettings() {
    EnableCDNotify = GetBoolSetting(AppName, OptionsSection, "EnableCDNotify", "True");
    SaveVideoPosition = GetBoolSetting(AppName, OptionsSection, "SaveVideoPosition", "True");
    ShowControlsOnFullScreen =
        GetBoolSetting(AppName, OptionsSection, "ShowControlsOnFullScreen", "True");
    ThinClient = GetBoolSetting(AppName, OptionsSection, "ThinClient", "False");
    DisplaySize =
        TextToLong(Services::settings().GetSetting(AppName, OptionsSection, "DisplaySize", "0"));
}

void SaveSettings() {
    SaveBoolSetting(AppName, OptionsSection, "EnableCDNotify", EnableCDNotify);
    SaveBoolSetting(AppName, OptionsSection, "SaveVideoPosition", SaveVideoPosition);
    SaveBoolSetting(AppName, OptionsSection, "ShowControlsOnFullScreen", ShowControlsOnFullScreen);
    Services::settings().SaveSetting(AppName, OptionsSection, "DisplaySize",
                                     QString::number(DisplaySize));
    SaveBoolSetting(AppName, OptionsSection, "ThinClient", ThinClient);
}

void Main(const std::function<void(const QString&)>& trace) {
    auto step = [&](const char* name) {
        if (trace) {
            trace(QString::fromLatin1(name));
        }
    };
    step("ClearCDNotifyFlag");
    mdlCDNotify::bHooked = false;

    step("LoadSettings");
    LoadSettings();

    step("ShowSplash");
    Forms::Splash.get().show();

    step("ProcessEvents");
    QCoreApplication::processEvents();

    step("LoadThinPlayer");
    Forms::ThinPlayer.get();

    // From here on a failing step does not stop the next one.
    step("LoadMainWindow");
    try {
        Forms::Lumadeck.get();
    } catch (...) {
    }

    step("UnloadSplash");
    try {
        Forms::Splash.unload();
    } catch (...) {
    }
}

} // namespace lumadeck::mdlGlobals
