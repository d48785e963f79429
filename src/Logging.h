#pragma once

#include <QLoggingCategory>

// One category per subsystem. By default only warnings print (the failures a user may need to
// read); everyday lines are info and turn on with e.g. QT_LOGGING_RULES="talvora.*.info=true"
// or one subsystem at a time ("talvora.audio.info=true").
Q_DECLARE_LOGGING_CATEGORY(lcAudio)     // talvora.audio: the engine, mpv, MPRIS, passage repeat
Q_DECLARE_LOGGING_CATEGORY(lcDownloads) // talvora.downloads
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)   // talvora.network: the lecture service's client
Q_DECLARE_LOGGING_CATEGORY(lcStore)     // talvora.store: files under the data folder
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)    // talvora.player: the view models
Q_DECLARE_LOGGING_CATEGORY(lcPrayer)    // talvora.prayer
Q_DECLARE_LOGGING_CATEGORY(lcShell)     // talvora.shell: windows, tray, single instance
