#include "persistence/Preferences.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

namespace {
const QString RateKey = QStringLiteral("playbackRate");
const QString SmartRewindKey = QStringLiteral("smartRewind");
const QString ClearerVoiceKey = QStringLiteral("clearerVoice");
const QString AfterLectureKey = QStringLiteral("afterLecture");
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
    if (const QJsonValue rate = object.value(RateKey); rate.isDouble())
        values.playbackRate = clampedRate(rate.toDouble());
    if (const QJsonValue rewind = object.value(SmartRewindKey); rewind.isBool())
        values.smartRewind = rewind.toBool();
    if (const QJsonValue voice = object.value(ClearerVoiceKey); voice.isBool())
        values.clearerVoice = voice.toBool();
    if (const QJsonValue after = object.value(AfterLectureKey); after.isString())
        values.afterLecture = after.toString();
    return values;
}

QByteArray Preferences::encode(const Values &values)
{
    const QJsonObject object{{RateKey, clampedRate(values.playbackRate)},
                             {SmartRewindKey, values.smartRewind},
                             {ClearerVoiceKey, values.clearerVoice},
                             {AfterLectureKey, values.afterLecture}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Preferences::Values Preferences::load() const
{
    if (m_folder.isEmpty())
        return {};
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decode(file.readAll()).value_or(Values{});
}

bool Preferences::save(const Values &values)
{
    if (m_folder.isEmpty())
        return false;
    QDir().mkpath(m_folder);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(encode(values));
    return file.commit();
}
