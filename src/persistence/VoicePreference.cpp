#include "persistence/VoicePreference.h"

#include "models/JsonField.h"
#include "models/JsonWriter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString filePath(const QString &folder)
{
    return folder + QStringLiteral("/voice.json");
}

} // namespace

bool VoicePreference::loadClearerVoice(const QString &folder)
{
    QFile file(filePath(folder));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    JsonReader reader;
    bool on = false;
    if (!reader.parse(file.readAll()) ||
        !JsonField::requireBool(reader.root(), QLatin1String("clearerVoice"), on, nullptr))
        return false;
    return on;
}

bool VoicePreference::saveClearerVoice(const QString &folder, bool on)
{
    JsonWriter writer;
    writer.beginObject();
    writer.key(QLatin1String("clearerVoice"));
    writer.value(on);
    writer.endObject();
    const QByteArray bytes = writer.result();
    QDir().mkpath(folder);
    QSaveFile file(filePath(folder));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
