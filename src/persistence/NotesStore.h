#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The listener's notes: moments of lectures with a short text, in "notes.json" in the data
// folder. Unlike the other stored files the notes are kept in memory (every window lists and
// edits the same ones) and the file is rewritten atomically after each change.
//
// A lecture keeps the title and teacher it had when it was last noted, so its notes stay
// readable after it left the library. A file that exists but does not decode is moved aside
// as "notes.json.damaged-<UTC time>" (the newest three kept) before anything is written; if
// it cannot be moved, nothing is written over it for the rest of the run.
class NotesStore : public QObject
{
    Q_OBJECT
public:
    struct Note
    {
        qint64 id = 0;
        double position = 0; // seconds into the lecture
        QString text;
        double notedAt = 0; // seconds since 1970
        // A passage's end (seconds, not before `position`); older notes have none.
        std::optional<double> end{};
        bool operator==(const Note &) const = default;
    };

    struct Lecture
    {
        qint64 trackId = 0;
        QString title;
        QString ustadz;
        QList<Note> notes; // by position, then by id
        double lastNotedAt() const;
        bool operator==(const Lecture &) const = default;
    };

    explicit NotesStore(const QString &folder, QObject *parent = nullptr);

    QString filePath() const;
    // Most recently noted first.
    const QList<Lecture> &lectures() const { return m_lectures; }
    const Lecture *lecture(qint64 trackId) const;
    // False while a damaged file could not be moved aside.
    bool isWritable() const { return m_writable; }

    // Notes `position` of a lecture, clamped to 0 .. `duration` (when the length is known);
    // the title and teacher replace the stored ones. Returns the new note's id.
    qint64 add(qint64 trackId, const QString &title, const QString &ustadz, double position,
               double duration, const QString &text = QString());
    // Notes a passage from `start` to `end` (a note with an end); -1 when the passage is
    // shorter than a second or ends before it starts.
    Q_INVOKABLE double addPassage(double trackId, const QString &title, const QString &ustadz,
                                  double start, double end, double duration,
                                  const QString &text = QString());
    bool setText(qint64 noteId, const QString &text);
    bool remove(qint64 noteId);

    // Seconds since 1970 used for the time a note was taken; replaceable by tests.
    void setClock(std::function<double()> clock);

    // In file order; lectures without notes are dropped. The encoder returns an empty array
    // when a number cannot be written.
    static std::optional<QList<Lecture>> decode(const QByteArray &bytes);
    static QByteArray encode(const QList<Lecture> &lectures);

signals:
    // The notes in memory changed (the file was rewritten, or the write failed quietly).
    void changed();

private:
    void load();
    void sortLectures();
    void save();
    Note *findNote(qint64 noteId, Lecture **owner);

    QString m_folder;
    QList<Lecture> m_lectures;
    qint64 m_lastId = 0;
    bool m_writable = true;
    std::function<double()> m_clock;
};
