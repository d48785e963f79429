#pragma once

#include "models/Series.h"
#include "models/Track.h"

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>

#include <memory>
#include <optional>

// The series of the library as the screens and the player use them. Grouped once per
// library on a worker thread, so a library of any size never holds up the GUI thread; until
// the first grouping is done no lecture is in a series.
class LibrarySeries : public QObject
{
    Q_OBJECT

public:
    explicit LibrarySeries(QObject *parent = nullptr);
    ~LibrarySeries() override;

    // Groups `tracks` anew; changed() follows once the grouping is in place.
    void setTracks(const QList<Track> &tracks);

    const SeriesIndex &index() const;
    const Series *at(int series) const;
    std::optional<SeriesIndex::Place> placeOf(qint64 trackId) const;
    // A series' parts in order.
    QList<Track> parts(int series) const;
    // The parts of the series that holds `track`; empty when it is in none.
    QList<Track> partsOf(const Track &track) const;
    // "Kitab Tauhid · bagian 12 dari 24"; empty when the lecture is in no series.
    QString placeText(qint64 trackId) const;

signals:
    void changed();

private:
    struct Grouping
    {
        SeriesIndex index;
        QList<Track> tracks;
        QHash<qint64, qsizetype> rowOfId;
    };
    static std::shared_ptr<const Grouping> group(const QList<Track> &tracks);

    std::shared_ptr<const Grouping> m_grouping;
    QFutureWatcher<std::shared_ptr<const Grouping>> m_watcher;
};
