#pragma once

#include "viewmodels/screens/HistoryTracks.h"
#include "viewmodels/screens/LibraryScreenTracks.h"
#include "viewmodels/screens/StoredTracks.h"

#include <QObject>

// Makes the track list of a screen when the screen is made, with the view models, download
// manager and store it reads. Each list belongs to `owner` (the screen) and goes with it.
class ScreenTracksFactory : public QObject
{
    Q_OBJECT
public:
    ScreenTracksFactory(const ScreenTracks::Sources &sources, QObject *parent = nullptr)
        : QObject(parent), m_sources(sources)
    {
    }

    Q_INVOKABLE HomeTracks *home(QObject *owner) { return new HomeTracks(m_sources, owner); }
    Q_INVOKABLE SearchTracks *search(QObject *owner) { return new SearchTracks(m_sources, owner); }
    Q_INVOKABLE TeacherTracks *teacher(QObject *owner)
    {
        return new TeacherTracks(m_sources, owner);
    }
    Q_INVOKABLE SeriesTracks *series(QObject *owner) { return new SeriesTracks(m_sources, owner); }
    Q_INVOKABLE HistoryTracks *history(QObject *owner)
    {
        return new HistoryTracks(m_sources, owner);
    }
    Q_INVOKABLE StoredTracks *stored(QObject *owner) { return new StoredTracks(m_sources, owner); }

private:
    ScreenTracks::Sources m_sources;
};
