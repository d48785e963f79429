// The now-playing display and media keys as a desktop sees them: the engine publishes over
// MPRIS on a private session bus (the test runs under dbus-run-session) and playerctl, a real
// MPRIS client, reads and commands it. The player underneath is scripted, so each state is
// reached on demand.
#include "ScriptedBackend.h"

#include "audio/AudioEngine.h"

#include <QDBusConnection>
#include <QProcess>
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

QString rootProperty(const QString &name)
{
    return run(QStringLiteral("dbus-send"),
               {"--session", "--print-reply=literal", "--dest=org.mpris.MediaPlayer2.talvora",
                "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                "string:org.mpris.MediaPlayer2", "string:" + name});
}

Track makeTrack(qint64 id, const QString &judul, const QString &ustadz,
                std::optional<qint64> duration)
{
    Track track;
    track.id = id;
    track.filename = QStringLiteral("kajian-%1.mp3").arg(id);
    track.slug = QStringLiteral("kajian-%1").arg(id);
    track.judul = judul;
    track.ustadz = ustadz;
    track.durationSeconds = duration;
    return track;
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

private:
    void startReady(const Track &track, const QList<Track> &queue = {});

    ScriptedBackend *m_backend = nullptr;
    std::unique_ptr<AudioEngine> m_engine;
};

void TestMpris::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run this test under dbus-run-session");
}

void TestMpris::init()
{
    auto backend = std::make_unique<ScriptedBackend>();
    m_backend = backend.get();
    m_engine = std::make_unique<AudioEngine>(std::move(backend), nullptr,
                                             AudioEngine::Options{.registerMpris = true});
    QVERIFY(m_engine->nowPlaying().isRegistered());
    QCOMPARE(m_engine->nowPlaying().serviceName(),
             QStringLiteral("org.mpris.MediaPlayer2.talvora"));
}

void TestMpris::cleanup()
{
    m_engine.reset();
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
    int exitCode = -1;
    playerctl({"play"}, &exitCode);
    QCOMPARE(exitCode, 0);
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
    QTest::newRow("titled") << makeTrack(42, "Tafsir Al-Fatihah", "Ustadz Abdul", 3725)
                            << "'/org/talvora/track/42'|Tafsir Al-Fatihah|Ustadz Abdul|3725000000";
    QTest::newRow("slug and unknown teacher")
        << makeTrack(7, "", "", 60) << "'/org/talvora/track/7'|kajian-7|Tidak diketahui|60000000";
    QTest::newRow("no duration") << makeTrack(8, "Adab", "Ustadz B", std::nullopt)
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
    startReady(makeTrack(1, "Kajian", "Ustadz", 600));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    playerctl({"play-pause"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Paused));
    QCOMPARE(m_backend->calls.last(), QStringLiteral("pause"));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Paused"));
    playerctl({"play-pause"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Playing));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    playerctl({"pause"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Paused));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Paused"));
    // Play does not refresh the display itself; the next time report of the player does.
    playerctl({"play"});
    QTRY_COMPARE(m_engine->playbackMode(), int(PlaybackState::Playing));
    m_backend->reportTime(5);
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
}

void TestMpris::nextAndPrevious()
{
    const QList<Track> queue = {makeTrack(1, "A", "U", 60), makeTrack(2, "B", "U", 60),
                                makeTrack(3, "C", "U", 60)};
    startReady(queue[0], queue);
    playerctl({"next"});
    QTRY_COMPARE(m_engine->currentTrack()->id, 2);
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(playerctl({"metadata", "--format", "{{xesam:title}}"}), QStringLiteral("B"));
    playerctl({"previous"});
    QTRY_COMPARE(m_engine->currentTrack()->id, 1);
    QCOMPARE(m_engine->currentIndex(), 0);
}

void TestMpris::announcesChanges()
{
    // playerctl --follow prints only what PropertiesChanged announces.
    QProcess follower;
    follower.start("playerctl", {"-p", "talvora", "--follow", "metadata", "--format",
                                 "{{status}} {{xesam:title}}"});
    QVERIFY(follower.waitForStarted(5000));
    QString seen;
    const auto waitFor = [&](const QString &line) {
        QDeadlineTimer deadline(10000);
        while (!seen.contains(line) && !deadline.hasExpired()) {
            QTest::qWait(20);
            seen += QString::fromUtf8(follower.readAllStandardOutput());
        }
        return seen.contains(line);
    };
    QTest::qWait(300); // let it subscribe
    startReady(makeTrack(1, "Pertama", "U", 60));
    QVERIFY2(waitFor("Playing Pertama"), qPrintable(seen));
    m_engine->togglePlay();
    QVERIFY2(waitFor("Paused Pertama"), qPrintable(seen));
    startReady(makeTrack(2, "Kedua", "U", 60));
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
    QTest::qWait(300); // let it subscribe
    startReady(makeTrack(1, "Kajian", "U", 600));
    for (double t = 0.25; t <= 1.0; t += 0.25)
        m_backend->reportTime(t); // playing on: no jump
    m_engine->seekAndPlay(300);
    m_backend->completeSeek(true);
    QString seen;
    QDeadlineTimer deadline(10000);
    while (!seen.contains("int64 300000000") && !deadline.hasExpired()) {
        QTest::qWait(20);
        seen += QString::fromUtf8(monitor.readAllStandardOutput());
    }
    QVERIFY2(seen.contains("int64 300000000"), qPrintable(seen));
    QCOMPARE(seen.count("member=Seeked"), 1);
    monitor.kill();
    monitor.waitForFinished(2000);
}

QTEST_GUILESS_MAIN(TestMpris)
#include "tst_mpris.moc"
