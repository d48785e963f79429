#pragma once

#include "persistence/FileWriter.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUrl>

// The downloads folder and what it holds: one "<id>.mp3" per stored lecture, and
// "state.json", which records the stored lectures and where their files lie. Partial files of
// a program that ended mid-download are removed when the folder is opened.
class DownloadFolder
{
public:
    // `folder` empty: $XDG_DATA_HOME/Quillora/Downloads, looked up on every access. Reads the
    // state file.
    explicit DownloadFolder(const QString &folder = QString());

    // Not created here: rows ask for file names on every redraw and need no folder for it.
    QString path() const;
    // The folder, created (with parents) on every call.
    QUrl storeURL() const;
    // <folder>/<id>.mp3, whether or not it exists.
    QUrl fileURL(qint64 id) const;
    // Looks only at the file system: a file placed by hand counts, a recorded one that was
    // deleted does not.
    bool contains(qint64 id) const;

    // The lectures recorded as stored, and where each one's file lies.
    const QSet<qint64> &recordedIds() const { return m_ids; }
    const QHash<qint64, QUrl> &recordedFiles() const { return m_files; }
    // Records a stored lecture; the caller saves.
    void record(qint64 id, const QUrl &file);
    // Drops a lecture from the record (false when it was not recorded); the caller saves.
    bool forget(qint64 id);
    // Writes the state file on a thread of its own.
    void save();
    // Blocks until the state file saved last is on disk.
    void waitForWrites() { m_writer.waitForWrites(); }

private:
    void removePartialFiles();
    void load();

    QString m_folder;
    QSet<qint64> m_ids;
    QHash<qint64, QUrl> m_files;
    FileWriter m_writer{QStringLiteral("[Downloads]")};
};
