#pragma once

#include "persistence/NotesStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// The notes as text to study from: one lecture as plain text (title, teacher, a line per
// note "12:34 — text"), or every lecture as one Markdown document; put on the clipboard or
// saved to a file the listener chose.
class NotesExport : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(NotesStore *notes READ notes WRITE setNotes NOTIFY notesChanged)

public:
    using QObject::QObject;

    NotesStore *notes() const { return m_notes; }
    void setNotes(NotesStore *notes);

    static QString lectureText(const NotesStore::Lecture &lecture);
    static QString markdown(const QList<NotesStore::Lecture> &lectures);

    // Texts of the stored notes; a lecture without notes gives an empty text.
    Q_INVOKABLE QString lectureText(double trackId) const;
    Q_INVOKABLE QString markdown() const;

    // Where a save dialog starts: `name` (with characters no file name takes replaced) in the
    // documents folder, or the home folder without one.
    Q_INVOKABLE QUrl suggestedFile(const QString &name) const;
    Q_INVOKABLE void copy(const QString &text) const;
    // Writes `text` as UTF-8, replacing the file atomically; false when it could not.
    Q_INVOKABLE bool save(const QUrl &file, const QString &text) const;

signals:
    void notesChanged();

private:
    QPointer<NotesStore> m_notes;
};
