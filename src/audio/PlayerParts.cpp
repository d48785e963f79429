#include "audio/PlayerParts.h"

#include "audio/MpvBackend.h"
#include "audio/downloads/Downloads.h"
#include "persistence/Store.h"

PlayerParts::PlayerParts(std::unique_ptr<PlayerBackend> backend, Downloads *downloads,
                         Options options)
    : preferences(options.preferencesFolder), engine(std::move(backend), downloads, options.engine),
      smartRewind(options.clock), publisher(engine, nowPlaying)
{
    // The engine starts from the stored preferences; each later change is stored.
    engine.setPlaybackRate(preferences.playbackRate());
    engine.setSmartRewind(preferences.smartRewind());
    engine.setClearerVoice(preferences.clearerVoice());
    engine.setAfterLecture(
        NextLecture::fromName(preferences.afterLecture()).value_or(NextLecture::Rule::NextPart));
    QObject::connect(&engine, &AudioEngine::playbackRateChanged, &preferences,
                     [this] { preferences.setPlaybackRate(engine.playbackRate()); });
    QObject::connect(&engine, &AudioEngine::smartRewindChanged, &preferences,
                     [this] { preferences.setSmartRewind(engine.smartRewind()); });
    QObject::connect(&engine, &AudioEngine::clearerVoiceChanged, &preferences,
                     [this] { preferences.setClearerVoice(engine.clearerVoice()); });
    QObject::connect(&engine, &AudioEngine::afterLectureChanged, &preferences, [this] {
        preferences.setAfterLecture(NextLecture::name(engine.afterLecture()));
    });

    QObject::connect(&engine, &AudioEngine::listenerPaused, &smartRewind, &SmartRewind::notePaused);
    QObject::connect(&engine, &AudioEngine::pausedSince, &smartRewind,
                     &SmartRewind::notePausedSince);
    QObject::connect(&engine, &AudioEngine::resuming, &smartRewind, &SmartRewind::resuming);
    QObject::connect(&smartRewind, &SmartRewind::rewindTo, &engine, &AudioEngine::rewindTo);

    QObject::connect(&engine, &AudioEngine::nowPlayingChanged, &publisher,
                     &NowPlayingPublisher::publish);
    // The desktop's media keys and MPRIS commands.
    QObject::connect(&nowPlaying, &NowPlaying::playPauseRequested, &engine,
                     &AudioEngine::togglePlay);
    QObject::connect(&nowPlaying, &NowPlaying::playRequested, &engine,
                     &AudioEngine::handlePlayCommand);
    QObject::connect(&nowPlaying, &NowPlaying::pauseRequested, &engine,
                     &AudioEngine::handlePauseCommand);
    QObject::connect(&nowPlaying, &NowPlaying::nextRequested, &engine, &AudioEngine::next);
    QObject::connect(&nowPlaying, &NowPlaying::previousRequested, &engine, &AudioEngine::previous);
    QObject::connect(&nowPlaying, &NowPlaying::seekRequested, &engine, &AudioEngine::skip);
    QObject::connect(&nowPlaying, &NowPlaying::positionRequested, &engine, &AudioEngine::seekTo);
    QObject::connect(&nowPlaying, &NowPlaying::rateRequested, &engine, [this](double rate) {
        // MPRIS: a rate of 0 means pause.
        if (rate == 0)
            engine.handlePauseCommand();
        else
            engine.setPlaybackRate(rate);
    });
    if (options.registerMpris)
        nowPlaying.registerOnSessionBus();
}

PlayerParts &PlayerParts::shared()
{
    // Never destroyed: the player lives as long as the process.
    static PlayerParts *parts = new PlayerParts(
        std::make_unique<MpvBackend>(), &Downloads::shared(),
        Options{.registerMpris = true, .preferencesFolder = Store::shared().folderURL()});
    return *parts;
}

AudioEngine &AudioEngine::shared()
{
    return PlayerParts::shared().engine;
}
