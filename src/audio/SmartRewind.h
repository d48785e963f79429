#pragma once

#include <QObject>

#include <functional>
#include <optional>

// Smart rewind: resuming after a long pause goes back a few seconds, so the listener hears
// the last words again. It keeps when the listener paused and, as playing resumes, says how
// far back to go.
class SmartRewind : public QObject
{
    Q_OBJECT

public:
    // Resuming after this long a pause goes back this far.
    static constexpr double ShortPause = 60, ShortRewind = 3;
    static constexpr double LongPause = 3600, LongRewind = 10;

    // Seconds since 1970; empty for the system clock (tests replace it).
    explicit SmartRewind(std::function<double()> clock = {}, QObject *parent = nullptr);

    // The listener paused now.
    void notePaused();
    // The pause began at `since` (seconds since 1970), or there is none to remember.
    void notePausedSince(std::optional<double> since);
    // Playing resumes at `at` seconds; `allowed` when smart rewind is on and the lecture can
    // be moved. Announces the place to go back to, if any, and forgets the pause.
    void resuming(double at, bool allowed);

signals:
    void rewindTo(double seconds);

private:
    std::function<double()> m_clock;
    std::optional<double> m_pausedAt;
};
