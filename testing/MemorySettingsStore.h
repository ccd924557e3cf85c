#pragma once

#include "platform/ISettingsStore.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace lumadeck::test {

// An in-memory settings store for tests: keeps every value, and records the
// keys in the order they were written.
class MemorySettingsStore : public ISettingsStore {
public:
    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) override {
        reads.append(key);
        const auto it = values.constFind(path(appName, section, key));
        return it == values.constEnd() ? defaultValue : *it;
    }
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override {
        writes.append(key);
        values.insert(path(appName, section, key), value);
    }

    static QString path(const QString& appName, const QString& section, const QString& key) {
        return appName + "\\" + section + "\\" + key;
    }

    QMap<QString, QString> values;
    QStringList reads;
    QStringList writes;
};

} // namespace lumadeck::test
