#pragma once

#include "models/Track.h"

// A lecture for the tests: id N is served from "kajian-N.mp3" (slug "kajian-N") as "Kajian N"
// by "Ustadz N", of unknown length and views. Each call below returns a copy with one field
// changed, so a test names only what it relies on:
//
//     const Track track = Lecture(7).titled("Adab Menuntut Ilmu").lasting(120);
struct Lecture : Track
{
    explicit Lecture(qint64 lectureId)
    {
        id = lectureId;
        filename = QStringLiteral("kajian-%1.mp3").arg(lectureId);
        slug = QStringLiteral("kajian-%1").arg(lectureId);
        judul = QStringLiteral("Kajian %1").arg(lectureId);
        ustadz = QStringLiteral("Ustadz %1").arg(lectureId);
    }

    Lecture titled(const QString &title) const { return with(&Track::judul, title); }
    Lecture by(const QString &teacher) const { return with(&Track::ustadz, teacher); }
    Lecture servedAs(const QString &file) const { return with(&Track::filename, file); }
    Lecture lasting(std::optional<qint64> seconds) const
    {
        return with(&Track::durationSeconds, seconds);
    }
    Lecture viewed(std::optional<qint64> times) const { return with(&Track::views, times); }

private:
    template<typename Field, typename Value>
    Lecture with(Field Track::*field, const Value &value) const
    {
        Lecture copy = *this;
        copy.*field = value;
        return copy;
    }
};
