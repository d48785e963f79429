#include "audio/SleepTimer.h"

#include "audio/AudioEngine.h"

#include <cmath>

namespace {
constexpr int TickMs = 250;
}

SleepTimer::SleepTimer(AudioEngine &engine)
    : m_engine(engine), m_clock([] {
          using namespace std::chrono;
          return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
      })
{
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, &SleepTimer::tick);
    connect(&engine, &AudioEngine::isPlayingChanged, this, &SleepTimer::followPlaying);
    // "Akhir kajian": the lecture played to its end (the engine pauses there by itself).
    connect(&engine, &AudioEngine::reachedEnd, this, [this] {
        if (m_active && m_untilEnd)
            finish(false);
    });
}

void SleepTimer::start(std::chrono::milliseconds listening)
{
    m_leftMs = qMax<qint64>(0, listening.count());
    m_untilEnd = false;
    m_active = true;
    emit activeChanged();
    followPlaying();
    publishRemaining();
}

void SleepTimer::startUntilEndOfLecture()
{
    m_untilEnd = true;
    m_active = true;
    emit activeChanged();
    followPlaying();
    publishRemaining();
}

void SleepTimer::cancel()
{
    if (!m_active)
        return;
    finish(false);
}

void SleepTimer::followPlaying()
{
    // Paused time does not count, and nothing ticks while nothing plays.
    if (m_active && m_engine.isPlaying()) {
        if (!m_tick.isActive()) {
            m_lastTick = m_clock();
            m_tick.start();
        }
    } else if (m_tick.isActive()) {
        tick();
        m_tick.stop();
        m_lastTick.reset();
    }
}

qint64 SleepTimer::remainingMs() const
{
    if (!m_untilEnd)
        return m_leftMs;
    const double left = qMax(0.0, m_engine.duration() - m_engine.currentTime());
    return std::llround(left / m_engine.playbackRate() * 1000);
}

void SleepTimer::tick()
{
    if (!m_active)
        return;
    if (!m_untilEnd && m_lastTick) {
        const qint64 now = m_clock();
        m_leftMs -= now - *m_lastTick;
        m_lastTick = now;
        if (m_leftMs <= 0) {
            finish(true);
            return;
        }
    }
    applyFade();
    publishRemaining();
}

void SleepTimer::applyFade()
{
    const qint64 left = remainingMs();
    if (m_untilEnd && m_engine.duration() <= 0)
        return;
    if (left < FadeTime.count()) {
        m_engine.setOutputVolume(double(left) / double(FadeTime.count()));
        m_faded = true;
    } else if (m_faded) {
        m_engine.setOutputVolume(1.0);
        m_faded = false;
    }
}

void SleepTimer::publishRemaining()
{
    const int seconds = m_active ? int((remainingMs() + 999) / 1000) : 0;
    if (seconds == m_remainingSeconds)
        return;
    m_remainingSeconds = seconds;
    emit remainingSecondsChanged();
}

void SleepTimer::finish(bool pause)
{
    m_tick.stop();
    m_lastTick.reset();
    m_active = false;
    m_untilEnd = false;
    m_leftMs = 0;
    if (pause)
        m_engine.pauseAndKeepPlace();
    if (m_faded || pause)
        m_engine.setOutputVolume(1.0);
    m_faded = false;
    emit activeChanged();
    publishRemaining();
}
