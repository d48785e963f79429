#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Writes files on a thread of its own, so that the GUI thread never waits on the disk.
// Each write replaces its file atomically (the old file stays whole until the new one is
// complete). Writes happen in the order they were asked for; one asked while an earlier
// write of the same file still waits drops that one and joins the end of the queue, so the
// latest state wins and no older state is ever written after a newer one. Until a write is
// done, `pending` gives its bytes: a reader in this process sees what was last asked for.
class FileWriter
{
public:
    // Runs on the writer thread just before the file is replaced; false keeps the old
    // file (one that does not decode and could not be set aside, for instance).
    using Guard = std::function<bool(const QString &path)>;
    // Runs on the writer thread once the file is replaced; not for a write that failed or
    // was dropped for a newer one.
    using Written = std::function<void()>;

    // `tag` starts the line logged when a write fails (e.g. "[Store]").
    explicit FileWriter(QString tag);
    // Finishes every write asked for.
    ~FileWriter();

    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;

    void write(const QString &path, QByteArray bytes, Guard guard = {}, Written written = {});
    std::optional<QByteArray> pending(const QString &path) const;
    // Blocks until every write asked for so far is done.
    void waitForWrites();

    // The atomic replacement itself; false when the old file stays.
    static bool replace(const QString &path, const QByteArray &bytes);

private:
    struct Job
    {
        QString path;
        QByteArray bytes;
        Guard guard;
        Written written;
    };
    void run();

    const QString m_tag;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_queue;
    std::optional<Job> m_writing;
    bool m_stopping = false;
    std::thread m_thread;
};
