#pragma once

#include "audio/NextLecture.h"
#include "audio/PlayQueue.h"
#include "audio/PlayerBackend.h"
#include "audio/SleepTimer.h"
#include "audio/StreamReconnector.h"
#include "models/PlaybackState.h"
#include "models/RepeatMode.h"
#include "models/Track.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class Downloads;
class StreamProbe;

// The one owner of the media player: turns a Track into sound, keeps the published playback
// state, the play queue and its navigation, and reopens broken streams. It says what the
// desktop should show, when to store a preference, and when a pause begins or ends; the
// parts that act on it are connected in PlayerParts. Everything runs on the thread that owns
// the engine.
class AudioEngine : public QObject
{
    Q_OBJECT
    // Invalid when there is no current track, otherwise a Track.
    Q_PROPERTY(QVariant currentTrack READ currentTrackVariant NOTIFY currentTrackChanged)
    Q_PROPERTY(bool hasCurrentTrack READ hasCurrentTrack NOTIFY currentTrackChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    // PlaybackState::mode: 0 idle, 1 playing, 2 paused.
    Q_PROPERTY(int playbackState READ playbackMode NOTIFY playbackStateChanged)
    Q_PROPERTY(bool shuffle READ shuffle NOTIFY shuffleChanged)
    // RepeatMode as its stored integer: 0 off, 1 all, 2 one.
    Q_PROPERTY(int repeatMode READ repeatModeValue NOTIFY repeatModeChanged)
    // Speed of every lecture, 0.5-3.0, pitch kept; kept in the preferences (PlayerParts).
    Q_PROPERTY(double playbackRate READ playbackRate WRITE setPlaybackRate NOTIFY playbackRateChanged)
    // Resuming after a long pause goes back a few seconds; kept in the preferences.
    Q_PROPERTY(bool smartRewind READ smartRewind WRITE setSmartRewind NOTIFY smartRewindChanged)
    // A stream broke mid-lecture and is being reopened at its place.
    Q_PROPERTY(bool isReconnecting READ isReconnecting NOTIFY isReconnectingChanged)
    // The current lecture could not be loaded (until the next lecture or Play tries again).
    Q_PROPERTY(bool loadFailed READ loadFailed NOTIFY loadFailedChanged)
    // "Perjelas suara": loudness evening for quiet hall recordings; kept in the preferences.
    Q_PROPERTY(bool clearerVoice READ clearerVoice WRITE setClearerVoice NOTIFY clearerVoiceChanged)
    // "Setelah kajian selesai" as NextLecture::Rule's value; kept in the preferences.
    Q_PROPERTY(int afterLecture READ afterLectureValue WRITE setAfterLectureValue NOTIFY
                   afterLectureChanged)

public:
    struct Options
    {
        // Waits before each try to reopen a broken stream, the last one repeating: a service
        // that comes back is heard again within about two seconds.
        QList<int> reconnectDelaysMs = {500, 1000, 1500};
        // How long after a break the stream is still tried before the failure path runs.
        int reconnectLimitMs = 120000;
    };

    // `downloads` may be null: every lecture then streams.
    AudioEngine(std::unique_ptr<PlayerBackend> backend, Downloads *downloads, Options options,
                QObject *parent = nullptr);
    ~AudioEngine() override;

    // The process-wide engine over libmpv, with its parts (PlayerParts); created on first use.
    static AudioEngine &shared();

    const std::optional<Track> &currentTrack() const { return m_currentTrack; }
    QVariant currentTrackVariant() const;
    bool hasCurrentTrack() const { return m_currentTrack.has_value(); }
    bool isPlaying() const { return m_isPlaying; }
    double currentTime() const { return m_currentTime; }
    double duration() const { return m_duration; }
    PlaybackState playbackState() const { return m_playbackState; }
    int playbackMode() const { return int(m_playbackState.mode); }
    bool shuffle() const { return m_shuffle; }
    RepeatMode repeatMode() const { return m_repeatMode; }
    int repeatModeValue() const { return int(m_repeatMode); }
    bool clearerVoice() const { return m_clearerVoice; }
    // Takes effect at once, in the playing lecture too, without a gap.
    void setClearerVoice(bool on);

    const QList<Track> &queue() const { return m_queue.tracks(); }
    qint64 currentIndex() const { return m_queue.currentIndex(); }
    const QList<Track> &originalQueue() const { return m_queue.original(); }

    NextLecture::Rule afterLecture() const { return m_afterLecture; }
    void setAfterLecture(NextLecture::Rule rule);
    int afterLectureValue() const { return int(m_afterLecture); }
    void setAfterLectureValue(int rule);
    // The series of a lecture, its parts in order (empty when it is in none), for playing on
    // to the next part; without a lookup no lecture is in a series.
    void setSeriesLookup(std::function<QList<Track>(const Track &)> lookup);

    // Whether a player item is in place (from the first play or prepare on).
    bool hasPlayer() const { return m_hasPlayer; }

    // Sets the queue (kept when `queue` is absent and already holds the track) and starts
    // the track, resuming at `resumePosition` seconds when given and above 0.
    void play(const Track &track, std::optional<QList<Track>> queue = std::nullopt,
              std::optional<double> resumePosition = std::nullopt);
    void loadAndPlay(std::optional<double> resumePosition);
    void startStandardPlayback(const Track &track, std::optional<double> resumePosition);
    void stopStandardPlayback();
    // Loads a track paused at `position` seconds without starting it (restore at launch);
    // `pausedSince` (seconds since 1970) is when it was last heard, for smart rewind.
    void prepare(const Track &track, double position,
                 std::optional<double> pausedSince = std::nullopt);
    // Where a lecture started without a position of its own begins (next, previous, play
    // without a position); without a rule it starts at 0.
    void setResumeRule(std::function<double(const Track &)> rule);

    // Moves within the current lecture, clamped to 0 and its length; playing goes on playing,
    // paused stays paused. Announced as a jump (MPRIS Seeked, positionJumped).
    Q_INVOKABLE void seekTo(double seconds);
    Q_INVOKABLE void skip(double seconds);
    void setPlaybackRate(double rate);
    double playbackRate() const { return m_playbackRate; }
    bool smartRewind() const { return m_smartRewind; }
    void setSmartRewind(bool on);
    bool isReconnecting() const { return m_reconnecting; }
    bool loadFailed() const { return m_loadFailed; }
    SleepTimer &sleepTimer() { return m_sleepTimer; }
    // Volume factor 0..1 on top of the listener's (the sleep timer's fade).
    void setOutputVolume(double volume);
    // Pauses and announces the place so that it is saved (the sleep timer's end).
    void pauseAndKeepPlace();
    // Moves back to `seconds` as playing resumes (smart rewind), announced as a jump.
    void rewindTo(double seconds);

    Q_INVOKABLE void togglePlay();
    Q_INVOKABLE void seekAndPlay(double time);
    Q_INVOKABLE void next();
    Q_INVOKABLE void previous();

    // The desktop's play and pause commands (MPRIS Play/Pause): they set the state even
    // without a player; play does not refresh the published information.
    void handlePlayCommand();
    void handlePauseCommand();

    // Not used by the screens (nothing in the program changes them); they exist so the
    // navigation rules of each repeat mode can be exercised.
    void setShuffle(bool shuffle);
    void setRepeatMode(RepeatMode mode);

signals:
    void currentTrackChanged();
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void playbackStateChanged();
    void shuffleChanged();
    void repeatModeChanged();
    void playbackRateChanged();
    void smartRewindChanged();
    void isReconnectingChanged();
    void loadFailedChanged();
    // The place changed by a command (skip, seek, a pause by the sleep timer): save it now.
    void positionJumped();
    // The lecture played to its end (before anything plays on).
    void reachedEnd();
    // After an end, the next lecture was started by itself ("Setelah kajian selesai").
    void playedOn(const Track &track);
    void clearerVoiceChanged();
    void afterLectureChanged();
    // What the desktop shows changed; `jumped`: the place moved by a command (MPRIS Seeked).
    void nowPlayingChanged(bool jumped);
    // For smart rewind: the listener paused; a pause began at `since` or there is none to
    // remember (a lecture starts afresh); playing resumes at `at`, where `mayRewind` when
    // smart rewind is on and the lecture can be moved (rewindTo, before the sound starts).
    void listenerPaused();
    void pausedSince(std::optional<double> since);
    void resuming(double at, bool mayRewind);

private:
    enum class StatusContext { Start, Prepare, Reconnect };

    QUrl playbackURL(const Track &track) const;
    // Drops the current item's observers and replaces the item with one for `url`.
    void replaceItem(const QUrl &url);
    void observeItem(const Track &track, std::optional<double> resumePosition,
                     StatusContext context);
    void observeTimeAndRate();
    void onItemStatus(quint64 generation, const Track &track, std::optional<double> resumePosition,
                      StatusContext context);
    void onItemFailed(quint64 generation, const Track &track, StatusContext context);
    void onEndOfMedia();
    void seekPlayer(double seconds, PlayerBackend::SeekCompletion completion = {});
    void resumePlaying();
    void notePaused();
    bool itemReady() const;
    void beginReconnect();
    void onStreamBreak(quint64 generation, double bufferedUntil);
    void reconnectNow(int number);
    void cancelReconnect();
    void reportFailure(const Track &track, StatusContext context);
    void setReconnecting(bool reconnecting);
    void setLoadFailed(bool failed);
    void updateNowPlaying(bool jumped = false) { emit nowPlayingChanged(jumped); }

    void setCurrentTrack(const std::optional<Track> &track);
    void setIsPlaying(bool playing);
    void setCurrentTime(double time);
    void setDuration(double duration);
    void setPlaybackMode(qint64 mode);

    std::unique_ptr<PlayerBackend> m_backend;
    Downloads *m_downloads;
    double m_playbackRate = 1.0;
    bool m_smartRewind = true;
    bool m_clearerVoice = false;
    std::function<double(const Track &)> m_resumeRule;
    SleepTimer m_sleepTimer;

    bool m_hasPlayer = false;
    // Bumped whenever the item's observers are dropped; a callback of an older item does nothing.
    quint64 m_generation = 0;
    quint64 m_reportedGeneration = 0;
    // The current item was ready once (a later failure is a break, not a bad lecture).
    bool m_itemWasReady = false;
    // The lecture played to its end and stands there: Play starts it again from 0:00.
    bool m_atEnd = false;
    bool m_loadFailed = false;
    // The current item plays a stored file (one that does not play falls back to the stream).
    bool m_fromFile = false;
    // Seeks not yet settled: the player's time reports meanwhile are stale.
    int m_seeksInFlight = 0;

    StreamReconnector m_reconnector;
    // Shown: the sound stopped while a broken stream is being reopened.
    bool m_reconnecting = false;
    double m_reconnectPosition = 0;
    // The stream came back a moment ago: a break before it played on 10 s is the same break.
    bool m_recentReconnect = false;
    // The reconnector gave up while buffered sound played: its end is the failure.
    bool m_failWhenDry = false;
    QPointer<StreamProbe> m_reconnectProbe;
    bool m_playAfterReconnect = false;

    std::optional<Track> m_currentTrack;
    bool m_isPlaying = false;
    double m_currentTime = 0;
    double m_duration = 0;
    PlaybackState m_playbackState;
    PlayQueue m_queue;
    bool m_shuffle = false;
    RepeatMode m_repeatMode = RepeatMode::Off;
    NextLecture::Rule m_afterLecture = NextLecture::Rule::NextPart;
    std::function<QList<Track>(const Track &)> m_seriesLookup;
};
