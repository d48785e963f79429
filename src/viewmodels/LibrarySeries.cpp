#include "viewmodels/LibrarySeries.h"

#include <QPromise>
#include <QThreadPool>

LibrarySeries::LibrarySeries(QObject *parent)
    : QObject(parent), m_grouping(std::make_shared<const Grouping>())
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (m_watcher.future().resultCount() == 0)
            return;
        m_grouping = m_watcher.result();
        emit changed();
    });
}

LibrarySeries::~LibrarySeries()
{
    // The worker keeps its own copies; its result is dropped.
    m_watcher.disconnect(this);
}

void LibrarySeries::setTracks(const QList<Track> &tracks)
{
    auto promise = std::make_shared<QPromise<std::shared_ptr<const Grouping>>>();
    m_watcher.setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, tracks] {
        promise->addResult(group(tracks));
        promise->finish();
    });
}

std::shared_ptr<const LibrarySeries::Grouping> LibrarySeries::group(const QList<Track> &tracks)
{
    auto grouping = std::make_shared<Grouping>();
    grouping->index = SeriesIndex::group(tracks);
    grouping->tracks = tracks;
    for (const Series &series : grouping->index.all()) {
        for (qint64 id : series.ids)
            grouping->rowOfId.insert(id, -1);
    }
    for (qsizetype row = 0; row < tracks.size(); ++row) {
        auto found = grouping->rowOfId.find(tracks[row].id);
        if (found != grouping->rowOfId.end() && *found < 0)
            *found = row;
    }
    return grouping;
}

const SeriesIndex &LibrarySeries::index() const
{
    return m_grouping->index;
}

const Series *LibrarySeries::at(int series) const
{
    const auto &all = m_grouping->index.all();
    return series >= 0 && size_t(series) < all.size() ? &all[size_t(series)] : nullptr;
}

std::optional<SeriesIndex::Place> LibrarySeries::placeOf(qint64 trackId) const
{
    return m_grouping->index.placeOf(trackId);
}

QList<Track> LibrarySeries::parts(int series) const
{
    QList<Track> result;
    if (const Series *found = at(series)) {
        result.reserve(found->ids.size());
        for (qint64 id : found->ids)
            result.append(m_grouping->tracks.at(m_grouping->rowOfId.value(id)));
    }
    return result;
}

QList<Track> LibrarySeries::partsOf(const Track &track) const
{
    const std::optional<SeriesIndex::Place> place = placeOf(track.id);
    return place ? parts(place->series) : QList<Track>();
}

QString LibrarySeries::placeText(qint64 trackId) const
{
    const std::optional<SeriesIndex::Place> place = placeOf(trackId);
    if (!place)
        return {};
    const Series *series = at(place->series);
    return QStringLiteral("%1 · bagian %2 dari %3")
        .arg(series->title)
        .arg(place->part + 1)
        .arg(series->ids.size());
}
