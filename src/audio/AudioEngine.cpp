#include "audio/AudioEngine.h"

#include "Logging.h"

#include "audio/SecondsText.h"
#include "audio/downloads/Downloads.h"
#include "network/APIClient.h"
#include "network/StreamProbe.h"
#include "persistence/Preferences.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>
#include <QTimer>

#include <cmath>

namespace {

constexpr qint64 TimeCallbackInterval = PlayerBackend::Timescale / 4; // 0.25 s
// previous() rewinds the current lecture instead of going back once past this point.
constexpr double RewindThreshold = 3.0;

qint64 toPlayerTime(double seconds)
{
    return std::llround(seconds * PlayerBackend::Timescale);
}

QString trackIdText(const std::optional<Track> &track)
{
    return QString::number(track ? track->id : -1);
}

} // namespace

AudioEngine::AudioEngine(std::unique_ptr<PlayerBackend> backend, Downloads *downloads,
                         Options options, QObject *parent)
    : QObject(parent), m_backend(std::move(backend)), m_downloads(downloads), m_sleepTimer(*this),
      m_reconnector(options.reconnectDelaysMs, options.reconnectLimitMs)
{
    m_backend->setRate(m_playbackRate);
    connect(&m_reconnector, &StreamReconnector::tryNow, this, &AudioEngine::reconnectNow);
    connect(&m_reconnector, &StreamReconnector::gaveUp, this, [this](int tries) {
        qCWarning(lcAudio).noquote()
            << "[AudioEngine] reconnect gave up after " + QString::number(tries) + " tries";
        if (!m_currentTrack)
            return;
        if (!m_reconnecting) {
            // Buffered sound still plays: the failure follows once it has run out.
            m_failWhenDry = true;
            return;
        }
        setReconnecting(false);
        reportFailure(*m_currentTrack, StatusContext::Reconnect);
    });
}

AudioEngine::~AudioEngine()
{
    m_backend->setStatusHandler({});
    m_backend->setPeriodicTimeHandler(TimeCallbackInterval, {});
    m_backend->setRateHandler({});
    m_backend->setEndHandler({});
    m_backend->setBreakHandler({});
}

QVariant AudioEngine::currentTrackVariant() const
{
    return m_currentTrack ? QVariant::fromValue(*m_currentTrack) : QVariant();
}

// ---- Loading ---------------------------------------------------------------------------

void AudioEngine::play(const Track &track, std::optional<QList<Track>> queue,
                       std::optional<double> resumePosition)
{
    if (!resumePosition && m_resumeRule)
        resumePosition = m_resumeRule(track);
    qCInfo(lcAudio).noquote() << "[AudioEngine] play track=" + QString::number(track.id) +
                                     " title=" + track.displayTitle() +
                                     " resume=" + secondsText(resumePosition.value_or(0));
    setCurrentTrack(track);
    m_queue.start(track, queue);
    loadAndPlay(resumePosition);
}

void AudioEngine::loadAndPlay(std::optional<double> resumePosition)
{
    if (!m_currentTrack)
        return;
    stopStandardPlayback();
    const Track track = *m_currentTrack;
    startStandardPlayback(track, resumePosition);
}

void AudioEngine::stopStandardPlayback()
{
    cancelReconnect();
    if (m_hasPlayer) {
        m_backend->setPeriodicTimeHandler(TimeCallbackInterval, {});
        m_backend->pause();
        m_backend->clear();
    }
    m_hasPlayer = false;
    m_backend->setStatusHandler({});
    m_backend->setRateHandler({});
    m_backend->setEndHandler({});
    m_backend->setBreakHandler({});
    ++m_generation;
}

void AudioEngine::startStandardPlayback(const Track &track, std::optional<double> resumePosition)
{
    const QUrl url = playbackURL(track);
    qCInfo(lcAudio).noquote() << "[AudioEngine] loadAndPlay track=" + QString::number(track.id) +
                                     " url=" + url.toString(QUrl::FullyEncoded) +
                                     " resume=" + secondsText(resumePosition.value_or(0));
    emit pausedSince(std::nullopt);
    replaceItem(url);
    setCurrentTime(qMax(0.0, resumePosition.value_or(0)));
    setDuration(track.durationSeconds ? double(*track.durationSeconds) : 0);
    observeItem(track, resumePosition, StatusContext::Start);
    observeTimeAndRate();
    updateNowPlaying();
}

void AudioEngine::setResumeRule(std::function<double(const Track &)> rule)
{
    m_resumeRule = std::move(rule);
}

void AudioEngine::prepare(const Track &track, double position, std::optional<double> pausedSince)
{
    cancelReconnect();
    const QUrl url = playbackURL(track);
    qCInfo(lcAudio).noquote() << "[AudioEngine] prepare track=" + QString::number(track.id) +
                                     " url=" + url.toString(QUrl::FullyEncoded) +
                                     " pos=" + secondsText(position);
    setCurrentTrack(track);
    setDuration(track.durationSeconds ? double(*track.durationSeconds) : 0);
    setCurrentTime(position);
    if (m_hasPlayer) {
        m_backend->setPeriodicTimeHandler(TimeCallbackInterval, {});
        m_backend->pause();
        m_backend->clear();
    }
    emit this->pausedSince(pausedSince);
    replaceItem(url);
    observeItem(track, std::nullopt, StatusContext::Prepare);
    observeTimeAndRate();
}

QUrl AudioEngine::playbackURL(const Track &track) const
{
    // A stored lecture plays from its file: downloads exist for listening offline.
    if (m_downloads && m_downloads->isDownloaded(track))
        return m_downloads->fileURL(track);
    return track.streamURL();
}

void AudioEngine::replaceItem(const QUrl &url)
{
    // Observers of the previous item end here, also those whose work is already queued.
    m_backend->setStatusHandler({});
    m_backend->setRateHandler({});
    m_backend->setEndHandler({});
    m_backend->setBreakHandler({});
    ++m_generation;
    m_itemWasReady = false;
    m_atEnd = false;
    setLoadFailed(false);
    m_fromFile = url.isLocalFile();
    m_seeksInFlight = 0;
    m_backend->load(url);
    m_hasPlayer = true;
}

void AudioEngine::observeItem(const Track &track, std::optional<double> resumePosition,
                              StatusContext context)
{
    const quint64 generation = m_generation;
    QPointer<AudioEngine> self(this);
    // May run on any thread: only the log line is written there.
    m_backend->setStatusHandler([self, generation, track, resumePosition, context](
                                    PlayerBackend::ItemStatus status, PlayerBackend::ItemStatus) {
        if (!self)
            return;
        qCInfo(lcAudio).noquote() << (context == StatusContext::Prepare
                                          ? "[AudioEngine] prepare status: "
                                          : "[AudioEngine] status changed: ") +
                                         QString::number(int(status));
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, track, resumePosition, context] {
                if (self)
                    self->onItemStatus(generation, track, resumePosition, context);
            },
            Qt::QueuedConnection);
    });
    m_backend->setEndHandler([this] { onEndOfMedia(); });
    m_backend->setBreakHandler([this, generation](qint64 bufferedUntil) {
        onStreamBreak(generation, double(bufferedUntil) / PlayerBackend::Timescale);
    });
}

void AudioEngine::observeTimeAndRate()
{
    m_backend->setPeriodicTimeHandler(TimeCallbackInterval, [this](qint64 time) {
        // Until a seek has landed the player still reports the place it left.
        if (m_seeksInFlight > 0)
            return;
        setCurrentTime(double(time) / PlayerBackend::Timescale);
        // Once it has played on well past the reopened place, a later break is a new one.
        if (m_recentReconnect && m_currentTime > m_reconnectPosition + 10)
            m_recentReconnect = false;
        updateNowPlaying();
    });
    m_backend->setRateHandler([this](double) { updateNowPlaying(); });
}

void AudioEngine::onItemStatus(quint64 generation, const Track &track,
                               std::optional<double> resumePosition, StatusContext context)
{
    if (generation != m_generation)
        return;
    switch (m_backend->itemStatus()) {
    case PlayerBackend::ItemStatus::ReadyToPlay:
        m_itemWasReady = true;
        if (context == StatusContext::Reconnect) {
            QPointer<AudioEngine> self(this);
            seekPlayer(m_reconnectPosition, [self, generation](bool) {
                if (!self || generation != self->m_generation)
                    return;
                self->m_reconnector.finish();
                self->m_recentReconnect = true;
                self->setReconnecting(false);
                if (self->m_playAfterReconnect)
                    self->m_backend->play();
                self->updateNowPlaying();
            });
        } else if (context == StatusContext::Prepare) {
            if (m_currentTime > 0 && m_hasPlayer)
                seekPlayer(m_currentTime);
            if (m_hasPlayer)
                m_backend->pause();
            setPlaybackMode(PlaybackState::Paused);
            setIsPlaying(false);
            updateNowPlaying();
        } else if (resumePosition && *resumePosition > 0) {
            if (!m_hasPlayer)
                return;
            QPointer<AudioEngine> self(this);
            // The lecture plays once the seek is over, even one that did not finish.
            seekPlayer(*resumePosition, [self, generation](bool) {
                if (!self || generation != self->m_generation)
                    return;
                self->m_backend->play();
                self->setPlaybackMode(PlaybackState::Playing);
                self->setIsPlaying(true);
                self->updateNowPlaying();
            });
        } else {
            if (m_hasPlayer)
                m_backend->play();
            setPlaybackMode(PlaybackState::Playing);
            setIsPlaying(true);
            updateNowPlaying();
        }
        break;
    case PlayerBackend::ItemStatus::Failed:
        onItemFailed(generation, track, context);
        break;
    case PlayerBackend::ItemStatus::Unknown:
        break;
    }
}

void AudioEngine::onItemFailed(quint64 generation, const Track &track, StatusContext context)
{
    // A status reported twice (a stream that broke off after it was ready) is one failure.
    if (m_reportedGeneration == generation)
        return;
    if (m_fromFile && !m_itemWasReady) {
        // A stored file that does not play: the lecture is still on the service.
        qCWarning(lcAudio).noquote() << "[AudioEngine] stored file did not play, streaming track=" +
                                            QString::number(track.id) + ": " +
                                            m_backend->itemError();
        const std::optional<double> resume =
            m_currentTime > 0 ? std::optional<double>(m_currentTime) : std::nullopt;
        replaceItem(track.streamURL());
        observeItem(track, resume, context);
        observeTimeAndRate();
        return;
    }
    if (m_backend->itemRefused()) {
        // Not a break: the site cannot be trusted, and no try can change that.
        qCWarning(lcAudio).noquote()
            << "[AudioEngine] untrusted stream track=" + QString::number(track.id) + " " +
                   m_backend->itemError();
        m_reconnector.finish();
        setReconnecting(false);
    } else if (m_failWhenDry && m_itemWasReady) {
        // The time for this break ran out while its buffer played.
        m_failWhenDry = false;
    } else if (m_itemWasReady || context == StatusContext::Reconnect) {
        // The sound has stopped: a break in the middle of a lecture that its buffer did not
        // bridge, or a reopening try that failed. Try (again) while the time limit allows;
        // past it the reconnector gives up, and that runs the failure path.
        setReconnecting(true);
        if (context == StatusContext::Reconnect && m_reconnector.isTrying()) {
            m_reconnector.tryFailed();
        } else if (m_reconnector.isActive()) {
            // The buffer ran dry before the stream came back: go on from where it stopped.
            m_reconnectPosition = m_currentTime;
            m_playAfterReconnect = m_isPlaying;
        } else {
            beginReconnect();
        }
        return;
    }
    reportFailure(track, context);
}

void AudioEngine::reportFailure(const Track &track, StatusContext context)
{
    m_reportedGeneration = m_generation;
    setPlaybackMode(PlaybackState::Idle);
    setIsPlaying(false);
    setLoadFailed(true);
    const QString error = m_backend->itemError();
    qCWarning(lcAudio).noquote() << (context == StatusContext::Prepare
                                         ? "[AudioEngine] prepare FAILED: "
                                         : "[AudioEngine] FAILED: ") +
                                        (error.isEmpty() ? QStringLiteral("nil") : error);
    updateNowPlaying();
    const qint64 trackId = track.id;
    const QString filename = track.filename;
    // Nothing waits for the report, and it goes out even if the engine is gone by then.
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [trackId, filename] { APIClient::logBadAudio(trackId, filename); });
}

// ---- Reconnect -------------------------------------------------------------------------

void AudioEngine::beginReconnect()
{
    m_reconnectPosition = m_currentTime;
    m_playAfterReconnect = m_isPlaying;
    qCWarning(lcAudio).noquote() << "[AudioEngine] stream broke at " + secondsText(m_currentTime) +
                                        " track=" + trackIdText(m_currentTrack) + ": " +
                                        m_backend->itemError();
    // A break soon after the last reopening continues its time limit: a stream that keeps
    // breaking is given up in the end, not mended forever.
    m_reconnector.begin(m_recentReconnect);
}

void AudioEngine::onStreamBreak(quint64 generation, double bufferedUntil)
{
    if (generation != m_generation || m_reconnector.isActive() || !m_currentTrack)
        return;
    // The buffered sound plays on meanwhile; the listener hears nothing of the break unless
    // the buffer runs dry first.
    qCWarning(lcAudio).noquote() << "[AudioEngine] stream broke at " + secondsText(m_currentTime) +
                                        " track=" + trackIdText(m_currentTrack) + ", buffered to " +
                                        secondsText(bufferedUntil);
    m_reconnectPosition = m_currentTime;
    m_playAfterReconnect = m_isPlaying;
    m_reconnector.begin(m_recentReconnect);
}

void AudioEngine::reconnectNow(int number)
{
    if (!m_currentTrack) {
        m_reconnector.finish();
        return;
    }
    const Track track = *m_currentTrack;
    const QUrl url = track.streamURL();
    qCInfo(lcAudio).noquote() << "[AudioEngine] reconnect try " + QString::number(number) +
                                     " track=" + QString::number(track.id) + " at=" +
                                     secondsText(m_reconnecting ? m_reconnectPosition
                                                                : m_currentTime);
    // The site is asked first, so that buffered sound is not cut off for a stream that is not
    // back yet; the reopened item then starts where the sound is at that moment.
    const quint64 generation = m_generation;
    m_reconnectProbe =
        StreamProbe::start(APIClient::network(), url, this,
                           [this, generation, track](const StreamProbe::Result &result) {
                               m_reconnectProbe = nullptr;
                               if (generation != m_generation || !m_reconnector.isTrying())
                                   return;
                               if (result.kind == StreamProbe::Result::Kind::Unreachable) {
                                   m_reconnector.tryFailed();
                                   return;
                               }
                               if (!m_reconnecting) {
                                   m_reconnectPosition = m_currentTime;
                                   m_playAfterReconnect = m_isPlaying;
                               }
                               // An untrusted site fails the reopened item at once, with its
                               // reason.
                               replaceItem(track.streamURL());
                               observeItem(track, m_reconnectPosition, StatusContext::Reconnect);
                               observeTimeAndRate();
                           });
}

void AudioEngine::cancelReconnect()
{
    if (m_reconnectProbe)
        m_reconnectProbe->cancel();
    m_reconnectProbe = nullptr;
    m_reconnector.finish();
    m_recentReconnect = false;
    m_failWhenDry = false;
    setReconnecting(false);
}

void AudioEngine::setReconnecting(bool reconnecting)
{
    if (m_reconnecting == reconnecting)
        return;
    m_reconnecting = reconnecting;
    emit isReconnectingChanged();
}

void AudioEngine::setLoadFailed(bool failed)
{
    if (m_loadFailed == failed)
        return;
    m_loadFailed = failed;
    emit loadFailedChanged();
}

void AudioEngine::onEndOfMedia()
{
    std::optional<NextLecture::Choice> choice;
    if (m_currentTrack) {
        const bool sleepAtEnd = m_sleepTimer.isActive() && m_sleepTimer.untilEndOfLecture();
        choice = NextLecture::after(
            m_afterLecture, *m_currentTrack, m_queue,
            m_seriesLookup ? m_seriesLookup(*m_currentTrack) : QList<Track>(), sleepAtEnd);
    }
    if (!choice) {
        // The player stopped at the end by itself; say so instead of showing "playing".
        m_atEnd = true;
        setPlaybackMode(PlaybackState::Paused);
        setIsPlaying(false);
        updateNowPlaying();
        emit reachedEnd();
        return;
    }
    emit reachedEnd();
    // At once, so that the silence between the two lectures is only the next one's loading.
    play(choice->track, choice->queue, std::nullopt);
    emit playedOn(choice->track);
}

void AudioEngine::seekPlayer(double seconds, PlayerBackend::SeekCompletion completion)
{
    m_atEnd = false;
    ++m_seeksInFlight;
    const quint64 generation = m_generation;
    QPointer<AudioEngine> self(this);
    m_backend->seek(toPlayerTime(seconds),
                    [self, generation, completion = std::move(completion)](bool finished) {
                        if (self && generation == self->m_generation && self->m_seeksInFlight > 0)
                            --self->m_seeksInFlight;
                        if (completion)
                            completion(finished);
                    });
}

bool AudioEngine::itemReady() const
{
    return m_hasPlayer && m_backend->itemStatus() == PlayerBackend::ItemStatus::ReadyToPlay;
}

void AudioEngine::seekTo(double seconds)
{
    if (!m_currentTrack || !m_hasPlayer || std::isnan(seconds))
        return;
    double target = qMax(0.0, seconds);
    if (m_duration > 0)
        target = qMin(target, m_duration);
    if (m_reconnecting) {
        // The reopened stream starts at the new place.
        m_reconnectPosition = target;
    } else if (itemReady()) {
        seekPlayer(target);
    } else {
        return;
    }
    setCurrentTime(target);
    updateNowPlaying(true);
    emit positionJumped();
}

void AudioEngine::skip(double seconds)
{
    seekTo(m_currentTime + seconds);
}

void AudioEngine::setPlaybackRate(double rate)
{
    const double clamped = Preferences::clampedRate(rate);
    if (clamped == m_playbackRate)
        return;
    m_playbackRate = clamped;
    m_backend->setRate(clamped);
    emit playbackRateChanged();
    updateNowPlaying();
}

void AudioEngine::setSmartRewind(bool on)
{
    if (m_smartRewind == on)
        return;
    m_smartRewind = on;
    emit smartRewindChanged();
}

void AudioEngine::setOutputVolume(double volume)
{
    m_backend->setVolume(volume);
}

void AudioEngine::pauseAndKeepPlace()
{
    handlePauseCommand();
    emit positionJumped();
}

void AudioEngine::notePaused()
{
    emit listenerPaused();
}

void AudioEngine::rewindTo(double seconds)
{
    seekPlayer(seconds);
    setCurrentTime(seconds);
    emit positionJumped();
}

void AudioEngine::resumePlaying()
{
    if (m_loadFailed && m_currentTrack) {
        // Play on a lecture that could not load tries it again at its place.
        loadAndPlay(m_currentTime > 0 ? std::optional<double>(m_currentTime) : std::nullopt);
        return;
    }
    if (m_atEnd && itemReady()) {
        // Play on a lecture heard to its end hears it again.
        emit pausedSince(std::nullopt);
        seekPlayer(0);
        setCurrentTime(0);
        m_backend->play();
        setPlaybackMode(PlaybackState::Playing);
        setIsPlaying(true);
        updateNowPlaying(true);
        return;
    }
    // Smart rewind: after a long pause the listener hears the last words again.
    emit resuming(m_currentTime, m_smartRewind && itemReady());
    if (m_hasPlayer)
        m_backend->play();
    setPlaybackMode(PlaybackState::Playing);
    setIsPlaying(true);
}

// ---- Transport -------------------------------------------------------------------------

void AudioEngine::togglePlay()
{
    std::optional<PlayerBackend::TimeControlStatus> status;
    if (m_hasPlayer)
        status = m_backend->timeControlStatus();
    qCInfo(lcAudio).noquote()
        << QStringLiteral("[AudioEngine] togglePlay player=") +
               (m_hasPlayer ? QStringLiteral("true") : QStringLiteral("false")) + " status=" +
               (status ? QString::fromLatin1(PlayerBackend::timeControlStatusName(*status))
                       : QStringLiteral("nil")) +
               " currentTrack=" + trackIdText(m_currentTrack);
    if (!m_hasPlayer)
        return;
    if (m_reconnecting) {
        // The stream is being reopened: the command decides whether it plays once it is back.
        m_playAfterReconnect = !m_playAfterReconnect;
        setPlaybackMode(m_playAfterReconnect ? PlaybackState::Playing : PlaybackState::Paused);
        setIsPlaying(m_playAfterReconnect);
    } else if (*status != PlayerBackend::TimeControlStatus::Playing) {
        resumePlaying();
    } else {
        m_backend->pause();
        notePaused();
        setPlaybackMode(PlaybackState::Paused);
        setIsPlaying(false);
    }
    updateNowPlaying();
}

void AudioEngine::seekAndPlay(double time)
{
    if (!m_hasPlayer)
        return;
    m_backend->pause();
    const quint64 generation = m_generation;
    QPointer<AudioEngine> self(this);
    seekPlayer(time, [self, generation, time](bool finished) {
        if (!finished || !self || generation != self->m_generation)
            return;
        self->setCurrentTime(time);
        if (self->m_hasPlayer)
            self->m_backend->play();
        self->setPlaybackMode(PlaybackState::Playing);
        self->setIsPlaying(true);
        self->updateNowPlaying();
    });
}

void AudioEngine::next()
{
    switch (m_queue.next(m_repeatMode)) {
    case PlayQueue::Step::None:
        return;
    case PlayQueue::Step::Restart:
        if (m_hasPlayer)
            seekPlayer(0);
        setCurrentTime(0);
        if (m_hasPlayer)
            m_backend->play();
        return;
    case PlayQueue::Step::Stop:
        if (m_hasPlayer)
            m_backend->pause();
        setPlaybackMode(PlaybackState::Paused);
        setIsPlaying(false);
        updateNowPlaying();
        return;
    case PlayQueue::Step::Play:
        play(m_queue.track(), std::nullopt, std::nullopt);
        return;
    }
}

void AudioEngine::previous()
{
    if (m_queue.isEmpty())
        return;
    if (m_currentTime > RewindThreshold) {
        if (m_hasPlayer)
            seekPlayer(0);
        setCurrentTime(0);
        return;
    }
    m_queue.previous();
    play(m_queue.track(), std::nullopt, std::nullopt);
}

// ---- Desktop commands ----------------------------------------------------------------

void AudioEngine::handlePlayCommand()
{
    if (m_reconnecting) {
        m_playAfterReconnect = true;
    } else if (m_isPlaying && m_hasPlayer) {
        m_backend->play();
    } else {
        resumePlaying();
        updateNowPlaying();
        return;
    }
    setIsPlaying(true);
    setPlaybackMode(PlaybackState::Playing);
}

void AudioEngine::handlePauseCommand()
{
    m_playAfterReconnect = false;
    if (m_hasPlayer)
        m_backend->pause();
    if (m_isPlaying)
        notePaused();
    setPlaybackMode(PlaybackState::Paused);
    setIsPlaying(false);
    updateNowPlaying();
}

// ---- Published fields ------------------------------------------------------------------

void AudioEngine::setShuffle(bool shuffle)
{
    if (m_shuffle == shuffle)
        return;
    m_shuffle = shuffle;
    emit shuffleChanged();
}

void AudioEngine::setRepeatMode(RepeatMode mode)
{
    if (m_repeatMode == mode)
        return;
    m_repeatMode = mode;
    emit repeatModeChanged();
}

void AudioEngine::setAfterLecture(NextLecture::Rule rule)
{
    if (m_afterLecture == rule)
        return;
    m_afterLecture = rule;
    emit afterLectureChanged();
}

void AudioEngine::setAfterLectureValue(int rule)
{
    if (rule >= int(NextLecture::Rule::NextPart) && rule <= int(NextLecture::Rule::Stop))
        setAfterLecture(NextLecture::Rule(rule));
}

void AudioEngine::setSeriesLookup(std::function<QList<Track>(const Track &)> lookup)
{
    m_seriesLookup = std::move(lookup);
}

void AudioEngine::setClearerVoice(bool on)
{
    if (m_clearerVoice == on)
        return;
    m_clearerVoice = on;
    qCInfo(lcAudio).noquote() << "[AudioEngine] clearer voice" << (on ? "on" : "off");
    m_backend->setVoiceLeveling(on);
    emit clearerVoiceChanged();
}

void AudioEngine::setCurrentTrack(const std::optional<Track> &track)
{
    if (m_currentTrack == track)
        return;
    m_currentTrack = track;
    emit currentTrackChanged();
}

void AudioEngine::setIsPlaying(bool playing)
{
    if (m_isPlaying == playing)
        return;
    m_isPlaying = playing;
    emit isPlayingChanged();
}

void AudioEngine::setCurrentTime(double time)
{
    if (m_currentTime == time)
        return;
    m_currentTime = time;
    emit currentTimeChanged();
}

void AudioEngine::setDuration(double duration)
{
    if (m_duration == duration)
        return;
    m_duration = duration;
    emit durationChanged();
}

void AudioEngine::setPlaybackMode(qint64 mode)
{
    if (m_playbackState.mode == mode)
        return;
    m_playbackState.mode = mode;
    emit playbackStateChanged();
}
