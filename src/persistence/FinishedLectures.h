#pragma once

#include "persistence/FileWriter.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

// The lectures the listener has heard to the end or marked as finished, and whether the
// lists hide them, in "finished.json" in the data folder: {"finished":[ids],"hideFinished":b}.
// Kept in memory (every row asks); each change rewrites the file atomically on a writer
// thread. Ids of lectures that left the library stay: they may come back. A file that exists
// but does not decode is set aside (DamagedFile) before anything is written in its place.
class FinishedLectures : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hideFinished READ hideFinished WRITE setHideFinished NOTIFY hideFinishedChanged)

public:
    static constexpr const char *FileName = "finished.json";

    struct Values
    {
        QSet<qint64> ids;
        bool hideFinished = false;
        bool operator==(const Values &) const = default;
    };

    // `folder` is the data folder; an empty one keeps everything in memory only.
    explicit FinishedLectures(QString folder, QObject *parent = nullptr);

    bool isFinished(qint64 id) const { return m_values.ids.contains(id); }
    // False when nothing changed.
    bool setFinished(qint64 id, bool finished);
    int count() const { return int(m_values.ids.size()); }
    bool hideFinished() const { return m_values.hideFinished; }
    void setHideFinished(bool hide);

    // Blocks until the file holds the last change (at quit, and in tests).
    void waitForWrites() { m_writer.waitForWrites(); }

    // Ids written in ascending order, so the file does not change without a change.
    static std::optional<Values> decode(const QByteArray &bytes);
    static QByteArray encode(const Values &values);

signals:
    void finishedChanged(qint64 id, bool finished);
    void hideFinishedChanged();

private:
    QString filePath() const;
    void save();

    QString m_folder;
    Values m_values;
    FileWriter m_writer{QStringLiteral("[Finished]")};
};
