#include "viewmodels/NotesListModel.h"

#include "audio/PassageRepeat.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

NotesListModel::NotesListModel(QObject *parent) : QAbstractListModel(parent) {}

void NotesListModel::setNotes(NotesStore *notes)
{
    if (m_notes == notes)
        return;
    disconnect(m_notesConnection);
    m_notes = notes;
    if (notes)
        m_notesConnection = connect(notes, &NotesStore::changed, this, &NotesListModel::rebuild);
    emit notesChanged();
    rebuild();
}

void NotesListModel::setPlayer(PlayerViewModel *player)
{
    if (m_player == player)
        return;
    m_player = player;
    emit playerChanged();
}

void NotesListModel::setLibrary(LibraryViewModel *library)
{
    if (m_library == library)
        return;
    disconnect(m_libraryConnection);
    m_library = library;
    if (library) {
        m_libraryConnection = connect(library, &LibraryViewModel::tracksChanged, this, [this] {
            indexLibrary();
            rebuild();
        });
    }
    emit libraryChanged();
    indexLibrary();
    rebuild();
}

void NotesListModel::setTrackId(double trackId)
{
    if (m_trackId == trackId || (qIsNaN(m_trackId) && qIsNaN(trackId)))
        return;
    m_trackId = trackId;
    emit trackIdChanged();
    rebuild();
}

void NotesListModel::setAllLectures(bool all)
{
    if (m_allLectures == all)
        return;
    m_allLectures = all;
    emit allLecturesChanged();
    rebuild();
}

void NotesListModel::indexLibrary()
{
    m_libraryRows.clear();
    if (!m_library)
        return;
    const QList<Track> &tracks = m_library->allTracks();
    m_libraryRows.reserve(tracks.size());
    // Backwards: of a repeated id the first one counts, as in every other lookup by id.
    for (qsizetype i = tracks.size() - 1; i >= 0; --i)
        m_libraryRows.insert(tracks[i].id, i);
}

void NotesListModel::rebuild()
{
    QList<Row> rows;
    int noteCount = 0;
    const bool all = m_allLectures;
    if (m_notes) {
        for (const NotesStore::Lecture &lecture : m_notes->lectures()) {
            if (!all && double(lecture.trackId) != m_trackId)
                continue;
            Row head;
            head.header = true;
            head.trackId = lecture.trackId;
            head.title = lecture.title;
            head.ustadz = lecture.ustadz;
            head.noteCount = int(lecture.notes.size());
            head.inLibrary = m_libraryRows.contains(lecture.trackId);
            if (all)
                rows.append(head);
            for (const NotesStore::Note &note : lecture.notes) {
                Row row = head;
                row.header = false;
                row.note = note;
                rows.append(row);
            }
            noteCount += head.noteCount;
        }
    }

    const bool sameSlots =
        rows.size() == m_rows.size() &&
        std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(),
                   [](const Row &a, const Row &b) { return a.sameSlot(b); });
    if (sameSlots) {
        // An edit: the rows stay (and keep focus and scroll place), only their data changes.
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const Row &old = m_rows.at(i);
            const Row &now = rows.at(i);
            if (old.note == now.note && old.title == now.title && old.ustadz == now.ustadz &&
                old.inLibrary == now.inLibrary && old.noteCount == now.noteCount)
                continue;
            m_rows[i] = now;
            emit dataChanged(index(int(i)), index(int(i)));
        }
        return;
    }
    const int oldCount = count();
    const int oldNotes = m_noteCount;
    beginResetModel();
    m_rows = std::move(rows);
    m_noteCount = noteCount;
    endResetModel();
    if (oldCount != count() || oldNotes != m_noteCount)
        emit countChanged();
}

int NotesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant NotesListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case IsHeaderRole:
        return row.header;
    case TrackIdRole:
        return double(row.trackId);
    case NoteIdRole:
        return row.header ? -1.0 : double(row.note.id);
    case PositionRole:
        return row.note.position;
    case NoteTextRole:
        return row.note.text;
    case TitleRole:
        return row.title;
    case UstadzRole:
        return row.ustadz;
    case InLibraryRole:
        return row.inLibrary;
    case NoteCountRole:
        return row.noteCount;
    case PassageEndRole:
        return row.note.end.value_or(-1.0);
    default:
        return {};
    }
}

QHash<int, QByteArray> NotesListModel::roleNames() const
{
    return {{IsHeaderRole, "isHeader"},   {TrackIdRole, "trackId"},
            {NoteIdRole, "noteId"},       {PositionRole, "position"},
            {NoteTextRole, "noteText"},   {TitleRole, "title"},
            {UstadzRole, "ustadz"},       {InLibraryRole, "inLibrary"},
            {NoteCountRole, "noteCount"}, {PassageEndRole, "passageEnd"}};
}

double NotesListModel::takeNote(const QString &text)
{
    if (!m_notes || !m_player || !m_player->currentTrack())
        return -1;
    const Track &track = *m_player->currentTrack();
    double duration = m_player->duration();
    if (duration <= 0 && track.durationSeconds)
        duration = double(*track.durationSeconds);
    return double(m_notes->add(track.id, track.displayTitle(), track.displayUstadz(),
                               m_player->currentTime(), duration, text));
}

void NotesListModel::play(int row)
{
    if (row < 0 || row >= count() || !m_player)
        return;
    const Row &target = m_rows.at(row);
    if (target.header)
        return;
    if (m_player->currentTrack() && m_player->currentTrack()->id == target.trackId) {
        if (target.note.end &&
            m_player->passageRepeat()->repeatPassage(target.note.position, *target.note.end))
            return;
        m_player->seekAndPlay(target.note.position);
        return;
    }
    if (!target.inLibrary || !m_library)
        return;
    const QList<Track> &library = m_library->allTracks();
    QList<Track> queue;
    for (const Row &candidate : std::as_const(m_rows)) {
        const auto found = m_libraryRows.constFind(candidate.trackId);
        if (found != m_libraryRows.cend() &&
            (queue.isEmpty() || queue.constLast().id != candidate.trackId))
            queue.append(library.at(*found));
    }
    const Track track = library.at(m_libraryRows.value(target.trackId));
    m_player->play(track, queue, target.note.position);
}

void NotesListModel::setText(int row, const QString &text)
{
    if (row >= 0 && row < count() && !m_rows.at(row).header && m_notes)
        m_notes->setText(m_rows.at(row).note.id, text);
}

void NotesListModel::setNoteText(double noteId, const QString &text)
{
    if (m_notes && noteId >= 0)
        m_notes->setText(qint64(noteId), text);
}

void NotesListModel::remove(int row)
{
    if (row >= 0 && row < count() && !m_rows.at(row).header && m_notes)
        m_notes->remove(m_rows.at(row).note.id);
}
