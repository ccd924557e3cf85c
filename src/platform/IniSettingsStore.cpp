#include "IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace lumadeck {

IniSettingsStore::IniSettingsStore(QString configDir) : m_configDir(std::move(configDir)) {
    if (m_configDir.isEmpty()) {
        m_configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    }
}

QString IniSettingsStore::FilePath(const QString& appName) const {
    return QDir(m_configDir).filePath(appName + "/" + appName + ".ini");
}

namespace {

// Section and key names are used as given; QSettings would treat "/" as a
// group separator, which no option name contains.
QString settingsKey(const QString& section, const QString& key) {
    return section + "/" + key;
}

} // namespace

QString IniSettingsStore::GetSetting(const QString& appName, const QString& section,
                                     const QString& key, const QString& defaultValue) {
    const QString path = FilePath(appName);
    QFileInfo info(path);
    if (!info.exists()) {
        return defaultValue;
    }
    if (!info.isFile() || !info.isReadable()) {
        return defaultValue;
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return defaultValue;
    }
    const QVariant value = settings.value(settingsKey(section, key));
    if (!value.isValid()) {
        return defaultValue;
    }
    // A value written by hand as a list ("a, b") comes back as a string list;
    // join it back into the text the user wrote.
    if (value.userType() == QMetaType::QStringList) {
        return value.toStringList().join(", ");
    }
    return value.toString();
}

void IniSettingsStore::SaveSetting(const QString& appName, const QString& section,
                                   const QString& key, const QString& value) {
    const QString path = FilePath(appName);
    QFileInfo info(path);
    if (info.exists()) {
        bool corrupt = !info.isFile() || !info.isReadable();
        if (!corrupt) {
            QSettings probe(path, QSettings::IniFormat);
            corrupt = probe.status() != QSettings::NoError;
        }
        if (corrupt && info.isFile()) {
            // Keep what was there for the user to look at; start a new file.
            const QString aside = path + ".corrupt";
            QFile::remove(aside);
            if (!QFile::rename(path, aside)) {
                return;
            }
        } else if (corrupt) {
            return; // a folder or a special file is in the way: write nothing
        }
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(settingsKey(section, key), value);
    settings.sync();
}

} // namespace lumadeck
