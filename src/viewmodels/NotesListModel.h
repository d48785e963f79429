#pragma once

#include "persistence/NotesStore.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QtNumeric>

// The notes as list rows for QML: one lecture's notes in time order (`trackId`), or every
// lecture with notes, most recently noted first, each as a header row followed by its notes
// (`allLectures`). Lectures show the title and teacher they had when last noted; one that left
// the library cannot be played.
class NotesListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(NotesStore *notes READ notes WRITE setNotes NOTIFY notesChanged)
    Q_PROPERTY(PlayerViewModel *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(LibraryViewModel *library READ library WRITE setLibrary NOTIFY libraryChanged)
    // A lecture id as QML numbers carry it (exact up to 2^53); NaN for none.
    Q_PROPERTY(double trackId READ trackId WRITE setTrackId NOTIFY trackIdChanged)
    Q_PROPERTY(bool allLectures READ allLectures WRITE setAllLectures NOTIFY allLecturesChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int noteCount READ noteCount NOTIFY countChanged)

public:
    enum Role {
        IsHeaderRole = Qt::UserRole + 1,
        TrackIdRole,
        NoteIdRole,
        PositionRole,
        NoteTextRole,
        TitleRole,
        UstadzRole,
        InLibraryRole,
        NoteCountRole,
        PassageEndRole,
    };
    Q_ENUM(Role)

    explicit NotesListModel(QObject *parent = nullptr);

    NotesStore *notes() const { return m_notes; }
    void setNotes(NotesStore *notes);
    PlayerViewModel *player() const { return m_player; }
    void setPlayer(PlayerViewModel *player);
    LibraryViewModel *library() const { return m_library; }
    void setLibrary(LibraryViewModel *library);
    double trackId() const { return m_trackId; }
    void setTrackId(double trackId);
    bool allLectures() const { return m_allLectures; }
    void setAllLectures(bool all);
    int count() const { return int(m_rows.size()); }
    int noteCount() const { return m_noteCount; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // A note of the current lecture at the player's position, with `text`; its id, or -1
    // when nothing plays.
    Q_INVOKABLE double takeNote(const QString &text = QString());
    // Plays the row's lecture from the row's note (a seek when it is the current lecture; a
    // passage of the current lecture starts repeating).
    // The queue is the listed lectures that are in the library.
    Q_INVOKABLE void play(int row);
    Q_INVOKABLE void setText(int row, const QString &text);
    Q_INVOKABLE void setNoteText(double noteId, const QString &text);
    Q_INVOKABLE void remove(int row);

signals:
    void notesChanged();
    void playerChanged();
    void libraryChanged();
    void trackIdChanged();
    void allLecturesChanged();
    void countChanged();

private:
    struct Row
    {
        bool header = false;
        qint64 trackId = 0;
        NotesStore::Note note;
        QString title;
        QString ustadz;
        bool inLibrary = false;
        int noteCount = 0;
        bool sameSlot(const Row &other) const
        {
            return header == other.header && trackId == other.trackId && note.id == other.note.id;
        }
    };

    void rebuild();
    void indexLibrary();

    QPointer<NotesStore> m_notes;
    QPointer<PlayerViewModel> m_player;
    QPointer<LibraryViewModel> m_library;
    QMetaObject::Connection m_notesConnection;
    QMetaObject::Connection m_libraryConnection;
    double m_trackId = qQNaN();
    bool m_allLectures = false;
    QList<Row> m_rows;
    int m_noteCount = 0;
    QHash<qint64, qsizetype> m_libraryRows; // library track id -> index in allTracks
};
