#pragma once

#include "models/Track.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The envelope of the library document: {"status": ..., "total_files": ..., "data": [...]}.
struct LibraryResponse
{
    QString status;
    qint64 totalFiles = 0;
    QList<Track> data;

    // Strict: one bad track fails the whole document; there is never a partial library.
    static std::optional<LibraryResponse> fromJson(const QByteArray &document,
                                                   QString *error = nullptr);

    bool operator==(const LibraryResponse &other) const = default;
};
