#pragma once

#include "audio/PlayerBackend.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// A player whose every answer the test decides: item status, time-control status, seek
// completions, time reports, the end of the media, and the thread a status change arrives
// on. It records what the engine asked of it as short texts ("load <url>", "play",
// "pause", "clear", "seek <units>").
class ScriptedBackend : public PlayerBackend
{
public:
    void load(const QUrl &url) override;
    void clear() override;
    void play() override;
    void pause() override;
    ItemStatus itemStatus() const override { return m_status; }
    QString itemError() const override { return m_error; }
    bool itemRefused() const override { return refused; }
    TimeControlStatus timeControlStatus() const override { return m_timeControl; }
    void seek(qint64 time, SeekCompletion completion = {}) override;
    void setRate(double rate) override { m_rate = rate; }
    void setVolume(double volume) override { m_volume = volume; }
    void setStatusHandler(StatusHandler handler) override { m_statusHandler = std::move(handler); }
    void setPeriodicTimeHandler(qint64 interval, TimeHandler handler) override;
    void setRateHandler(RateHandler handler) override { m_rateHandler = std::move(handler); }
    void setEndHandler(EndHandler handler) override { m_endHandler = std::move(handler); }
    void setVoiceLeveling(bool on) override { calls << (on ? "leveling on" : "leveling off"); }
    void setBreakHandler(BreakHandler handler) override { m_breakHandler = std::move(handler); }

    // Driving the engine.
    void setItemStatus(ItemStatus status, const QString &error = QString());
    // The status change is delivered on a thread of its own, which ends before this returns.
    void setItemStatusFromOtherThread(ItemStatus status);
    // Completes the oldest pending seek.
    void completeSeek(bool finished);
    void reportTime(double seconds);
    void reachEnd();
    // The connection broke while `bufferedUntil` seconds are buffered.
    void breakStream(double bufferedUntil)
    {
        if (m_breakHandler)
            m_breakHandler(qint64(bufferedUntil * Timescale));
    }
    void setTimeControlStatus(TimeControlStatus status) { m_timeControl = status; }

    StatusHandler statusHandler() const { return m_statusHandler; }
    qint64 timeInterval() const { return m_timeInterval; }
    int pendingSeeks() const { return int(m_seeks.size()); }
    QUrl url() const { return m_url; }
    double rate() const { return m_rate; }
    double volume() const { return m_volume; }

    QStringList calls;
    int loads = 0;
    // The current item's site is not trusted (set before failing it; a load clears it).
    bool refused = false;

private:
    QUrl m_url;
    ItemStatus m_status = ItemStatus::Unknown;
    QString m_error;
    TimeControlStatus m_timeControl = TimeControlStatus::Paused;
    double m_rate = 1.0;
    double m_volume = 1.0;
    QList<SeekCompletion> m_seeks;
    qint64 m_timeInterval = 0;
    StatusHandler m_statusHandler;
    TimeHandler m_timeHandler;
    RateHandler m_rateHandler;
    EndHandler m_endHandler;
    BreakHandler m_breakHandler;
};
