#include "audio/mpris/MprisRootAdaptor.h"

#include "audio/mpris/NowPlaying.h"

MprisRootAdaptor::MprisRootAdaptor(NowPlaying *parent)
    : QDBusAbstractAdaptor(parent), m_nowPlaying(parent)
{
}

void MprisRootAdaptor::Raise()
{
    emit m_nowPlaying->raiseRequested();
}

void MprisRootAdaptor::Quit()
{
    emit m_nowPlaying->quitRequested();
}
