// addOrUpdatePlaybackHistory against a 1,000-entry history file: the player calls it once a
// second. Prints figures; never fails.
#include "persistence/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    QCoreApplication app(argc, argv);

    Store store;
    QList<Store::PlaybackHistoryItem> items;
    for (int i = 0; i < 1000; ++i)
        items.append({100000 + i, i * 1.5, 3600 + i, 1733480000.0 + i * 37.25, 1 + i % 9});
    store.savePlaybackHistory(items);
    const qint64 fileSize = QFileInfo(store.folderURL() + "/playback_history.json").size();

    const int calls = 300;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < calls; ++i)
        store.addOrUpdatePlaybackHistory(100000 + (i * 7) % 1000, i, 3600);
    const double update = timer.nsecsElapsed() / 1e3 / calls;

    timer.restart();
    for (int i = 0; i < calls; ++i)
        store.loadPlaybackHistory();
    const double load = timer.nsecsElapsed() / 1e3 / calls;

    timer.restart();
    for (int i = 0; i < calls; ++i)
        store.savePlaybackHistory(items);
    const double save = timer.nsecsElapsed() / 1e3 / calls;

    const QByteArray bytes = Store::encodeHistory(items);
    timer.restart();
    for (int i = 0; i < calls; ++i)
        Store::decodeHistory(bytes);
    const double decode = timer.nsecsElapsed() / 1e3 / calls;

    timer.restart();
    for (int i = 0; i < calls; ++i)
        Store::encodeHistory(items);
    const double encode = timer.nsecsElapsed() / 1e3 / calls;

    const QList<Store::PlaybackHistoryItem> loaded = store.loadPlaybackHistory();
    std::printf("history of %lld entries, file %.1f kB, %d calls each\n",
                static_cast<long long>(loaded.size()), fileSize / 1e3, calls);
    std::printf("  addOrUpdatePlaybackHistory  %8.1f us/call\n", update);
    std::printf("  loadPlaybackHistory         %8.1f us/call (read, decode, sort)\n", load);
    std::printf("  savePlaybackHistory         %8.1f us/call (encode, atomic replace with fsync)\n",
                save);
    std::printf("  of which decodeHistory      %8.1f us/call\n", decode);
    std::printf("  of which encodeHistory      %8.1f us/call\n", encode);
    return 0;
}
