#include "playlist/PlayListModel.h"

#include "playlist/clsPlayList.h"

#include <algorithm>
#include <limits>

namespace lumadeck {

PlayListModel::PlayListModel(QObject* parent) : QAbstractListModel(parent) {}

void PlayListModel::Attach(clsPlayList* playList) {
    if (m_playList == playList) {
        return;
    }
    m_playList = playList;
    Reload();
}

void PlayListModel::Reload() {
    beginResetModel();
    const long count = m_playList ? m_playList->cFiles().Count() : 0;
    // A view counts its rows in int; a longer list shows its first rows.
    m_rows = static_cast<int>(std::min<long>(count, std::numeric_limits<int>::max()));
    endResetModel();
}

void PlayListModel::RowsReordered(long first, long last) {
    if (m_rows == 0) {
        return;
    }
    const long top = std::clamp<long>(std::min(first, last), 0, m_rows - 1);
    const long bottom = std::clamp<long>(std::max(first, last), 0, m_rows - 1);
    emit dataChanged(index(static_cast<int>(top)), index(static_cast<int>(bottom)),
                     {Qt::DisplayRole, Qt::ToolTipRole, FileNameRole});
}

QString PlayListModel::Title(long row) const {
    if (!m_playList) {
        return {};
    }
    const auto entry = m_playList->cFiles().Item(row);
    return entry ? entry->szFileTitle() : QString();
}

QString PlayListModel::FileName(long row) const {
    if (!m_playList) {
        return {};
    }
    const auto entry = m_playList->cFiles().Item(row);
    return entry ? entry->szFileName() : QString();
}

int PlayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant PlayListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return Title(index.row());
    case FileNameRole:
        return FileName(index.row());
    default:
        return {};
    }
}

} // namespace lumadeck
