#pragma once

#include "persistence/Store.h"
#include "viewmodels/screens/ScreenTracks.h"

// "Riwayat": one row per history entry whose lecture is in the library, most recent first
// (a lecture with two entries shows twice). A click queues the whole library and starts at
// the saved place. The history file is read when the screen is made and on reloadHistory().
class HistoryTracks final : public ScreenTracks
{
    Q_OBJECT
    // The last read found entries (the list shows, else the empty state).
    Q_PROPERTY(bool hasHistory READ hasHistory NOTIFY hasHistoryChanged)
public:
    HistoryTracks(const Sources &sources, QObject *parent);
    bool hasHistory() const { return !m_history.isEmpty(); }
    // Reads the history file again (the reload button).
    Q_INVOKABLE void reloadHistory();

signals:
    void hasHistoryChanged();

protected:
    QList<Track> rows() const override;
    QList<Track> queue() const override;
    std::optional<double> startOf(const Track &track) const override { return savedPlace(track); }

private:
    QList<Store::PlaybackHistoryItem> m_history;
};
