#include "models/Library.h"

#include "models/JsonReader.h"

#include <QJsonArray>

std::optional<LibraryResponse> LibraryResponse::fromJson(const QByteArray &document, QString *error)
{
    const std::optional<QJsonValue> root = JsonReader::parse(document, error);
    if (!root)
        return std::nullopt;
    if (!root->isObject()) {
        if (error)
            *error = QStringLiteral("the document is not an object");
        return std::nullopt;
    }
    const QJsonObject object = root->toObject();
    LibraryResponse response;
    if (!JsonReader::requireString(object, QLatin1String("status"), response.status, error) ||
        !JsonReader::requireIntegral(object, QLatin1String("total_files"), response.totalFiles,
                                     error))
        return std::nullopt;
    const QJsonValue data = object.value(QLatin1String("data"));
    if (!data.isArray()) {
        if (error)
            *error = data.isUndefined() ? QStringLiteral("\"data\" is missing")
                                        : QStringLiteral("\"data\" is not an array");
        return std::nullopt;
    }
    const QJsonArray elements = data.toArray();
    response.data.reserve(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i) {
        QString reason;
        std::optional<Track> track = Track::fromJson(elements.at(i), error ? &reason : nullptr);
        if (!track) {
            if (error)
                *error = QStringLiteral("track %1: %2").arg(i).arg(reason);
            return std::nullopt;
        }
        response.data.append(std::move(*track));
    }
    return response;
}
