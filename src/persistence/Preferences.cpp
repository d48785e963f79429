#include "persistence/Preferences.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

namespace {
const QString PrayerPauseKey = QStringLiteral("prayerPause");
const QStringList Authorities{QStringLiteral("kemenag"), QStringLiteral("jakim"),
                              QStringLiteral("kheu"), QStringLiteral("muis")};

// A stored value of the declared type, or nothing when the key holds another kind.
bool fromJson(const QJsonValue &json, double &value)
{
    value = json.toDouble();
    return json.isDouble();
}

bool fromJson(const QJsonValue &json, bool &value)
{
    value = json.toBool();
    return json.isBool();
}

bool fromJson(const QJsonValue &json, QString &value)
{
    value = json.toString();
    return json.isString();
}
} // namespace

Preferences::Preferences(QString folder) : m_folder(std::move(folder)) {}

QString Preferences::filePath() const
{
    return m_folder + QLatin1Char('/') + QLatin1String(FileName);
}

double Preferences::clampedRate(double rate)
{
    if (!std::isfinite(rate))
        return rate > 0 ? MaximumRate : rate < 0 ? MinimumRate : 1.0;
    // Steps of a hundredth, so repeated +0.1 does not drift to 1.2000000000000002.
    return std::round(std::clamp(rate, MinimumRate, MaximumRate) * 100) / 100;
}

std::optional<Preferences::Values> Preferences::decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Values values;
    // Each key on its own: a damaged value falls back to its default, the others stay.
#define TALVORA_PREFERENCE_DECODE(type, name, setter, fallback, normalize)                         \
    if (type value; fromJson(object.value(QLatin1String(#name)), value))                           \
        values.name = normalize(value);
    TALVORA_PLAYBACK_PREFERENCES(TALVORA_PREFERENCE_DECODE)
#undef TALVORA_PREFERENCE_DECODE
    return values;
}

QByteArray Preferences::encode(const Values &values)
{
    QJsonObject object;
#define TALVORA_PREFERENCE_ENCODE(type, name, setter, fallback, normalize)                         \
    object.insert(QLatin1String(#name), normalize(values.name));
    TALVORA_PLAYBACK_PREFERENCES(TALVORA_PREFERENCE_ENCODE)
#undef TALVORA_PREFERENCE_ENCODE
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray Preferences::read() const
{
    if (m_folder.isEmpty())
        return {};
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

Preferences::Values Preferences::load() const
{
    return decode(read()).value_or(Values{});
}

bool Preferences::merge(const QJsonObject &keys)
{
    if (m_folder.isEmpty())
        return false;
    // A damaged file is replaced whole, as before.
    QJsonObject object = QJsonDocument::fromJson(read()).object();
    for (auto it = keys.begin(); it != keys.end(); ++it)
        object.insert(it.key(), it.value());
    QDir().mkpath(m_folder);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    return file.commit();
}

bool Preferences::save(const Values &values)
{
    return merge(QJsonDocument::fromJson(encode(values)).object());
}

Preferences::PrayerPause Preferences::decodePrayerPause(const QByteArray &bytes)
{
    PrayerPause prayer;
    const QJsonObject object =
        QJsonDocument::fromJson(bytes).object().value(PrayerPauseKey).toObject();
    if (const QJsonValue on = object.value(QStringLiteral("enabled")); on.isBool())
        prayer.enabled = on.toBool();
    const QJsonObject place = object.value(QStringLiteral("place")).toObject();
    const QJsonValue lat = place.value(QStringLiteral("latitude"));
    const QJsonValue lon = place.value(QStringLiteral("longitude"));
    if (lat.isDouble() && lon.isDouble() && std::abs(lat.toDouble()) <= 90 &&
        std::abs(lon.toDouble()) <= 180) {
        prayer.hasPlace = true;
        prayer.latitude = lat.toDouble();
        prayer.longitude = lon.toDouble();
        prayer.placeName = place.value(QStringLiteral("name")).toString();
    }
    if (const QString authority = object.value(QStringLiteral("authority")).toString();
        Authorities.contains(authority))
        prayer.authority = authority;
    if (const int minutes = object.value(QStringLiteral("resumeAfterMinutes")).toInt();
        minutes == 10 || minutes == 15 || minutes == 20)
        prayer.resumeAfterMinutes = minutes;
    return prayer;
}

Preferences::PrayerPause Preferences::loadPrayerPause() const
{
    return decodePrayerPause(read());
}

bool Preferences::savePrayerPause(const PrayerPause &prayer)
{
    QJsonObject object{{QStringLiteral("enabled"), prayer.enabled},
                       {QStringLiteral("authority"), prayer.authority},
                       {QStringLiteral("resumeAfterMinutes"), prayer.resumeAfterMinutes}};
    if (prayer.hasPlace) {
        object.insert(QStringLiteral("place"),
                      QJsonObject{{QStringLiteral("name"), prayer.placeName},
                                  {QStringLiteral("latitude"), prayer.latitude},
                                  {QStringLiteral("longitude"), prayer.longitude}});
    }
    return merge(QJsonObject{{PrayerPauseKey, object}});
}
