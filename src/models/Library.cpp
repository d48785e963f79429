#include "models/Library.h"

#include "models/JsonField.h"

std::optional<LibraryResponse> LibraryResponse::fromJson(const QByteArray &document, QString *error)
{
    JsonReader reader;
    if (!reader.parse(document)) {
        if (error)
            *error = reader.errorString();
        return std::nullopt;
    }
    const JsonReader::Value root = reader.root();
    if (root.type() != JsonReader::Type::Object) {
        if (error)
            *error = QStringLiteral("the document is not an object");
        return std::nullopt;
    }
    LibraryResponse response;
    if (!JsonField::requireString(root, QLatin1String("status"), response.status, error) ||
        !JsonField::requireIntegral(root, QLatin1String("total_files"), response.totalFiles, error))
        return std::nullopt;
    const JsonReader::Value data = root.member(QLatin1String("data"));
    if (data.type() != JsonReader::Type::Array) {
        if (error)
            *error = data.isMissing() ? QStringLiteral("\"data\" is missing")
                                      : QStringLiteral("\"data\" is not an array");
        return std::nullopt;
    }
    response.data.reserve(data.size());
    qsizetype index = 0;
    for (const JsonReader::Value element : data) {
        QString reason;
        std::optional<Track> track = Track::fromJson(element, error ? &reason : nullptr);
        if (!track) {
            if (error)
                *error = QStringLiteral("track %1: %2").arg(index).arg(reason);
            return std::nullopt;
        }
        response.data.append(std::move(*track));
        ++index;
    }
    return response;
}
