#include "audio/MprisPlayerAdaptor.h"

#include "audio/NowPlaying.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(NowPlaying *parent)
    : QDBusAbstractAdaptor(parent), m_nowPlaying(parent)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_nowPlaying->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_nowPlaying->metadata();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_nowPlaying->positionMicroseconds();
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
