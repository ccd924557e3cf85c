#include "DriveServices.h"

#include "DiscPath.h"
#include "ImageDrives.h"
#include "SystemDriveServices.h"

#include <QDir>
#include <memory>

namespace lumadeck {

namespace DriveServices {

namespace {
IDriveServices* gInstalled = nullptr;
std::unique_ptr<IDriveServices> gSystem;
} // namespace

IDriveServices& current() {
    if (gInstalled) {
        return *gInstalled;
    }
    if (!gSystem) {
        gSystem = std::make_unique<SystemDriveServices>();
    }
    return *gSystem;
}

void setCurrent(IDriveServices* services) {
    gInstalled = services;
}

} // namespace DriveServices

namespace apifuncs {

namespace {
QString DriveName(QString drive) {
    drive = drive.trimmed();
    if (drive.startsWith(QLatin1String("/dev/"))) {
        drive = drive.mid(5);
    }
    while (drive.endsWith(QLatin1Char(':')) || drive.endsWith(QLatin1Char('/'))) {
        drive.chop(1);
    }
    return drive;
}
} // namespace

int GetCDDrives(QStringList& drives) {
    drives = DriveServices::current().CDDrives();
    for (const QString& image : ImageDrives::current().Drives()) {
        if (!drives.contains(image)) {
            drives.append(image);
        }
    }
    return int(drives.size());
}

QString GetVolumeName(const QString& drive) {
    const QString name = DriveName(drive);
    if (name.isEmpty()) {
        return {};
    }
    if (ImageDrives::current().Contains(name)) {
        return ImageDrives::current().Label(name);
    }
    return DriveServices::current().VolumeName(name);
}

QString StripNulls(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul < 0) {
        return text;
    }
    return text.left(nul).trimmed();
}

QString GetCDMountPoint(const QString& drive) {
    const QString name = DriveName(drive);
    if (name.isEmpty() || ImageDrives::current().Contains(name)) {
        return {};
    }
    return DriveServices::current().MountPoint(name, true);
}

QString GetCDDiscSource(const QString& drive) {
    const QString name = DriveName(drive);
    if (name.isEmpty()) {
        return {};
    }
    if (ImageDrives::current().Contains(name)) {
        return ImageDrives::current().Source(name);
    }
    return DriveServices::current().DiscDevice(name);
}

QString GetDriveOfPath(const QString& path) {
    if (!QDir::isAbsolutePath(path)) {
        return {};
    }
    const QString clean = QDir::cleanPath(path);
    IDriveServices& services = DriveServices::current();
    if (const auto ref = SplitDiscPath(clean)) {
        if (const QString image = ImageDrives::current().DriveOfSource(ref->source);
            !image.isEmpty()) {
            return image;
        }
        for (const QString& drive : services.CDDrives()) {
            if (services.DiscDevice(drive) == ref->source) {
                return drive;
            }
        }
        return {};
    }
    QString best;
    qsizetype bestLength = -1;
    for (const QString& drive : services.CDDrives()) {
        QString mp = services.MountPoint(drive, false);
        if (mp.isEmpty()) {
            continue;
        }
        mp = QDir::cleanPath(mp);
        const bool holds = mp == QLatin1String("/") ||
                           (clean.startsWith(mp) &&
                            (clean.size() == mp.size() || clean.at(mp.size()) == QLatin1Char('/')));
        if (holds && mp.size() > bestLength) {
            best = drive;
            bestLength = mp.size();
        }
    }
    return best;
}

QString DriveCaption(const QString& drive, const QString& volumeName) {
    if (volumeName.isEmpty()) {
        return QStringLiteral("Drive ") + drive + QLatin1Char(':');
    }
    return drive + QStringLiteral(": (") + volumeName + QLatin1Char(')');
}

QString DriveKey(const QString& drive) {
    return QStringLiteral("CD") + drive;
}

QString DriveOfKey(const QString& key) {
    if (!key.startsWith(QLatin1String("CD"))) {
        return {};
    }
    return key.mid(2);
}

} // namespace apifuncs

} // namespace lumadeck
