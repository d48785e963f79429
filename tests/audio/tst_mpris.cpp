// The now-playing display and media keys as a desktop sees them: the engine publishes over
// MPRIS on a private session bus (the test runs under dbus-run-session) and playerctl, a real
// MPRIS client, reads and commands it. The player underneath is scripted, so each state is
// reached on demand.
#include "Lecture.h"
#include "ScriptedBackend.h"

#include "audio/PlayerParts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using ItemStatus = PlayerBackend::ItemStatus;

namespace {

// Runs a client program without blocking the event loop that answers its calls.
QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return QStringLiteral("<not started>");
    QDeadlineTimer deadline(10000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(10);
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString playerctl(const QStringList &arguments, int *exitCode = nullptr)
{
    return run(QStringLiteral("playerctl"), QStringList{"-p", "talvora"} + arguments, exitCode);
}

QString property(const QString &interface, const QString &name)
{
    return run(QStringLiteral("dbus-send"),
               {"--session", "--print-reply=literal", "--dest=org.mpris.MediaPlayer2.talvora",
                "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                "string:" + interface, "string:" + name});
}

QString rootProperty(const QString &name)
{
    return property(QStringLiteral("org.mpris.MediaPlayer2"), name);
}

QString playerProperty(const QString &name)
{
    return property(QStringLiteral("org.mpris.MediaPlayer2.Player"), name);
}

// A method call or property write of the player interface through dbus-send.
void callPlayer(const QStringList &arguments)
{
    run(QStringLiteral("dbus-send"),
        QStringList{"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.talvora",
                    "/org/mpris/MediaPlayer2"} +
            arguments);
}

void setRate(const QString &value)
{
    callPlayer({"org.freedesktop.DBus.Properties.Set", "string:org.mpris.MediaPlayer2.Player",
                "string:Rate", "variant:double:" + value});
}

} // namespace

class TestMpris : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void identifiesItself();
    void playKeyBeforeAnyLoad();
    void publishesMetadata_data();
    void publishesMetadata();
    void playPauseFollowsThePlayer();
    void nextAndPrevious();
    void announcesChanges();
    void announcesJumps();
    void seekFromTheDesktop_data();
    void seekFromTheDesktop();
    void rateFromTheDesktop();
    void capabilitiesFollowTheState();

private:
    void startReady(const Track &track, const QList<Track> &queue = {});

    ScriptedBackend *m_backend = nullptr;
    std::unique_ptr<PlayerParts> m_parts;
    AudioEngine *m_engine = nullptr;
};

void TestMpris::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run this test under dbus-run-session");
}

void TestMpris::init()
{
    auto backend = std::make_unique<ScriptedBackend>();
    m_backend = backend.get();
    m_parts = std::make_unique<PlayerParts>(std::move(backend), nullptr,
                                            PlayerParts::Options{.registerMpris = true});
    m_engine = &m_parts->engine;
    QVERIFY(m_parts->nowPlaying.isRegistered());
    QCOMPARE(m_parts->nowPlaying.serviceName(), QStringLiteral("org.mpris.MediaPlayer2.talvora"));
}

void TestMpris::cleanup()
{
    m_parts.reset();
}

void TestMpris::startReady(const Track &track, const QList<Track> &queue)
{
    m_engine->play(track, queue.isEmpty() ? std::nullopt : std::optional(queue));
    m_backend->setItemStatus(ItemStatus::ReadyToPlay);
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Playing));
}

void TestMpris::identifiesItself()
{
    QCOMPARE(run("playerctl", {"-l"}), QStringLiteral("talvora"));
    QVERIFY(rootProperty("Identity").contains("Talvora"));
    QVERIFY(rootProperty("DesktopEntry").contains("talvora"));
    // Nothing published yet.
    QCOMPARE(playerctl({"status"}), QStringLiteral("Stopped"));
}

void TestMpris::playKeyBeforeAnyLoad()
{
    // Without a lecture the player says it cannot play, and playerctl keeps the key to
    // itself; a client that calls Play anyway still reaches the engine.
    int exitCode = -1;
    playerctl({"play"}, &exitCode);
    QCOMPARE(exitCode, 1);
    QVERIFY(!m_engine->isPlaying());
    callPlayer({"org.mpris.MediaPlayer2.Player.Play"});
    QTRY_VERIFY(m_engine->isPlaying());
    QCOMPARE(m_engine->playbackMode(), int(PlaybackState::Playing));
    QVERIFY(m_backend->calls.isEmpty());
    // The published information is left as it was: nothing.
    QCOMPARE(playerctl({"status"}), QStringLiteral("Stopped"));
    QCOMPARE(playerctl({"metadata", "--format", "{{xesam:title}}"}), QString());

    playerctl({"next"});
    playerctl({"previous"});
    QVERIFY(m_backend->calls.isEmpty());
    QVERIFY(!m_engine->hasCurrentTrack());
}

void TestMpris::publishesMetadata_data()
{
    QTest::addColumn<Track>("track");
    QTest::addColumn<QString>("expected");
    QTest::newRow("titled")
        << Track(Lecture(42).titled("Tafsir Al-Fatihah").by("Ustadz Abdul").lasting(3725))
        << "'/org/talvora/track/42'|Tafsir Al-Fatihah|Ustadz Abdul|3725000000";
    QTest::newRow("slug and unknown teacher")
        << Track(Lecture(7).titled("").by("").lasting(60))
        << "'/org/talvora/track/7'|kajian-7|Tidak diketahui|60000000";
    QTest::newRow("no duration")
        << Track(Lecture(8).titled("Adab").by("Ustadz B"))
        << "'/org/talvora/track/8'|Adab|Ustadz B|0";
}

void TestMpris::publishesMetadata()
{
    QFETCH(Track, track);
    QFETCH(QString, expected);
    startReady(track);
    QCOMPARE(playerctl({"metadata", "--format",
                        "{{mpris:trackid}}|{{xesam:title}}|{{xesam:artist}}|{{mpris:length}}"}),
             expected);
    m_backend->reportTime(61.25);
    // playerctl runs the clock on from the last reading while the status says Playing.
    const double position = playerctl({"position"}).toDouble();
    QVERIFY2(position >= 61.25 && position < 61.75, qPrintable(QString::number(position)));
}

void TestMpris::playPauseFollowsThePlayer()
{
    startReady(Lecture(1).lasting(600));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    playerctl({"play-pause"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Paused));
    QCOMPARE(m_backend->calls.last(), QStringLiteral("pause"));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Paused"));
    // Play does not refresh the display itself; the next time report of the player does.
    playerctl({"play"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Playing));
    m_backend->reportTime(5);
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    playerctl({"pause"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Paused));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Paused"));
}

void TestMpris::nextAndPrevious()
{
    const QList<Track> queue = {Lecture(1).titled("A").lasting(60),
                                Lecture(2).titled("B").lasting(60),
                                Lecture(3).titled("C").lasting(60)};
    startReady(queue[0], queue);
    playerctl({"next"});
    QTRY_COMPARE(m_engine->currentTrack()->id, 2);
    QCOMPARE(playerctl({"metadata", "--format", "{{xesam:title}}"}), QStringLiteral("B"));
    playerctl({"previous"});
    QTRY_COMPARE(m_engine->currentTrack()->id, 1);
}

void TestMpris::announcesChanges()
{
    // playerctl --follow prints only what PropertiesChanged announces.
    startReady(Lecture(1).titled("Pertama").lasting(60));
    QProcess follower;
    follower.start("playerctl", {"-p", "talvora", "--follow", "metadata", "--format",
                                 "{{status}} {{xesam:title}}"});
    QVERIFY(follower.waitForStarted(5000));
    QString seen;
    const auto waitFor = [&](const QString &line) {
        return QTest::qWaitFor(
            [&] {
                seen += QString::fromUtf8(follower.readAllStandardOutput());
                return seen.contains(line);
            },
            10000);
    };
    // It prints the state it found once it listens; what follows came as announcements.
    startReady(Lecture(1).titled("Pertama").lasting(60));
    QVERIFY2(waitFor("Playing Pertama"), qPrintable(seen));
    m_engine->togglePlay();
    QVERIFY2(waitFor("Paused Pertama"), qPrintable(seen));
    startReady(Lecture(2).titled("Kedua").lasting(60));
    QVERIFY2(waitFor("Playing Kedua"), qPrintable(seen));
    follower.kill();
    follower.waitForFinished(2000);
}

void TestMpris::announcesJumps()
{
    QProcess monitor;
    monitor.start(
        "dbus-monitor",
        {"--session", "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'"});
    QVERIFY(monitor.waitForStarted(5000));
    QString seen;
    const auto waitFor = [&](const QString &text, const std::function<void()> &poke) {
        return QTest::qWaitFor(
            [&] {
                poke();
                seen += QString::fromUtf8(monitor.readAllStandardOutput());
                return seen.contains(text);
            },
            10000);
    };
    // A marker signal of our own, sent until the monitor shows it: from then on it listens.
    QDBusMessage marker = QDBusMessage::createSignal(
        "/marker", "org.mpris.MediaPlayer2.Player", "Seeked");
    marker << qlonglong(-7);
    QVERIFY2(waitFor("int64 -7", [&] { QDBusConnection::sessionBus().send(marker); }),
             qPrintable(seen));
    seen.clear();
    startReady(Lecture(1).lasting(600));
    for (double t = 0.25; t <= 1.0; t += 0.25)
        m_backend->reportTime(t); // playing on: no jump
    m_engine->seekAndPlay(300);
    m_backend->completeSeek(true);
    // A small skip is a jump too, because a command made it.
    m_engine->skip(-1);
    QVERIFY2(waitFor("int64 299000000", [] {}), qPrintable(seen));
    QCOMPARE(seen.count("int64 300000000"), 1);
    QCOMPARE(seen.count("member=Seeked"), 2 + seen.count("int64 -7"));
    monitor.kill();
    monitor.waitForFinished(2000);
}

void TestMpris::seekFromTheDesktop_data()
{
    QTest::addColumn<QStringList>("command"); // playerctl arguments, or dbus-send ones after "dbus"
    QTest::addColumn<double>("expected");
    QTest::newRow("position 100") << QStringList{"position", "100"} << 100.0;
    QTest::newRow("back 10") << QStringList{"position", "10-"} << 50.0;
    QTest::newRow("forward past the end") << QStringList{"position", "900+"} << 600.0;
    QTest::newRow("stale track id")
        << QStringList{"dbus", "org.mpris.MediaPlayer2.Player.SetPosition",
                       "objpath:/org/talvora/track/99", "int64:100000000"}
        << 60.0;
    QTest::newRow("beyond the length")
        << QStringList{"dbus", "org.mpris.MediaPlayer2.Player.SetPosition",
                       "objpath:/org/talvora/track/1", "int64:700000000"}
        << 60.0;
}

void TestMpris::seekFromTheDesktop()
{
    QFETCH(QStringList, command);
    QFETCH(double, expected);
    startReady(Lecture(1).lasting(600));
    m_engine->seekTo(60);
    m_backend->completeSeek(true);
    if (command.first() == "dbus")
        callPlayer(command.mid(1));
    else
        playerctl(command);
    // dbus-send waited for the reply; a changed place shows at once.
    QTRY_COMPARE(m_engine->currentTime(), expected);
    QVERIFY(m_engine->isPlaying());
    if (expected != 60.0)
        QCOMPARE(m_backend->calls.last(), "seek " + QString::number(qint64(expected * 600)));
}

void TestMpris::rateFromTheDesktop()
{
    startReady(Lecture(1).lasting(600));
    QVERIFY(playerProperty("MinimumRate").contains("0.5"));
    QVERIFY(playerProperty("MaximumRate").contains("3"));
    setRate("2.0");
    QTRY_COMPARE(m_engine->playbackRate(), 2.0);
    QCOMPARE(m_backend->rate(), 2.0);
    QVERIFY(playerProperty("Rate").contains("2"));
    // A rate of 0 is a pause, as MPRIS asks.
    setRate("0");
    QTRY_VERIFY(!m_engine->isPlaying());
    QCOMPARE(m_engine->playbackRate(), 2.0);
}

void TestMpris::capabilitiesFollowTheState()
{
    QVERIFY(playerProperty("CanSeek").contains("false"));
    QVERIFY(playerProperty("CanGoNext").contains("false"));
    QVERIFY(rootProperty("CanRaise").contains("true"));
    QVERIFY(rootProperty("CanQuit").contains("true"));
    const QList<Track> queue = {Lecture(1).titled("A").lasting(60),
                                Lecture(2).titled("B").lasting(60)};
    startReady(queue[0], queue);
    for (const char *name : {"CanSeek", "CanPlay", "CanPause", "CanGoNext", "CanGoPrevious"})
        QVERIFY2(playerProperty(name).contains("true"), qPrintable(name));

    QSignalSpy raised(&m_parts->nowPlaying, &NowPlaying::raiseRequested);
    QSignalSpy quit(&m_parts->nowPlaying, &NowPlaying::quitRequested);
    run("dbus-send", {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.talvora",
                      "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Raise"});
    run("dbus-send", {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.talvora",
                      "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"});
    QCOMPARE(raised.size(), 1);
    QCOMPARE(quit.size(), 1);
}

QTEST_GUILESS_MAIN(TestMpris)
#include "tst_mpris.moc"
