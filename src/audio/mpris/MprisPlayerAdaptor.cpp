#include "audio/mpris/MprisPlayerAdaptor.h"

#include "audio/mpris/NowPlaying.h"
#include "persistence/Preferences.h"

#include <cmath>

MprisPlayerAdaptor::MprisPlayerAdaptor(NowPlaying *parent)
    : QDBusAbstractAdaptor(parent), m_nowPlaying(parent)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_nowPlaying->playbackStatus();
}

double MprisPlayerAdaptor::rate() const
{
    const auto &info = m_nowPlaying->info();
    return info ? info->speed : 1.0;
}

void MprisPlayerAdaptor::setRate(double rate)
{
    if (!std::isnan(rate))
        emit m_nowPlaying->rateRequested(rate);
}

double MprisPlayerAdaptor::minimumRate() const
{
    return Preferences::MinimumRate;
}

double MprisPlayerAdaptor::maximumRate() const
{
    return Preferences::MaximumRate;
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_nowPlaying->metadata();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_nowPlaying->positionMicroseconds();
}

bool MprisPlayerAdaptor::hasLecture() const
{
    return m_nowPlaying->info().has_value();
}

bool MprisPlayerAdaptor::hasQueue() const
{
    const auto &info = m_nowPlaying->info();
    return info && info->hasQueue;
}

void MprisPlayerAdaptor::PlayPause()
{
    emit m_nowPlaying->playPauseRequested();
}

void MprisPlayerAdaptor::Play()
{
    emit m_nowPlaying->playRequested();
}

void MprisPlayerAdaptor::Pause()
{
    emit m_nowPlaying->pauseRequested();
}

void MprisPlayerAdaptor::Next()
{
    emit m_nowPlaying->nextRequested();
}

void MprisPlayerAdaptor::Previous()
{
    emit m_nowPlaying->previousRequested();
}

void MprisPlayerAdaptor::Seek(qlonglong offset)
{
    if (hasLecture())
        emit m_nowPlaying->seekRequested(double(offset) / 1e6);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &trackId, qlonglong position)
{
    const auto &info = m_nowPlaying->info();
    // MPRIS: a stale track id, a negative place or one past the end does nothing.
    if (!info || trackId != m_nowPlaying->trackObjectPath() || position < 0)
        return;
    const double seconds = double(position) / 1e6;
    if (info->duration > 0 && seconds > info->duration)
        return;
    emit m_nowPlaying->positionRequested(seconds);
}
