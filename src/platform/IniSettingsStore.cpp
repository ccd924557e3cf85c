#include "IniSettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

// Whether the file at path could not be parsed. QSettings reports a parse
// failure only to the first object that reads a file (later ones share its
// cached contents), so the verdict is kept per file and its size and time.
bool isCorrupt(const QString& path) {
    struct Verdict {
        qint64 size;
        QDateTime modified;
        bool corrupt;
    };
    static QHash<QString, Verdict> verdicts;
    const QFileInfo info(path);
    if (!info.exists()) {
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        return true;
    }
    const auto it = verdicts.constFind(path);
    if (it != verdicts.constEnd() && it->size == info.size() &&
        it->modified == info.lastModified()) {
        return it->corrupt;
    }
    QSettings probe(path, QSettings::IniFormat);
    const bool corrupt = probe.status() != QSettings::NoError;
    verdicts.insert(path, {info.size(), info.lastModified(), corrupt});
    return corrupt;
}

} // namespace

QString IniSettingsStore::GetSetting(const QString& appName, const QString& section,
                                     const QString& key, const QString& defaultValue) {
    const QString path = FilePath(appName);
    if (!QFileInfo::exists(path) || isCorrupt(path)) {
        return defaultValue;
    }
    QSettings settings(path, QSettings::IniFormat);
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
        const bool corrupt = isCorrupt(path);
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
