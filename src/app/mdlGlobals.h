#pragma once

#include <QString>
#include <functional>

namespace lumadeck::mdlGlobals {

// The five options, named after their keys in the settings store
// (application "Lumadeck", section "Options").
extern bool EnableCDNotify;           // default "True"
extern bool SaveVideoPosition;        // default "True"
extern bool ShowControlsOnFullScreen; // default "True"
extern bool ThinClient;               // default "False"
extern long DisplaySize;              // default 0: 0 100%, 1 50%, 2 200%, 3 fill the window

inline const QString AppName = QStringLiteral("Lumadeck");
inline const QString OptionsSection = QStringLiteral("Options");

// Reads the options in the order EnableCDNotify, SaveVideoPosition,
// ShowControlsOnFullScreen, ThinClient, DisplaySize.
void LoadSettings();
// Writes them in the order EnableCDNotify, SaveVideoPosition,
// ShowControlsOnFullScreen, DisplaySize, ThinClient.
void SaveSettings();

// True exactly when the stored text is "True" (case-sensitive).
bool GetBoolSetting(const QString& appName, const QString& section, const QString& key,
                    const QString& defaultText);
// Writes "True" or "False".
void SaveBoolSetting(const QString& appName, const QString& section, const QString& key,
                     bool value);

// The text of a stored number read as a Long: leading and trailing blanks are
// ignored, a fraction rounds half to even, and anything that is not a number
// (or does not fit) reads as 0.
long TextToLong(const QString& text);

// The entry procedure. Each step's name is passed to trace, when given, as
// the step begins.
void Main(const std::function<void(const QString&)>& trace = {});

} // namespace lumadeck::mdlGlobals
