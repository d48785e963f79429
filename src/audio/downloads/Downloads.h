#pragma once

#include "audio/downloads/DownloadFolder.h"
#include "audio/downloads/DownloadListModel.h"
#include "models/Track.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QUrl>

#include <chrono>

class DownloadTransfer;
class QNetworkAccessManager;
class QTimer;

// Keeps lectures on disk for offline listening: starts, cancels and removes downloads
// (each one a DownloadTransfer into the DownloadFolder) and keeps the list the screens show.
// Failures end quietly; nothing is ever reported to the user.
class Downloads : public QObject
{
    Q_OBJECT
    Q_PROPERTY(DownloadListModel *list READ list CONSTANT)

public:
    // `folder` empty: $XDG_DATA_HOME/Quillora/Downloads, looked up on every access.
    // `network` null: the program's one client, APIClient::network().
    explicit Downloads(const QString &folder = QString(), QNetworkAccessManager *network = nullptr,
                       QObject *parent = nullptr);
    ~Downloads() override;

    // The process-wide manager, created on first use and never destroyed.
    static Downloads &shared();

    DownloadListModel *list() { return &m_list; }

    // The downloads folder, created (with parents) on every call.
    QUrl storeURL() const { return m_folder.storeURL(); }
    // <folder>/<id>.mp3, whether or not it exists.
    QUrl fileURL(const Track &track) const { return m_folder.fileURL(track.id); }
    // Looks only at the file system: a file placed by hand counts, a recorded one that was
    // deleted does not.
    bool isDownloaded(const Track &track) const { return m_folder.contains(track.id); }

    void startDownload(const Track &track);
    void cancelDownload(const Track &track);
    void removeDownload(const Track &track);
    // Removes the stored copy after removalDelay() unless undoRemoval() comes first; what
    // is still pending at quit is removed then. The copy stays stored (and playable) until.
    void removeDownloadLater(const Track &track);
    bool undoRemoval(qint64 id);
    bool isRemovalPending(qint64 id) const { return m_pendingRemovals.contains(id); }
    void setRemovalDelay(std::chrono::milliseconds delay) { m_removalDelay = delay; }
    std::chrono::milliseconds removalDelay() const { return m_removalDelay; }
    // What a row's download button does: cancels a download in flight, starts one otherwise.
    void toggleDownload(const Track &track);

    const QSet<qint64> &downloadedIds() const { return m_folder.recordedIds(); }
    const QSet<qint64> &downloadingIds() const { return m_downloadingIds; }
    const QHash<qint64, QUrl> &localURLs() const { return m_folder.recordedFiles(); }

    Q_INVOKABLE bool isDownloadedId(qint64 id) const { return m_folder.contains(id); }
    Q_INVOKABLE bool isDownloading(qint64 id) const { return m_downloadingIds.contains(id); }
    // Bytes written so far and the announced size (-1 when unknown) of a download in flight.
    Q_INVOKABLE qint64 bytesReceived(qint64 id) const;
    Q_INVOKABLE qint64 bytesTotal(qint64 id) const;
    // Fraction 0..1 of a download in flight, -1 when not in flight or the size is unknown.
    Q_INVOKABLE double progress(qint64 id) const;

    // Longest wait for data before a download fails (60 s); tests shorten it.
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }
    std::chrono::milliseconds transferTimeout() const { return m_transferTimeout; }
    // Longest wait before a dropped transfer is resumed; tests shorten it.
    void setResumeDelay(std::chrono::milliseconds delay) { m_resumeDelay = delay; }

    // At most this many downloads transfer at once; the others wait their turn, in flight.
    // The program's one HTTP client keeps six connections to a host, so the library request,
    // the reports and the stream probes always find one free.
    static constexpr int maxTransferring = 4;

    // Blocks until the state file saved last is on disk (it is written on a thread of its
    // own); at quit, and in tests that read it themselves.
    void waitForWrites() { m_folder.waitForWrites(); }

signals:
    void downloadedIdsChanged();
    void downloadingIdsChanged();
    void localURLsChanged();
    // Whenever one track's in-flight or stored state changed, so lists refresh one row.
    void trackStateChanged(qint64 id);
    // A removal was asked for (pending true), undone or carried out (pending false).
    void removalPendingChanged(qint64 id, bool pending);
    // At most about ten times a second per download, and once when the body is complete.
    void downloadProgress(qint64 id, qint64 received, qint64 total);

private:
    void cancelAll();
    void finishPendingRemovals();
    void onFinished(DownloadTransfer *transfer, bool whole);
    void startWaiting();
    void setDownloading(qint64 id, bool downloading);
    // The list's row and trackStateChanged.
    void announce(qint64 id);
    void updateRow(qint64 id);

    DownloadFolder m_folder;
    QNetworkAccessManager *m_network;
    DownloadListModel m_list;
    std::chrono::milliseconds m_transferTimeout{60000};
    std::chrono::milliseconds m_resumeDelay{2000};
    QHash<qint64, DownloadTransfer *> m_transfers; // track id -> download in flight (a child)
    QList<DownloadTransfer *> m_waiting;           // in flight, not started yet, oldest first
    std::chrono::milliseconds m_removalDelay{5000};
    QHash<qint64, std::pair<Track, QTimer *>> m_pendingRemovals; // the timer is a child
    QSet<qint64> m_downloadingIds;
};
