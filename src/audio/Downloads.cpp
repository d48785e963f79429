#include "audio/Downloads.h"

#include "Logging.h"

#include "audio/DownloadState.h"
#include "persistence/DamagedFile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThreadPool>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString stateFileName = QStringLiteral("state.json");
constexpr qint64 readBufferBytes = 256 * 1024;
// Hidden, unique per download, never a final name: ".<id>.<task id>.part".
const QString partPattern = QStringLiteral(".*.part");
constexpr qint64 progressIntervalMs = 100;

// Gives the finished body its final name without ever replacing an existing file, which
// QFile::rename cannot promise (it falls back to copying over the destination).
bool moveNoReplace(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: link() refuses an existing name as well.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}

// "bytes <first>-<last>/<size>": the first byte and the size (-1 when "*").
bool parseContentRange(const QByteArray &value, qint64 *first, qint64 *size)
{
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes "))
        return false;
    const qsizetype dash = text.indexOf('-'), slash = text.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    bool ok = false;
    *first = text.mid(6, dash - 6).toLongLong(&ok);
    if (!ok)
        return false;
    const QByteArray whole = text.mid(slash + 1);
    *size = whole == "*" ? -1 : whole.toLongLong(&ok);
    return ok;
}

} // namespace

Downloads::Downloads(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_network(this)
{
    m_network.setAutoDeleteReplies(false);
    removePartialFiles();
    loadState();
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
    static Downloads *instance = new Downloads;
    return *instance;
}

QString Downloads::folderPath() const
{
    if (!m_folder.isEmpty())
        return m_folder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quillora/Downloads");
}

QUrl Downloads::storeURL() const
{
    const QString folder = folderPath();
    QDir().mkpath(folder);
    return QUrl::fromLocalFile(folder);
}

// The folder is not created here: rows ask this on every redraw and need no folder for it.
QUrl Downloads::fileURL(const Track &track) const
{
    return QUrl::fromLocalFile(folderPath() + u'/' + QString::number(track.id) +
                               QStringLiteral(".mp3"));
}

bool Downloads::isDownloaded(const Track &track) const
{
    return QFileInfo::exists(fileURL(track).toLocalFile());
}

bool Downloads::isDownloadedId(qint64 id) const
{
    Track track;
    track.id = id;
    return isDownloaded(track);
}

// Bodies of a program that was killed or crashed: one program at a time owns the folder, so
// every partial file found at start is a leftover.
void Downloads::removePartialFiles()
{
    QDir dir(folderPath());
    for (const QString &name : dir.entryList({partPattern}, QDir::Files | QDir::Hidden))
        dir.remove(name);
}

void Downloads::cancelAll()
{
    const auto tasks = m_tasks;
    for (auto it = tasks.cbegin(); it != tasks.cend(); ++it) {
        if (it.value()->finishing)
            continue; // a whole body on its way to its name; the worker ends it
        m_tasks.remove(it.key());
        discard(*it.value());
        setDownloading(it.value()->track.id, false);
    }
}

void Downloads::startDownload(const Track &track)
{
    if (isDownloaded(track) || m_downloadingIds.contains(track.id))
        return;

    const QUuid taskId = QUuid::createUuid();
    const QString taskText = taskId.toString(QUuid::WithoutBraces).toUpper();
    auto part = std::make_unique<QFile>(storeURL().toLocalFile() + QStringLiteral("/.") +
                                        QString::number(track.id) + u'.' + taskText +
                                        QStringLiteral(".part"));
    if (!part->open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return; // unwritable folder: nothing to download into

    auto task = std::make_shared<Task>();
    task->track = track;
    task->taskText = taskText.toLatin1();
    task->part = std::move(part);
    task->sinceProgress.start();
    m_tasks.insert(taskId, task);
    send(taskId, *task);
    setDownloading(track.id, true);
}

void Downloads::send(const QUuid &taskId, Task &task)
{
    QNetworkRequest request(task.track.streamURL());
    request.setRawHeader("X-Task-ID", task.taskText);
    // The body is stored byte for byte, and its length can be checked against the announced one.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(int(m_transferTimeout.count()));
    // A resume asks for the rest, and only of the same file: a changed one comes whole.
    // After a body without a length, the same request asks whether anything is missing.
    if (task.received > 0 || task.lengthUnknown) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(task.received) + '-');
        if (!task.validator.isEmpty())
            request.setRawHeader("If-Range", task.validator);
    }
    task.headSeen = false;
    task.reply = m_network.get(request);
    // The body reaches the GUI thread in pieces small enough to store within a frame; the
    // network thread holds the rest back instead of handing over megabytes at once.
    task.reply->setReadBufferSize(readBufferBytes);
    connect(task.reply, &QNetworkReply::readyRead, this, [this, taskId] { onReadyRead(taskId); });
    connect(task.reply, &QNetworkReply::finished, this, [this, taskId] { onFinished(taskId); });
}

void Downloads::cancelDownload(const Track &track)
{
    const auto tasks = m_tasks;
    for (auto it = tasks.cbegin(); it != tasks.cend(); ++it) {
        if (it.value()->track.id != track.id)
            continue;
        m_tasks.remove(it.key());
        discard(*it.value());
    }
    setDownloading(track.id, false);
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
    const bool wasRecorded = m_downloadedIds.remove(track.id);
    const bool hadURL = m_localURLs.remove(track.id);
    if (wasRecorded)
        emit downloadedIdsChanged();
    if (hadURL)
        emit localURLsChanged();
    saveState();
    emit trackStateChanged(track.id);
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

bool Downloads::acceptableStatus(const Task &task) const
{
    const QVariant status = task.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return true; // no answer head yet
    const int code = status.toInt();
    return code >= 200 && code <= 299;
}

// Decides what the answer's body is, before a byte of it is written. False: the download
// has failed and is gone.
bool Downloads::onHead(const QUuid &taskId, Task &task)
{
    task.headSeen = true;
    QNetworkReply *reply = task.reply;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const bool resuming = task.received > 0 || task.lengthUnknown;
    const QByteArray validator =
        reply->hasRawHeader("ETag") ? reply->rawHeader("ETag") : reply->rawHeader("Last-Modified");
    if (resuming && status == 206) {
        qint64 first = -1, size = -1;
        if (!parseContentRange(reply->rawHeader("Content-Range"), &first, &size) ||
            first != task.received || size < 0 || (task.total >= 0 && size != task.total)) {
            failDownload(taskId);
            return false;
        }
        task.total = size;
        task.lengthUnknown = false;
    } else if (resuming && status == 416 && task.lengthUnknown) {
        task.alreadyWhole = true; // nothing past what came: the body without a length was whole
        return true;
    } else if (status == 200) {
        // The whole file (first answer, a server without ranges, or a changed file).
        if (task.received > 0 && (!task.part->resize(0) || !task.part->seek(0))) {
            failDownload(taskId);
            return false;
        }
        task.received = 0;
        task.total = length.isValid() ? length.toLongLong() : -1;
        task.lengthUnknown = !length.isValid();
        task.validator = validator;
    } else {
        failDownload(taskId); // an error answer is not a lecture
        return false;
    }

    if (task.total > 0) {
        const QStorageInfo disk(folderPath());
        const qint64 needed = task.total - task.received;
        if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < needed) {
            qCWarning(lcDownloads).noquote()
                << "[Downloads] not enough free space for lecture" << task.track.id << "- needs"
                << needed << "bytes," << disk.bytesAvailable() << "free";
            failDownload(taskId);
            return false;
        }
    }
    return true;
}

void Downloads::onReadyRead(const QUuid &taskId)
{
    const std::shared_ptr<Task> task = m_tasks.value(taskId);
    if (!task || !task->reply)
        return;
    if (!task->headSeen && !onHead(taskId, *task))
        return;
    const QByteArray chunk = task->reply->readAll();
    if (task->alreadyWhole)
        return; // the 416 answer's own text
    if (task->part->write(chunk) != chunk.size() || !task->part->flush()) {
        failDownload(taskId); // disk full or the file became unwritable
        return;
    }
    task->received += chunk.size();
    if (task->sinceProgress.elapsed() >= progressIntervalMs) {
        task->sinceProgress.restart();
        emit downloadProgress(task->track.id, task->received, task->total);
    }
}

void Downloads::onFinished(const QUuid &taskId)
{
    const std::shared_ptr<Task> task = m_tasks.value(taskId);
    if (!task || !task->reply)
        return;
    QNetworkReply *reply = task->reply;
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    // Data may still be waiting when the last readyRead and finished arrive together; an
    // empty body brings no readyRead at all.
    if (answered && (reply->bytesAvailable() > 0 || !task->headSeen))
        onReadyRead(taskId);
    if (!m_tasks.contains(taskId))
        return;
    const bool clean = reply->error() == QNetworkReply::NoError;
    task->reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    if (task->alreadyWhole) {
        completeDownload(taskId);
    } else if (clean && task->received == 0) {
        failDownload(taskId); // an empty body is no lecture
    } else if (clean && !task->lengthUnknown && task->received == task->total) {
        completeDownload(taskId);
    } else {
        // Cut short (shorter than announced, a dropped connection), or ended without a length,
        // which a cut connection looks like: ask for the rest. Only a service that answers
        // "nothing past that" confirms a body without a length; one without ranges never can,
        // and such a body is never stored.
        resumeOrFail(taskId, *task);
    }
}

void Downloads::resumeOrFail(const QUuid &taskId, Task &task)
{
    if (task.resumes >= maxResumes || (task.received == 0 && !task.lengthUnknown)) {
        failDownload(taskId);
        return;
    }
    ++task.resumes;
    // Soon, and later with each try, so that a service that restarts is back in time.
    const auto delay = m_resumeDelay * (1 << (task.resumes - 1)) / 4;
    QTimer::singleShot(delay, this, [this, taskId] {
        const std::shared_ptr<Task> pending = m_tasks.value(taskId);
        if (pending && !pending->reply && !pending->finishing)
            send(taskId, *pending);
    });
}

void Downloads::completeDownload(const QUuid &taskId)
{
    const std::shared_ptr<Task> task = m_tasks.value(taskId);
    if (!task)
        return;
    task->finishing = true;
    if (task->total < 0)
        task->total = task->received;
    const QString partPath = task->part->fileName();
    const QString destination = fileURL(task->track).toLocalFile();
    // The flush to disk and the rename may take long on a slow disk: off the GUI thread, on a
    // descriptor of its own. The body reaches the disk before it gets its final name, so even
    // a system crash leaves either the whole lecture or none under <id>.mp3.
    const bool flushed = task->part->flush();
    const int fd = flushed ? ::dup(task->part->handle()) : -1;
    task->part->close();
    task->part.reset();
    QPointer<Downloads> self(this);
    QCoreApplication *app = QCoreApplication::instance();
    QThreadPool::globalInstance()->start([=] {
        const bool synced = fd >= 0 && ::fdatasync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        // Never replaces an existing file; a body that vanished meanwhile leaves no file.
        const bool moved = synced && moveNoReplace(partPath, destination);
        if (!moved)
            QFile::remove(partPath);
        QMetaObject::invokeMethod(
            app,
            [=] {
                if (self)
                    self->finishCompletion(taskId, moved ? destination : QString());
            },
            Qt::QueuedConnection);
    });
}

void Downloads::finishCompletion(const QUuid &taskId, const QString &moved)
{
    const std::shared_ptr<Task> task = m_tasks.take(taskId);
    if (!task) {
        // Cancelled or removed while it was being flushed: not stored, as the user asked.
        if (!moved.isEmpty())
            QFile::remove(moved);
        return;
    }
    const Track &track = task->track;
    const QString destination = fileURL(track).toLocalFile();
    emit downloadProgress(track.id, task->received, task->total);
    const bool stored = QFileInfo::exists(destination);
    m_downloadingIds.remove(track.id);
    emit downloadingIdsChanged();
    if (stored) {
        const bool added = !m_downloadedIds.contains(track.id);
        m_downloadedIds.insert(track.id);
        m_localURLs.insert(track.id, QUrl::fromLocalFile(destination));
        if (added)
            emit downloadedIdsChanged();
        emit localURLsChanged();
        saveState();
    }
    emit trackStateChanged(track.id);
}

void Downloads::failDownload(const QUuid &taskId)
{
    const std::shared_ptr<Task> task = m_tasks.take(taskId);
    if (!task)
        return;
    discard(*task);
    setDownloading(task->track.id, false);
}

void Downloads::discard(Task &task)
{
    if (task.reply) {
        QObject::disconnect(task.reply, nullptr, this, nullptr);
        // An error-status reply reports its own error later; aborting it as well makes Qt
        // fail it twice. Deleting it closes its connection all the same.
        if (task.reply->error() == QNetworkReply::NoError && acceptableStatus(task))
            task.reply->abort();
        task.reply->deleteLater();
        task.reply = nullptr;
    }
    if (task.part) {
        task.part->close();
        task.part->remove();
    }
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
    emit trackStateChanged(id);
}

qint64 Downloads::bytesReceived(qint64 id) const
{
    for (const std::shared_ptr<Task> &task : m_tasks) {
        if (task->track.id == id)
            return task->received;
    }
    return 0;
}

qint64 Downloads::bytesTotal(qint64 id) const
{
    for (const std::shared_ptr<Task> &task : m_tasks) {
        if (task->track.id == id)
            return task->total;
    }
    return -1;
}

double Downloads::progress(qint64 id) const
{
    const qint64 total = bytesTotal(id);
    if (total <= 0)
        return -1;
    return std::min(1.0, double(bytesReceived(id)) / double(total));
}

QVariantList Downloads::downloadedIdList() const
{
    QVariantList ids;
    for (qint64 id : m_downloadedIds)
        ids.append(id);
    return ids;
}

QVariantList Downloads::downloadingIdList() const
{
    QVariantList ids;
    for (qint64 id : m_downloadingIds)
        ids.append(id);
    return ids;
}

QVariantMap Downloads::localURLMap() const
{
    QVariantMap map;
    for (auto it = m_localURLs.cbegin(); it != m_localURLs.cend(); ++it)
        map.insert(QString::number(it.key()), it.value());
    return map;
}

void Downloads::loadState()
{
    const QString path = storeURL().toLocalFile() + u'/' + stateFileName;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    file.close();
    const std::optional<QHash<qint64, QString>> entries = DownloadState::parse(bytes);
    if (!entries) {
        DamagedFile::setAside(path, u"[Downloads]");
        return;
    }
    for (auto it = entries->cbegin(); it != entries->cend(); ++it) {
        const QFileInfo info(it.value());
        if (it.value().isEmpty() || !info.exists())
            continue;
        m_downloadedIds.insert(it.key());
        m_localURLs.insert(it.key(), QUrl::fromLocalFile(info.absoluteFilePath()));
    }
}

void Downloads::saveState()
{
    QHash<qint64, QString> entries;
    for (auto it = m_localURLs.cbegin(); it != m_localURLs.cend(); ++it)
        entries.insert(it.key(), it.value().toLocalFile());
    const QString path = storeURL().toLocalFile() + u'/' + stateFileName;
    m_writer.write(path, DownloadState::encode(entries), [](const QString &path) {
        // A file damaged since the start is kept, as at the start.
        QFile old(path);
        if (old.open(QIODevice::ReadOnly) && !DownloadState::parse(old.readAll()) &&
            old.error() == QFileDevice::NoError) {
            old.close();
            return !DamagedFile::setAside(path, u"[Downloads]").isEmpty();
        }
        return true;
    });
}

void Downloads::waitForWrites()
{
    m_writer.waitForWrites();
}
