#pragma once

#include <QAbstractListModel>
#include <QPointer>

namespace lumadeck {

class clsPlayList;

// The playlist window's rows, read straight from the controller's entries:
// the title of each entry for display (and as its tool tip), its full name
// under FileNameRole. The model keeps no copy of the list; it only
// remembers how many rows the view was last told about, so that the view
// and the model agree between two reloads even when the controller's list
// changes in the meantime.
class PlayListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int FileNameRole = Qt::UserRole + 1;

    explicit PlayListModel(QObject* parent = nullptr);

    // The controller whose entries are shown; nullptr shows nothing.
    void Attach(clsPlayList* playList);
    clsPlayList* Attached() const { return m_playList; }

    // Takes the controller's entries afresh (one reset, whatever the length).
    void Reload();
    // The entries from row `first` to row `last` (either order) changed
    // places in the controller's list while the count stayed the same.
    void RowsReordered(long first, long last);

    // The title and the full name at a row; "" outside the rows.
    QString Title(long row) const;
    QString FileName(long row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QPointer<clsPlayList> m_playList;
    int m_rows = 0;
};

} // namespace lumadeck
