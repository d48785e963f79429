// How long the GUI thread waits on the disk, alone and while another process writes to the
// same disk with `dd oflag=direct` (bounded: 1 GiB at most, stopped when done). Prints
// figures; never fails.
//   - the save tick: saveSettings + addOrUpdatePlaybackHistory over a 1,000-entry history,
//     what the player does once a second (ms per tick: median, worst, ticks over 16 ms);
//   - a download's completion: the longest stall of the event loop (a 1 ms probe timer)
//     while 8 MB lectures download from the loopback service and are stored.
#include "LectureService.h"
#include "audio/downloads/Downloads.h"
#include "persistence/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

struct Figures
{
    double median = 0, worst = 0;
    int over16 = 0, count = 0;
};

Figures summarise(QList<double> ms)
{
    std::sort(ms.begin(), ms.end());
    Figures f;
    f.count = int(ms.size());
    if (ms.isEmpty())
        return f;
    f.median = ms[ms.size() / 2];
    f.worst = ms.last();
    f.over16 = int(std::count_if(ms.begin(), ms.end(), [](double v) { return v > 16; }));
    return f;
}

Figures saveTicks(Store &store, int ticks)
{
    QList<double> ms;
    for (int i = 0; i < ticks; ++i) {
        QElapsedTimer timer;
        timer.start();
        Store::Settings settings;
        settings.lastTrackId = 100000 + i % 1000;
        settings.lastPosition = i;
        settings.lastDuration = 3600;
        store.saveSettings(settings);
        store.addOrUpdatePlaybackHistory(100000 + (i * 7) % 1000, i, 3600);
        ms << timer.nsecsElapsed() / 1e6;
        QTest::qWait(20); // as a tick would, leave the disk a moment
    }
    return summarise(ms);
}

// Longest event-loop stalls while `runs` downloads complete, one after another.
Figures downloadStalls(const QString &folder, int runs)
{
    Downloads downloads(folder);
    QList<double> stalls;
    QElapsedTimer since;
    double worstGap = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, since.nsecsElapsed() / 1e6);
        since.restart();
    });
    for (int run = 0; run < runs; ++run) {
        Track track;
        track.id = 1 + run;
        track.filename = QStringLiteral("kajian.mp3");
        worstGap = 0;
        since.start();
        probe.start();
        downloads.startDownload(track);
        QTest::qWaitFor([&] { return downloads.downloadingIds().isEmpty(); }, 120000);
        probe.stop();
        stalls << worstGap;
    }
    return summarise(stalls);
}

// dd writes 1 GiB with direct I/O, again when it finishes (at most 8 times), until stopped.
class Writer
{
public:
    explicit Writer(const QString &folder) : m_target(folder + QStringLiteral("/dd-load"))
    {
        QObject::connect(&m_dd, &QProcess::finished, [this] {
            if (!m_stopping && ++m_runs < 8)
                start();
        });
        start();
    }
    ~Writer()
    {
        m_stopping = true;
        m_dd.kill();
        m_dd.waitForFinished();
        QFile::remove(m_target);
    }
    int runs() const { return m_runs + 1; }

private:
    void start()
    {
        m_dd.start(QStringLiteral("dd"),
                   {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + m_target,
                    QStringLiteral("bs=1M"), QStringLiteral("count=1024"),
                    QStringLiteral("oflag=direct"), QStringLiteral("status=none")});
        m_dd.waitForStarted();
    }
    QString m_target;
    QProcess m_dd;
    bool m_stopping = false;
    int m_runs = 0;
};

void print(const char *what, const Figures &alone, const Figures &loaded)
{
    std::printf("  %-22s alone: median %.2f ms, worst %.2f ms, %d of %d over 16 ms | under dd: "
                "median %.2f ms, worst %.2f ms, %d of %d over 16 ms (worst %.1fx)\n",
                what, alone.median, alone.worst, alone.over16, alone.count, loaded.median,
                loaded.worst, loaded.over16, loaded.count,
                alone.worst > 0 ? loaded.worst / alone.worst : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir dir; // on the disk the data folder and dd share
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    QCoreApplication app(argc, argv);
    std::printf("disk waits on the GUI thread, data folder %s\n", qPrintable(dir.path()));

    Store store;
    QList<Store::PlaybackHistoryItem> items;
    for (int i = 0; i < 1000; ++i)
        items.append({100000 + i, i * 1.5, 3600 + i, 1733480000.0 + i * 37.25, 1 + i % 9});
    store.savePlaybackHistory(items);

    LectureService service;
    QByteArray body(8 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(body.data()), body.size() / 4);
    if (!service.addTrackFile(QStringLiteral("kajian.mp3"), body) || !service.start()) {
        std::puts("cannot start the lecture service");
        return 0;
    }
    ServiceAddress::setBaseUrl(service.baseUrl());
    const QString folder = dir.path() + QStringLiteral("/Quillora/Downloads");

    const Figures ticksAlone = saveTicks(store, 100);
    const Figures downloadsAlone = downloadStalls(folder + QStringLiteral("-alone"), 5);
    int writerRuns = 0;
    Figures ticksLoaded, downloadsLoaded;
    {
        Writer writer(dir.path());
        ticksLoaded = saveTicks(store, 100);
        downloadsLoaded = downloadStalls(folder + QStringLiteral("-loaded"), 5);
        writerRuns = writer.runs();
    }
    print("save tick", ticksAlone, ticksLoaded);
    print("download: worst stall", downloadsAlone, downloadsLoaded);
    std::printf("  (dd ran %d time(s) of 1 GiB meanwhile)\n", writerRuns);
    return 0;
}
