#include "NotesExport.h"

#include "TimeText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// One line per note, whatever the listener typed.
QString noteLine(const NotesStore::Note &note)
{
    QString text = note.text;
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    text = text.trimmed();
    QString time = TimeText::formatted(note.position);
    if (note.end)
        time += QStringLiteral("–") + TimeText::formatted(*note.end);
    return text.isEmpty() ? time : time + QStringLiteral(" — ") + text;
}

} // namespace

void NotesExport::setNotes(NotesStore *notes)
{
    if (m_notes == notes)
        return;
    m_notes = notes;
    emit notesChanged();
}

QString NotesExport::lectureText(const NotesStore::Lecture &lecture)
{
    QString out = lecture.title + QLatin1Char('\n') + lecture.ustadz + QStringLiteral("\n\n");
    for (const NotesStore::Note &note : lecture.notes)
        out += noteLine(note) + QLatin1Char('\n');
    return out;
}

QString NotesExport::markdown(const QList<NotesStore::Lecture> &lectures)
{
    QString out = QStringLiteral("# Catatan kajian\n");
    for (const NotesStore::Lecture &lecture : lectures) {
        out += QStringLiteral("\n## ") + lecture.title + QLatin1Char('\n');
        out += QLatin1Char('\n') + lecture.ustadz + QStringLiteral("\n\n");
        for (const NotesStore::Note &note : lecture.notes)
            out += QStringLiteral("- ") + noteLine(note) + QLatin1Char('\n');
    }
    return out;
}

QString NotesExport::lectureText(double trackId) const
{
    const NotesStore::Lecture *lecture = m_notes ? m_notes->lecture(qint64(trackId)) : nullptr;
    return lecture ? lectureText(*lecture) : QString();
}

QString NotesExport::markdown() const
{
    return m_notes ? markdown(m_notes->lectures()) : QString();
}

QUrl NotesExport::suggestedFile(const QString &name) const
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString safe = name;
    safe.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]")), QStringLiteral("-"));
    safe = safe.trimmed();
    if (safe.isEmpty() || safe.startsWith(QLatin1Char('.')))
        safe.prepend(QStringLiteral("catatan"));
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + safe);
}

void NotesExport::copy(const QString &text) const
{
    QGuiApplication::clipboard()->setText(text);
}

bool NotesExport::save(const QUrl &file, const QString &text) const
{
    if (!file.isLocalFile())
        return false;
    QSaveFile out(file.toLocalFile());
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
