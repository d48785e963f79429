#include "audio/downloads/DownloadState.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<qint64> DownloadState::parseTrackId(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text[j] < u'0' || text[j] > u'9')
            return std::nullopt;
    }
    // Sign and digits are checked above; this only rejects values out of range.
    bool ok = false;
    const qint64 id = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return id;
}

std::optional<QHash<qint64, QString>> DownloadState::parse(const QByteArray &document)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return std::nullopt;
    const QJsonObject object = json.object();
    QHash<qint64, QString> entries;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        if (const std::optional<qint64> id = parseTrackId(it.key()))
            entries.insert(*id, it.value().toString());
    }
    return entries;
}

QByteArray DownloadState::encode(const QHash<qint64, QString> &entries)
{
    QJsonObject object;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        object.insert(QString::number(it.key()), it.value());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
