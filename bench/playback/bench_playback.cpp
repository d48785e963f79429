// Playback figures, printed (never pass/fail); run from a Release build:
//   - play() of a 60-minute lecture on loopback: ms to mode 1 and to audio advancing;
//   - resume at 45:00 of that lecture over HTTP with byte ranges: ms to mode 1, and where
//     playback starts relative to 45:00;
//   - steady playback: CPU (% of one core) and RSS of a process playing the lecture through
//     the engine, against bare `mpv --no-video --ao=null <url>` on the same stream;
//   - the same with "Perjelas suara" (mpv's dynaudnorm filter) on, against off in the same run;
//   - one save tick of the player view model with a 1,000-entry history: µs;
//   - skip (+30 s / -10 s) -> audio playing at the new place: ms, from a stored file and over
//     HTTP with byte ranges;
//   - play() -> the place moving on the bar and over MPRIS (what Position answers), over HTTP
//     and from a stored file;
//   - an outage (the service gone 3-4.3 s after the sound stopped) -> audio playing again: ms from
//     the service's return;
//   - steady playback CPU at 2.0x against 1.0x, the same process kind in the same run;
//   - playing on: the end of a series' part -> the next part's audio advancing, over HTTP and
//     from stored files (ms; goal 300), against play() of the same part in the same run
//     (`bench_playback --play-on` runs only this; `--outages N` only N outages).
#include "Fixtures.h"
#include "LectureService.h"
#include "TempDataHome.h"
#include "audio/AudioEngine.h"
#include "audio/MpvBackend.h"
#include "audio/PlayerParts.h"
#include "audio/downloads/Downloads.h"
#include "persistence/Store.h"
#include "viewmodels/PlayerViewModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr int Runs = 7;
constexpr int StartRuns = 11;
constexpr int LectureSeconds = 3600;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

Track lecture()
{
    Track track;
    track.id = 1;
    track.filename = QStringLiteral("kajian-60.mp3");
    track.slug = QStringLiteral("kajian-60");
    track.judul = QStringLiteral("Kajian enam puluh menit");
    track.ustadz = QStringLiteral("Ustadz Fulan");
    track.durationSeconds = LectureSeconds;
    return track;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Silences the engine's per-event log lines while measuring.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

struct StartFigures
{
    QList<double> toMode1;
    QList<double> toAdvancing;
    QList<double> toPublished; // the moving place on the bar and over MPRIS
    QList<double> offsets;
};

StartFigures measureStarts(PlayerParts &parts, const MpvBackend &player,
                           std::optional<double> resume)
{
    AudioEngine &engine = parts.engine;
    StartFigures figures;
    const Track track = lecture();
    for (int run = 0; run < StartRuns + 1; ++run) {
        // Each run switches lectures as a user does: from a loaded item to a new one.
        engine.prepare(track, 1);
        waitFor([&] { return engine.playbackMode() == PlaybackState::Paused; }, 10000);

        QElapsedTimer timer;
        timer.start();
        const double start = resume.value_or(0);
        double published = -1;
        // What MPRIS answers for Position (and the bar shows), read as often as events run.
        const auto publishedMoving = [&] {
            if (published < 0 && engine.currentTime() > start &&
                parts.nowPlaying.positionMicroseconds() > qint64(start * 1e6))
                published = timer.nsecsElapsed() / 1e6;
            return published >= 0;
        };
        engine.play(track, QList<Track>{track}, resume);
        if (!waitFor([&] { return engine.playbackMode() == PlaybackState::Playing; }, 20000)) {
            std::printf("  run %d: no start\n", run);
            continue;
        }
        const double mode1 = timer.nsecsElapsed() / 1e6;
        const double startedAt = player.position();
        // Audio counts as advancing once 20 ms of it have played.
        waitFor(
            [&] {
                publishedMoving();
                return player.position() > startedAt + 0.02;
            },
            20000);
        const double advancing = timer.nsecsElapsed() / 1e6;
        waitFor(publishedMoving, 20000);
        if (run == 0)
            continue; // warm-up
        figures.toMode1 << mode1;
        figures.toAdvancing << advancing;
        figures.toPublished << published;
        figures.offsets << startedAt - start;
    }
    return figures;
}

struct ProcessFigures
{
    double cpuPercent = 0;
    double rssMiB = 0;
    double peakMiB = 0;
};

qint64 cpuTicks(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // Fields after the command name (which may hold spaces) start after the last ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong(); // utime + stime
}

double statusKiB(qint64 pid, const QByteArray &key)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble();
    }
    return 0;
}

ProcessFigures measureProcess(const QString &program, const QStringList &arguments, int warmupMs,
                              int windowMs)
{
    ProcessFigures figures;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return figures;
    const qint64 pid = process.processId();
    QTest::qWait(warmupMs);
    const qint64 ticks0 = cpuTicks(pid);
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(windowMs);
    const qint64 ticks1 = cpuTicks(pid);
    const double seconds = wall.nsecsElapsed() / 1e9;
    figures.cpuPercent = 100.0 * double(ticks1 - ticks0) / double(sysconf(_SC_CLK_TCK)) / seconds;
    figures.rssMiB = statusKiB(pid, "VmRSS:") / 1024;
    figures.peakMiB = statusKiB(pid, "VmHWM:") / 1024;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
    return figures;
}

// Child mode: play the URL through the engine (at `rate`, clearer voice on or off) until killed.
int playChild(const QString &baseUrl, double rate, bool clearerVoice)
{
    qInstallMessageHandler(quietHandler);
    ServiceAddress::setBaseUrl(baseUrl);
    AudioEngine engine(std::make_unique<MpvBackend>(), nullptr, AudioEngine::Options{});
    engine.setPlaybackRate(rate);
    engine.setClearerVoice(clearerVoice);
    engine.play(lecture());
    return QCoreApplication::exec();
}

void benchSaveTick()
{
    TempDataHome home;
    Store store;
    QList<Store::PlaybackHistoryItem> history;
    for (int i = 0; i < 1000; ++i)
        history.append({i + 1, 100.0 + i, 3600, 1.7e9 + i, 3});
    store.savePlaybackHistory(history);
    store.saveSettings({false, RepeatMode::Off, 500, 10, 3600});

    AudioEngine engine(std::make_unique<MpvBackend>(), nullptr, AudioEngine::Options{});
    PlayerViewModel model(engine, store);
    model.setSaveInterval(std::chrono::hours(1));
    Track track = lecture();
    track.id = 500; // an entry in the middle of the history
    engine.prepare(track, 754.2);

    QList<double> micros;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        model.saveTick();
        micros << timer.nsecsElapsed() / 1e3;
    }
    // Its two writes on their own, to tell the model's share from the store's.
    QList<double> settingsMicros, historyMicros;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer timer;
        timer.start();
        store.saveSettings({false, RepeatMode::Off, 500, 754.2, 3600});
        settingsMicros << timer.nsecsElapsed() / 1e3;
        timer.restart();
        store.addOrUpdatePlaybackHistory(500, 754.2, 3600);
        historyMicros << timer.nsecsElapsed() / 1e3;
    }
    std::printf("save tick, 1,000-entry history: median %.0f us (min %.0f, max %.0f; 200 ticks)\n",
                median(micros), *std::min_element(micros.begin(), micros.end()),
                *std::max_element(micros.begin(), micros.end()));
    std::printf(
        "  of which saveSettings median %.0f us, addOrUpdatePlaybackHistory median %.0f us\n",
        median(settingsMicros), median(historyMicros));
}

// Skips within the lecture, alternately forward 30 s and back 10 s, each timed until the
// player stands within half a second of the target and 20 ms of audio have played there.
QList<double> measureSkips(AudioEngine &engine, const MpvBackend &player, const QString &label)
{
    QList<double> millis;
    engine.play(lecture(), std::nullopt, 600.0);
    waitFor([&] { return engine.playbackMode() == PlaybackState::Playing; }, 20000);
    waitFor([&] { return player.position() > 600.2; }, 20000);
    for (int run = 0; run < 2 * Runs + 1; ++run) {
        const double by = run % 2 == 0 ? 30 : -10;
        const double target = player.position() + by;
        QElapsedTimer timer;
        timer.start();
        engine.skip(by);
        if (!waitFor([&] { return qAbs(player.position() - target) < 0.5; }, 20000)) {
            std::printf("  %s skip %d: did not land\n", qPrintable(label), run);
            continue;
        }
        const double landed = player.position();
        waitFor([&] { return player.position() > landed + 0.02; }, 20000);
        if (run > 0)
            millis << timer.nsecsElapsed() / 1e6;
    }
    return millis;
}

// Outages: the service goes away, stays away 3-4.3 s after the sound stopped, and
// comes back; timed from its return until audio plays again at the place.
QList<double> measureReconnects(AudioEngine &engine, const MpvBackend &player,
                                LectureService &service, int runs = Runs)
{
    QList<double> millis;
    // A little faster than it plays, so the buffer runs dry soon after the break.
    service.setFaults(QJsonObject{
        {"files", QJsonObject{{lecture().filename, QJsonObject{{"throttle_bps", 10000}}}}}});
    for (int run = 0; run < runs; ++run) {
        engine.play(lecture(), std::nullopt, 600.0 + run * 60);
        if (!waitFor([&] { return engine.playbackMode() == PlaybackState::Playing; }, 20000))
            continue;
        waitFor([&] { return engine.currentTime() > 601.0 + run * 60; }, 20000);
        const quint16 port = service.port();
        service.stop();
        const bool noticed = waitFor([&] { return engine.isReconnecting(); }, 30000);
        // The outage: 3 s, and 1/8 of a try's step more each run, so the returns fall at every
        // point between two tries rather than always at the same distance before the next.
        waitFor([] { return false; }, 3000 + (run % 8) * 190);
        service.start(port);
        // From the moment the service listens again.
        QElapsedTimer timer;
        timer.start();
        if (!noticed) {
            std::printf("  reconnect %d: the break went unnoticed\n", run);
            continue;
        }
        const double brokeAt = engine.currentTime();
        if (!waitFor([&] { return !engine.isReconnecting() && player.position() > brokeAt + 0.02; },
                     40000)) {
            std::printf("  reconnect %d: no audio again\n", run);
            continue;
        }
        millis << timer.nsecsElapsed() / 1e6;
    }
    service.clearFaults();
    return millis;
}

void printReconnects(const QList<double> &millis)
{
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("service back after a 3-4.3 s outage -> audio again: median %.1f ms (min %.1f, max "
                "%.1f; %d runs; load average %.2f %.2f %.2f at the end)\n",
                median(millis),
                millis.isEmpty() ? 0.0 : *std::min_element(millis.begin(), millis.end()),
                millis.isEmpty() ? 0.0 : *std::max_element(millis.begin(), millis.end()),
                int(millis.size()), load[0], load[1], load[2]);
}

} // namespace

// The end of a part (the engine's end event) -> the next part's audio advancing, for parts of
// a few seconds started 0.3 s before their end; against play() of the next part after a
// prepare, as a user's click would.
void benchPlayOn(LectureService &service)
{
    QList<Track> parts;
    for (int n = 1; n <= 2; ++n) {
        Track part = lecture();
        part.id = n;
        part.filename = QStringLiteral("bagian-%1.mp3").arg(n);
        part.judul = QStringLiteral("Kitab Tauhid Bagian %1").arg(n);
        part.durationSeconds = 4;
        service.copyFile(Fixtures::mp3(4, 64), part.filename);
        parts << part;
    }
    for (const bool stored : {false, true}) {
        QTemporaryDir folder;
        Downloads downloads(folder.path());
        if (stored) {
            for (const Track &part : parts)
                QFile::copy(Fixtures::mp3(4, 64), downloads.fileURL(part).toLocalFile());
        }
        auto backend = std::make_unique<MpvBackend>();
        const MpvBackend &player = *backend;
        AudioEngine engine(std::move(backend), &downloads, AudioEngine::Options{});
        engine.setSeriesLookup([&parts](const Track &) { return parts; });
        QList<double> gaps, clicks;
        for (int run = 0; run < Runs + 1; ++run) {
            engine.play(parts[0], parts, 3.7);
            if (!waitFor([&] { return engine.isPlaying() && player.position() > 3.7; }, 10000))
                continue;
            QElapsedTimer sinceEnd;
            QObject::connect(
                &engine, &AudioEngine::reachedEnd, &engine, [&] { sinceEnd.start(); },
                Qt::SingleShotConnection);
            if (!waitFor(
                    [&] {
                        return sinceEnd.isValid() && engine.currentTrack()->id == 2 &&
                               player.position() > 0.02;
                    },
                    10000))
                continue;
            const double gap = sinceEnd.nsecsElapsed() / 1e6;

            engine.prepare(parts[0], 1);
            waitFor([&] { return engine.playbackMode() == PlaybackState::Paused; }, 10000);
            QElapsedTimer click;
            click.start();
            engine.play(parts[1], parts, std::nullopt);
            waitFor([&] { return engine.isPlaying() && player.position() > 0.02; }, 10000);
            if (run == 0)
                continue; // warm-up
            gaps << gap;
            clicks << click.nsecsElapsed() / 1e6;
        }
        std::printf("end of a part -> next part's audio advancing (%s): median %.1f ms (max %.1f); "
                    "play() of that part: median %.1f ms (ratio %.2f)\n",
                    stored ? "stored files" : "HTTP", median(gaps),
                    gaps.isEmpty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()),
                    median(clicks), median(clicks) > 0 ? median(gaps) / median(clicks) : 0.0);
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == "--play-child")
        return playChild(args[2], args.size() > 3 ? args[3].toDouble() : 1.0,
                         args.value(4) == "--clearer-voice");

    qInstallMessageHandler(quietHandler);
    std::printf(
        "Playback benchmark (%d runs per figure, median; 60-minute 64 kbps CBR MP3 on loopback)\n",
        Runs);
    const QString mp3 = Fixtures::mp3(LectureSeconds, 64);
    if (mp3.isEmpty()) {
        std::printf("could not make the 60-minute MP3 (lame)\n");
        return 1;
    }
    LectureService service;
    service.copyFile(mp3, lecture().filename);
    if (!service.start()) {
        std::printf("the lecture service did not start\n");
        return 1;
    }
    ServiceAddress::setBaseUrl(service.baseUrl());
    if (const qsizetype at = args.indexOf("--outages"); at > 0) {
        auto backend = std::make_unique<MpvBackend>();
        const MpvBackend &player = *backend;
        AudioEngine engine(std::move(backend), nullptr, AudioEngine::Options{});
        printReconnects(measureReconnects(engine, player, service, args.value(at + 1).toInt()));
        return 0;
    }
    benchPlayOn(service);
    if (args.contains("--play-on"))
        return 0;

    {
        auto backend = std::make_unique<MpvBackend>();
        const MpvBackend &player = *backend;
        PlayerParts parts(std::move(backend), nullptr, {});
        const StartFigures fromStart = measureStarts(parts, player, std::nullopt);
        std::printf("play() over HTTP -> mode 1: median %.1f ms; -> audio advancing: median %.1f "
                    "ms; -> place moving on the bar/MPRIS: median %.1f ms (%d runs)\n",
                    median(fromStart.toMode1), median(fromStart.toAdvancing),
                    median(fromStart.toPublished), int(fromStart.toPublished.size()));
        service.clearLog();
        const StartFigures resumed = measureStarts(parts, player, 2700.0);
        // Where the byte seek lands: the Range requests into the file near 45:00 (64 kbps is
        // 8,000 bytes a second); mpv then decodes forward to the exact time.
        QList<double> rangeOffsets;
        for (const QJsonObject &request : service.requests("/stream.php")) {
            const QString range = request.value("range").toString();
            const double byte = range.section('=', 1).section('-', 0, 0).toDouble();
            if (byte > 2600 * 8000.0 && byte < 2800 * 8000.0)
                rangeOffsets << byte / 8000.0 - 2700;
        }
        std::printf(
            "resume at 45:00 over HTTP ranges -> mode 1: median %.1f ms; -> audio advancing: "
            "median %.1f ms; playback starts %+.3f s from 45:00 (largest %+.3f s)\n",
            median(resumed.toMode1), median(resumed.toAdvancing), median(resumed.offsets),
            resumed.offsets.isEmpty()
                ? 0.0
                : *std::max_element(resumed.offsets.begin(), resumed.offsets.end()));
        std::printf("  byte seek lands %+.3f s from 45:00 (median of %d range requests)\n",
                    median(rangeOffsets), int(rangeOffsets.size()));
    }

    {
        QTemporaryDir folder;
        Downloads downloads(folder.path());
        QFile::copy(mp3, downloads.fileURL(lecture()).toLocalFile());
        auto backend = std::make_unique<MpvBackend>();
        const MpvBackend &player = *backend;
        PlayerParts parts(std::move(backend), &downloads, {});
        const StartFigures stored = measureStarts(parts, player, std::nullopt);
        std::printf("play() of a stored file -> audio advancing: median %.1f ms; -> place moving "
                    "on the bar/MPRIS: median %.1f ms (%d runs)\n",
                    median(stored.toAdvancing), median(stored.toPublished),
                    int(stored.toPublished.size()));
        const QList<double> fromFile = measureSkips(parts.engine, player, "file");
        QFile::remove(downloads.fileURL(lecture()).toLocalFile());
        const QList<double> overHttp = measureSkips(parts.engine, player, "http");
        std::printf("skip -> audio at the new place: stored file median %.1f ms, HTTP with ranges "
                    "median %.1f ms (%d skips each)\n",
                    median(fromFile), median(overHttp), int(fromFile.size()));
        printReconnects(measureReconnects(parts.engine, player, service));
    }

    const QString url = lecture().streamURL().toString(QUrl::FullyEncoded);
    const ProcessFigures engineFigures =
        measureProcess(app.applicationFilePath(), {"--play-child", service.baseUrl()}, 3000, 10000);
    const ProcessFigures mpvFigures =
        measureProcess("mpv", {"--no-video", "--ao=null", "--really-quiet", url}, 3000, 10000);
    std::printf(
        "steady playback over 10 s: engine process %.2f %% of a core, RSS %.1f MiB (peak %.1f)\n",
        engineFigures.cpuPercent, engineFigures.rssMiB, engineFigures.peakMiB);
    std::printf(
        "                           bare mpv       %.2f %% of a core, RSS %.1f MiB (peak %.1f)\n",
        mpvFigures.cpuPercent, mpvFigures.rssMiB, mpvFigures.peakMiB);
    std::printf("                           ratio engine/mpv: CPU %.2f, RSS %.2f\n",
                mpvFigures.cpuPercent > 0 ? engineFigures.cpuPercent / mpvFigures.cpuPercent : 0.0,
                mpvFigures.rssMiB > 0 ? engineFigures.rssMiB / mpvFigures.rssMiB : 0.0);

    const ProcessFigures normal = measureProcess(
        app.applicationFilePath(), {"--play-child", service.baseUrl(), "1.0"}, 3000, 10000);
    const ProcessFigures twice = measureProcess(
        app.applicationFilePath(), {"--play-child", service.baseUrl(), "2.0"}, 3000, 10000);
    std::printf("steady playback at 2.0x: %.2f %% of a core against %.2f %% at 1.0x (ratio %.2f)\n",
                twice.cpuPercent, normal.cpuPercent,
                normal.cpuPercent > 0 ? twice.cpuPercent / normal.cpuPercent : 0.0);

    // Off, on, off again: the two plain runs bracket the filtered one on a shared machine.
    QList<double> plainCpu;
    ProcessFigures clearer;
    for (const bool on : {false, true, false}) {
        QStringList arguments{"--play-child", service.baseUrl(), "1.0"};
        if (on)
            arguments << "--clearer-voice";
        const ProcessFigures figures =
            measureProcess(app.applicationFilePath(), arguments, 3000, 10000);
        if (on)
            clearer = figures;
        else
            plainCpu << figures.cpuPercent;
    }
    const double plain = (plainCpu.value(0) + plainCpu.value(1)) / 2;
    std::printf("clearer voice on over 10 s: %.2f %% of a core, RSS %.1f MiB; off (before, after): "
                "%.2f %%, %.2f %%; ratio on/off CPU %.2f\n",
                clearer.cpuPercent, clearer.rssMiB, plainCpu.value(0), plainCpu.value(1),
                plain > 0 ? clearer.cpuPercent / plain : 0.0);

    benchSaveTick();
    return 0;
}
