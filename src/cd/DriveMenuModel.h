#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace lumadeck {

// One item of a drive's menu.
struct DriveMenuItem {
    QString key;  // "PlayAll", "AddAll", "Sep", "None", "" or a file's full path
    QString text; // what the item shows
    bool enabled = true;
    bool visible = true;
};

// A CD drive's entry: the files found on its disc, as the toolbar's drive
// button lists them.
struct DriveMenuContents {
    QString key; // "CD" followed by the drive's id, e.g. "CDsr0"
    QString toolTip;
    QList<DriveMenuItem> items;
    QString drive() const { return key.mid(2); }
};

// What one of the four drive menus shows: the entry it belongs to (its
// tag), its title and its items.
struct DriveMenuView {
    QString tag;
    QString title;
    QList<DriveMenuItem> items;
};

// The contents of the CD drive menus, without any widget: the main window's
// toolbar buttons and drive menus and the helper window's popup draw it.
class DriveMenuModel {
public:
    static constexpr int MenuCount = 4;
    static const QString KeyPlayAll;
    static const QString KeyAddAll;
    static const QString KeySep;
    static const QString KeyNone;
    // "Remove Image", at the end of an image drive's list.
    static const QString KeyRemoveImage;

    // True for the key of a file item.
    static bool IsFileKey(const QString& key);
    // "AVSEQ01.DAT (12,345 KB)": the size in KB, rounded half to even,
    // grouped the way the user's locale groups digits.
    static QString FileCaption(const QString& fullName, qint64 bytes);

    const QList<DriveMenuContents>& Drives() const { return m_drives; }
    DriveMenuContents* Find(const QString& key);
    // A new, empty entry for a drive at the end.
    DriveMenuContents& Add(const QString& drive);
    void RemoveAt(int index) { m_drives.removeAt(index); }

    // Starts an empty entry's list with "Play All", "Add All To Playlist"
    // and a separator; false (and nothing done) when it has items.
    static bool AddFixedItems(DriveMenuContents& entry);
    // Appends a found file to an entry, captioned with its size.
    static void AddFile(DriveMenuContents& entry, const QString& fullName, qint64 bytes);
    // Ends an image drive's list with a separator and "Remove Image".
    static void AddImageItems(DriveMenuContents& entry);
    // Lists "(No Video Files found)" as the entry's only item.
    static void SetNoFiles(DriveMenuContents& entry);
    // The files of an entry in their order.
    static QStringList Files(const DriveMenuContents& entry);

    // What the four drive menus show: the first four drives, each titled
    // by caption(drive); an entry without items shows "(No Files Found)";
    // with onlyFiles the fixed items are there but hidden. Menus without a
    // drive are left out.
    QList<DriveMenuView> Menus(bool onlyFiles,
                               const std::function<QString(const QString&)>& caption) const;

private:
    QList<DriveMenuContents> m_drives;
};

} // namespace lumadeck
