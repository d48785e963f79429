#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class AudioEngine;

// "Pengatur waktu tidur": pauses playback after a chosen listening time or at the end of the
// current lecture. It counts only while a lecture plays, fades the volume out over its last
// ten seconds, then pauses (the engine announces the place so it is saved) and puts the
// volume back. Starting another lecture does not cancel it.
class SleepTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)
    Q_PROPERTY(bool untilEndOfLecture READ untilEndOfLecture NOTIFY activeChanged)
    // Whole seconds of listening left, rounded up; 0 when inactive.
    Q_PROPERTY(int remainingSeconds READ remainingSeconds NOTIFY remainingSecondsChanged)

public:
    static constexpr std::chrono::milliseconds FadeTime{10000};

    // Milliseconds on a steady clock: only its differences count.
    using Clock = std::function<qint64()>;

    explicit SleepTimer(AudioEngine &engine);
    // Tests replace the steady clock to let listening time pass at will.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    bool isActive() const { return m_active; }
    bool untilEndOfLecture() const { return m_untilEnd; }
    int remainingSeconds() const { return m_remainingSeconds; }

    void start(std::chrono::milliseconds listening);
    void startUntilEndOfLecture();
    void cancel();

signals:
    void activeChanged();
    void remainingSecondsChanged();

private:
    void followPlaying();
    void tick();
    qint64 remainingMs() const;
    void publishRemaining();
    void applyFade();
    void finish(bool pause);

    AudioEngine &m_engine;
    QTimer m_tick;
    Clock m_clock;
    // The clock's reading at the last tick while playing; empty while nothing counts.
    std::optional<qint64> m_lastTick;
    bool m_active = false;
    bool m_untilEnd = false;
    qint64 m_leftMs = 0;
    int m_remainingSeconds = 0;
    bool m_faded = false;
};
