#include "ScriptedBackend.h"

#include <cmath>
#include <thread>

void ScriptedBackend::load(const QUrl &url)
{
    ++loads;
    m_url = url;
    m_status = ItemStatus::Unknown;
    m_error.clear();
    refused = false;
    m_timeControl = TimeControlStatus::Paused;
    calls << QStringLiteral("load ") + url.toString();
}

void ScriptedBackend::clear()
{
    m_url.clear();
    m_status = ItemStatus::Unknown;
    calls << QStringLiteral("clear");
}

void ScriptedBackend::play()
{
    calls << QStringLiteral("play");
    const bool wasPaused = m_timeControl == TimeControlStatus::Paused;
    m_timeControl = TimeControlStatus::Playing;
    if (wasPaused && m_rateHandler)
        m_rateHandler(1.0);
}

void ScriptedBackend::pause()
{
    calls << QStringLiteral("pause");
    const bool wasPaused = m_timeControl == TimeControlStatus::Paused;
    m_timeControl = TimeControlStatus::Paused;
    if (!wasPaused && m_rateHandler)
        m_rateHandler(0.0);
}

void ScriptedBackend::seek(qint64 time, SeekCompletion completion)
{
    calls << QStringLiteral("seek ") + QString::number(time);
    if (completion)
        m_seeks.append(std::move(completion));
}

void ScriptedBackend::setPeriodicTimeHandler(qint64 interval, TimeHandler handler)
{
    m_timeInterval = handler ? interval : 0;
    m_timeHandler = std::move(handler);
}

void ScriptedBackend::setItemStatus(ItemStatus status, const QString &error)
{
    const ItemStatus old = m_status;
    m_status = status;
    m_error = error;
    if (status == ItemStatus::Failed)
        m_timeControl = TimeControlStatus::Paused;
    if (m_statusHandler)
        m_statusHandler(status, old);
}

void ScriptedBackend::setItemStatusFromOtherThread(ItemStatus status)
{
    const ItemStatus old = m_status;
    m_status = status;
    const StatusHandler handler = m_statusHandler;
    std::thread thread([handler, status, old] {
        if (handler)
            handler(status, old);
    });
    thread.join();
}

void ScriptedBackend::completeSeek(bool finished)
{
    if (m_seeks.isEmpty())
        return;
    const SeekCompletion completion = m_seeks.takeFirst();
    completion(finished);
}

void ScriptedBackend::reportTime(double seconds)
{
    if (m_timeHandler)
        m_timeHandler(std::llround(seconds * Timescale));
}

void ScriptedBackend::reachEnd()
{
    m_timeControl = TimeControlStatus::Paused;
    if (m_endHandler)
        m_endHandler();
}
