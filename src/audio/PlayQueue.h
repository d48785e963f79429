#pragma once

#include "models/RepeatMode.h"
#include "models/Track.h"

#include <QList>

#include <optional>

// The lectures a play started with (the list on screen, or a series) and where in them the
// current lecture stands; next and previous move through it.
class PlayQueue
{
public:
    // What next() asks of the player.
    enum class Step {
        None,    // the queue is empty
        Restart, // repeat one: the current lecture again from 0:00
        Stop,    // past the last lecture without repeat: stay paused
        Play,    // play track()
    };

    // Takes `queue` when given; without one, the queue is kept when it holds `track`. A queue
    // that lacks the track becomes the track alone.
    void start(const Track &track, const std::optional<QList<Track>> &queue);
    Step next(RepeatMode repeat);
    // Back by one, from the first to the last; false when the queue is empty.
    bool previous();
    // The lecture after the current one without wrapping round, if any.
    std::optional<Track> following() const;

    const QList<Track> &tracks() const { return m_tracks; }
    const QList<Track> &original() const { return m_original; }
    qint64 currentIndex() const { return m_index; }
    // The lecture at currentIndex(); only valid while the queue is not empty.
    const Track &track() const { return m_tracks.at(m_index); }
    bool isEmpty() const { return m_tracks.isEmpty(); }

private:
    QList<Track> m_tracks;
    QList<Track> m_original;
    qint64 m_index = 0;
};
