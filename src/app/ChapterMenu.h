#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;

namespace lumadeck {

class MediaControl;

// "Chapter 3 (1:05)": the caption of a chapter (numbered from 1).
QString ChapterCaption(int index, double start);

// The "Chapters" submenu: when a Video CD track with more than one entry
// point plays, one item per entry, the one playing checked, choosing one
// seeks there; disabled otherwise. The entries are read on a thread of
// their own once a file opens, then given to the control (which also goes
// through them with Page Down and Page Up and marks them on its seek bar).
class ChapterMenu : public QObject {
    Q_OBJECT
public:
    ChapterMenu(QMenu* parentMenu, MediaControl* control, QObject* parent = nullptr);

    QMenu* Menu() const { return m_menu; }

signals:
    // The chapters of the open file were given to the control.
    void Loaded();

private:
    void load(const QString& fileName);
    void rebuild();

    QMenu* m_menu = nullptr;
    QPointer<MediaControl> m_control;
};

} // namespace lumadeck
