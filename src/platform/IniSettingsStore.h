#pragma once

#include "ISettingsStore.h"

#include <QString>

namespace lumadeck {

// The real settings store: one INI file per application under the user's XDG
// config folder (~/.config/<application>/<application>.ini), one INI group per
// section. A file that cannot be read or parsed gives the defaults; before the
// first write to such a file, it is moved aside to "<name>.corrupt" so that
// nothing the user had is silently overwritten.
class IniSettingsStore : public ISettingsStore {
public:
    // configDir: the folder that holds the per-application folders; empty
    // means the user's XDG config folder.
    explicit IniSettingsStore(QString configDir = {});

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;

    // The INI file that holds the given application's settings.
    QString FilePath(const QString& appName) const;

private:
    QString m_configDir;
};

} // namespace lumadeck
