#include "models/Track.h"

#include "models/JsonReader.h"

#include <QMutex>
#include <QMutexLocker>

#include <cmath>

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

std::optional<Track> Track::fromJson(const QJsonValue &value, QString *error)
{
    if (!value.isObject()) {
        if (error)
            *error = QStringLiteral("a track is not an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    Track track;
    const bool ok =
        JsonReader::requireIntegral(object, QLatin1String("id"), track.id, error) &&
        JsonReader::requireString(object, QLatin1String("filename"), track.filename, error) &&
        JsonReader::requireString(object, QLatin1String("slug"), track.slug, error) &&
        JsonReader::requireNumber(object, QLatin1String("filemtime"), track.filemtime, error) &&
        JsonReader::optionalString(object, QLatin1String("direct_url"), track.directUrl, error) &&
        JsonReader::requireString(object, QLatin1String("ustadz"), track.ustadz, error) &&
        JsonReader::requireString(object, QLatin1String("judul"), track.judul, error) &&
        JsonReader::optionalIntegral(object, QLatin1String("size_bytes"), track.sizeBytes, error) &&
        JsonReader::optionalNumber(object, QLatin1String("size_mb"), track.sizeMb, error) &&
        JsonReader::optionalIntegral(object, QLatin1String("duration_seconds"),
                                     track.durationSeconds, error) &&
        JsonReader::optionalString(object, QLatin1String("duration_formatted"),
                                   track.durationFormatted, error) &&
        JsonReader::optionalIntegral(object, QLatin1String("views"), track.views, error);
    if (!ok)
        return std::nullopt;
    return track;
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

bool Track::isEncodable() const
{
    return std::isfinite(filemtime) && (!sizeMb || std::isfinite(*sizeMb));
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
