#pragma once

#include "models/JsonReader.h"
#include "models/JsonWriter.h"

#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

// One lecture as the lecture service delivers it and as the library cache stores it.
// Identity is `id`; operator== compares every field.
struct Track
{
    qint64 id = 0;
    QString filename;
    QString slug;
    double filemtime = 0;
    std::optional<QString> directUrl;
    QString ustadz;
    QString judul;
    std::optional<qint64> sizeBytes;
    std::optional<double> sizeMb;
    std::optional<qint64> durationSeconds;
    std::optional<QString> durationFormatted;
    std::optional<qint64> views;

    // Strict decoding: required keys present with their JSON type, optional keys absent,
    // null or of their exact type, unknown keys ignored. Nothing on any failure; `error`
    // receives a short reason.
    static std::optional<Track> fromJson(const JsonReader::Value &value, QString *error = nullptr);
    // Compact form: absent optionals are left out, never written as null.
    void writeJson(JsonWriter &writer) const;
    // The same object for code that builds documents with Qt's JSON classes.
    QJsonObject toJson() const;

    // `judul`, or `slug` when `judul` is empty.
    QString displayTitle() const;
    // `ustadz`, or "Tidak diketahui" when `ustadz` is empty.
    QString displayUstadz() const;
    // "62:05" from seconds, the service's own text when given, "-" when unknown.
    QString durationDisplay() const;
    // Base URL + "/stream.php?file=" + the percent-encoded file name.
    QUrl streamURL() const;

    bool operator==(const Track &other) const = default;
};

Q_DECLARE_METATYPE(Track)

namespace ServiceAddress {
// The lecture service's base URL, without a trailing slash. Fixed at build time;
// tests point it at their own loopback service.
QString baseUrl();
void setBaseUrl(const QString &url);

// Percent-encodes a file name for a query value: RFC 3986 unreserved characters and the
// query's sub-delimiters stay, except & = + # which would split or alter the value.
QString encodeFileName(const QString &filename);
} // namespace ServiceAddress
