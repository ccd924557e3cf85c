#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QFileSystemWatcher;

namespace lumadeck {

// Video CD images opened as drives of their own, without mounting:
// "img0", "img1", ... (numbers that mounted images do not use). A drive
// lasts until the user removes it or its image is deleted.
class ImageDrives : public QObject {
    Q_OBJECT

public:
    // The program's one list.
    static ImageDrives& current();

    explicit ImageDrives(QObject* parent = nullptr);
    ~ImageDrives() override;

    // The drive of an image (.cue, or .bin with its .cue beside it): a new
    // one, or the one it already has. "" with a reason in error when the
    // image cannot be read as a disc.
    QString Add(const QString& imagePath, QString* error = nullptr);
    // Removes a drive; false when there is no such image drive.
    bool Remove(const QString& drive);

    QStringList Drives() const; // in number order
    bool Contains(const QString& drive) const;
    QString Source(const QString& drive) const; // the image ("" for none)
    QString Label(const QString& drive) const;  // its volume id
    QString DriveOfSource(const QString& source) const;
    QList<int> Numbers() const;

    // Drops drives whose images have gone; emitted as Removed.
    void Prune();

signals:
    // A drive went away (removed, or its image deleted).
    void Removed(const QString& drive);

private:
    struct Image {
        int number = 0;
        QString source; // the .cue
        QString data;   // the file the sheet names
        QString label;
    };
    void Watch();

    QList<Image> m_images;
    QFileSystemWatcher* m_watcher = nullptr;
};

} // namespace lumadeck
