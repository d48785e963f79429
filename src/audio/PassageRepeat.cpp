#include "audio/PassageRepeat.h"

#include "Logging.h"

#include "audio/AudioEngine.h"
#include "audio/SecondsText.h"

#include <QDebug>

namespace {
// Time reports come four times a second: the end counts as reached this close to it.
constexpr double EndSlack = 0.05;
// More than a time report can overshoot at the highest speed (0.25 s at 3×).
constexpr double JumpSlack = 1.0;
} // namespace

PassageRepeat::PassageRepeat(AudioEngine &engine, QObject *parent)
    : QObject(parent), m_engine(engine)
{
    m_gap.setSingleShot(true);
    connect(&m_gap, &QTimer::timeout, this, &PassageRepeat::playAgain);
    m_messageTimer.setSingleShot(true);
    m_messageTimer.setInterval(4000);
    connect(&m_messageTimer, &QTimer::timeout, this, [this] { setMessage({}); });
    connect(&engine, &AudioEngine::currentTimeChanged, this, &PassageRepeat::followTime);
    connect(&engine, &AudioEngine::positionJumped, this, &PassageRepeat::followJump);
    connect(&engine, &AudioEngine::currentTrackChanged, this, &PassageRepeat::stop);
}

void PassageRepeat::setCount(int count)
{
    if (count == m_count ||
        (count != 0 && count != 1 && count != 3 && count != 5 && count != 7 && count != 10))
        return;
    m_count = count;
    emit settingsChanged();
}

void PassageRepeat::setGapSeconds(int seconds)
{
    if (seconds == m_gapSeconds || seconds < 0 || seconds > 2)
        return;
    m_gapSeconds = seconds;
    emit settingsChanged();
}

QString PassageRepeat::label() const
{
    return m_count == 0 ? QStringLiteral("Ulangi terus")
                        : QStringLiteral("Ulangi %1×").arg(m_count);
}

void PassageRepeat::markStart()
{
    if (!m_engine.hasCurrentTrack())
        return;
    stop();
    m_start = m_engine.currentTime();
    m_stage = 1;
    setMessage({});
    emit changed();
}

bool PassageRepeat::markEnd()
{
    if (m_stage != 1)
        return false;
    // Heard once while marking; the repetitions start from A.
    return repeatPassage(m_start, m_engine.currentTime());
}

void PassageRepeat::step()
{
    if (m_stage == 0)
        markStart();
    else if (m_stage == 1)
        markEnd();
    else
        stop();
}

bool PassageRepeat::repeatPassage(double start, double end)
{
    if (!m_engine.hasCurrentTrack())
        return false;
    m_gap.stop();
    if (!begin(start, end))
        return false;
    m_seeking = true;
    m_engine.seekTo(start);
    m_seeking = false;
    if (!m_engine.isPlaying())
        m_engine.togglePlay();
    return true;
}

bool PassageRepeat::begin(double start, double end)
{
    if (end < start) {
        setMessage(QStringLiteral("Akhir bagian sebelum awalnya"));
    } else if (end - start < MinimumLength) {
        setMessage(QStringLiteral("Bagian terlalu pendek (kurang dari 1 detik)"));
    } else {
        m_start = start;
        m_end = end;
        m_stage = 2;
        setDone(0);
        setMessage({});
        emit changed();
        qCInfo(lcAudio).noquote() << "[PassageRepeat] start=" + secondsText(start)
                                  << "end=" + secondsText(end)
                                  << "count=" + QString::number(m_count);
        return true;
    }
    // Refused: back to nothing marked, the lecture goes on as it was.
    m_stage = 0;
    emit changed();
    return false;
}

void PassageRepeat::stop()
{
    m_gap.stop();
    if (m_stage == 0)
        return;
    m_stage = 0;
    setDone(0);
    emit changed();
}

void PassageRepeat::followTime()
{
    if (m_stage != 2 || m_gap.isActive())
        return;
    const double at = m_engine.currentTime();
    // Far from the passage: moved there, not played there (the jump's own signal follows).
    if (at < m_start - JumpSlack || at > m_end + JumpSlack) {
        stop();
        return;
    }
    if (at < m_end - EndSlack)
        return;
    setDone(m_done + 1);
    if (m_count != 0 && m_done >= m_count) {
        // Done: the lecture plays on from here, the end of the passage.
        stop();
        return;
    }
    if (m_gapSeconds > 0 && m_engine.isPlaying()) {
        m_engine.handlePauseCommand();
        m_gap.start(m_gapSeconds * 1000);
    }
    m_seeking = true;
    m_engine.seekTo(m_start);
    m_seeking = false;
}

void PassageRepeat::playAgain()
{
    if (m_stage == 2 && !m_engine.isPlaying())
        m_engine.handlePlayCommand();
}

void PassageRepeat::followJump()
{
    if (m_stage != 2 || m_seeking)
        return;
    const double at = m_engine.currentTime();
    if (at < m_start - EndSlack || at > m_end + EndSlack)
        stop();
}

void PassageRepeat::setMessage(const QString &message)
{
    if (message == m_message)
        return;
    m_message = message;
    if (message.isEmpty())
        m_messageTimer.stop();
    else
        m_messageTimer.start();
    emit messageChanged();
}

void PassageRepeat::setDone(int done)
{
    if (done == m_done)
        return;
    m_done = done;
    emit doneChanged();
}
