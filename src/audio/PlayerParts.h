#pragma once

#include "audio/AudioEngine.h"
#include "audio/SmartRewind.h"
#include "audio/mpris/NowPlaying.h"
#include "audio/mpris/NowPlayingPublisher.h"
#include "persistence/PlaybackPreferences.h"

#include <functional>
#include <memory>

class Downloads;

// The player's parts and the one place they are connected: the engine, the preferences it
// starts from and keeps, smart rewind, and the desktop's now-playing display and media keys.
// Tests build the same parts, or only the ones they need.
class PlayerParts
{
public:
    struct Options
    {
        AudioEngine::Options engine{};
        // Publish on the session bus as org.mpris.MediaPlayer2.talvora.
        bool registerMpris = false;
        // The data folder that holds the preferences file; empty keeps them in memory only.
        QString preferencesFolder{};
        // Seconds since 1970 for the length of pauses; tests replace it.
        std::function<double()> clock{};
    };

    // `downloads` may be null: every lecture then streams.
    PlayerParts(std::unique_ptr<PlayerBackend> backend, Downloads *downloads, Options options);

    // The program's parts over libmpv, with downloads and MPRIS; created on first use.
    static PlayerParts &shared();

    PlaybackPreferences preferences;
    AudioEngine engine;
    SmartRewind smartRewind;
    NowPlaying nowPlaying;
    NowPlayingPublisher publisher;
};
