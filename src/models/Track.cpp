#include "models/Track.h"

#include "models/JsonField.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex baseUrlMutex;
QString &baseUrlStorage()
{
    static QString url = QStringLiteral(TALVORA_SERVICE_URL);
    return url;
}

// The query-value characters that stay as they are besides the unreserved ones (letters,
// digits, - . _ ~, which QUrl::toPercentEncoding never encodes). & = + and # are not in the
// list: inside a value they would end it, start another or turn into a space at the service.
const QByteArray queryValueSafe = QByteArrayLiteral("!$'()*,;:@/?");

} // namespace

std::optional<Track> Track::fromJson(const JsonReader::Value &value, QString *error)
{
    if (value.type() != JsonReader::Type::Object) {
        if (error)
            *error = QStringLiteral("a track is not an object");
        return std::nullopt;
    }
    Track track;
    const bool ok =
        JsonField::requireIntegral(value, QLatin1String("id"), track.id, error) &&
        JsonField::requireString(value, QLatin1String("filename"), track.filename, error) &&
        JsonField::requireString(value, QLatin1String("slug"), track.slug, error) &&
        JsonField::requireNumber(value, QLatin1String("filemtime"), track.filemtime, error) &&
        JsonField::optionalString(value, QLatin1String("direct_url"), track.directUrl, error) &&
        JsonField::requireString(value, QLatin1String("ustadz"), track.ustadz, error) &&
        JsonField::requireString(value, QLatin1String("judul"), track.judul, error) &&
        JsonField::optionalIntegral(value, QLatin1String("size_bytes"), track.sizeBytes, error) &&
        JsonField::optionalNumber(value, QLatin1String("size_mb"), track.sizeMb, error) &&
        JsonField::optionalIntegral(value, QLatin1String("duration_seconds"), track.durationSeconds,
                                    error) &&
        JsonField::optionalString(value, QLatin1String("duration_formatted"),
                                  track.durationFormatted, error) &&
        JsonField::optionalIntegral(value, QLatin1String("views"), track.views, error);
    if (!ok)
        return std::nullopt;
    return track;
}

void Track::writeJson(JsonWriter &writer) const
{
    writer.beginObject();
    writer.key(QLatin1String("id"));
    writer.value(id);
    writer.key(QLatin1String("filename"));
    writer.value(filename);
    writer.key(QLatin1String("slug"));
    writer.value(slug);
    writer.key(QLatin1String("filemtime"));
    writer.value(filemtime);
    if (directUrl) {
        writer.key(QLatin1String("direct_url"));
        writer.value(*directUrl);
    }
    writer.key(QLatin1String("ustadz"));
    writer.value(ustadz);
    writer.key(QLatin1String("judul"));
    writer.value(judul);
    if (sizeBytes) {
        writer.key(QLatin1String("size_bytes"));
        writer.value(*sizeBytes);
    }
    if (sizeMb) {
        writer.key(QLatin1String("size_mb"));
        writer.value(*sizeMb);
    }
    if (durationSeconds) {
        writer.key(QLatin1String("duration_seconds"));
        writer.value(*durationSeconds);
    }
    if (durationFormatted) {
        writer.key(QLatin1String("duration_formatted"));
        writer.value(*durationFormatted);
    }
    if (views) {
        writer.key(QLatin1String("views"));
        writer.value(*views);
    }
    writer.endObject();
}

QJsonObject Track::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},         {QStringLiteral("filename"), filename},
        {QStringLiteral("slug"), slug},     {QStringLiteral("filemtime"), filemtime},
        {QStringLiteral("ustadz"), ustadz}, {QStringLiteral("judul"), judul},
    };
    if (directUrl)
        object.insert(QStringLiteral("direct_url"), *directUrl);
    if (sizeBytes)
        object.insert(QStringLiteral("size_bytes"), *sizeBytes);
    if (sizeMb)
        object.insert(QStringLiteral("size_mb"), *sizeMb);
    if (durationSeconds)
        object.insert(QStringLiteral("duration_seconds"), *durationSeconds);
    if (durationFormatted)
        object.insert(QStringLiteral("duration_formatted"), *durationFormatted);
    if (views)
        object.insert(QStringLiteral("views"), *views);
    return object;
}

QString Track::displayTitle() const
{
    return judul.isEmpty() ? slug : judul;
}

QString Track::displayUstadz() const
{
    return ustadz.isEmpty() ? QStringLiteral("Tidak diketahui") : ustadz;
}

QString Track::durationDisplay() const
{
    if (durationFormatted)
        return *durationFormatted;
    if (!durationSeconds)
        return QStringLiteral("-");
    // Truncating division; a negative length (a service fault) keeps its sign in both parts,
    // "-1:-5", which shows that the value is odd instead of hiding it.
    const qint64 seconds = *durationSeconds;
    const qint64 minutes = seconds / 60;
    const qint64 rest = seconds - minutes * 60;
    return QStringLiteral("%1:%2").arg(minutes).arg(
        QString::asprintf("%02lld", static_cast<long long>(rest)));
}

QUrl Track::streamURL() const
{
    return QUrl(ServiceAddress::baseUrl() + QStringLiteral("/stream.php?file=") +
                ServiceAddress::encodeFileName(filename));
}

QString ServiceAddress::baseUrl()
{
    QMutexLocker lock(&baseUrlMutex);
    return baseUrlStorage();
}

void ServiceAddress::setBaseUrl(const QString &url)
{
    QString trimmed = url;
    while (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    QMutexLocker lock(&baseUrlMutex);
    baseUrlStorage() = trimmed;
}

QString ServiceAddress::encodeFileName(const QString &filename)
{
    const QByteArray encoded = QUrl::toPercentEncoding(filename, queryValueSafe);
    if (encoded.isEmpty())
        return filename;
    return QString::fromLatin1(encoded);
}
