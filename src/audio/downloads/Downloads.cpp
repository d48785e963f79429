#include "audio/downloads/Downloads.h"

#include "audio/downloads/DownloadTransfer.h"
#include "network/APIClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>

Downloads::Downloads(const QString &folder, QNetworkAccessManager *network, QObject *parent)
    : QObject(parent), m_folder(folder), m_network(network ? network : APIClient::network()),
      m_list(this)
{
    for (qint64 id : m_folder.recordedIds())
        updateRow(id);
    // The process-wide manager is never destroyed: it lets go of its downloads at quit.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &Downloads::cancelAll);
        connect(app, &QCoreApplication::aboutToQuit, this, &Downloads::finishPendingRemovals);
    }
}

Downloads::~Downloads()
{
    cancelAll();
    finishPendingRemovals();
}

Downloads &Downloads::shared()
{
    static Downloads *instance = new Downloads(QString(), APIClient::network());
    return *instance;
}

void Downloads::cancelAll()
{
    const auto transfers = m_transfers;
    for (DownloadTransfer *transfer : transfers) {
        if (transfer->isFinishing())
            continue; // a whole body on its way to its name; it ends by itself
        m_transfers.remove(transfer->track().id);
        m_waiting.removeOne(transfer);
        transfer->disconnect(this);
        transfer->cancel();
        setDownloading(transfer->track().id, false);
    }
}

void Downloads::startDownload(const Track &track)
{
    if (isDownloaded(track) || m_downloadingIds.contains(track.id))
        return;
    auto *transfer = new DownloadTransfer(m_network, track, storeURL().toLocalFile(),
                                          fileURL(track).toLocalFile(),
                                          {m_transferTimeout, m_resumeDelay}, this);
    connect(transfer, &DownloadTransfer::progress, this,
            [this, id = track.id](qint64 received, qint64 total) {
                emit downloadProgress(id, received, total);
                updateRow(id);
            });
    connect(transfer, &DownloadTransfer::finished, this,
            [this, transfer](bool whole) { onFinished(transfer, whole); });
    if (m_transfers.size() - m_waiting.size() >= maxTransferring) {
        m_waiting.append(transfer);
    } else if (!transfer->start()) {
        delete transfer;
        return;
    }
    m_transfers.insert(track.id, transfer);
    setDownloading(track.id, true);
}

void Downloads::startWaiting()
{
    while (!m_waiting.isEmpty() && m_transfers.size() - m_waiting.size() < maxTransferring) {
        DownloadTransfer *transfer = m_waiting.takeFirst();
        if (!transfer->start())
            onFinished(transfer, false);
    }
}

void Downloads::cancelDownload(const Track &track)
{
    if (DownloadTransfer *transfer = m_transfers.take(track.id)) {
        m_waiting.removeOne(transfer);
        transfer->disconnect(this);
        transfer->cancel();
    }
    setDownloading(track.id, false);
    startWaiting();
}

void Downloads::removeDownloadLater(const Track &track)
{
    if (m_pendingRemovals.contains(track.id))
        return;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(m_removalDelay);
    connect(timer, &QTimer::timeout, this, [this, id = track.id] {
        const auto pending = m_pendingRemovals.value(id);
        if (pending.second)
            removeDownload(pending.first);
    });
    m_pendingRemovals.insert(track.id, {track, timer});
    timer->start();
    emit removalPendingChanged(track.id, true);
}

bool Downloads::undoRemoval(qint64 id)
{
    const auto pending = m_pendingRemovals.take(id);
    if (!pending.second)
        return false;
    pending.second->stop();
    pending.second->deleteLater();
    emit removalPendingChanged(id, false);
    return true;
}

void Downloads::finishPendingRemovals()
{
    const auto pending = m_pendingRemovals.values();
    for (const auto &[track, timer] : pending)
        removeDownload(track);
}

void Downloads::removeDownload(const Track &track)
{
    // The pending timer may be the caller: it goes once its signal has returned.
    const auto pending = m_pendingRemovals.take(track.id);
    if (pending.second) {
        pending.second->stop();
        pending.second->deleteLater();
    }
    cancelDownload(track);
    // Only ever the file at our own name: a path recorded in the state file may point
    // anywhere and is never deleted.
    QFile::remove(fileURL(track).toLocalFile());
    const bool hadURL = m_folder.recordedFiles().contains(track.id);
    if (m_folder.forget(track.id))
        emit downloadedIdsChanged();
    if (hadURL)
        emit localURLsChanged();
    m_folder.save();
    announce(track.id);
    if (pending.second)
        emit removalPendingChanged(track.id, false);
}

void Downloads::toggleDownload(const Track &track)
{
    if (m_downloadingIds.contains(track.id))
        cancelDownload(track);
    else
        startDownload(track);
}

void Downloads::onFinished(DownloadTransfer *transfer, bool whole)
{
    const qint64 id = transfer->track().id;
    m_transfers.remove(id);
    transfer->deleteLater();
    if (!whole) {
        setDownloading(id, false);
        startWaiting();
        return;
    }
    m_downloadingIds.remove(id);
    emit downloadingIdsChanged();
    const bool added = !m_folder.recordedIds().contains(id);
    m_folder.record(id, fileURL(transfer->track()));
    if (added)
        emit downloadedIdsChanged();
    emit localURLsChanged();
    m_folder.save();
    announce(id);
    startWaiting();
}

void Downloads::setDownloading(qint64 id, bool downloading)
{
    const bool changed =
        downloading ? !m_downloadingIds.contains(id) : m_downloadingIds.contains(id);
    if (!changed)
        return;
    if (downloading)
        m_downloadingIds.insert(id);
    else
        m_downloadingIds.remove(id);
    emit downloadingIdsChanged();
    announce(id);
}

void Downloads::announce(qint64 id)
{
    updateRow(id);
    emit trackStateChanged(id);
}

void Downloads::updateRow(qint64 id)
{
    m_list.update({id, m_folder.recordedIds().contains(id), m_downloadingIds.contains(id),
                   progress(id), m_folder.recordedFiles().value(id)});
}

qint64 Downloads::bytesReceived(qint64 id) const
{
    const DownloadTransfer *transfer = m_transfers.value(id);
    return transfer ? transfer->received() : 0;
}

qint64 Downloads::bytesTotal(qint64 id) const
{
    const DownloadTransfer *transfer = m_transfers.value(id);
    return transfer ? transfer->total() : -1;
}

double Downloads::progress(qint64 id) const
{
    const qint64 total = bytesTotal(id);
    if (total <= 0)
        return -1;
    return std::min(1.0, double(bytesReceived(id)) / double(total));
}
