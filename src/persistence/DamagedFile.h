#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// A stored file that exists but does not decode is evidence (a hand edit, a disk fault, a
// sync conflict) and may hold the only copy of a user's data: before anything writes a new
// file in its place it is renamed to "<name>.damaged-<UTC timestamp>" beside it. Only the
// newest `kept` of those are kept.
class DamagedFile
{
public:
    static constexpr int kept = 3;

    // Renames `path` aside and logs one line tagged `tag` (e.g. "[Store]"). Returns the new
    // path, or an empty string when the file could not be moved (it then must not be
    // overwritten either).
    static QString setAside(const QString &path, QStringView tag);

    // The names set aside for `path`, newest first.
    static QStringList setAsideCopies(const QString &path);
};
