#include "viewmodels/PlayerViewModel.h"

#include "Logging.h"

#include "audio/AudioEngine.h"
#include "audio/PassageRepeat.h"
#include "persistence/Store.h"
#include "prayer/PrayerPause.h"
#include "viewmodels/LibrarySeries.h"
#include "viewmodels/ResumeRule.h"

#include <QDebug>
#include <QPointer>

#include <algorithm>

PlayerViewModel::PlayerViewModel(AudioEngine &engine, Store &store, QObject *parent)
    : QObject(parent), m_engine(engine), m_store(store), m_finished(store.folderURL())
{
    bindMirrors();
    // Next and previous inside the engine resume each lecture at its own place too.
    m_engine.setResumeRule([self = QPointer<PlayerViewModel>(this)](const Track &track) {
        return self ? self->resumePosition(track) : 0.0;
    });
    connect(&m_engine, &AudioEngine::reachedEnd, this, &PlayerViewModel::recordEnd);
    connect(&m_engine, &AudioEngine::playedOn, this,
            [this](const Track &track) { recordStart(track, m_engine.currentTime()); });
    connect(&m_engine, &AudioEngine::afterLectureChanged, this,
            &PlayerViewModel::afterLectureChanged);
    connect(&m_engine, &AudioEngine::positionJumped, this, &PlayerViewModel::savePosition);
    connect(&m_engine, &AudioEngine::playbackRateChanged, this,
            &PlayerViewModel::playbackRateChanged);
    connect(&m_engine, &AudioEngine::smartRewindChanged, this,
            &PlayerViewModel::smartRewindChanged);
    connect(&m_engine, &AudioEngine::isReconnectingChanged, this,
            &PlayerViewModel::isReconnectingChanged);
    connect(&m_engine, &AudioEngine::loadFailedChanged, this, &PlayerViewModel::loadFailedChanged);
    connect(&m_engine.sleepTimer(), &SleepTimer::activeChanged, this,
            &PlayerViewModel::sleepTimerChanged);
    connect(&m_engine.sleepTimer(), &SleepTimer::remainingSecondsChanged, this,
            &PlayerViewModel::sleepTimerRemainingChanged);
    const std::optional<Store::Settings> settings = m_store.loadSettings();
    // The engine keeps its own flags; only this object shows the stored ones.
    setShuffle(settings ? settings->shuffle : false);
    setRepeatMode(settings ? settings->repeatMode : RepeatMode::Off);
    connect(&m_engine, &AudioEngine::clearerVoiceChanged, this,
            &PlayerViewModel::clearerVoiceChanged);
    m_saveTimer.setParent(this);
    m_saveTimer.setObjectName(QStringLiteral("saveTimer"));
    m_saveTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(this, &PlayerViewModel::saveTick, Qt::QueuedConnection);
    });
    startSaveTimer();
    m_prayerPause = std::make_unique<PrayerPause>(
        m_engine, PrayerPause::Options{.preferencesFolder = m_store.folderURL()});
    m_passageRepeat = std::make_unique<PassageRepeat>(m_engine);
}

PlayerViewModel::PlayerViewModel(QObject *parent)
    : PlayerViewModel(AudioEngine::shared(), Store::shared(), parent)
{
}

PlayerViewModel::~PlayerViewModel() = default;

void PlayerViewModel::bindMirrors()
{
    // Each mirror takes the engine's value now and on every later change.
    const auto bind = [this](auto signal, auto update) {
        update();
        connect(&m_engine, signal, this, update);
    };
    bind(&AudioEngine::currentTrackChanged, [this] { setCurrentTrack(m_engine.currentTrack()); });
    bind(&AudioEngine::isPlayingChanged, [this] { setIsPlaying(m_engine.isPlaying()); });
    bind(&AudioEngine::currentTimeChanged, [this] { setCurrentTime(m_engine.currentTime()); });
    bind(&AudioEngine::durationChanged, [this] { setDuration(m_engine.duration()); });
    bind(&AudioEngine::playbackStateChanged,
         [this] { setPlaybackState(m_engine.playbackState()); });
    bind(&AudioEngine::shuffleChanged, [this] { setShuffle(m_engine.shuffle()); });
    bind(&AudioEngine::repeatModeChanged, [this] { setRepeatMode(m_engine.repeatMode()); });
}

QVariant PlayerViewModel::currentTrackVariant() const
{
    return m_currentTrack ? QVariant::fromValue(*m_currentTrack) : QVariant();
}

QString PlayerViewModel::currentTitle() const
{
    return m_currentTrack ? m_currentTrack->displayTitle() : QString();
}

QString PlayerViewModel::currentUstadz() const
{
    return m_currentTrack ? m_currentTrack->displayUstadz() : QString();
}

QString PlayerViewModel::currentDurationText() const
{
    return m_currentTrack ? m_currentTrack->durationDisplay() : QString();
}

double PlayerViewModel::currentTrackIdValue() const
{
    return m_currentTrack ? double(m_currentTrack->id) : -1.0;
}

QVariant PlayerViewModel::lastPlayedTrackIdVariant() const
{
    return m_lastPlayedTrackId ? QVariant::fromValue(double(*m_lastPlayedTrackId)) : QVariant();
}

bool PlayerViewModel::clearerVoice() const
{
    return m_engine.clearerVoice();
}

void PlayerViewModel::setClearerVoice(bool on)
{
    m_engine.setClearerVoice(on);
}

Store::Settings PlayerViewModel::settingsBase() const
{
    // The stored flags are kept as they are; a missing or unreadable file means false/off.
    Store::Settings settings;
    if (const std::optional<Store::Settings> stored = m_store.loadSettings()) {
        settings.shuffle = stored->shuffle;
        settings.repeatMode = stored->repeatMode;
    }
    return settings;
}

void PlayerViewModel::play(const Track &track, const QList<Track> &queue,
                           std::optional<double> resumePosition)
{
    // Without a place of its own the lecture goes on where it was left, and that place, not
    // a 0, is what the settings and the history keep.
    const double position =
        resumePosition ? qMax(0.0, *resumePosition) : this->resumePosition(track);
    m_engine.play(track, queue, position);
    recordStart(track, position);
}

double PlayerViewModel::resumePosition(const Track &track) const
{
    if (m_finished.isFinished(track.id))
        return 0;
    return ResumeRule::fromHistory(track, m_store.loadPlaybackHistory());
}

void PlayerViewModel::recordStart(const Track &track, double position)
{
    const double duration = track.durationSeconds ? double(*track.durationSeconds) : 0;
    Store::Settings settings = settingsBase();
    settings.lastTrackId = track.id;
    settings.lastPosition = position;
    settings.lastDuration = duration;
    m_store.saveSettings(settings);
    m_store.addOrUpdatePlaybackHistory(track.id, position, duration);
    setLastPlayedTrackId(track.id);
}

void PlayerViewModel::recordEnd()
{
    if (!m_currentTrack)
        return;
    const double end = m_duration > 0 ? m_duration : m_currentTime;
    Store::Settings settings = settingsBase();
    settings.lastTrackId = m_currentTrack->id;
    settings.lastPosition = end;
    settings.lastDuration = m_duration;
    m_store.saveSettings(settings);
    m_store.addOrUpdatePlaybackHistory(m_currentTrack->id, end, m_duration);
    m_finished.setFinished(m_currentTrack->id, true);
    m_reachedFinish = m_currentTrack->id;
}

void PlayerViewModel::setLibrarySeries(LibrarySeries *series)
{
    disconnect(m_seriesConnection);
    m_series = series;
    if (m_series)
        m_seriesConnection = connect(m_series, &LibrarySeries::changed, this,
                                     &PlayerViewModel::currentSeriesTextChanged);
    m_engine.setSeriesLookup([series = QPointer<LibrarySeries>(series)](const Track &track) {
        return series ? series->partsOf(track) : QList<Track>();
    });
    emit currentSeriesTextChanged();
}

QString PlayerViewModel::currentSeriesText() const
{
    return m_series && m_currentTrack ? m_series->placeText(m_currentTrack->id) : QString();
}

int PlayerViewModel::afterLecture() const
{
    return m_engine.afterLectureValue();
}

void PlayerViewModel::setAfterLecture(int rule)
{
    m_engine.setAfterLectureValue(rule);
}

void PlayerViewModel::togglePlay()
{
    qCInfo(lcPlayer).noquote() << "[PlayerVM] togglePlay currentTrack=" +
                                      QString::number(m_currentTrack ? m_currentTrack->id : -1) +
                                      " isPlaying=" +
                                      (m_isPlaying ? QStringLiteral("true")
                                                   : QStringLiteral("false"));
    m_engine.togglePlay();
}

void PlayerViewModel::next()
{
    m_engine.next();
}

void PlayerViewModel::previous()
{
    m_engine.previous();
}

void PlayerViewModel::seekAndPlay(double time)
{
    m_engine.seekAndPlay(time);
}

void PlayerViewModel::resumeIfNeeded(const QList<Track> &tracks)
{
    const std::optional<Store::Settings> settings = m_store.loadSettings();
    if (!settings || !settings->lastTrackId || tracks.isEmpty())
        return;
    const qint64 id = *settings->lastTrackId;
    const auto found =
        std::find_if(tracks.cbegin(), tracks.cend(), [id](const Track &t) { return t.id == id; });
    if (found == tracks.cend())
        return;
    // A lecture heard to its end comes back ready to be heard again from 0:00; its history
    // keeps that it was finished (nothing is saved until it plays).
    const double length = found->durationSeconds && *found->durationSeconds > 0
                              ? double(*found->durationSeconds)
                              : settings->lastDuration;
    const double position =
        ResumeRule::hasEnded(settings->lastPosition, length) ? 0 : settings->lastPosition;
    setCurrentTrack(*found);
    setDuration(settings->lastDuration);
    setCurrentTime(position);
    setLastPlayedTrackId(id);
    std::optional<double> lastHeard;
    for (const Store::PlaybackHistoryItem &item : m_store.loadPlaybackHistory()) {
        if (item.id == id) {
            lastHeard = item.lastPlayedAt;
            break;
        }
    }
    m_engine.prepare(*found, position, lastHeard);
}

double PlayerViewModel::playbackRate() const
{
    return m_engine.playbackRate();
}

void PlayerViewModel::setPlaybackRate(double rate)
{
    m_engine.setPlaybackRate(rate);
}

QString PlayerViewModel::rateText(double rate)
{
    if (rate == 1.0)
        return {};
    return QString::number(rate, 'g', 3).replace(QLatin1Char('.'), QLatin1Char(',')) +
           QStringLiteral("×");
}

QString PlayerViewModel::playbackRateText() const
{
    return rateText(m_engine.playbackRate());
}

bool PlayerViewModel::smartRewind() const
{
    return m_engine.smartRewind();
}

void PlayerViewModel::setSmartRewind(bool on)
{
    m_engine.setSmartRewind(on);
}

bool PlayerViewModel::isReconnecting() const
{
    return m_engine.isReconnecting();
}

bool PlayerViewModel::loadFailed() const
{
    return m_engine.loadFailed();
}

bool PlayerViewModel::sleepTimerActive() const
{
    return m_engine.sleepTimer().isActive();
}

bool PlayerViewModel::sleepTimerUntilEnd() const
{
    return m_engine.sleepTimer().untilEndOfLecture();
}

int PlayerViewModel::sleepTimerRemaining() const
{
    return m_engine.sleepTimer().remainingSeconds();
}

void PlayerViewModel::skipBackward()
{
    m_engine.skip(-SkipBack);
}

void PlayerViewModel::skipForward()
{
    m_engine.skip(SkipForward);
}

QList<double> PlayerViewModel::rateChoices()
{
    return {0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
}

// A stored speed between two choices (an older version stepped by 0.1) steps to its neighbour.
void PlayerViewModel::slower()
{
    const QList<double> rates = rateChoices();
    const double rate = m_engine.playbackRate();
    const auto lower =
        std::find_if(rates.rbegin(), rates.rend(), [rate](double r) { return r < rate - 0.001; });
    if (lower != rates.rend())
        m_engine.setPlaybackRate(*lower);
}

void PlayerViewModel::faster()
{
    const QList<double> rates = rateChoices();
    const double rate = m_engine.playbackRate();
    const auto higher =
        std::find_if(rates.begin(), rates.end(), [rate](double r) { return r > rate + 0.001; });
    if (higher != rates.end())
        m_engine.setPlaybackRate(*higher);
}

void PlayerViewModel::resetRate()
{
    m_engine.setPlaybackRate(1.0);
}

void PlayerViewModel::startSleepTimer(int minutes)
{
    m_engine.sleepTimer().start(std::chrono::minutes(qMax(1, minutes)));
}

void PlayerViewModel::startSleepTimerUntilEnd()
{
    m_engine.sleepTimer().startUntilEndOfLecture();
}

void PlayerViewModel::cancelSleepTimer()
{
    m_engine.sleepTimer().cancel();
}

void PlayerViewModel::setSaveInterval(std::chrono::milliseconds interval)
{
    m_saveInterval = interval;
    startSaveTimer();
}

void PlayerViewModel::startSaveTimer()
{
    m_saveTimer.stop();
    m_saveTimer.start(m_saveInterval);
}

void PlayerViewModel::saveTick()
{
    if (!m_currentTrack)
        return;
    if (!m_isPlaying && m_currentTime <= 0)
        return;
    savePosition();
    // Heard into its final stretch: finished, once per lecture.
    if (m_isPlaying && m_reachedFinish != m_currentTrack->id &&
        ResumeRule::isFinished(m_currentTime, m_duration)) {
        m_reachedFinish = m_currentTrack->id;
        m_finished.setFinished(m_currentTrack->id, true);
    }
}

void PlayerViewModel::savePosition()
{
    if (!m_currentTrack)
        return;
    Store::Settings settings = settingsBase();
    settings.lastTrackId = m_currentTrack->id;
    settings.lastPosition = m_currentTime;
    settings.lastDuration = m_duration;
    m_store.saveSettings(settings);
    m_store.addOrUpdatePlaybackHistory(m_currentTrack->id, m_currentTime, m_duration);
}

void PlayerViewModel::setCurrentTrack(const std::optional<Track> &track)
{
    if (m_currentTrack == track)
        return;
    m_currentTrack = track;
    emit currentTrackChanged();
    emit currentSeriesTextChanged();
}

void PlayerViewModel::setIsPlaying(bool playing)
{
    if (m_isPlaying == playing)
        return;
    m_isPlaying = playing;
    emit isPlayingChanged();
}

void PlayerViewModel::setCurrentTime(double time)
{
    if (m_currentTime == time)
        return;
    m_currentTime = time;
    emit currentTimeChanged();
}

void PlayerViewModel::setDuration(double duration)
{
    if (m_duration == duration)
        return;
    m_duration = duration;
    emit durationChanged();
}

void PlayerViewModel::setPlaybackState(PlaybackState state)
{
    if (m_playbackState.mode == state.mode)
        return;
    m_playbackState = state;
    emit playbackStateChanged();
}

void PlayerViewModel::setShuffle(bool shuffle)
{
    if (m_shuffle == shuffle)
        return;
    m_shuffle = shuffle;
    emit shuffleChanged();
}

void PlayerViewModel::setRepeatMode(RepeatMode mode)
{
    if (m_repeatMode == mode)
        return;
    m_repeatMode = mode;
    emit repeatModeChanged();
}

void PlayerViewModel::setLastPlayedTrackId(std::optional<qint64> id)
{
    if (m_lastPlayedTrackId == id)
        return;
    m_lastPlayedTrackId = id;
    emit lastPlayedTrackIdChanged();
}
