#include "StoredTracks.h"

#include "audio/downloads/Downloads.h"
#include "viewmodels/LibraryViewModel.h"

#include <QDir>

#include <utility>

StoredTracks::StoredTracks(const Sources &sources, QObject *parent) : ScreenTracks(sources, parent)
{
    connect(&sources.downloads, &Downloads::downloadedIdsChanged, this, [this] {
        refreshHasDownloads();
        refresh();
    });
    connect(&sources.downloads, &Downloads::removalPendingChanged, this,
            [this](qint64 id, bool pending) {
                if (!pending && m_undoableId == id) {
                    m_undoableId.reset();
                    emit canUndoRemovalChanged();
                }
            });
    refreshHasDownloads();
    refresh();
}

void StoredTracks::refreshHasDownloads()
{
    const bool has = !m_sources.downloads.downloadedIds().isEmpty();
    if (has != m_hasDownloads) {
        m_hasDownloads = has;
        emit hasDownloadsChanged();
    }
}

QList<Track> StoredTracks::rows() const
{
    // One directory listing instead of a file check per lecture of the library.
    const Downloads &downloads = m_sources.downloads;
    const QDir folder(downloads.storeURL().toLocalFile());
    const QStringList names = folder.entryList(QDir::Files);
    const QSet<QString> present(names.cbegin(), names.cend());
    QList<Track> rows;
    if (present.isEmpty())
        return rows;
    for (const Track &track : m_sources.library.allTracks()) {
        if (!m_removedIds.contains(track.id) &&
            present.contains(downloads.fileURL(track).fileName()))
            rows << track;
    }
    return rows;
}

void StoredTracks::downloadRow(int row)
{
    const auto track = m_model.trackAt(row);
    if (!track)
        return;
    // The row leaves the list at once (and stays out even when deleting the file fails).
    m_removedIds.insert(track->id);
    m_sources.downloads.removeDownloadLater(*track);
    QList<Track> rows = m_model.tracks();
    rows.removeIf([&](const Track &t) { return t.id == track->id; });
    m_model.setTracks(rows);
    m_undoableId = track->id;
    emit canUndoRemovalChanged();
}

void StoredTracks::undoRemoval()
{
    if (!m_undoableId)
        return;
    const qint64 id = *std::exchange(m_undoableId, std::nullopt);
    m_sources.downloads.undoRemoval(id);
    m_removedIds.remove(id);
    emit canUndoRemovalChanged();
    refresh();
}
