#include "audio/SmartRewind.h"

#include <QtGlobal>

#include <chrono>

SmartRewind::SmartRewind(std::function<double()> clock, QObject *parent)
    : QObject(parent), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] {
            using namespace std::chrono;
            return duration<double>(system_clock::now().time_since_epoch()).count();
        };
}

void SmartRewind::notePaused()
{
    m_pausedAt = m_clock();
}

void SmartRewind::notePausedSince(std::optional<double> since)
{
    m_pausedAt = since;
}

void SmartRewind::resuming(double at, bool allowed)
{
    const std::optional<double> pausedAt = std::exchange(m_pausedAt, std::nullopt);
    if (!pausedAt || !allowed)
        return;
    const double paused = m_clock() - *pausedAt;
    const double back = paused >= LongPause ? LongRewind : paused >= ShortPause ? ShortRewind : 0;
    if (back > 0 && at > 0)
        emit rewindTo(qMax(0.0, at - back));
}
