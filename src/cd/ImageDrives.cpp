#include "ImageDrives.h"

#include "CueSheet.h"
#include "DriveServices.h"
#include "VcdDisc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <algorithm>

namespace lumadeck {

ImageDrives& ImageDrives::current() {
    static ImageDrives* const list = new ImageDrives();
    return *list;
}

ImageDrives::ImageDrives(QObject* parent) : QObject(parent) {}

ImageDrives::~ImageDrives() = default;

QString ImageDrives::Add(const QString& imagePath, QString* error) {
    QString cue = QFileInfo(imagePath).absoluteFilePath();
    if (!QFileInfo(cue).isFile()) {
        if (error) {
            *error = QStringLiteral("The disc image does not exist: ") + imagePath;
        }
        return {};
    }
    if (cue.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        const QString beside = CueSheetOfBin(cue);
        if (beside.isEmpty()) {
            if (error) {
                *error = QStringLiteral("There is no cue sheet beside the image ") + imagePath;
            }
            return {};
        }
        cue = QFileInfo(beside).absoluteFilePath();
    }
    if (const QString known = DriveOfSource(cue); !known.isEmpty()) {
        return known;
    }
    const auto disc = VcdDisc::Open(cue, error);
    if (!disc) {
        return {};
    }
    QFile f(cue);
    QString data;
    if (f.open(QIODevice::ReadOnly)) {
        if (const auto sheet = ParseCueSheet(f.read(64 * 1024 + 1))) {
            data = QFileInfo(QDir(QFileInfo(cue).absolutePath()), sheet->file).absoluteFilePath();
        }
    }
    // Numbers taken by mounted images and by the other image drives are
    // passed over.
    const QStringList taken = DriveServices::current().CDDrives();
    int n = 0;
    while (taken.contains(QStringLiteral("img%1").arg(n)) || Numbers().contains(n)) {
        ++n;
    }
    m_images.append({n, cue, data, disc->VolumeId()});
    std::sort(m_images.begin(), m_images.end(),
              [](const Image& a, const Image& b) { return a.number < b.number; });
    Watch();
    return QStringLiteral("img%1").arg(n);
}

bool ImageDrives::Remove(const QString& drive) {
    for (qsizetype i = 0; i < m_images.size(); ++i) {
        if (QStringLiteral("img%1").arg(m_images[i].number) == drive) {
            m_images.removeAt(i);
            Watch();
            emit Removed(drive);
            return true;
        }
    }
    return false;
}

QStringList ImageDrives::Drives() const {
    QStringList out;
    for (const Image& image : m_images) {
        out.append(QStringLiteral("img%1").arg(image.number));
    }
    return out;
}

bool ImageDrives::Contains(const QString& drive) const {
    return Drives().contains(drive);
}

QString ImageDrives::Source(const QString& drive) const {
    for (const Image& image : m_images) {
        if (QStringLiteral("img%1").arg(image.number) == drive) {
            return image.source;
        }
    }
    return {};
}

QString ImageDrives::Label(const QString& drive) const {
    for (const Image& image : m_images) {
        if (QStringLiteral("img%1").arg(image.number) == drive) {
            return image.label;
        }
    }
    return {};
}

QString ImageDrives::DriveOfSource(const QString& source) const {
    const QString clean = QDir::cleanPath(source);
    for (const Image& image : m_images) {
        if (image.source == clean) {
            return QStringLiteral("img%1").arg(image.number);
        }
    }
    return {};
}

QList<int> ImageDrives::Numbers() const {
    QList<int> out;
    for (const Image& image : m_images) {
        out.append(image.number);
    }
    return out;
}

void ImageDrives::Prune() {
    const QList<Image> images = m_images;
    for (const Image& image : images) {
        if (!QFileInfo(image.source).isFile() ||
            (!image.data.isEmpty() && !QFileInfo(image.data).isFile())) {
            Remove(QStringLiteral("img%1").arg(image.number));
        }
    }
}

void ImageDrives::Watch() {
    // Deleting a file is seen through its folder: the file's own watch
    // does not survive an editor's save-by-rename either.
    QStringList folders;
    for (const Image& image : std::as_const(m_images)) {
        for (const QString& file : {image.source, image.data}) {
            const QString folder = QFileInfo(file).absolutePath();
            if (!file.isEmpty() && !folders.contains(folder)) {
                folders.append(folder);
            }
        }
    }
    if (folders.isEmpty()) {
        delete m_watcher;
        m_watcher = nullptr;
        return;
    }
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &ImageDrives::Prune);
    }
    const QStringList watched = m_watcher->directories();
    for (const QString& folder : watched) {
        if (!folders.contains(folder)) {
            m_watcher->removePath(folder);
        }
    }
    for (const QString& folder : std::as_const(folders)) {
        if (!watched.contains(folder)) {
            m_watcher->addPath(folder);
        }
    }
}

} // namespace lumadeck
