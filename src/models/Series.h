#pragma once

#include "models/Track.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// Lectures of one teacher whose titles share a base and differ in a part number ("Kitab
// Tauhid - Bagian 12", "Syarah Ushul Tsalatsah #5", "Fiqih Puasa (Pertemuan 3)"), found in
// the library by their titles alone. Where a title leaves a doubt, it belongs to no series:
// a wrong series is worse than none.
struct SeriesPart
{
    // The title before its last part marker, separators trimmed.
    QString base;
    int number = 0;
};

struct Series
{
    QString title;      // the base as the lowest-numbered part writes it
    QString ustadz;     // as the library writes it
    QList<qint64> ids;  // parts in order: by number, equal numbers by id
    QList<int> numbers; // each part's number, same order
};

class SeriesIndex
{
public:
    struct Place
    {
        int series = -1; // index into all()
        int part = -1;   // index into that series' ids
    };

    // Highest number a part may carry; anything above belongs to the subject.
    static constexpr int MaximumPart = 10000;

    // The part a title names, if any. The last marker of the title decides: "Bagian 3",
    // "Bag. 3", "bag 3", "Part 3", "Pertemuan 3", "Sesi 3", "Seri 3", "Jilid 3", "Kajian
    // ke-3" (also with Roman numerals: "Bagian III"), "#3", "(3)", and "- 3" closing the
    // title. A number without a marker belongs to the subject ("Tafsir Juz 30").
    static std::optional<SeriesPart> partOf(QStringView title);

    // Every series of the library: two or more lectures of one teacher with the same base
    // and at least two different numbers. Series in library order of their first lecture.
    static SeriesIndex group(const QList<Track> &tracks);

    const std::vector<Series> &all() const { return m_series; }
    std::optional<Place> placeOf(qint64 trackId) const;
    // Series of one teacher (as the library writes the name), in all()'s order.
    QList<int> seriesOfUstadz(const QString &ustadz) const;
    bool isEmpty() const { return m_series.empty(); }

private:
    std::vector<Series> m_series;
    QHash<qint64, Place> m_places;
};
