// The engine's own sequencing rules and the play queue, over a scripted player: status
// orders, seek completions, status changes from another thread, time-control states that a
// real stream cannot be made to show on demand. Bad-audio reports go to the real loopback
// lecture service.
#include "ScriptedBackend.h"

#include "Lecture.h"
#include "LectureService.h"
#include "audio/PlayerParts.h"
#include "audio/SecondsText.h"
#include "audio/downloads/Downloads.h"
#include "network/APIClient.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using ItemStatus = PlayerBackend::ItemStatus;
using TimeControl = PlayerBackend::TimeControlStatus;

namespace {

// Lectures named by one letter: A is id 1, B id 2, ...
QList<Track> letters(const QString &names)
{
    QList<Track> tracks;
    for (const QString &name : names.split(QLatin1Char(','), Qt::SkipEmptyParts))
        tracks << Lecture(name.trimmed().at(0).unicode() - 'A' + 1).titled(name.trimmed());
    return tracks;
}

QString namesOf(const QList<Track> &tracks)
{
    QStringList names;
    for (const Track &track : tracks)
        names << track.judul;
    return names.join(QLatin1Char(','));
}

PlayerParts::Options quickReconnect()
{
    return {.engine = {.reconnectDelaysMs = {1}, .reconnectLimitMs = 60000}};
}

struct Rig
{
    explicit Rig(Downloads *downloads = nullptr, PlayerParts::Options options = quickReconnect())
    {
        auto owned = std::make_unique<ScriptedBackend>();
        backend = owned.get();
        parts = std::make_unique<PlayerParts>(std::move(owned), downloads, options);
        engine = &parts->engine;
    }
    // Plays `track` from `from` seconds (paused there when `playing` is false), seek settled.
    void start(const Track &track, double from, bool playing = true,
               const std::optional<QList<Track>> &queue = std::nullopt)
    {
        if (playing)
            engine->play(track, queue, from);
        else
            engine->prepare(track, from);
        backend->setItemStatus(ItemStatus::ReadyToPlay);
        QCoreApplication::processEvents();
        backend->completeSeek(true);
        backend->calls.clear();
    }
    ScriptedBackend *backend = nullptr;
    std::unique_ptr<PlayerParts> parts;
    AudioEngine *engine = nullptr;
};

} // namespace

class TestAudioEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void formatSeconds_data();
    void formatSeconds();
    void logLines();

    void startsAtItsPlace_data();
    void startsAtItsPlace();
    void prepareHoldsPaused_data();
    void prepareHoldsPaused();
    void togglePlayFollowsTimeControl_data();
    void togglePlayFollowsTimeControl();
    void seekAndPlay_data();
    void seekAndPlay();
    void breakReconnectsOrFails_data();
    void breakReconnectsOrFails();
    void anotherLectureEndsTheReconnect();
    void skipKeepsState_data();
    void skipKeepsState();
    void smartRewind_data();
    void smartRewind();
    void rateIsClampedAndKept_data();
    void rateIsClampedAndKept();
    void sleepTimerFadesAndPauses();
    void statusFromAnotherThread();
    void replacedItemIsIgnored();
    void failedLoadIsSaidUntilPlayTriesAgain();
    void playAtTheEndStartsAgain_data();
    void playAtTheEndStartsAgain();
    void playsDownloadedFile();
    void noSessionBus();

    void queue_data();
    void queue();

private:
    int reportsBeforeMarker()
    {
        const int count = m_service.reportsBeforeMarker();
        m_service.clearLog();
        return count;
    }
    LectureService m_service;
};

void TestAudioEngine::initTestCase()
{
    // The lines checked below are everyday ones, off unless asked for.
    QLoggingCategory::setFilterRules(QStringLiteral("talvora.*.info=true"));
    QVERIFY(m_service.start());
    ServiceAddress::setBaseUrl(m_service.baseUrl());
}

void TestAudioEngine::formatSeconds_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0.0";
    QTest::newRow("whole") << 90.0 << "90.0";
    QTest::newRow("half") << 12.5 << "12.5";
    QTest::newRow("tenth") << 754.2 << "754.2";
    QTest::newRow("third") << 1.0 / 3 << "0.3333333333333333";
    QTest::newRow("negative") << -1.0 << "-1.0";
    QTest::newRow("hour") << 3600.0 << "3600.0";
    QTest::newRow("tiny") << 0.00001 << "1e-05";
    QTest::newRow("huge") << 1e16 << "1e+16";
}

void TestAudioEngine::formatSeconds()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(secondsText(seconds), text);
    QCOMPARE(text.toDouble(), seconds);
}

void TestAudioEngine::logLines()
{
    Rig rig;
    AudioEngine &engine = *rig.engine;
    const QString base = m_service.baseUrl();

    QTest::ignoreMessage(QtInfoMsg,
                         "[AudioEngine] togglePlay player=false status=nil currentTrack=-1");
    engine.togglePlay();

    const Track untitled = Lecture(42).titled("");
    QTest::ignoreMessage(QtInfoMsg, "[AudioEngine] play track=42 title=kajian-42 resume=12.5");
    QTest::ignoreMessage(QtInfoMsg, qPrintable("[AudioEngine] loadAndPlay track=42 url=" + base +
                                               "/stream.php?file=kajian-42.mp3 resume=12.5"));
    engine.play(untitled, std::nullopt, 12.5);

    QTest::ignoreMessage(QtInfoMsg, "[AudioEngine] status changed: 1");
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    rig.backend->completeSeek(true);
    QTest::ignoreMessage(QtInfoMsg,
                         "[AudioEngine] togglePlay player=true status=playing currentTrack=42");
    engine.togglePlay();

    QTest::ignoreMessage(QtInfoMsg, "[AudioEngine] play track=7 title=Kajian 7 resume=0.0");
    QTest::ignoreMessage(QtInfoMsg, qPrintable("[AudioEngine] loadAndPlay track=7 url=" + base +
                                               "/stream.php?file=kajian-7.mp3 resume=0.0"));
    engine.play(Lecture(7));
    QTest::ignoreMessage(QtInfoMsg, "[AudioEngine] status changed: 2");
    QTest::ignoreMessage(QtWarningMsg, "[AudioEngine] FAILED: nil");
    rig.backend->setItemStatus(ItemStatus::Failed);
    QCoreApplication::processEvents();

    QTest::ignoreMessage(QtInfoMsg, qPrintable("[AudioEngine] prepare track=8 url=" + base +
                                               "/stream.php?file=kajian-8.mp3 pos=90.0"));
    engine.prepare(Lecture(8), 90);
    QTest::ignoreMessage(QtInfoMsg, "[AudioEngine] prepare status: 2");
    QTest::ignoreMessage(QtWarningMsg, "[AudioEngine] prepare FAILED: HTTP error 404 Not Found");
    rig.backend->setItemStatus(ItemStatus::Failed, QStringLiteral("HTTP error 404 Not Found"));
    QCoreApplication::processEvents();
    QTRY_COMPARE(m_service.badAudioReports().size(), 2);
}

void TestAudioEngine::startsAtItsPlace_data()
{
    QTest::addColumn<std::optional<double>>("resume");
    QTest::addColumn<bool>("seekFinished");
    QTest::newRow("resume, seek finished") << std::optional<double>(125.0) << true;
    // The resume seek plays on completion whatever it says.
    QTest::newRow("resume, seek not finished") << std::optional<double>(125.0) << false;
    QTest::newRow("absent: at once") << std::optional<double>() << true;
    QTest::newRow("zero: at once") << std::optional<double>(0.0) << true;
    QTest::newRow("negative: at once") << std::optional<double>(-5.0) << true;
}

void TestAudioEngine::startsAtItsPlace()
{
    QFETCH(std::optional<double>, resume);
    QFETCH(bool, seekFinished);
    Rig rig;
    AudioEngine &engine = *rig.engine;
    const bool seeks = resume.value_or(0) > 0;
    engine.play(Lecture(1).lasting(seeks ? std::optional<qint64>(3600) : std::nullopt),
                std::nullopt, resume);
    QCOMPARE(engine.currentTime(), seeks ? *resume : 0.0);
    QCOMPARE(engine.duration(), seeks ? 3600.0 : 0.0);
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
    QCOMPARE(rig.backend->timeInterval(), 150); // 0.25 s at 600 units per second

    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    if (seeks) {
        QCOMPARE(rig.backend->calls.last(), QStringLiteral("seek 75000"));
        QVERIFY(!rig.backend->calls.contains(QStringLiteral("play")));
        QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
        rig.backend->completeSeek(seekFinished);
    } else {
        QCOMPARE(rig.backend->calls.filter(QStringLiteral("seek")).size(), 0);
    }
    QCOMPARE(rig.backend->calls.last(), QStringLiteral("play"));
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Playing));
    QVERIFY(engine.isPlaying());
    QCOMPARE(rig.parts->nowPlaying.info()->rate, 1.0);
}

void TestAudioEngine::prepareHoldsPaused_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<std::optional<double>>("reportedBeforeReady");
    QTest::addColumn<QString>("expectedSeek");
    QTest::newRow("at 300") << 300.0 << std::optional<double>() << "seek 180000";
    QTest::newRow("at 0: no seek") << 0.0 << std::optional<double>() << "";
    // The seek goes wherever the time stands when the item is ready.
    QTest::newRow("time reported meanwhile") << 300.0 << std::optional<double>(12.0) << "seek 7200";
}

void TestAudioEngine::prepareHoldsPaused()
{
    QFETCH(double, position);
    QFETCH(std::optional<double>, reportedBeforeReady);
    QFETCH(QString, expectedSeek);
    Rig rig;
    AudioEngine &engine = *rig.engine;
    QSignalSpy published(&rig.parts->nowPlaying, &NowPlaying::published);
    engine.prepare(Lecture(5).lasting(1800), position);
    QCOMPARE(engine.currentTrack()->id, 5);
    QCOMPARE(engine.duration(), 1800.0);
    QCOMPARE(engine.currentTime(), position);
    QVERIFY(engine.queue().isEmpty());
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
    QCOMPARE(published.size(), 0);

    if (reportedBeforeReady)
        rig.backend->reportTime(*reportedBeforeReady);
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    const QStringList seeks = rig.backend->calls.filter(QStringLiteral("seek"));
    QCOMPARE(seeks.join(QString()), expectedSeek);
    QCOMPARE(rig.backend->calls.last(), QStringLiteral("pause"));
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Paused));
    QVERIFY(!engine.isPlaying());
    QCOMPARE(rig.parts->nowPlaying.info()->rate, 0.0);

    // The restored lecture starts from there with play.
    engine.togglePlay();
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Playing));
}

void TestAudioEngine::togglePlayFollowsTimeControl_data()
{
    QTest::addColumn<TimeControl>("status");
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("mode");
    QTest::newRow("paused") << TimeControl::Paused << "play" << int(PlaybackState::Playing);
    QTest::newRow("waiting to play")
        << TimeControl::WaitingToPlay << "play" << int(PlaybackState::Playing);
    QTest::newRow("playing") << TimeControl::Playing << "pause" << int(PlaybackState::Paused);
}

void TestAudioEngine::togglePlayFollowsTimeControl()
{
    QFETCH(TimeControl, status);
    QFETCH(QString, call);
    QFETCH(int, mode);
    Rig rig;
    rig.engine->play(Lecture(1));
    // The decision rests on the player alone, not on the engine's own flags.
    rig.backend->setTimeControlStatus(status);
    QSignalSpy published(&rig.parts->nowPlaying, &NowPlaying::published);
    rig.engine->togglePlay();
    QCOMPARE(rig.backend->calls.last(), call);
    QCOMPARE(rig.engine->playbackMode(), mode);
    QCOMPARE(rig.engine->isPlaying(), mode == int(PlaybackState::Playing));
    QVERIFY(published.size() >= 1);
}

void TestAudioEngine::seekAndPlay_data()
{
    QTest::addColumn<bool>("finished");
    QTest::newRow("finished") << true;
    QTest::newRow("interrupted") << false;
}

void TestAudioEngine::seekAndPlay()
{
    QFETCH(bool, finished);
    Rig rig;
    AudioEngine &engine = *rig.engine;
    engine.seekAndPlay(30); // no player: nothing
    QVERIFY(rig.backend->calls.isEmpty());

    engine.play(Lecture(1));
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    rig.backend->calls.clear();
    engine.seekAndPlay(61.5);
    QCOMPARE(rig.backend->calls, QStringList({"pause", "seek 36900"}));
    rig.backend->completeSeek(finished);
    if (finished) {
        QCOMPARE(engine.currentTime(), 61.5);
        QCOMPARE(rig.backend->calls.last(), QStringLiteral("play"));
        QCOMPARE(engine.playbackMode(), int(PlaybackState::Playing));
    } else {
        QCOMPARE(engine.currentTime(), 0.0);
        QCOMPARE(rig.backend->calls.last(), QStringLiteral("seek 36900"));
        QCOMPARE(rig.backend->timeControlStatus(), TimeControl::Paused);
    }
}

void TestAudioEngine::breakReconnectsOrFails_data()
{
    // A script of item states after the lecture was started at 42 s: "ready" (the item or a
    // reopened one is ready), "fail" (it fails), "file" (the lecture is stored as a file),
    // "break" (the connection broke while the buffer still plays), "refused" (the site's
    // certificate is refused), "wait" (time passes with a try in flight), "down" (every try
    // fails until the time limit), "toggle" (play/pause while the stream is reopened: it
    // decides whether it plays then).
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("loads"); // -1: as many as the limit allows
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("mode");
    QTest::newRow("first load fails at once") << "fail" << 1 << 1 << int(PlaybackState::Idle);
    QTest::newRow("break, back on the first try")
        << "ready fail ready" << 2 << 0 << int(PlaybackState::Playing);
    QTest::newRow("break, back on a later try, one try at a time")
        << "ready fail wait fail ready" << 3 << 0 << int(PlaybackState::Playing);
    QTest::newRow("break, stays down past the limit")
        << "ready fail down" << -1 << 1 << int(PlaybackState::Idle);
    QTest::newRow("break seen while the buffer plays, back before it ran dry")
        << "ready break ready" << 2 << 0 << int(PlaybackState::Playing);
    QTest::newRow("break seen while the buffer plays, back after it ran dry")
        << "ready break fail fail ready" << 4 << 0 << int(PlaybackState::Playing);
    QTest::newRow("untrusted at once") << "refused" << 1 << 1 << int(PlaybackState::Idle);
    QTest::newRow("untrusted when reopened: no more tries")
        << "ready fail refused" << 2 << 1 << int(PlaybackState::Idle);
    QTest::newRow("paused while reconnecting")
        << "ready fail toggle ready" << 2 << 0 << int(PlaybackState::Paused);
    QTest::newRow("paused and played while reconnecting")
        << "ready fail toggle toggle ready" << 2 << 0 << int(PlaybackState::Playing);
    QTest::newRow("stored file does not play, stream does")
        << "file fail ready" << 2 << 0 << int(PlaybackState::Playing);
    QTest::newRow("stored file and stream fail")
        << "file fail fail" << 2 << 1 << int(PlaybackState::Idle);
}

void TestAudioEngine::breakReconnectsOrFails()
{
    QFETCH(QString, script);
    QFETCH(int, loads);
    QFETCH(int, reports);
    QFETCH(int, mode);
    m_service.clearLog();
    QTemporaryDir folder;
    Downloads downloads(folder.path());
    const Track track = Lecture(7);
    QStringList steps = script.split(' ');
    if (steps.first() == "file") {
        steps.removeFirst();
        QFile file(downloads.fileURL(track).toLocalFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not audio");
    }
    PlayerParts::Options options = quickReconnect();
    if (script.contains("down"))
        options.engine.reconnectLimitMs = 300;
    Rig rig(&downloads, options);
    AudioEngine &engine = *rig.engine;
    engine.play(track, std::nullopt, 42.0);
    bool broken = false; // the sound stopped after the lecture had played
    bool paused = false;
    qsizetype callsAtToggle = -1;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString &step = steps[i];
        if (step == "toggle") {
            QVERIFY(engine.isReconnecting());
            callsAtToggle = rig.backend->calls.size();
            engine.togglePlay();
            paused = !paused;
            QCOMPARE(engine.isPlaying(), !paused);
            continue;
        }
        const int loadsBefore = rig.backend->loads;
        if (step == "wait") {
            // A try is in flight (its item loads): no other starts meanwhile.
            QTimer later;
            later.setSingleShot(true);
            later.start(100);
            QSignalSpy passed(&later, &QTimer::timeout);
            QVERIFY(passed.wait(5000));
            QCOMPARE(rig.backend->loads, loadsBefore);
            continue;
        }
        if (step == "down") {
            while (engine.isReconnecting()) {
                const int before = rig.backend->loads;
                QTRY_VERIFY(rig.backend->loads > before || !engine.isReconnecting());
                if (rig.backend->loads > before) {
                    rig.backend->setItemStatus(ItemStatus::Failed);
                    QCoreApplication::processEvents();
                }
            }
            continue;
        }
        if (step == "break") {
            // The try asks the site first, then reopens while the old item still plays.
            rig.backend->breakStream(50.0);
            QTRY_COMPARE(rig.backend->loads, loadsBefore + 1);
            QVERIFY(!engine.isReconnecting());
            QCOMPARE(rig.backend->url(), track.streamURL());
            continue;
        }
        rig.backend->refused = step == "refused";
        rig.backend->setItemStatus(step == "ready" ? ItemStatus::ReadyToPlay : ItemStatus::Failed);
        QCoreApplication::processEvents();
        if (step == "ready") {
            rig.backend->completeSeek(true);
            QCOMPARE(engine.playbackMode(),
                     int(paused ? PlaybackState::Paused : PlaybackState::Playing));
            QVERIFY(!engine.isReconnecting());
            broken = false;
            continue;
        }
        const QString next = steps.value(i + 1);
        if (step != "fail" || next.isEmpty() || next == "down")
            continue;
        // The next try reopens the stream at the place where it broke; after a break (not a
        // first load) the bar says so meanwhile.
        broken = broken || i > 0;
        QCOMPARE(engine.isReconnecting(), broken);
        QTRY_COMPARE(rig.backend->loads, loadsBefore + 1);
        QCOMPARE(rig.backend->url(), track.streamURL());
    }
    if (loads >= 0)
        QCOMPARE(rig.backend->loads, loads);
    QCOMPARE(engine.playbackMode(), mode);
    QCOMPARE(engine.isPlaying(), mode == int(PlaybackState::Playing));
    QVERIFY(!engine.isReconnecting());
    if (callsAtToggle >= 0) // the reopened stream plays only when the last command says so
        QCOMPARE(rig.backend->calls.mid(callsAtToggle).contains("play"), !paused);
    if (mode == int(PlaybackState::Playing))
        QCOMPARE(rig.backend->calls.filter("seek").last(), QStringLiteral("seek 25200"));
    else
        QCOMPARE(rig.parts->nowPlaying.playbackStatus(),
                 QString::fromLatin1(paused ? "Paused" : "Stopped"));
    QCOMPARE(reportsBeforeMarker(), reports);
}

// A lecture started while a broken one waits for its next try: the try never comes, and
// nothing is reported for the abandoned lecture.
void TestAudioEngine::anotherLectureEndsTheReconnect()
{
    m_service.clearLog();
    Rig rig(nullptr, {.engine = {.reconnectDelaysMs = {200}}});
    AudioEngine &engine = *rig.engine;
    rig.start(Lecture(7), 42.0);
    rig.backend->setItemStatus(ItemStatus::Failed);
    QCoreApplication::processEvents();
    QVERIFY(engine.isReconnecting());
    const int loads = rig.backend->loads;
    QTimer later; // due well after the try would have been
    later.setSingleShot(true);
    later.start(400);
    QSignalSpy passed(&later, &QTimer::timeout);

    engine.play(Lecture(8), std::nullopt, 0.0);
    QVERIFY(!engine.isReconnecting());
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QVERIFY(passed.wait(5000));
    QCOMPARE(rig.backend->loads, loads + 1);
    QCOMPARE(rig.backend->url(), Lecture(8).streamURL());
    QCOMPARE(engine.currentTrack()->id, 8);
    QCOMPARE(reportsBeforeMarker(), 0);
}

void TestAudioEngine::skipKeepsState_data()
{
    QTest::addColumn<bool>("playing");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("by");
    QTest::addColumn<double>("to");
    QTest::newRow("back while playing") << true << 100.0 << -10.0 << 90.0;
    QTest::newRow("forward while paused") << false << 100.0 << 30.0 << 130.0;
    QTest::newRow("back past the start") << true << 4.0 << -10.0 << 0.0;
    QTest::newRow("forward past the end") << false << 590.0 << 30.0 << 600.0;
}

void TestAudioEngine::skipKeepsState()
{
    QFETCH(bool, playing);
    QFETCH(double, from);
    QFETCH(double, by);
    QFETCH(double, to);
    Rig rig;
    AudioEngine &engine = *rig.engine;
    rig.start(Lecture(1).lasting(600), from, playing);
    QSignalSpy jumped(&engine, &AudioEngine::positionJumped);
    engine.skip(by);
    QCOMPARE(rig.backend->calls, QStringList{"seek " + QString::number(qint64(to * 600))});
    QCOMPARE(engine.currentTime(), to);
    QCOMPARE(engine.isPlaying(), playing);
    QCOMPARE(jumped.size(), 1);
    // Until the seek lands the player's reports of the old place are not shown.
    rig.backend->reportTime(from);
    QCOMPARE(engine.currentTime(), to);
    rig.backend->completeSeek(true);
    rig.backend->reportTime(to + 0.25);
    QCOMPARE(engine.currentTime(), to + 0.25);
}

void TestAudioEngine::smartRewind_data()
{
    QTest::addColumn<bool>("restored");
    QTest::addColumn<double>("pausedFor");
    QTest::addColumn<bool>("on");
    QTest::addColumn<double>("from");
    QTest::addColumn<QString>("seek");
    QTest::newRow("short pause") << false << 59.0 << true << 100.0 << "";
    QTest::newRow("a minute") << false << 60.0 << true << 100.0 << "seek 58200";
    QTest::newRow("an hour") << false << 3600.0 << true << 100.0 << "seek 54000";
    QTest::newRow("turned off") << false << 3600.0 << false << 100.0 << "";
    QTest::newRow("never before the start") << false << 3600.0 << true << 4.0 << "seek 0";
    QTest::newRow("restored, heard yesterday") << true << 86400.0 << true << 100.0 << "seek 54000";
    QTest::newRow("restored, heard just now") << true << 5.0 << true << 100.0 << "";
}

void TestAudioEngine::smartRewind()
{
    QFETCH(bool, restored);
    QFETCH(double, pausedFor);
    QFETCH(bool, on);
    QFETCH(double, from);
    QFETCH(QString, seek);
    double now = 1e9;
    PlayerParts::Options options;
    options.clock = [&now] { return now; };
    Rig rig(nullptr, options);
    AudioEngine &engine = *rig.engine;
    engine.setSmartRewind(on);
    if (restored) {
        engine.prepare(Lecture(1), from, now - pausedFor);
        rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
        QCoreApplication::processEvents();
        rig.backend->completeSeek(true);
    } else {
        rig.start(Lecture(1), from);
        engine.togglePlay();
        now += pausedFor;
    }
    rig.backend->calls.clear();
    rig.backend->setTimeControlStatus(TimeControl::Paused);
    engine.togglePlay();
    QCOMPARE(rig.backend->calls.filter("seek").join(QString()), seek);
    QCOMPARE(rig.backend->calls.last(), QStringLiteral("play"));
}

void TestAudioEngine::rateIsClampedAndKept_data()
{
    QTest::addColumn<double>("requested");
    QTest::addColumn<double>("kept");
    QTest::newRow("double") << 2.0 << 2.0;
    QTest::newRow("a step") << 1.25 << 1.25;
    QTest::newRow("too slow") << 0.1 << 0.5;
    QTest::newRow("too fast") << 9.0 << 3.0;
    QTest::newRow("not a number") << qQNaN() << 1.0;
}

void TestAudioEngine::rateIsClampedAndKept()
{
    QFETCH(double, requested);
    QFETCH(double, kept);
    QTemporaryDir folder;
    const QString file = folder.filePath(Preferences::FileName);
    // A damaged file reads as the defaults and is left as it is until a change.
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"playbackRate\": ");
    damaged.close();
    PlayerParts::Options options{.preferencesFolder = folder.path()};
    {
        Rig rig(nullptr, options);
        QCOMPARE(rig.engine->playbackRate(), 1.0);
        QCOMPARE(QFileInfo(file).size(), 17);
        rig.engine->setPlaybackRate(requested);
        QCOMPARE(rig.engine->playbackRate(), kept);
        QCOMPARE(rig.backend->rate(), kept);
    }
    Rig restarted(nullptr, options);
    QCOMPARE(restarted.engine->playbackRate(), kept);
    QCOMPARE(restarted.backend->rate(), kept);
}

void TestAudioEngine::sleepTimerFadesAndPauses()
{
    Rig rig;
    AudioEngine &engine = *rig.engine;
    rig.start(Lecture(1), 100);
    SleepTimer &timer = engine.sleepTimer();
    qint64 now = 0;
    timer.setClock([&now] { return now; });
    QSignalSpy jumped(&engine, &AudioEngine::positionJumped);
    timer.start(std::chrono::seconds(20));
    QCOMPARE(timer.remainingSeconds(), 20);
    // Another lecture does not cancel it.
    rig.start(Lecture(2), 10);
    now += 5000;
    QTRY_COMPARE(timer.remainingSeconds(), 15);
    QCOMPARE(rig.backend->volume(), 1.0);
    // Paused time does not count: after a pause longer than the whole timer, six more
    // seconds of listening leave nine.
    engine.togglePlay();
    now += 60000;
    engine.togglePlay();
    now += 6000;
    QTRY_COMPARE(timer.remainingSeconds(), 9);
    QVERIFY(timer.isActive());
    // The last ten seconds fade: halfway through them the sound is at half.
    now += 4000;
    QTRY_COMPARE(rig.backend->volume(), 0.5);
    now += 5000;
    QTRY_VERIFY(!timer.isActive());
    QCOMPARE(rig.backend->calls.last(), QStringLiteral("pause"));
    QVERIFY(!engine.isPlaying());
    QCOMPARE(jumped.size(), 1);
    // Back to full for the next listening.
    QCOMPARE(rig.backend->volume(), 1.0);

    // "Akhir kajian" ends with the lecture; cancelling restores the volume.
    timer.startUntilEndOfLecture();
    rig.backend->reachEnd();
    QVERIFY(!timer.isActive());
    timer.start(std::chrono::milliseconds(5000));
    rig.engine->togglePlay();
    QTRY_VERIFY(rig.backend->volume() < 1.0);
    timer.cancel();
    QCOMPARE(rig.backend->volume(), 1.0);
}

void TestAudioEngine::statusFromAnotherThread()
{
    Rig rig;
    AudioEngine &engine = *rig.engine;
    QThread *changedOn = nullptr;
    connect(&engine, &AudioEngine::playbackStateChanged, this,
            [&] { changedOn = QThread::currentThread(); });
    engine.play(Lecture(1));
    rig.backend->setItemStatusFromOtherThread(ItemStatus::ReadyToPlay);
    // The handler only logged and posted; the work waits for the main thread.
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
    QTRY_COMPARE(engine.playbackMode(), int(PlaybackState::Playing));
    QCOMPARE(changedOn, QThread::currentThread());
}

void TestAudioEngine::replacedItemIsIgnored()
{
    m_service.clearLog();
    const int reportsBefore = 0;
    Rig rig;
    AudioEngine &engine = *rig.engine;
    engine.play(Lecture(1));
    const PlayerBackend::StatusHandler first = rig.backend->statusHandler();
    // A status change of A already on its way when B replaces it.
    first(ItemStatus::Failed, ItemStatus::Unknown);
    engine.play(Lecture(2), std::nullopt, 40.0);
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
    QCOMPARE(rig.backend->pendingSeeks(), 1);

    // And a seek completion that belongs to a replaced item does not start the new one.
    engine.play(Lecture(3));
    rig.backend->completeSeek(false);
    QVERIFY(rig.backend->calls.last() != QStringLiteral("play"));
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
    QCOMPARE(reportsBeforeMarker(), reportsBefore);
}

void TestAudioEngine::failedLoadIsSaidUntilPlayTriesAgain()
{
    Rig rig;
    AudioEngine &engine = *rig.engine;
    QSignalSpy failed(&engine, &AudioEngine::loadFailedChanged);
    engine.play(Lecture(1), std::nullopt, 42.0);
    rig.backend->setItemStatus(ItemStatus::Failed);
    QCoreApplication::processEvents();
    QVERIFY(engine.loadFailed());
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Idle));
    // Play loads the lecture again at its place, and the failure is no longer said.
    engine.togglePlay();
    QVERIFY(!engine.loadFailed());
    QCOMPARE(rig.backend->loads, 2);
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    QCOMPARE(rig.backend->calls.filter("seek"), QStringList{"seek 25200"});
    QCOMPARE(failed.count(), 2);
}

void TestAudioEngine::playAtTheEndStartsAgain_data()
{
    QTest::addColumn<bool>("toggle");      // Space, the bar, the tray; else MPRIS Play
    QTest::addColumn<double>("seekFirst"); // < 0: none
    QTest::addColumn<QStringList>("calls");

    const QStringList fromStart{"seek 0", "play"};
    QTest::newRow("toggle") << true << -1.0 << fromStart;
    QTest::newRow("play command") << false << -1.0 << fromStart;
    // A place chosen after the end is where it plays from.
    QTest::newRow("seek back, then toggle") << true << 500.0 << QStringList{"play"};
}

void TestAudioEngine::playAtTheEndStartsAgain()
{
    QFETCH(bool, toggle);
    QFETCH(double, seekFirst);
    QFETCH(QStringList, calls);
    Rig rig;
    const QList<Track> queue = {Lecture(1).lasting(600), Lecture(2)};
    rig.start(queue[0], 590, true, queue);
    rig.backend->reportTime(600);
    QSignalSpy published(&rig.parts->nowPlaying, &NowPlaying::published);
    rig.backend->reachEnd();
    // The end pauses there, with no advance to the next lecture.
    QCOMPARE(rig.engine->currentTime(), 600.0);
    QCOMPARE(rig.engine->playbackMode(), int(PlaybackState::Paused));
    QVERIFY(!rig.engine->isPlaying());
    QVERIFY(published.size() >= 1);
    QCOMPARE(rig.parts->nowPlaying.playbackStatus(), QStringLiteral("Paused"));
    QCOMPARE(rig.engine->currentTrack()->id, 1);
    QCOMPARE(rig.backend->loads, 1);
    if (seekFirst >= 0) {
        rig.engine->seekTo(seekFirst);
        rig.backend->completeSeek(true);
    }
    rig.backend->calls.clear();
    if (toggle)
        rig.engine->togglePlay();
    else
        rig.engine->handlePlayCommand();
    QCOMPARE(rig.backend->calls, calls);
    QCOMPARE(rig.engine->currentTime(), seekFirst >= 0 ? seekFirst : 0.0);
    QCOMPARE(rig.engine->playbackMode(), int(PlaybackState::Playing));
    QCOMPARE(rig.parts->nowPlaying.playbackStatus(), QStringLiteral("Playing"));
}

void TestAudioEngine::playsDownloadedFile()
{
    QTemporaryDir folder;
    Downloads downloads(folder.path());
    const Track stored = Lecture(31);
    const Track streamed = Lecture(32);
    QFile file(downloads.fileURL(stored).toLocalFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("ID3");
    file.close();

    Rig rig(&downloads);
    rig.engine->play(stored);
    QCOMPARE(rig.backend->url(), downloads.fileURL(stored));
    rig.engine->prepare(stored, 5);
    QCOMPARE(rig.backend->url(), downloads.fileURL(stored));
    rig.engine->play(streamed);
    QCOMPARE(rig.backend->url(), streamed.streamURL());
}

void TestAudioEngine::noSessionBus()
{
    // This test runs with a session bus address that leads nowhere.
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression("^\\[AudioEngine\\] MPRIS unavailable: no session bus"));
    auto backend = std::make_unique<ScriptedBackend>();
    ScriptedBackend *player = backend.get();
    PlayerParts parts(std::move(backend), nullptr, {.registerMpris = true});
    AudioEngine &engine = parts.engine;
    QVERIFY(!parts.nowPlaying.isRegistered());
    engine.play(Lecture(1));
    player->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    QCOMPARE(engine.playbackMode(), int(PlaybackState::Playing));
}

// The play queue: a small script per row, run against the scripted player.
//   play X [A,B,C]   play X with that queue ("[]" an empty one)
//   play X           play X without a queue
//   prepare X 300    restore X paused at 300 s
//   ready            the current item becomes ready
//   time 3.5         the player reports that time
//   next, prev       navigation
//   repeat one|all   repeat mode
void TestAudioEngine::queue_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("queue");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("loads");

    const int idle = PlaybackState::Idle, playing = PlaybackState::Playing,
              paused = PlaybackState::Paused;
    QTest::newRow("queue given, track in it") << "play B [A,B,C]"
                                              << "A,B,C" << 1 << "B" << idle << 1;
    QTest::newRow("no queue keeps the queue") << "play B [A,B,C]; play A"
                                              << "A,B,C" << 0 << "A" << idle << 2;
    QTest::newRow("no queue, track not in it") << "play B [A,B,C]; play D"
                                               << "D" << 0 << "D" << idle << 2;
    QTest::newRow("given queue lacks the track") << "play D [A,B,C]"
                                                 << "D" << 0 << "D" << idle << 1;
    QTest::newRow("given queue lacks it, old has it") << "play A [A,B,C]; play B [C,D]"
                                                      << "B" << 0 << "B" << idle << 2;
    QTest::newRow("empty queue given") << "play A [A,B,C]; play B []"
                                       << "B" << 0 << "B" << idle << 2;
    QTest::newRow("duplicate ids: first wins") << "play A [B,A,C,A]"
                                               << "B,A,C,A" << 1 << "A" << idle << 1;
    QTest::newRow("next plays the following") << "play A [A,B,C]; ready; next"
                                              << "A,B,C" << 1 << "B" << playing << 2;
    QTest::newRow("next at the end pauses") << "play C [A,B,C]; ready; next"
                                            << "A,B,C" << 0 << "C" << paused << 1;
    QTest::newRow("then next plays the second") << "play C [A,B,C]; ready; next; next"
                                                << "A,B,C" << 1 << "B" << paused << 2;
    QTest::newRow("next through a duplicate") << "play B [A,B,A]; next"
                                              << "A,B,A" << 0 << "A" << idle << 2;
    QTest::newRow("single track: next pauses") << "play A [A]; ready; next"
                                               << "A" << 0 << "A" << paused << 1;
    QTest::newRow("single track: prev restarts") << "play A [A]; ready; time 1; prev"
                                                 << "A" << 0 << "A" << playing << 2;
    QTest::newRow("prev wraps to the last") << "play A [A,B,C]; ready; time 1.5; prev"
                                            << "A,B,C" << 2 << "C" << playing << 2;
    QTest::newRow("prev past 3 s rewinds") << "play B [A,B,C]; ready; time 3.5; prev"
                                           << "A,B,C" << 1 << "B" << playing << 1;
    QTest::newRow("prev at exactly 3 s goes back") << "play B [A,B,C]; ready; time 3.0; prev"
                                                   << "A,B,C" << 0 << "A" << playing << 2;
    QTest::newRow("repeat all wraps") << "repeat all; play C [A,B,C]; ready; next"
                                      << "A,B,C" << 0 << "A" << playing << 2;
    QTest::newRow("repeat one restarts") << "repeat one; play B [A,B,C]; ready; time 50; next"
                                         << "A,B,C" << 1 << "B" << playing << 1;
    QTest::newRow("empty queue: next") << "next"
                                       << "" << 0 << "" << idle << 0;
    QTest::newRow("empty queue: prev") << "prev"
                                       << "" << 0 << "" << idle << 0;
    QTest::newRow("restore fills no queue") << "prepare B 300; ready; next; prev"
                                            << "" << 0 << "B" << paused << 1;
    QTest::newRow("failed load does not move") << "play B [A,B,C]; fail"
                                               << "A,B,C" << 1 << "B" << idle << 1;
}

void TestAudioEngine::queue()
{
    QFETCH(QString, script);
    QFETCH(QString, queue);
    QFETCH(int, index);
    QFETCH(QString, current);
    QFETCH(int, mode);
    QFETCH(int, loads);

    Rig rig;
    AudioEngine &engine = *rig.engine;
    std::optional<double> rewoundFrom;
    for (const QString &rawStep : script.split(QLatin1Char(';'))) {
        const QString step = rawStep.trimmed();
        const QStringList words = step.split(QLatin1Char(' '));
        const QString verb = words[0];
        if (verb == "play") {
            std::optional<QList<Track>> given;
            const qsizetype open = step.indexOf(QLatin1Char('['));
            if (open >= 0)
                given = letters(step.mid(open + 1, step.indexOf(QLatin1Char(']')) - open - 1));
            engine.play(letters(words[1]).first(), given);
        } else if (verb == "prepare") {
            engine.prepare(letters(words[1]).first(), words[2].toDouble());
        } else if (verb == "ready" || verb == "fail") {
            rig.backend->setItemStatus(verb == "ready" ? ItemStatus::ReadyToPlay
                                                       : ItemStatus::Failed);
            QCoreApplication::processEvents();
        } else if (verb == "time") {
            rig.backend->reportTime(words[1].toDouble());
        } else if (verb == "next") {
            engine.next();
        } else if (verb == "prev") {
            rewoundFrom = engine.currentTime();
            engine.previous();
        } else if (verb == "repeat") {
            engine.setRepeatMode(words[1] == "one" ? RepeatMode::One : RepeatMode::All);
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }

    QCOMPARE(namesOf(engine.queue()), queue);
    QCOMPARE(namesOf(engine.originalQueue()), queue);
    QCOMPARE(engine.currentIndex(), index);
    QCOMPARE(engine.currentTrack() ? engine.currentTrack()->judul : QString(), current);
    QCOMPARE(engine.playbackMode(), mode);
    QCOMPARE(engine.isPlaying(), mode == int(PlaybackState::Playing));
    QCOMPARE(rig.backend->loads, loads);
    if (rewoundFrom && *rewoundFrom > 3.0 && !queue.isEmpty()) {
        QCOMPARE(engine.currentTime(), 0.0);
        QCOMPARE(rig.backend->calls.last(), QStringLiteral("seek 0"));
    }
    if (script.startsWith("repeat one")) {
        QCOMPARE(engine.currentTime(), 0.0);
        QCOMPARE(rig.backend->calls.mid(rig.backend->calls.size() - 2),
                 QStringList({"seek 0", "play"}));
    }
}

QTEST_GUILESS_MAIN(TestAudioEngine)
#include "tst_audioengine.moc"
