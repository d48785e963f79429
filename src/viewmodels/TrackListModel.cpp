#include "TrackListModel.h"

#include "audio/downloads/Downloads.h"
#include "persistence/FinishedLectures.h"
#include "viewmodels/LibrarySeries.h"

#include <cmath>

namespace {
constexpr int kManyRows = 64; // above this, one change notice for the whole list
}

TrackListModel::TrackListModel(Store *store, Downloads *downloads, QObject *parent)
    : QAbstractListModel(parent)
{
    m_historyThrottle.setSingleShot(true);
    m_historyThrottle.setInterval(std::chrono::seconds(1));
    connect(&m_historyThrottle, &QTimer::timeout, this, [this] {
        if (m_historyPending) {
            m_historyPending = false;
            reloadHistory();
            m_historyThrottle.start();
        }
    });
    setStore(store);
    setDownloads(downloads);
}

void TrackListModel::setStore(Store *store)
{
    if (m_store == store)
        return;
    disconnect(m_storeConnection);
    m_store = store;
    if (m_store)
        m_storeConnection = connect(m_store, &Store::playbackHistoryChanged, this,
                                    &TrackListModel::onHistoryChanged);
    reloadHistory();
}

void TrackListModel::setDownloads(Downloads *downloads)
{
    if (m_downloads == downloads)
        return;
    for (const auto &c : std::as_const(m_downloadConnections))
        disconnect(c);
    m_downloadConnections.clear();
    m_downloads = downloads;
    m_downloaded.clear();
    if (m_downloads) {
        m_downloadConnections << connect(m_downloads, &Downloads::trackStateChanged, this,
                                         &TrackListModel::onTrackStateChanged)
                              << connect(
                                     m_downloads, &Downloads::downloadProgress, this,
                                     [this](qint64 id, qint64, qint64) { onDownloadProgress(id); });
    }
    announceAll({IsDownloadedRole, IsDownloadingRole, DownloadProgressRole});
}

void TrackListModel::setFinished(FinishedLectures *finished)
{
    if (m_finished == finished)
        return;
    disconnect(m_finishedConnection);
    m_finished = finished;
    if (m_finished)
        m_finishedConnection = connect(m_finished, &FinishedLectures::finishedChanged, this,
                                       [this](qint64 id) { announceRows({id}, {IsFinishedRole}); });
    announceAll({IsFinishedRole});
}

void TrackListModel::setSeries(LibrarySeries *series)
{
    if (m_series == series)
        return;
    disconnect(m_seriesConnection);
    m_series = series;
    if (m_series)
        m_seriesConnection = connect(m_series, &LibrarySeries::changed, this,
                                     [this] { announceAll({SeriesTextRole}); });
    announceAll({SeriesTextRole});
}

void TrackListModel::setHistoryInterval(std::chrono::milliseconds interval)
{
    m_historyThrottle.setInterval(interval);
}

void TrackListModel::setTracks(const QList<Track> &tracks)
{
    const bool countChanges = tracks.size() != count();
    beginResetModel();
    m_tracks = tracks;
    m_byRow = false;
    m_rows.clear();
    m_rowsOfIdStale = true;
    // A file may have been placed or deleted by hand since the last check.
    m_downloaded.clear();
    endResetModel();
    if (countChanges)
        emit countChanged();
}

void TrackListModel::updateTracks(const QList<Track> &tracks)
{
    if (!m_byRow && tracks.isSharedWith(m_tracks))
        return;
    replaceRows(tracks, {}, false);
}

void TrackListModel::updateRows(const QList<Track> &library, const QList<qsizetype> &rows)
{
    if (m_byRow && library.isSharedWith(m_tracks) && rows.isSharedWith(m_rows))
        return;
    replaceRows(library, rows, true);
}

void TrackListModel::replaceRows(const QList<Track> &tracks, const QList<qsizetype> &rows,
                                 bool byRow)
{
    const int before = count();
    if (before > 0) {
        beginRemoveRows({}, 0, before - 1);
        m_tracks.clear();
        m_rows.clear();
        m_rowsOfIdStale = true;
        endRemoveRows();
    }
    m_downloaded.clear();
    const int after = int(byRow ? rows.size() : tracks.size());
    if (after > 0)
        beginInsertRows({}, 0, after - 1);
    m_tracks = tracks;
    m_rows = rows;
    m_byRow = byRow;
    m_rowsOfIdStale = true;
    if (after > 0)
        endInsertRows();
    if (after != before)
        emit countChanged();
}

QList<Track> TrackListModel::tracks() const
{
    if (!m_byRow)
        return m_tracks;
    QList<Track> tracks;
    tracks.reserve(m_rows.size());
    for (qsizetype row : m_rows)
        tracks.append(m_tracks.at(row));
    return tracks;
}

const QHash<qint64, QList<int>> &TrackListModel::rowsOfId() const
{
    if (m_rowsOfIdStale) {
        m_rowsOfIdStale = false;
        m_rowsOfId.clear();
        m_rowsOfId.reserve(count());
        for (int row = 0; row < count(); ++row)
            m_rowsOfId[trackOf(row).id].append(row);
    }
    return m_rowsOfId;
}

std::optional<Track> TrackListModel::trackAt(int row) const
{
    if (row < 0 || row >= count())
        return std::nullopt;
    return trackOf(row);
}

int TrackListModel::rowOfTrackId(qint64 id) const
{
    const auto it = rowsOfId().constFind(id);
    return it == rowsOfId().constEnd() ? -1 : it->first();
}

void TrackListModel::setCurrentTrack(std::optional<qint64> id, bool isPlaying)
{
    if (id == m_currentId && isPlaying == m_isPlaying)
        return;
    QList<qint64> touched;
    if (m_currentId)
        touched << *m_currentId;
    if (id && id != m_currentId)
        touched << *id;
    const bool other = id != m_currentId;
    m_currentId = id;
    m_isPlaying = isPlaying;
    if (!other) {
        announceRows(touched, {IsCurrentRole, IsPlayingRole});
        return;
    }
    // The row left behind shows its history again; the new one waits for the player.
    m_currentProgress.reset();
    announceRows(touched,
                 {IsCurrentRole, IsPlayingRole, HasProgressRole, ProgressRole, ProgressTextRole});
}

void TrackListModel::setCurrentProgress(std::optional<double> fraction)
{
    if (fraction == m_currentProgress)
        return;
    m_currentProgress = fraction;
    if (m_currentId)
        announceRows({*m_currentId}, {HasProgressRole, ProgressRole, ProgressTextRole});
}

std::optional<double> TrackListModel::progressOf(qint64 id) const
{
    if (m_currentProgress && id == m_currentId)
        return m_currentProgress;
    return m_progress.value(id, std::nullopt);
}

void TrackListModel::reloadHistory()
{
    setHistory(m_store ? m_store->loadPlaybackHistory() : QList<Store::PlaybackHistoryItem>());
}

void TrackListModel::setHistory(const QList<Store::PlaybackHistoryItem> &items)
{
    QHash<qint64, std::optional<double>> progress;
    for (const Store::PlaybackHistoryItem &item : items) {
        if (progress.contains(item.id))
            continue; // only the first entry of a track counts
        if (item.duration > 0)
            progress.insert(item.id, item.lastPosition / item.duration);
        else
            progress.insert(item.id, std::nullopt);
    }
    QList<qint64> changed;
    for (auto it = progress.constBegin(); it != progress.constEnd(); ++it) {
        if (m_progress.value(it.key(), std::nullopt) != it.value())
            changed << it.key();
    }
    for (auto it = m_progress.constBegin(); it != m_progress.constEnd(); ++it) {
        if (!progress.contains(it.key()) && it.value())
            changed << it.key();
    }
    m_progress = std::move(progress);
    announceRows(changed, {HasProgressRole, ProgressRole, ProgressTextRole});
}

void TrackListModel::onHistoryChanged()
{
    if (m_historyThrottle.isActive()) {
        m_historyPending = true;
        return;
    }
    reloadHistory();
    m_historyThrottle.start();
}

void TrackListModel::onTrackStateChanged(qint64 id)
{
    m_downloaded.remove(id);
    announceRows({id}, {IsDownloadedRole, IsDownloadingRole, DownloadProgressRole});
}

void TrackListModel::onDownloadProgress(qint64 id)
{
    announceRows({id}, {DownloadProgressRole});
}

void TrackListModel::announceRows(const QList<qint64> &ids, const QList<int> &roles)
{
    if (count() == 0 || ids.isEmpty())
        return;
    if (ids.size() > kManyRows) {
        announceAll(roles);
        return;
    }
    const auto &rows = rowsOfId();
    for (qint64 id : ids) {
        const auto it = rows.constFind(id);
        if (it == rows.constEnd())
            continue;
        for (int row : *it)
            emit dataChanged(index(row), index(row), roles);
    }
}

void TrackListModel::announceAll(const QList<int> &roles)
{
    if (count() > 0)
        emit dataChanged(index(0), index(count() - 1), roles);
}

bool TrackListModel::isDownloaded(const Track &track) const
{
    if (!m_downloads)
        return false;
    const auto it = m_downloaded.constFind(track.id);
    if (it != m_downloaded.constEnd())
        return *it;
    const bool downloaded = m_downloads->isDownloaded(track);
    m_downloaded.insert(track.id, downloaded);
    return downloaded;
}

QString TrackListModel::percentText(double fraction)
{
    const double percent = std::trunc(fraction * 100);
    if (!std::isfinite(percent))
        return QString();
    return QString::number(percent, 'f', 0) + QLatin1Char('%');
}

int TrackListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant TrackListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Track &track = trackOf(index.row());
    switch (role) {
    case TitleRole:
    case Qt::DisplayRole:
        return track.displayTitle();
    case TeacherRole:
        return track.displayUstadz();
    case DurationTextRole:
        return track.durationDisplay();
    case HasProgressRole: {
        const auto p = progressOf(track.id);
        return p && *p > 0;
    }
    case ProgressRole:
        return progressOf(track.id).value_or(0.0);
    case ProgressTextRole: {
        const auto p = progressOf(track.id);
        return p && *p > 0 ? percentText(*p) : QString();
    }
    case IsDownloadedRole:
        return isDownloaded(track);
    case IsDownloadingRole:
        return m_downloads && m_downloads->isDownloading(track.id);
    case DownloadProgressRole:
        return m_downloads ? m_downloads->progress(track.id) : -1.0;
    case IsCurrentRole:
        return m_currentId && *m_currentId == track.id;
    case IsPlayingRole:
        return m_isPlaying && m_currentId && *m_currentId == track.id;
    case TrackIdRole:
        return double(track.id);
    case IsFinishedRole:
        return m_finished && m_finished->isFinished(track.id);
    case SeriesTextRole:
        return m_series ? m_series->placeText(track.id) : QString();
    default:
        return {};
    }
}

QHash<int, QByteArray> TrackListModel::roleNames() const
{
    return {
        {TitleRole, "title"},
        {TeacherRole, "teacher"},
        {DurationTextRole, "durationText"},
        {HasProgressRole, "hasProgress"},
        {ProgressRole, "progress"},
        {ProgressTextRole, "progressText"},
        {IsDownloadedRole, "isDownloaded"},
        {IsDownloadingRole, "isDownloading"},
        {DownloadProgressRole, "downloadProgress"},
        {IsCurrentRole, "isCurrent"},
        {IsPlayingRole, "isPlaying"},
        {TrackIdRole, "trackId"},
        {IsFinishedRole, "isFinished"},
        {SeriesTextRole, "seriesText"},
    };
}
