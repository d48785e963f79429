#include "UstadzListModel.h"

#include "viewmodels/LibraryViewModel.h"

UstadzListModel::UstadzListModel(QObject *parent) : QAbstractListModel(parent) {}

void UstadzListModel::setLibrary(LibraryViewModel *library)
{
    if (m_library == library)
        return;
    disconnect(m_connection);
    m_library = library;
    if (m_library)
        m_connection =
            connect(m_library, &LibraryViewModel::tracksChanged, this, &UstadzListModel::refresh);
    emit libraryChanged();
    refresh();
}

void UstadzListModel::refresh()
{
    const int before = count();
    beginResetModel();
    m_names = m_library ? m_library->ustadzList() : QStringList();
    m_counts.clear();
    endResetModel();
    if (before != count())
        emit countChanged();
}

QString UstadzListModel::nameAt(int row) const
{
    return m_names.value(row);
}

int UstadzListModel::rowOf(const QString &name) const
{
    return int(m_names.indexOf(name));
}

int UstadzListModel::lectureCount(int row) const
{
    auto it = m_counts.constFind(row);
    if (it != m_counts.constEnd())
        return *it;
    const int n = m_library ? m_library->lectureCount(m_names[row]) : 0;
    m_counts.insert(row, n);
    return n;
}

QString UstadzListModel::countText(qint64 count)
{
    return QStringLiteral("%1 kajian").arg(count);
}

int UstadzListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant UstadzListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    switch (role) {
    case NameRole:
    case Qt::DisplayRole:
        return m_names[index.row()];
    case CountRole:
        return lectureCount(index.row());
    case CountTextRole:
        return countText(lectureCount(index.row()));
    default:
        return {};
    }
}

QHash<int, QByteArray> UstadzListModel::roleNames() const
{
    return {{NameRole, "name"}, {CountRole, "lectureCount"}, {CountTextRole, "countText"}};
}
