#include "audio/MprisRootAdaptor.h"

#include "audio/NowPlaying.h"

MprisRootAdaptor::MprisRootAdaptor(NowPlaying *parent) : QDBusAbstractAdaptor(parent) {}
