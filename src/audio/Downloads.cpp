#include "audio/Downloads.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString stateFileName = QStringLiteral("state.json");
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

} // namespace

Downloads::Downloads(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_network(this)
{
    m_network.setAutoDeleteReplies(false);
    loadState();
}

Downloads::~Downloads()
{
    for (const std::shared_ptr<Task> &task : std::as_const(m_tasks))
        discard(*task);
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

void Downloads::startDownload(const Track &track)
{
    if (isDownloaded(track) || m_downloadingIds.contains(track.id))
        return;

    const QUuid taskId = QUuid::createUuid();
    const QString taskText = taskId.toString(QUuid::WithoutBraces).toUpper();
    // Hidden, unique per attempt, and never the final name: an interrupted body can only
    // ever be left behind as a ".part" file.
    auto part = std::make_unique<QFile>(storeURL().toLocalFile() + QStringLiteral("/.") +
                                        QString::number(track.id) + u'.' + taskText +
                                        QStringLiteral(".part"));
    if (!part->open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return; // unwritable folder: nothing to download into

    QNetworkRequest request(track.streamURL());
    request.setRawHeader("X-Task-ID", taskText.toLatin1());
    // The body is stored byte for byte, and its length can be checked against the announced one.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(int(m_transferTimeout.count()));

    auto task = std::make_shared<Task>();
    task->track = track;
    task->part = std::move(part);
    task->sinceProgress.start();
    task->reply = m_network.get(request);
    m_tasks.insert(taskId, task);

    connect(task->reply, &QNetworkReply::readyRead, this, [this, taskId] { onReadyRead(taskId); });
    connect(task->reply, &QNetworkReply::finished, this, [this, taskId] { onFinished(taskId); });
    setDownloading(track.id, true);
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

void Downloads::removeDownload(const Track &track)
{
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

void Downloads::onReadyRead(const QUuid &taskId)
{
    const std::shared_ptr<Task> task = m_tasks.value(taskId);
    if (!task)
        return;
    // An error answer is not a lecture: drop it at its first byte.
    if (!acceptableStatus(*task)) {
        failDownload(taskId);
        return;
    }
    if (task->total < 0) {
        const QVariant length = task->reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            task->total = length.toLongLong();
    }
    const QByteArray chunk = task->reply->readAll();
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
    if (!task)
        return;
    // Data may still be waiting when the last readyRead and finished arrive together.
    if (task->reply->bytesAvailable() > 0)
        onReadyRead(taskId);
    if (!m_tasks.contains(taskId))
        return;
    // A body shorter than announced is a cut connection, whatever the transport says.
    const bool truncated = task->total >= 0 && task->received != task->total;
    if (task->reply->error() != QNetworkReply::NoError || !acceptableStatus(*task) || truncated)
        failDownload(taskId);
    else
        completeDownload(taskId);
}

void Downloads::completeDownload(const QUuid &taskId)
{
    const std::shared_ptr<Task> task = m_tasks.take(taskId);
    if (!task)
        return;
    const Track &track = task->track;
    const QString destination = fileURL(track).toLocalFile();

    // The body reaches the disk before it gets its final name, so even a system crash
    // leaves either the whole lecture or none under <id>.mp3.
    bool written = task->part->flush() && ::fdatasync(task->part->handle()) == 0;
    task->part->close();
    written = written && task->part->error() == QFileDevice::NoError;
    // Never replaces an existing file; a body that vanished meanwhile leaves no file.
    if (!written || !moveNoReplace(task->part->fileName(), destination))
        task->part->remove();
    task->reply->deleteLater();
    task->reply = nullptr;

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

std::optional<qint64> Downloads::parseTrackId(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text[j] < u'0' || text[j] > u'9')
            return std::nullopt;
    }
    // Sign and digits are checked above; this only rejects values out of range.
    bool ok = false;
    const qint64 id = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return id;
}

QHash<qint64, QString> Downloads::parseState(const QByteArray &document)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return {};
    const QJsonObject object = json.object();
    QHash<qint64, QString> entries;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isString())
            return {};
        if (const std::optional<qint64> id = parseTrackId(it.key()))
            entries.insert(*id, it.value().toString());
    }
    return entries;
}

void Downloads::loadState()
{
    QFile file(storeURL().toLocalFile() + u'/' + stateFileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QHash<qint64, QString> entries = parseState(file.readAll());
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QFileInfo info(it.value());
        if (it.value().isEmpty() || !info.exists())
            continue;
        m_downloadedIds.insert(it.key());
        m_localURLs.insert(it.key(), QUrl::fromLocalFile(info.absoluteFilePath()));
    }
}

void Downloads::saveState()
{
    QJsonObject object;
    for (auto it = m_localURLs.cbegin(); it != m_localURLs.cend(); ++it)
        object.insert(QString::number(it.key()), it.value().toLocalFile());
    QSaveFile file(storeURL().toLocalFile() + u'/' + stateFileName);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    file.commit();
}
