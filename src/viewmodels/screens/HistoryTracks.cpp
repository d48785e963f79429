#include "HistoryTracks.h"

#include "viewmodels/LibraryViewModel.h"

#include <QHash>

HistoryTracks::HistoryTracks(const Sources &sources, QObject *parent)
    : ScreenTracks(sources, parent)
{
    reloadHistory();
}

void HistoryTracks::reloadHistory()
{
    const bool had = hasHistory();
    m_history = m_sources.store.loadPlaybackHistory();
    // The rows and their listened share come from the same read, not a later notice.
    m_model.setHistory(m_history);
    if (had != hasHistory())
        emit hasHistoryChanged();
    refresh();
}

QList<Track> HistoryTracks::rows() const
{
    const QList<Track> &library = m_sources.library.allTracks();
    QHash<qint64, int> firstRow;
    firstRow.reserve(library.size());
    for (int i = int(library.size()) - 1; i >= 0; --i)
        firstRow.insert(library[i].id, i);
    QList<Track> rows;
    for (const Store::PlaybackHistoryItem &item : m_history) {
        const auto it = firstRow.constFind(item.id);
        if (it != firstRow.constEnd())
            rows << library[*it];
    }
    return rows;
}

QList<Track> HistoryTracks::queue() const
{
    return m_sources.library.allTracks();
}
