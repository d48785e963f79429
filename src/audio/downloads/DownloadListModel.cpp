#include "audio/downloads/DownloadListModel.h"

#include <algorithm>

DownloadListModel::DownloadListModel(QObject *parent) : QAbstractListModel(parent) {}

int DownloadListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant DownloadListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Entry &entry = m_rows.at(index.row());
    switch (role) {
    case TrackIdRole:
        return double(entry.id);
    case StoredRole:
        return entry.stored;
    case DownloadingRole:
        return entry.downloading;
    case ProgressRole:
        return entry.progress;
    case FileUrlRole:
        return entry.file;
    default:
        return {};
    }
}

QHash<int, QByteArray> DownloadListModel::roleNames() const
{
    return {{TrackIdRole, "trackId"},
            {StoredRole, "stored"},
            {DownloadingRole, "downloading"},
            {ProgressRole, "progress"},
            {FileUrlRole, "fileUrl"}};
}

void DownloadListModel::update(const Entry &entry)
{
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), entry.id,
                                     [](const Entry &row, qint64 id) { return row.id < id; });
    const int row = int(at - m_rows.begin());
    const bool present = at != m_rows.end() && at->id == entry.id;
    const bool wanted = entry.stored || entry.downloading;
    const int storedBefore = m_storedCount;
    m_storedCount += int(wanted && entry.stored) - int(present && at->stored);
    if (present && !wanted) {
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
        emit countChanged();
    } else if (!present && wanted) {
        beginInsertRows({}, row, row);
        m_rows.insert(row, entry);
        endInsertRows();
        emit countChanged();
    } else if (present && *at != entry) {
        QList<int> roles;
        if (at->stored != entry.stored)
            roles << StoredRole;
        if (at->downloading != entry.downloading)
            roles << DownloadingRole;
        if (at->progress != entry.progress)
            roles << ProgressRole;
        if (at->file != entry.file)
            roles << FileUrlRole;
        *at = entry;
        emit dataChanged(index(row), index(row), roles);
    }
    if (m_storedCount != storedBefore)
        emit storedCountChanged();
}
