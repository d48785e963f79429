#pragma once

#include "viewmodels/screens/ScreenTracks.h"

#include <QSet>

#include <optional>

// "Unduhan": the library's lectures whose file is stored, in library order, queued as shown
// and started at the saved place. The row's button removes the stored copy at once from the
// list; the file goes a few seconds later unless the removal is undone.
class StoredTracks final : public ScreenTracks
{
    Q_OBJECT
    // The download manager records stored lectures (else the empty state).
    Q_PROPERTY(bool hasDownloads READ hasDownloads NOTIFY hasDownloadsChanged)
    // The last removal can still be undone (its file is not deleted yet).
    Q_PROPERTY(bool canUndoRemoval READ canUndoRemoval NOTIFY canUndoRemovalChanged)
public:
    StoredTracks(const Sources &sources, QObject *parent);
    bool removesDownload() const override { return true; }
    bool hasDownloads() const { return m_hasDownloads; }
    bool canUndoRemoval() const { return m_undoableId.has_value(); }
    void downloadRow(int row) override;
    // The last removed lecture comes back, stored as before.
    Q_INVOKABLE void undoRemoval();

signals:
    void hasDownloadsChanged();
    void canUndoRemovalChanged();

protected:
    QList<Track> rows() const override;
    QList<Track> queue() const override { return m_model.tracks(); }
    std::optional<double> startOf(const Track &track) const override { return savedPlace(track); }

private:
    void refreshHasDownloads();

    bool m_hasDownloads = false;
    QSet<qint64> m_removedIds; // rows the user removed stay out
    std::optional<qint64> m_undoableId;
};
