#include "audio/mpris/NowPlayingPublisher.h"

#include "audio/AudioEngine.h"
#include "audio/mpris/NowPlaying.h"

NowPlayingPublisher::NowPlayingPublisher(const AudioEngine &engine, NowPlaying &nowPlaying,
                                         QObject *parent)
    : QObject(parent), m_engine(engine), m_nowPlaying(nowPlaying)
{
}

void NowPlayingPublisher::publish(bool jumped)
{
    const std::optional<Track> &track = m_engine.currentTrack();
    if (!track)
        return;
    NowPlayingInfo info;
    info.trackId = track->id;
    info.title = track->displayTitle();
    info.artist = track->displayUstadz();
    info.duration = m_engine.duration();
    info.elapsed = m_engine.currentTime();
    info.rate = m_engine.isPlaying() ? 1.0 : 0.0;
    info.speed = m_engine.playbackRate();
    info.stopped = m_engine.playbackState().mode == PlaybackState::Idle && !m_engine.isPlaying();
    info.hasQueue = !m_engine.queue().isEmpty();
    m_nowPlaying.publish(info, jumped);
}
