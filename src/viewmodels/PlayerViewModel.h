#pragma once

#include "models/PlaybackState.h"
#include "models/RepeatMode.h"
#include "models/Track.h"
#include "persistence/FinishedLectures.h"
#include "persistence/Store.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <chrono>
#include <memory>
#include <optional>

class AudioEngine;
class LibrarySeries;
class PassageRepeat;
class PrayerPause;

// What every screen reaches playback through: mirrors the engine's state, forwards the
// user's commands, keeps the last lecture and position in the settings and a history entry
// per lecture, and restores the last lecture paused at launch. Each instance saves once a
// second on its own timer.
class PlayerViewModel : public QObject
{
    Q_OBJECT
    // Invalid when there is no current track, otherwise a Track.
    Q_PROPERTY(QVariant currentTrack READ currentTrackVariant NOTIFY currentTrackChanged)
    Q_PROPERTY(bool hasCurrentTrack READ hasCurrentTrack NOTIFY currentTrackChanged)
    Q_PROPERTY(QString currentTitle READ currentTitle NOTIFY currentTrackChanged)
    Q_PROPERTY(QString currentUstadz READ currentUstadz NOTIFY currentTrackChanged)
    Q_PROPERTY(QString currentDurationText READ currentDurationText NOTIFY currentTrackChanged)
    // The current track's id as a number for QML (exact up to 2^53), -1 when none.
    Q_PROPERTY(double currentTrackId READ currentTrackIdValue NOTIFY currentTrackChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    // PlaybackState::mode: 0 idle, 1 playing, 2 paused.
    Q_PROPERTY(int playbackState READ playbackMode NOTIFY playbackStateChanged)
    Q_PROPERTY(bool shuffle READ shuffle NOTIFY shuffleChanged)
    // RepeatMode as its stored integer: 0 off, 1 all, 2 one.
    Q_PROPERTY(int repeatMode READ repeatModeValue NOTIFY repeatModeChanged)
    // "Perjelas suara", the engine's; remembered across restarts.
    Q_PROPERTY(bool clearerVoice READ clearerVoice WRITE setClearerVoice NOTIFY clearerVoiceChanged)
    // Undefined until a lecture was started or restored, then its id as a number.
    Q_PROPERTY(
        QVariant lastPlayedTrackId READ lastPlayedTrackIdVariant NOTIFY lastPlayedTrackIdChanged)
    // Speed of every lecture (0.5-3.0) and its text ("1,5×"; empty at normal speed).
    Q_PROPERTY(
        double playbackRate READ playbackRate WRITE setPlaybackRate NOTIFY playbackRateChanged)
    Q_PROPERTY(QString playbackRateText READ playbackRateText NOTIFY playbackRateChanged)
    // The speeds the speed menu offers, slowest first; [ and ] step through them.
    Q_PROPERTY(QList<double> rateChoices READ rateChoices CONSTANT)
    Q_PROPERTY(bool smartRewind READ smartRewind WRITE setSmartRewind NOTIFY smartRewindChanged)
    // "Menyambung ulang...": a broken stream is being reopened.
    Q_PROPERTY(bool isReconnecting READ isReconnecting NOTIFY isReconnectingChanged)
    // The lecture shown could not be loaded; the bar says so until the next action.
    Q_PROPERTY(bool loadFailed READ loadFailed NOTIFY loadFailedChanged)
    Q_PROPERTY(bool sleepTimerActive READ sleepTimerActive NOTIFY sleepTimerChanged)
    Q_PROPERTY(bool sleepTimerUntilEnd READ sleepTimerUntilEnd NOTIFY sleepTimerChanged)
    Q_PROPERTY(int sleepTimerRemaining READ sleepTimerRemaining NOTIFY sleepTimerRemainingChanged)
    // "Setelah kajian selesai", the engine's (NextLecture::Rule: 0 next part, 1 next in the
    // list, 2 stop); remembered across restarts.
    Q_PROPERTY(int afterLecture READ afterLecture WRITE setAfterLecture NOTIFY afterLectureChanged)
    // The lectures heard to the end or marked finished, and "Sembunyikan yang selesai".
    Q_PROPERTY(FinishedLectures *finished READ finished CONSTANT)
    // "Kitab Tauhid · bagian 12 dari 24" for the current lecture; empty outside a series.
    Q_PROPERTY(QString currentSeriesText READ currentSeriesText NOTIFY currentSeriesTextChanged)
    // "Jeda saat waktu shalat": its settings, the bar's notice and hint.
    Q_PROPERTY(PrayerPause *prayerPause READ prayerPause CONSTANT)
    // "Ulangi bagian": the passage of the current lecture being repeated.
    Q_PROPERTY(PassageRepeat *passageRepeat READ passageRepeat CONSTANT)

public:
    PlayerViewModel(AudioEngine &engine, Store &store, QObject *parent = nullptr);
    // Over the process-wide engine and store.
    explicit PlayerViewModel(QObject *parent = nullptr);
    ~PlayerViewModel() override;

    PrayerPause *prayerPause() const { return m_prayerPause.get(); }
    PassageRepeat *passageRepeat() const { return m_passageRepeat.get(); }

    const std::optional<Track> &currentTrack() const { return m_currentTrack; }
    QVariant currentTrackVariant() const;
    bool hasCurrentTrack() const { return m_currentTrack.has_value(); }
    QString currentTitle() const;
    QString currentUstadz() const;
    QString currentDurationText() const;
    double currentTrackIdValue() const;
    bool isPlaying() const { return m_isPlaying; }
    double currentTime() const { return m_currentTime; }
    double duration() const { return m_duration; }
    PlaybackState playbackState() const { return m_playbackState; }
    int playbackMode() const { return int(m_playbackState.mode); }
    bool shuffle() const { return m_shuffle; }
    RepeatMode repeatMode() const { return m_repeatMode; }
    int repeatModeValue() const { return int(m_repeatMode); }
    std::optional<qint64> lastPlayedTrackId() const { return m_lastPlayedTrackId; }
    QVariant lastPlayedTrackIdVariant() const;
    double playbackRate() const;
    void setPlaybackRate(double rate);
    QString playbackRateText() const;
    bool smartRewind() const;
    void setSmartRewind(bool on);
    bool isReconnecting() const;
    bool loadFailed() const;
    bool sleepTimerActive() const;
    bool sleepTimerUntilEnd() const;
    int sleepTimerRemaining() const;

    static constexpr double SkipBack = 10, SkipForward = 30;
    static QList<double> rateChoices();
    static QString rateText(double rate);
    bool clearerVoice() const;
    void setClearerVoice(bool on);
    int afterLecture() const;
    void setAfterLecture(int rule);
    FinishedLectures *finished() { return &m_finished; }
    // The library's series: the bar's series line and playing on to a series' next part.
    void setLibrarySeries(LibrarySeries *series);
    QString currentSeriesText() const;

    // Starts `track` with the list on screen as the queue; the settings and a history entry
    // are written at once, before the stream is ready.
    void play(const Track &track, const QList<Track> &queue, std::optional<double> resumePosition);
    Q_INVOKABLE void togglePlay();
    Q_INVOKABLE void next();
    Q_INVOKABLE void previous();
    Q_INVOKABLE void seekAndPlay(double time);
    // Back 10 s / forward 30 s; a paused lecture stays paused and its place is saved at once.
    Q_INVOKABLE void skipBackward();
    Q_INVOKABLE void skipForward();
    // The keys [ and ] (the next slower or faster of rateChoices) and Backspace (normal speed).
    Q_INVOKABLE void slower();
    Q_INVOKABLE void faster();
    Q_INVOKABLE void resetRate();
    Q_INVOKABLE void startSleepTimer(int minutes);
    Q_INVOKABLE void startSleepTimerUntilEnd();
    Q_INVOKABLE void cancelSleepTimer();
    // Restores the settings' last lecture, paused at its position, if `tracks` holds it.
    Q_INVOKABLE void resumeIfNeeded(const QList<Track> &tracks);

    // What the save timer runs: rewrites the settings and the current lecture's history
    // entry while a lecture plays or is positioned past 0.
    void saveTick();
    // Writes the current place now, whatever it is (after a skip, a seek, a timed pause).
    void savePosition();
    // The save timer's period (1 s); tests shorten it. Restarts the timer.
    void setSaveInterval(std::chrono::milliseconds interval);

signals:
    void currentTrackChanged();
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void playbackStateChanged();
    void shuffleChanged();
    void repeatModeChanged();
    void lastPlayedTrackIdChanged();
    void playbackRateChanged();
    void smartRewindChanged();
    void isReconnectingChanged();
    void loadFailedChanged();
    void sleepTimerChanged();
    void sleepTimerRemainingChanged();
    void clearerVoiceChanged();
    void afterLectureChanged();
    void currentSeriesTextChanged();

private:
    void bindMirrors();
    void startSaveTimer();
    Store::Settings settingsBase() const;
    double resumePosition(const Track &track) const;
    // Writes the settings and a history entry for a lecture that starts at `position`.
    void recordStart(const Track &track, double position);
    // The current lecture played to its end: its place is its end, and it is finished.
    void recordEnd();

    void setCurrentTrack(const std::optional<Track> &track);
    void setIsPlaying(bool playing);
    void setCurrentTime(double time);
    void setDuration(double duration);
    void setPlaybackState(PlaybackState state);
    void setShuffle(bool shuffle);
    void setRepeatMode(RepeatMode mode);
    void setLastPlayedTrackId(std::optional<qint64> id);

    AudioEngine &m_engine;
    Store &m_store;
    std::unique_ptr<PrayerPause> m_prayerPause;
    std::unique_ptr<PassageRepeat> m_passageRepeat;

    std::optional<Track> m_currentTrack;
    bool m_isPlaying = false;
    double m_currentTime = 0;
    double m_duration = 0;
    PlaybackState m_playbackState;
    bool m_shuffle = false;
    RepeatMode m_repeatMode = RepeatMode::Off;
    std::optional<qint64> m_lastPlayedTrackId;

    FinishedLectures m_finished;
    QPointer<LibrarySeries> m_series;
    QMetaObject::Connection m_seriesConnection;
    // The lecture last marked finished by reaching its final stretch, so that a listener who
    // unmarks it there is not overruled by the next save tick.
    std::optional<qint64> m_reachedFinish;

    std::chrono::milliseconds m_saveInterval{1000};
    QTimer m_saveTimer;
};
