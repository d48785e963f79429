#include "persistence/FinishedLectures.h"

#include "models/JsonReader.h"
#include "models/JsonWriter.h"
#include "persistence/DamagedFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {
const QLatin1String FinishedKey("finished");
const QLatin1String HideKey("hideFinished");

// Reads `path`; a file that does not decode is set aside. False when it could not be.
bool readIntact(const QString &path, std::optional<FinishedLectures::Values> *values)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false; // unreadable is not damaged: nothing may replace it
    const QByteArray bytes = file.readAll();
    file.close();
    *values = FinishedLectures::decode(bytes);
    return *values || !DamagedFile::setAside(path, u"[Finished]").isEmpty();
}
} // namespace

FinishedLectures::FinishedLectures(QString folder, QObject *parent)
    : QObject(parent), m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        return;
    std::optional<Values> stored;
    readIntact(filePath(), &stored);
    if (stored)
        m_values = std::move(*stored);
}

QString FinishedLectures::filePath() const
{
    return m_folder + QLatin1Char('/') + QLatin1String(FileName);
}

bool FinishedLectures::setFinished(qint64 id, bool finished)
{
    if (m_values.ids.contains(id) == finished)
        return false;
    if (finished)
        m_values.ids.insert(id);
    else
        m_values.ids.remove(id);
    save();
    emit finishedChanged(id, finished);
    return true;
}

void FinishedLectures::setHideFinished(bool hide)
{
    if (m_values.hideFinished == hide)
        return;
    m_values.hideFinished = hide;
    save();
    emit hideFinishedChanged();
}

void FinishedLectures::save()
{
    if (m_folder.isEmpty())
        return;
    QDir().mkpath(m_folder);
    // On the writer thread: a damaged file in the way is set aside first, kept when it cannot be.
    const auto guard = [](const QString &path) {
        std::optional<Values> stored;
        return readIntact(path, &stored);
    };
    m_writer.write(filePath(), encode(m_values), guard);
}

std::optional<FinishedLectures::Values> FinishedLectures::decode(const QByteArray &bytes)
{
    JsonReader reader;
    if (!reader.parse(bytes))
        return std::nullopt;
    const JsonReader::Value root = reader.root();
    if (root.type() != JsonReader::Type::Object)
        return std::nullopt;
    Values values;
    const JsonReader::Value ids = root.member(FinishedKey);
    if (ids.type() != JsonReader::Type::Array)
        return std::nullopt;
    for (const JsonReader::Value id : ids) {
        const std::optional<qint64> value = id.integral();
        if (!value)
            return std::nullopt;
        values.ids.insert(*value);
    }
    const JsonReader::Value hide = root.member(HideKey);
    if (!hide.isMissing()) {
        const std::optional<bool> flag = hide.boolean();
        if (!flag)
            return std::nullopt;
        values.hideFinished = *flag;
    }
    return values;
}

QByteArray FinishedLectures::encode(const Values &values)
{
    QList<qint64> ids(values.ids.cbegin(), values.ids.cend());
    std::sort(ids.begin(), ids.end());
    JsonWriter writer;
    writer.beginObject();
    writer.key(FinishedKey);
    writer.beginArray();
    for (qint64 id : ids)
        writer.value(id);
    writer.endArray();
    writer.key(HideKey);
    writer.value(values.hideFinished);
    writer.endObject();
    return writer.result();
}
