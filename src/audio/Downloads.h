#pragma once

#include "models/Track.h"
#include "persistence/FileWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkReply;
class QTimer;

// Keeps lectures on disk for offline listening: fetches a track's stream into
// <downloads folder>/<id>.mp3 and remembers the stored tracks in "state.json" beside them.
// Failures end quietly; nothing is ever reported to the user.
class Downloads : public QObject
{
    Q_OBJECT
    // Track ids as numbers (exact up to 2^53); C++ callers use the sets below.
    Q_PROPERTY(QVariantList downloadedIds READ downloadedIdList NOTIFY downloadedIdsChanged)
    Q_PROPERTY(int downloadedCount READ downloadedCount NOTIFY downloadedIdsChanged)
    Q_PROPERTY(QVariantList downloadingIds READ downloadingIdList NOTIFY downloadingIdsChanged)
    // Decimal track id -> file URL of the stored lecture.
    Q_PROPERTY(QVariantMap localURLs READ localURLMap NOTIFY localURLsChanged)

public:
    // `folder` empty: $XDG_DATA_HOME/Quillora/Downloads, looked up on every access.
    explicit Downloads(const QString &folder = QString(), QObject *parent = nullptr);
    ~Downloads() override;

    // The process-wide manager, created on first use and never destroyed.
    static Downloads &shared();

    // The downloads folder, created (with parents) on every call.
    QUrl storeURL() const;
    // <folder>/<id>.mp3, whether or not it exists.
    QUrl fileURL(const Track &track) const;
    // Looks only at the file system: a file placed by hand counts, a recorded one that was
    // deleted does not.
    bool isDownloaded(const Track &track) const;

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

    const QSet<qint64> &downloadedIds() const { return m_downloadedIds; }
    const QSet<qint64> &downloadingIds() const { return m_downloadingIds; }
    const QHash<qint64, QUrl> &localURLs() const { return m_localURLs; }

    Q_INVOKABLE bool isDownloadedId(qint64 id) const;
    Q_INVOKABLE bool isDownloading(qint64 id) const { return m_downloadingIds.contains(id); }
    // Bytes written so far and the announced size (-1 when unknown) of a download in flight.
    Q_INVOKABLE qint64 bytesReceived(qint64 id) const;
    Q_INVOKABLE qint64 bytesTotal(qint64 id) const;
    // Fraction 0..1 of a download in flight, -1 when not in flight or the size is unknown.
    Q_INVOKABLE double progress(qint64 id) const;

    // Longest wait for data before a download fails (60 s); tests shorten it.
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }
    std::chrono::milliseconds transferTimeout() const { return m_transferTimeout; }

    QVariantList downloadedIdList() const;
    int downloadedCount() const { return int(m_downloadedIds.size()); }
    QVariantList downloadingIdList() const;
    QVariantMap localURLMap() const;

    // Longest wait before a dropped transfer is resumed; tests shorten it.
    void setResumeDelay(std::chrono::milliseconds delay) { m_resumeDelay = delay; }

    static constexpr int maxResumes = 3;

    // Blocks until the state file saved last is on disk (it is written on a thread of its
    // own); at quit, and in tests that read it themselves.
    void waitForWrites();

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
    struct Task
    {
        Track track;
        QByteArray taskText;
        QNetworkReply *reply = nullptr;
        std::unique_ptr<QFile> part; // the body so far, renamed into place when complete
        qint64 received = 0;         // bytes in the part file
        qint64 total = -1;           // the whole lecture's size, -1 while unknown
        QByteArray validator;        // ETag or Last-Modified of the answer, for If-Range
        int resumes = 0;
        bool headSeen = false;       // of the current answer
        bool lengthUnknown = false;  // the body so far came without a length
        bool alreadyWhole = false;   // a range request past the end said there is no more
        bool finishing = false;      // being flushed and renamed off the GUI thread
        QElapsedTimer sinceProgress;
    };

    QString folderPath() const;
    void loadState();
    void saveState();
    void removePartialFiles();
    void cancelAll();
    void finishPendingRemovals();
    void send(const QUuid &taskId, Task &task);
    bool onHead(const QUuid &taskId, Task &task);
    void onReadyRead(const QUuid &taskId);
    void onFinished(const QUuid &taskId);
    void resumeOrFail(const QUuid &taskId, Task &task);
    void completeDownload(const QUuid &taskId);
    // `moved`: the destination the body was renamed to, empty when it was not.
    void finishCompletion(const QUuid &taskId, const QString &moved);
    void failDownload(const QUuid &taskId);
    // Stops the transfer and deletes its partial body; the entry must already be removed.
    void discard(Task &task);
    bool acceptableStatus(const Task &task) const;
    void setDownloading(qint64 id, bool downloading);

    QString m_folder;
    QNetworkAccessManager m_network;
    std::chrono::milliseconds m_transferTimeout{60000};
    std::chrono::milliseconds m_resumeDelay{2000};
    QHash<QUuid, std::shared_ptr<Task>> m_tasks; // task id -> download in flight
    std::chrono::milliseconds m_removalDelay{5000};
    QHash<qint64, std::pair<Track, QTimer *>> m_pendingRemovals; // the timer is a child
    QSet<qint64> m_downloadedIds;
    QSet<qint64> m_downloadingIds;
    QHash<qint64, QUrl> m_localURLs;
    FileWriter m_writer{QStringLiteral("[Downloads]")};
};
