#include "persistence/FileWriter.h"

#include "Logging.h"

#include <QDebug>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

FileWriter::FileWriter(QString tag) : m_tag(std::move(tag)), m_thread([this] { run(); }) {}

FileWriter::~FileWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void FileWriter::write(const QString &path, QByteArray bytes, Guard guard, Written written)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                     [&path](const Job &job) { return job.path == path; }),
                      m_queue.end());
        m_queue.push_back(Job{path, std::move(bytes), std::move(guard), std::move(written)});
    }
    m_changed.notify_all();
}

std::optional<QByteArray> FileWriter::pending(const QString &path) const
{
    std::lock_guard lock(m_mutex);
    for (auto job = m_queue.crbegin(); job != m_queue.crend(); ++job) {
        if (job->path == path)
            return job->bytes;
    }
    if (m_writing && m_writing->path == path)
        return m_writing->bytes;
    return std::nullopt;
}

void FileWriter::waitForWrites()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_writing; });
}

bool FileWriter::replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Flushed by hand: Qt 6.4's commit() ignores a failure of its own final flush (a full
    // disk, a file size limit) and would put a truncated file in place of the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void FileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, and every write is done
        m_writing = std::move(m_queue.front());
        m_queue.pop_front();
        const Job &job = *m_writing;
        lock.unlock();
        const bool kept = job.guard && !job.guard(job.path); // the guard says why
        if (!kept && replace(job.path, job.bytes)) {
            if (job.written)
                job.written();
        } else if (!kept) {
            qCWarning(lcStore).noquote()
                << m_tag << "could not write" << QFileInfo(job.path).fileName();
        }
        lock.lock();
        m_writing.reset();
        m_changed.notify_all();
    }
}
