#include "TrackListController.h"

#include "audio/Downloads.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"
#include "viewmodels/ResumeRule.h"

#include <QDir>
#include <QSet>

#include <cmath>
#include <utility>

TrackListController::TrackListController(QObject *parent) : QObject(parent) {}

void TrackListController::setKind(Kind kind)
{
    if (m_kind == kind)
        return;
    m_kind = kind;
    emit kindChanged();
    refresh();
}

void TrackListController::setUstadz(const QString &ustadz)
{
    if (m_ustadz == ustadz)
        return;
    m_ustadz = ustadz;
    emit ustadzChanged();
    if (m_kind == Ustadz)
        refresh();
}

void TrackListController::setSeries(int series)
{
    if (m_series == series)
        return;
    m_series = series;
    emit seriesChanged();
    if (m_kind == Series)
        refresh();
}

void TrackListController::setLibrary(LibraryViewModel *library)
{
    if (m_library == library)
        return;
    for (const auto &c : std::as_const(m_libraryConnections))
        disconnect(c);
    m_libraryConnections.clear();
    m_library = library;
    if (m_library) {
        m_libraryConnections << connect(m_library, &LibraryViewModel::tracksChanged, this,
                                        &TrackListController::refresh)
                             << connect(m_library, &LibraryViewModel::searchTextChanged, this,
                                        [this] {
                                            if (m_kind == Search)
                                                refresh();
                                        })
                             << connect(m_library->series(), &LibrarySeries::changed, this, [this] {
                                    if (m_kind == Ustadz || m_kind == Series)
                                        refresh();
                                });
    }
    m_model.setSeries(m_library ? m_library->series() : nullptr);
    emit libraryChanged();
    refresh();
}

void TrackListController::setPlayer(PlayerViewModel *player)
{
    if (m_player == player)
        return;
    for (const auto &c : std::as_const(m_playerConnections))
        disconnect(c);
    m_playerConnections.clear();
    m_player = player;
    if (m_player) {
        m_playerConnections << connect(m_player, &PlayerViewModel::currentTrackChanged, this,
                                       &TrackListController::refreshCurrent)
                            << connect(m_player, &PlayerViewModel::isPlayingChanged, this,
                                       &TrackListController::refreshCurrent)
                            << connect(m_player, &PlayerViewModel::currentTimeChanged, this,
                                       &TrackListController::refreshCurrentProgress)
                            << connect(m_player, &PlayerViewModel::durationChanged, this,
                                       &TrackListController::refreshCurrentProgress);
        FinishedLectures *finished = m_player->finished();
        m_playerConnections << connect(finished, &FinishedLectures::hideFinishedChanged, this,
                                       &TrackListController::refresh)
                            << connect(finished, &FinishedLectures::finishedChanged, this,
                                       [this, finished] {
                                           if (finished->hideFinished())
                                               refresh();
                                       });
    }
    m_model.setFinished(m_player ? m_player->finished() : nullptr);
    emit playerChanged();
    refreshCurrent();
}

void TrackListController::setDownloads(Downloads *downloads)
{
    if (m_downloads == downloads)
        return;
    for (const auto &c : std::as_const(m_downloadConnections))
        disconnect(c);
    m_downloadConnections.clear();
    m_downloads = downloads;
    m_model.setDownloads(downloads);
    if (m_downloads) {
        m_downloadConnections << connect(m_downloads, &Downloads::downloadedIdsChanged, this,
                                         [this] {
                                             refreshHasDownloads();
                                             if (m_kind == StoredDownloads)
                                                 refresh();
                                         });
        m_downloadConnections << connect(m_downloads, &Downloads::removalPendingChanged, this,
                                         [this](qint64 id, bool pending) {
                                             if (!pending && m_undoableId == id) {
                                                 m_undoableId.reset();
                                                 emit canUndoRemovalChanged();
                                             }
                                         });
    }
    emit downloadsChanged();
    refreshHasDownloads();
    if (m_kind == StoredDownloads)
        refresh();
}

void TrackListController::setStore(Store *store)
{
    if (m_store == store)
        return;
    m_store = store;
    m_model.setStore(store);
    emit storeChanged();
}

void TrackListController::refresh()
{
    const bool blank = !m_library || m_library->searchText().trimmed().isEmpty();
    if (blank != m_queryBlank) {
        m_queryBlank = blank;
        emit queryBlankChanged();
    }
    if (!m_library) {
        m_model.setTracks({});
        return;
    }
    switch (m_kind) {
    case Home:
        m_model.setTracks(withoutHidden(m_library->popularTracks()));
        break;
    case Search:
        // A blank query shows the prompt; the list is not filled with the whole library.
        if (blank)
            m_model.updateTracks({});
        else
            m_model.updateRows(m_library->allTracks(),
                               withoutHidden(m_library->allTracks(), m_library->filteredRows()));
        break;
    case Ustadz: {
        QList<Track> rows = m_library->tracksOfUstadz(m_ustadz);
        const LibrarySeries *series = m_library->series();
        rows.removeIf([series](const Track &t) { return series->placeOf(t.id).has_value(); });
        m_model.setTracks(withoutHidden(rows));
        break;
    }
    case History:
        m_model.setTracks(withoutHidden(historyRows()));
        break;
    case StoredDownloads:
        m_model.setTracks(withoutHidden(storedRows()));
        break;
    case Series:
        m_model.setTracks(withoutHidden(m_library->series()->parts(m_series)));
        break;
    }
}

QList<Track> TrackListController::withoutHidden(QList<Track> rows) const
{
    const FinishedLectures *finished = m_player ? m_player->finished() : nullptr;
    if (!finished || !finished->hideFinished() || finished->count() == 0)
        return rows;
    const std::optional<Track> &current = m_player->currentTrack();
    const qint64 currentId = current ? current->id : -1;
    rows.removeIf([&](const Track &t) { return t.id != currentId && finished->isFinished(t.id); });
    return rows;
}

QList<qsizetype> TrackListController::withoutHidden(const QList<Track> &library,
                                                    QList<qsizetype> rows) const
{
    const FinishedLectures *finished = m_player ? m_player->finished() : nullptr;
    if (!finished || !finished->hideFinished() || finished->count() == 0)
        return rows;
    const std::optional<Track> &current = m_player->currentTrack();
    const qint64 currentId = current ? current->id : -1;
    rows.removeIf([&](qsizetype row) {
        const qint64 id = library.at(row).id;
        return id != currentId && finished->isFinished(id);
    });
    return rows;
}

void TrackListController::refreshCurrent()
{
    std::optional<qint64> id;
    bool playing = false;
    if (m_player) {
        if (const auto track = m_player->currentTrack())
            id = track->id;
        playing = m_player->isPlaying();
    }
    m_model.setCurrentTrack(id, playing);
    refreshCurrentProgress();
}

void TrackListController::refreshCurrentProgress()
{
    std::optional<double> fraction;
    if (m_player && m_player->hasCurrentTrack() && m_player->duration() > 0)
        fraction = std::floor(m_player->currentTime()) / m_player->duration();
    m_model.setCurrentProgress(fraction);
}

void TrackListController::refreshHasDownloads()
{
    const bool has = m_downloads && !m_downloads->downloadedIds().isEmpty();
    if (has != m_hasDownloads) {
        m_hasDownloads = has;
        emit hasDownloadsChanged();
    }
}

void TrackListController::reloadHistory()
{
    const bool had = hasHistory();
    m_history = m_store ? m_store->loadPlaybackHistory() : QList<Store::PlaybackHistoryItem>();
    // The rows and their listened share come from the same read, not a later notice.
    m_model.setHistory(m_history);
    if (had != hasHistory())
        emit hasHistoryChanged();
    if (m_kind == History)
        refresh();
}

QList<Track> TrackListController::historyRows() const
{
    const QList<Track> &library = m_library->allTracks();
    QHash<qint64, int> firstRow;
    firstRow.reserve(library.size());
    for (int i = int(library.size()) - 1; i >= 0; --i)
        firstRow.insert(library[i].id, i);
    // One row per history entry whose lecture is in the library, in history order; a
    // track with two entries appears twice.
    QList<Track> rows;
    for (const Store::PlaybackHistoryItem &item : m_history) {
        const auto it = firstRow.constFind(item.id);
        if (it != firstRow.constEnd())
            rows << library[*it];
    }
    return rows;
}

QList<Track> TrackListController::storedRows() const
{
    if (!m_downloads)
        return {};
    // One directory listing instead of a file check per lecture of the library.
    const QDir folder(m_downloads->storeURL().toLocalFile());
    const QStringList names = folder.entryList(QDir::Files);
    const QSet<QString> present(names.cbegin(), names.cend());
    QList<Track> rows;
    if (present.isEmpty())
        return rows;
    for (const Track &track : m_library->allTracks()) {
        if (!m_removedIds.contains(track.id) &&
            present.contains(m_downloads->fileURL(track).fileName()))
            rows << track;
    }
    return rows;
}

double TrackListController::savedResumePosition(const Track &track) const
{
    return m_store ? ResumeRule::fromSettingsOrHistory(track, *m_store) : 0;
}

void TrackListController::playRow(int row)
{
    const auto track = m_model.trackAt(row);
    if (!track || !m_player || !m_library)
        return;
    switch (m_kind) {
    case Home:
        m_player->play(*track, m_library->popularTracks(), std::nullopt);
        break;
    case Search:
        m_player->play(*track, m_library->filteredTracks(), std::nullopt);
        break;
    case Ustadz:
        m_player->play(*track, m_model.tracks(), std::nullopt);
        break;
    case History:
        m_player->play(*track, m_library->allTracks(), savedResumePosition(*track));
        break;
    case StoredDownloads:
        m_player->play(*track, m_model.tracks(), savedResumePosition(*track));
        break;
    case Series:
        // The whole series, also the parts hidden as finished.
        m_player->play(*track, m_library->series()->parts(m_series), std::nullopt);
        break;
    }
}

void TrackListController::toggleFinishedRow(int row)
{
    const auto track = m_model.trackAt(row);
    if (!track || !m_player)
        return;
    FinishedLectures *finished = m_player->finished();
    finished->setFinished(track->id, !finished->isFinished(track->id));
}

void TrackListController::downloadRow(int row)
{
    const auto track = m_model.trackAt(row);
    if (!track || !m_downloads)
        return;
    if (m_kind != StoredDownloads) {
        m_downloads->toggleDownload(*track);
        return;
    }
    // The row leaves the list at once (and stays out even when deleting the file fails);
    // the file goes a few seconds later unless the removal is undone.
    m_removedIds.insert(track->id);
    m_downloads->removeDownloadLater(*track);
    QList<Track> rows = m_model.tracks();
    rows.removeIf([&](const Track &t) { return t.id == track->id; });
    m_model.setTracks(rows);
    m_undoableId = track->id;
    emit canUndoRemovalChanged();
}

void TrackListController::undoRemoval()
{
    if (!m_undoableId || !m_downloads)
        return;
    const qint64 id = *std::exchange(m_undoableId, std::nullopt);
    m_downloads->undoRemoval(id);
    m_removedIds.remove(id);
    emit canUndoRemovalChanged();
    refresh();
}

int TrackListController::rowOfTrackId(const QVariant &id) const
{
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    return ok ? m_model.rowOfTrackId(value) : -1;
}
