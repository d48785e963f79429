#include "persistence/NotesStore.h"

#include "Logging.h"

#include "models/JsonField.h"
#include "models/JsonWriter.h"
#include "persistence/DamagedFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

namespace {

const QString fileName = QStringLiteral("notes.json");

double systemClock()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::optional<NotesStore::Note> decodeNote(const JsonReader::Value &value)
{
    if (value.type() != JsonReader::Type::Object)
        return std::nullopt;
    NotesStore::Note note;
    if (!JsonField::requireIntegral(value, QLatin1String("id"), note.id, nullptr) ||
        !JsonField::requireNumber(value, QLatin1String("position"), note.position, nullptr) ||
        !JsonField::requireString(value, QLatin1String("text"), note.text, nullptr) ||
        !JsonField::requireNumber(value, QLatin1String("noted_at"), note.notedAt, nullptr))
        return std::nullopt;
    if (note.position < 0)
        return std::nullopt;
    // Optional: a passage's end, never before its start.
    const JsonReader::Value end = value.member(QLatin1String("end"));
    if (end.type() != JsonReader::Type::Missing) {
        double seconds = 0;
        if (!JsonField::requireNumber(value, QLatin1String("end"), seconds, nullptr) ||
            seconds < note.position)
            return std::nullopt;
        note.end = seconds;
    }
    return note;
}

std::optional<NotesStore::Lecture> decodeLecture(const JsonReader::Value &value)
{
    if (value.type() != JsonReader::Type::Object)
        return std::nullopt;
    NotesStore::Lecture lecture;
    if (!JsonField::requireIntegral(value, QLatin1String("track_id"), lecture.trackId, nullptr) ||
        !JsonField::requireString(value, QLatin1String("title"), lecture.title, nullptr) ||
        !JsonField::requireString(value, QLatin1String("ustadz"), lecture.ustadz, nullptr))
        return std::nullopt;
    const JsonReader::Value notes = value.member(QLatin1String("notes"));
    if (notes.type() != JsonReader::Type::Array)
        return std::nullopt;
    for (const JsonReader::Value element : notes) {
        std::optional<NotesStore::Note> note = decodeNote(element);
        if (!note)
            return std::nullopt;
        lecture.notes.append(std::move(*note));
    }
    return lecture;
}

void sortNotes(QList<NotesStore::Note> &notes)
{
    std::stable_sort(
        notes.begin(), notes.end(), [](const NotesStore::Note &a, const NotesStore::Note &b) {
            return a.position < b.position || (a.position == b.position && a.id < b.id);
        });
}

} // namespace

double NotesStore::Lecture::lastNotedAt() const
{
    double last = 0;
    for (const Note &note : notes)
        last = std::max(last, note.notedAt);
    return last;
}

NotesStore::NotesStore(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_clock(systemClock)
{
    load();
}

QString NotesStore::filePath() const
{
    return m_folder + QLatin1Char('/') + fileName;
}

void NotesStore::setClock(std::function<double()> clock)
{
    m_clock = clock ? std::move(clock) : std::function<double()>(systemClock);
}

void NotesStore::load()
{
    QFile file(filePath());
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable is not damaged: the notes may be there, so nothing replaces them.
        m_writable = false;
        qCWarning(lcStore).noquote()
            << "[Notes] cannot read" << filePath() << "; notes are not saved";
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    std::optional<QList<Lecture>> lectures = decode(bytes);
    if (!lectures) {
        // Kept aside as evidence; when that fails nothing may write over it.
        m_writable = !DamagedFile::setAside(filePath(), u"[Notes]").isEmpty();
        return;
    }
    m_lectures = std::move(*lectures);
    for (const Lecture &lecture : std::as_const(m_lectures)) {
        for (const Note &note : lecture.notes)
            m_lastId = std::max(m_lastId, note.id);
    }
    sortLectures();
}

void NotesStore::sortLectures()
{
    for (Lecture &lecture : m_lectures)
        sortNotes(lecture.notes);
    std::stable_sort(m_lectures.begin(), m_lectures.end(), [](const Lecture &a, const Lecture &b) {
        return a.lastNotedAt() > b.lastNotedAt();
    });
}

void NotesStore::save()
{
    emit changed();
    if (!m_writable)
        return;
    const QByteArray bytes = encode(m_lectures);
    QDir().mkpath(m_folder);
    QSaveFile file(filePath());
    // Flushed by hand: Qt 6.4's commit() ignores a failure of its own final flush.
    const bool written = !bytes.isEmpty() && file.open(QIODevice::WriteOnly) &&
                         file.write(bytes) == bytes.size() && file.flush();
    if (!written)
        file.cancelWriting();
    if (!written || !file.commit())
        qCWarning(lcStore).noquote() << "[Notes] could not write" << filePath();
}

const NotesStore::Lecture *NotesStore::lecture(qint64 trackId) const
{
    for (const Lecture &lecture : m_lectures) {
        if (lecture.trackId == trackId)
            return &lecture;
    }
    return nullptr;
}

NotesStore::Note *NotesStore::findNote(qint64 noteId, Lecture **owner)
{
    for (Lecture &lecture : m_lectures) {
        for (Note &note : lecture.notes) {
            if (note.id == noteId) {
                *owner = &lecture;
                return &note;
            }
        }
    }
    return nullptr;
}

qint64 NotesStore::add(qint64 trackId, const QString &title, const QString &ustadz, double position,
                       double duration, const QString &text)
{
    if (!std::isfinite(position) || position < 0)
        position = 0;
    if (std::isfinite(duration) && duration > 0)
        position = std::min(position, duration);
    auto lecture = std::find_if(m_lectures.begin(), m_lectures.end(),
                                [trackId](const Lecture &l) { return l.trackId == trackId; });
    if (lecture == m_lectures.end()) {
        m_lectures.append(Lecture{trackId, title, ustadz, {}});
        lecture = m_lectures.end() - 1;
    } else {
        lecture->title = title;
        lecture->ustadz = ustadz;
    }
    const Note note{++m_lastId, position, text, m_clock()};
    lecture->notes.append(note);
    sortLectures();
    save();
    return note.id;
}

double NotesStore::addPassage(double trackId, const QString &title, const QString &ustadz,
                              double start, double end, double duration, const QString &text)
{
    if (!std::isfinite(start) || !std::isfinite(end) || start < 0 || end - start < 1.0)
        return -1;
    const qint64 id = add(qint64(trackId), title, ustadz, start, duration, text);
    Lecture *owner = nullptr;
    Note *note = findNote(id, &owner);
    note->end = std::max(note->position,
                         std::isfinite(duration) && duration > 0 ? std::min(end, duration) : end);
    save();
    return double(id);
}

bool NotesStore::setText(qint64 noteId, const QString &text)
{
    Lecture *owner = nullptr;
    Note *note = findNote(noteId, &owner);
    if (!note || note->text == text)
        return false;
    note->text = text;
    save();
    return true;
}

bool NotesStore::remove(qint64 noteId)
{
    Lecture *owner = nullptr;
    const Note *note = findNote(noteId, &owner);
    if (!note)
        return false;
    owner->notes.removeIf([noteId](const Note &n) { return n.id == noteId; });
    if (owner->notes.isEmpty()) {
        const qint64 trackId = owner->trackId;
        m_lectures.removeIf([trackId](const Lecture &l) { return l.trackId == trackId; });
    }
    sortLectures();
    save();
    return true;
}

std::optional<QList<NotesStore::Lecture>> NotesStore::decode(const QByteArray &bytes)
{
    JsonReader reader;
    if (!reader.parse(bytes) || reader.root().type() != JsonReader::Type::Object)
        return std::nullopt;
    const JsonReader::Value lectures = reader.root().member(QLatin1String("lectures"));
    if (lectures.type() != JsonReader::Type::Array)
        return std::nullopt;
    QList<Lecture> result;
    std::set<qint64> trackIds;
    std::set<qint64> noteIds;
    for (const JsonReader::Value element : lectures) {
        std::optional<Lecture> lecture = decodeLecture(element);
        // A lecture twice or a note id twice would make edits hit the wrong note.
        if (!lecture || !trackIds.insert(lecture->trackId).second)
            return std::nullopt;
        for (const Note &note : lecture->notes) {
            if (!noteIds.insert(note.id).second)
                return std::nullopt;
        }
        if (!lecture->notes.isEmpty())
            result.append(std::move(*lecture));
    }
    return result;
}

QByteArray NotesStore::encode(const QList<Lecture> &lectures)
{
    JsonWriter writer;
    writer.beginObject();
    writer.key(QLatin1String("lectures"));
    writer.beginArray();
    for (const Lecture &lecture : lectures) {
        writer.beginObject();
        writer.key(QLatin1String("track_id"));
        writer.value(lecture.trackId);
        writer.key(QLatin1String("title"));
        writer.value(lecture.title);
        writer.key(QLatin1String("ustadz"));
        writer.value(lecture.ustadz);
        writer.key(QLatin1String("notes"));
        writer.beginArray();
        for (const Note &note : lecture.notes) {
            writer.beginObject();
            writer.key(QLatin1String("id"));
            writer.value(note.id);
            writer.key(QLatin1String("position"));
            writer.value(note.position);
            writer.key(QLatin1String("text"));
            writer.value(note.text);
            writer.key(QLatin1String("noted_at"));
            writer.value(note.notedAt);
            if (note.end) {
                writer.key(QLatin1String("end"));
                writer.value(*note.end);
            }
            writer.endObject();
        }
        writer.endArray();
        writer.endObject();
    }
    writer.endArray();
    writer.endObject();
    return writer.result();
}
