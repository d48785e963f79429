#include "audio/PlayQueue.h"

void PlayQueue::start(const Track &track, const std::optional<QList<Track>> &queue)
{
    if (queue) {
        m_tracks = *queue;
        m_original = *queue;
    }
    for (qsizetype i = 0; i < m_tracks.size(); ++i) {
        if (m_tracks[i].id == track.id) {
            m_index = i;
            return;
        }
    }
    m_tracks = {track};
    m_original = m_tracks;
    m_index = 0;
}

PlayQueue::Step PlayQueue::next(RepeatMode repeat)
{
    if (m_tracks.isEmpty())
        return Step::None;
    if (repeat == RepeatMode::One)
        return Step::Restart;
    m_index = (m_index + 1) % m_tracks.size();
    if (m_index == 0 && repeat == RepeatMode::Off)
        return Step::Stop;
    return Step::Play;
}

bool PlayQueue::previous()
{
    if (m_tracks.isEmpty())
        return false;
    const qint64 count = m_tracks.size();
    m_index = (m_index - 1 + count) % count;
    return true;
}

std::optional<Track> PlayQueue::following() const
{
    if (m_index + 1 >= m_tracks.size())
        return std::nullopt;
    return m_tracks.at(m_index + 1);
}
