#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <optional>

// The download state file "state.json": one object, decimal track id -> absolute path of
// the stored file. Kept apart from the manager so that the fuzz targets reach it alone.
class DownloadState
{
public:
    // Nothing unless the document is an object whose values are all strings; members with a
    // malformed id are skipped.
    static std::optional<QHash<qint64, QString>> parse(const QByteArray &document);
    static QByteArray encode(const QHash<qint64, QString> &entries);
    // An optional sign and one or more ASCII digits, within the 64-bit range.
    static std::optional<qint64> parseTrackId(QStringView text);
};
