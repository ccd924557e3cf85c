#pragma once

#include <QString>

namespace lumadeck {

// The per-user settings store: (application, section, key) -> text.
// Reading an absent key gives the default passed in; an unreadable store
// behaves as an empty one. Writing reports nothing.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual QString GetSetting(const QString& appName, const QString& section, const QString& key,
                               const QString& defaultValue) = 0;
    virtual void SaveSetting(const QString& appName, const QString& section, const QString& key,
                             const QString& value) = 0;
};

} // namespace lumadeck
