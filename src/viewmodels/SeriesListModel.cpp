#include "viewmodels/SeriesListModel.h"

#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

SeriesListModel::SeriesListModel(QObject *parent) : QAbstractListModel(parent) {}

void SeriesListModel::setLibrary(LibraryViewModel *library)
{
    if (m_library == library)
        return;
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_library = library;
    if (m_library)
        m_connections << connect(m_library->series(), &LibrarySeries::changed, this,
                                 &SeriesListModel::refresh);
    emit libraryChanged();
    refresh();
}

void SeriesListModel::setPlayer(PlayerViewModel *player)
{
    if (m_player == player)
        return;
    disconnect(m_finishedConnection);
    m_player = player;
    if (m_player)
        m_finishedConnection =
            connect(m_player->finished(), &FinishedLectures::finishedChanged, this, [this] {
                if (m_current >= 0)
                    emit currentChanged();
                if (!m_series.isEmpty())
                    emit dataChanged(index(0), index(int(m_series.size()) - 1), {ProgressTextRole});
            });
    emit playerChanged();
    refresh();
}

void SeriesListModel::setUstadz(const QString &ustadz)
{
    if (m_ustadz == ustadz)
        return;
    m_ustadz = ustadz;
    emit ustadzChanged();
    refresh();
}

void SeriesListModel::setCurrent(int series)
{
    if (m_current == series)
        return;
    m_current = series;
    emit currentChanged();
}

void SeriesListModel::refresh()
{
    // A new grouping may renumber the series.
    if (m_current >= 0)
        emit currentChanged();
    const QList<int> series = m_library && !m_ustadz.isEmpty()
                                  ? m_library->series()->index().seriesOfUstadz(m_ustadz)
                                  : QList<int>();
    if (series == m_series) {
        if (!m_series.isEmpty())
            emit dataChanged(index(0), index(int(m_series.size()) - 1));
        return;
    }
    const bool countChanges = series.size() != m_series.size();
    beginResetModel();
    m_series = series;
    endResetModel();
    if (countChanges)
        emit countChanged();
}

int SeriesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_series.size());
}

int SeriesListModel::finishedCount(int series) const
{
    const ::Series *found = m_library ? m_library->series()->at(series) : nullptr;
    if (!found || !m_player)
        return 0;
    const FinishedLectures *finished = m_player->finished();
    return int(std::count_if(found->ids.cbegin(), found->ids.cend(),
                             [finished](qint64 id) { return finished->isFinished(id); }));
}

QString SeriesListModel::titleOf(int series) const
{
    const ::Series *found = m_library ? m_library->series()->at(series) : nullptr;
    return found ? found->title : QString();
}

QString SeriesListModel::progressTextOf(int series) const
{
    const ::Series *found = m_library ? m_library->series()->at(series) : nullptr;
    if (!found)
        return {};
    return QStringLiteral("%1 dari %2 selesai").arg(finishedCount(series)).arg(found->ids.size());
}

QVariant SeriesListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_series.size() || !m_library)
        return {};
    const int series = m_series[index.row()];
    const ::Series *found = m_library->series()->at(series);
    if (!found)
        return {};
    switch (role) {
    case TitleRole:
    case Qt::DisplayRole:
        return found->title;
    case PartsTextRole:
        return QStringLiteral("%1 bagian").arg(found->ids.size());
    case ProgressTextRole:
        return progressTextOf(series);
    case SeriesRole:
        return series;
    default:
        return {};
    }
}

QHash<int, QByteArray> SeriesListModel::roleNames() const
{
    return {{TitleRole, "title"},
            {PartsTextRole, "partsText"},
            {ProgressTextRole, "progressText"},
            {SeriesRole, "series"}};
}

void SeriesListModel::continueSeries(int series)
{
    if (!m_library || !m_player)
        return;
    const QList<Track> parts = m_library->series()->parts(series);
    if (parts.isEmpty())
        return;
    const FinishedLectures *finished = m_player->finished();
    const auto first = std::find_if(parts.cbegin(), parts.cend(), [finished](const Track &t) {
        return !finished->isFinished(t.id);
    });
    m_player->play(first == parts.cend() ? parts.first() : *first, parts, std::nullopt);
}
