#include "LibraryScreenTracks.h"

#include "viewmodels/LibrarySeries.h"
#include "viewmodels/LibraryViewModel.h"

HomeTracks::HomeTracks(const Sources &sources, QObject *parent) : ScreenTracks(sources, parent)
{
    refresh();
}

QList<Track> HomeTracks::rows() const
{
    return m_sources.library.popularTracks();
}

QList<Track> HomeTracks::queue() const
{
    return m_sources.library.popularTracks();
}

SearchTracks::SearchTracks(const Sources &sources, QObject *parent) : ScreenTracks(sources, parent)
{
    connect(&sources.library, &LibraryViewModel::searchTextChanged, this, &SearchTracks::refresh);
    refresh();
}

void SearchTracks::refresh()
{
    const bool blank = m_sources.library.searchText().trimmed().isEmpty();
    if (blank != m_queryBlank) {
        m_queryBlank = blank;
        emit queryBlankChanged();
    }
    // A blank query shows the prompt; the list is not filled with the whole library. The
    // rows are the library's own, so a keystroke copies no lectures.
    if (blank)
        m_model.updateTracks({});
    else
        m_model.updateRows(m_sources.library.allTracks(),
                           withoutHidden(m_sources.library.allTracks(),
                                         m_sources.library.filteredRows()));
}

QList<Track> SearchTracks::rows() const
{
    return m_sources.library.filteredTracks();
}

QList<Track> SearchTracks::queue() const
{
    return m_sources.library.filteredTracks();
}

TeacherTracks::TeacherTracks(const Sources &sources, QObject *parent)
    : ScreenTracks(sources, parent)
{
    connect(sources.library.series(), &LibrarySeries::changed, this, &TeacherTracks::refresh);
    refresh();
}

void TeacherTracks::setUstadz(const QString &ustadz)
{
    if (m_ustadz == ustadz)
        return;
    m_ustadz = ustadz;
    emit ustadzChanged();
    refresh();
}

QList<Track> TeacherTracks::rows() const
{
    QList<Track> rows = m_sources.library.tracksOfUstadz(m_ustadz);
    const LibrarySeries *series = m_sources.library.series();
    rows.removeIf([series](const Track &t) { return series->placeOf(t.id).has_value(); });
    return rows;
}

QList<Track> TeacherTracks::queue() const
{
    return m_model.tracks();
}

SeriesTracks::SeriesTracks(const Sources &sources, QObject *parent) : ScreenTracks(sources, parent)
{
    connect(sources.library.series(), &LibrarySeries::changed, this, &SeriesTracks::refresh);
    refresh();
}

void SeriesTracks::setSeries(int series)
{
    if (m_series == series)
        return;
    m_series = series;
    emit seriesChanged();
    refresh();
}

QList<Track> SeriesTracks::rows() const
{
    return m_sources.library.series()->parts(m_series);
}

QList<Track> SeriesTracks::queue() const
{
    return rows();
}
