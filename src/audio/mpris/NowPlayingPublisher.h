#pragma once

#include <QObject>

class AudioEngine;
class NowPlaying;

// Tells the desktop (NowPlaying) what the engine plays, each time the engine says that what
// it shows has changed.
class NowPlayingPublisher : public QObject
{
    Q_OBJECT

public:
    NowPlayingPublisher(const AudioEngine &engine, NowPlaying &nowPlaying,
                        QObject *parent = nullptr);

    // `jumped`: the place moved by a command, which MPRIS clients hear of as Seeked.
    void publish(bool jumped);

private:
    const AudioEngine &m_engine;
    NowPlaying &m_nowPlaying;
};
