#include "audio/downloads/DownloadTransfer.h"

#include "Logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStorageInfo>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 readBufferBytes = 256 * 1024;
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

DownloadTransfer::DownloadTransfer(QNetworkAccessManager *network, const Track &track,
                                   const QString &folder, const QString &destination, Limits limits,
                                   QObject *parent)
    : QObject(parent), m_network(network), m_track(track), m_folder(folder),
      m_destination(destination), m_limits(limits),
      m_taskText(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1())
{
}

DownloadTransfer::~DownloadTransfer()
{
    if (!m_finishing)
        discard();
}

bool DownloadTransfer::start()
{
    // Hidden, unique per download, never a final name.
    auto part =
        std::make_unique<QFile>(m_folder + QStringLiteral("/.") + QString::number(m_track.id) +
                                u'.' + QString::fromLatin1(m_taskText) + QStringLiteral(".part"));
    if (!part->open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false; // unwritable folder: nothing to download into
    m_part = std::move(part);
    m_sinceProgress.start();
    send();
    return true;
}

void DownloadTransfer::send()
{
    QNetworkRequest request(m_track.streamURL());
    request.setRawHeader("X-Task-ID", m_taskText);
    // The body is stored byte for byte, and its length can be checked against the announced one.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(int(m_limits.transferTimeout.count()));
    // A resume asks for the rest, and only of the same file: a changed one comes whole.
    // After a body without a length, the same request asks whether anything is missing.
    if (m_received > 0 || m_lengthUnknown) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_received) + '-');
        if (!m_validator.isEmpty())
            request.setRawHeader("If-Range", m_validator);
    }
    m_headSeen = false;
    m_reply = m_network->get(request);
    // The body reaches the GUI thread in pieces small enough to store within a frame; the
    // network thread holds the rest back instead of handing over megabytes at once.
    m_reply->setReadBufferSize(readBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadTransfer::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &DownloadTransfer::onFinished);
}

void DownloadTransfer::cancel()
{
    m_cancelled = true;
    if (!m_finishing) {
        discard();
        deleteLater();
    } // else: the worker's hand-back removes the moved body and deletes the transfer
}

bool DownloadTransfer::acceptableStatus() const
{
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return true; // no answer head yet
    const int code = status.toInt();
    return code >= 200 && code <= 299;
}

// Decides what the answer's body is, before a byte of it is written. False: the download
// has failed.
bool DownloadTransfer::onHead()
{
    m_headSeen = true;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    const bool resuming = m_received > 0 || m_lengthUnknown;
    const QByteArray validator = m_reply->hasRawHeader("ETag")
                                     ? m_reply->rawHeader("ETag")
                                     : m_reply->rawHeader("Last-Modified");
    if (resuming && status == 206) {
        qint64 first = -1, size = -1;
        if (!parseContentRange(m_reply->rawHeader("Content-Range"), &first, &size) ||
            first != m_received || size < 0 || (m_total >= 0 && size != m_total)) {
            fail();
            return false;
        }
        m_total = size;
        m_lengthUnknown = false;
    } else if (resuming && status == 416 && m_lengthUnknown) {
        m_alreadyWhole = true; // nothing past what came: the body without a length was whole
        return true;
    } else if (status == 200) {
        // The whole file (first answer, a server without ranges, or a changed file).
        if (m_received > 0 && (!m_part->resize(0) || !m_part->seek(0))) {
            fail();
            return false;
        }
        m_received = 0;
        m_total = length.isValid() ? length.toLongLong() : -1;
        m_lengthUnknown = !length.isValid();
        m_validator = validator;
    } else {
        fail(); // an error answer is not a lecture
        return false;
    }

    if (m_total > 0) {
        const QStorageInfo disk(m_folder);
        const qint64 needed = m_total - m_received;
        if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < needed) {
            qCWarning(lcDownloads).noquote()
                << "[Downloads] not enough free space for lecture" << m_track.id << "- needs"
                << needed << "bytes," << disk.bytesAvailable() << "free";
            fail();
            return false;
        }
    }
    return true;
}

void DownloadTransfer::onReadyRead()
{
    if (!m_reply || (!m_headSeen && !onHead()))
        return;
    const QByteArray chunk = m_reply->readAll();
    if (m_alreadyWhole)
        return; // the 416 answer's own text
    if (m_part->write(chunk) != chunk.size() || !m_part->flush()) {
        fail(); // disk full or the file became unwritable
        return;
    }
    m_received += chunk.size();
    if (m_sinceProgress.elapsed() >= progressIntervalMs) {
        m_sinceProgress.restart();
        emit progress(m_received, m_total);
    }
}

void DownloadTransfer::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    // Data may still be waiting when the last readyRead and finished arrive together; an
    // empty body brings no readyRead at all.
    if (answered && (reply->bytesAvailable() > 0 || !m_headSeen))
        onReadyRead();
    if (!m_reply)
        return; // failed meanwhile
    const bool clean = reply->error() == QNetworkReply::NoError;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    if (m_alreadyWhole) {
        complete();
    } else if (clean && m_received == 0) {
        fail(); // an empty body is no lecture
    } else if (clean && !m_lengthUnknown && m_received == m_total) {
        complete();
    } else {
        // Cut short (shorter than announced, a dropped connection), or ended without a length,
        // which a cut connection looks like: ask for the rest. Only a service that answers
        // "nothing past that" confirms a body without a length; one without ranges never can,
        // and such a body is never stored.
        resumeOrFail();
    }
}

void DownloadTransfer::resumeOrFail()
{
    if (m_resumes >= maxResumes || (m_received == 0 && !m_lengthUnknown)) {
        fail();
        return;
    }
    ++m_resumes;
    // Soon, and later with each try, so that a service that restarts is back in time.
    const auto delay = m_limits.resumeDelay * (1 << (m_resumes - 1)) / 4;
    QTimer::singleShot(delay, this, [this] {
        if (!m_cancelled && !m_reply && !m_finishing)
            send();
    });
}

void DownloadTransfer::complete()
{
    m_finishing = true;
    if (m_total < 0)
        m_total = m_received;
    const QString partPath = m_part->fileName();
    const QString destination = m_destination;
    // The flush to disk and the rename may take long on a slow disk: off the GUI thread, on a
    // descriptor of its own. The body reaches the disk before it gets its final name, so even
    // a system crash leaves either the whole lecture or none under its final name.
    const bool flushed = m_part->flush();
    const int fd = flushed ? ::dup(m_part->handle()) : -1;
    m_part->close();
    m_part.reset();
    QPointer<DownloadTransfer> self(this);
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
                if (!self)
                    return;
                if (self->m_cancelled) {
                    // Cancelled or removed while it was being flushed: not stored, as asked.
                    if (moved)
                        QFile::remove(destination);
                    self->deleteLater();
                    return;
                }
                emit self->progress(self->m_received, self->m_total);
                emit self->finished(QFileInfo::exists(destination));
            },
            Qt::QueuedConnection);
    });
}

void DownloadTransfer::fail()
{
    discard();
    emit finished(false);
}

void DownloadTransfer::discard()
{
    if (m_reply) {
        QObject::disconnect(m_reply, nullptr, this, nullptr);
        // An error-status reply reports its own error later; aborting it as well makes Qt
        // fail it twice. Deleting it closes its connection all the same.
        if (m_reply->error() == QNetworkReply::NoError && acceptableStatus())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_part) {
        m_part->close();
        m_part->remove();
        m_part.reset();
    }
}
