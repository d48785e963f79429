// The player view model over a temporary data folder: what it writes at play and on each
// save tick, what it restores, and the stop conditions of the tick. The tick's play counts
// come from a real lecture playing through libmpv; the rest uses the scripted player.
#include "ScriptedBackend.h"

#include "Lecture.h"
#include "LectureService.h"
#include "TempDataHome.h"
#include "audio/AudioEngine.h"
#include "audio/MpvBackend.h"
#include "persistence/DamagedFile.h"
#include "persistence/Store.h"
#include "viewmodels/PlayerViewModel.h"

#include <QLoggingCategory>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using ItemStatus = PlayerBackend::ItemStatus;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

std::optional<Store::PlaybackHistoryItem> historyOf(const Store &store, qint64 id)
{
    for (const Store::PlaybackHistoryItem &item : store.loadPlaybackHistory()) {
        if (item.id == id)
            return item;
    }
    return std::nullopt;
}

struct ScriptedRig
{
    ScriptedRig()
    {
        auto owned = std::make_unique<ScriptedBackend>();
        backend = owned.get();
        engine = std::make_unique<AudioEngine>(std::move(owned), nullptr, AudioEngine::Options{});
    }
    ScriptedBackend *backend = nullptr;
    std::unique_ptr<AudioEngine> engine;
};

} // namespace

class TestPlayerViewModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstLaunchWritesAtPlay();
    void storedFlagsAreKept();
    void mirrorsTheEngine();
    void resumeChangesNothing_data();
    void resumeChangesNothing();
    void resumeRestoresPaused_data();
    void resumeRestoresPaused();
    void tickStopConditions_data();
    void tickStopConditions();
    void playbackRaisesPlayCount();
    void togglePlayWithoutTrack();
    void resumeRule_data();
    void resumeRule();
    void skipAndTimedPauseSaveAtOnce();

private:
    QString settingsPath() const { return m_home->dataFolder() + "/settings.json"; }
    QString historyPath() const { return m_home->dataFolder() + "/playback_history.json"; }

    LectureService m_service;
    std::unique_ptr<TempDataHome> m_home;
    std::unique_ptr<Store> m_store;
};

void TestPlayerViewModel::initTestCase()
{
    // The lines checked below are everyday ones, off unless asked for.
    QLoggingCategory::setFilterRules(QStringLiteral("talvora.*.info=true"));
    QVERIFY(m_service.addMp3("kajian.mp3", 120));
    QVERIFY(m_service.start());
    ServiceAddress::setBaseUrl(m_service.baseUrl());
}

void TestPlayerViewModel::init()
{
    m_home = std::make_unique<TempDataHome>();
    QVERIFY(m_home->isValid());
    m_store = std::make_unique<Store>();
}

void TestPlayerViewModel::cleanup()
{
    m_store.reset();
    m_home.reset();
}

void TestPlayerViewModel::firstLaunchWritesAtPlay()
{
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    QVERIFY(!model.shuffle());
    QCOMPARE(model.repeatMode(), RepeatMode::Off);
    QVERIFY(!QFile::exists(settingsPath()));

    const QList<Track> queue = {Lecture(1).lasting(1000), Lecture(2).lasting(1800),
                                Lecture(3).lasting(1000)};
    model.play(queue[1], queue, std::nullopt);
    // Written at once, before the stream is ready.
    const std::optional<Store::Settings> settings = m_store->loadSettings();
    QVERIFY(settings);
    QCOMPARE(*settings, (Store::Settings{false, RepeatMode::Off, 2, 0, 1800}));
    const auto entry = historyOf(*m_store, 2);
    QVERIFY(entry);
    QCOMPARE(entry->playCount, 1);
    QCOMPARE(entry->lastPosition, 0.0);
    QCOMPARE(entry->duration, 1800.0);
    QCOMPARE(model.lastPlayedTrackId(), std::optional<qint64>(2));

    // A failure of the item later undoes nothing.
    rig.backend->setItemStatus(ItemStatus::Failed);
    QCoreApplication::processEvents();
    QCOMPARE(m_store->loadSettings()->lastTrackId, std::optional<qint64>(2));

    model.play(queue[2], queue, 42.5);
    QCOMPARE(m_store->loadSettings()->lastPosition, 42.5);
    QCOMPARE(historyOf(*m_store, 3)->lastPosition, 42.5);
}

void TestPlayerViewModel::storedFlagsAreKept()
{
    m_store->saveSettings({true, RepeatMode::All, std::nullopt, 0, 0});
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    QVERIFY(model.shuffle());
    QCOMPARE(model.repeatMode(), RepeatMode::All);
    // The engine is not told.
    QVERIFY(!rig.engine->shuffle());
    QCOMPARE(rig.engine->repeatMode(), RepeatMode::Off);

    model.play(Lecture(4).lasting(1000), {}, std::nullopt);
    const Store::Settings settings = *m_store->loadSettings();
    QVERIFY(settings.shuffle);
    QCOMPARE(settings.repeatMode, RepeatMode::All);
    QCOMPARE(settings.lastTrackId, std::optional<qint64>(4));
}

void TestPlayerViewModel::mirrorsTheEngine()
{
    ScriptedRig rig;
    rig.engine->play(Lecture(9).lasting(300), std::nullopt, 20.0);
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    rig.backend->completeSeek(true);

    // A model made later shows the engine's state at once.
    PlayerViewModel model(*rig.engine, *m_store);
    QCOMPARE(model.currentTrack()->id, 9);
    QCOMPARE(model.currentTrackIdValue(), 9.0);
    QCOMPARE(model.currentTitle(), QStringLiteral("Kajian 9"));
    QCOMPARE(model.duration(), 300.0);
    QCOMPARE(model.currentTime(), 20.0);
    QVERIFY(model.isPlaying());
    QCOMPARE(model.playbackMode(), int(PlaybackState::Playing));

    rig.backend->reportTime(21.5);
    QCOMPARE(model.currentTime(), 21.5);
    model.togglePlay();
    QCOMPARE(model.playbackMode(), int(PlaybackState::Paused));
    QVERIFY(!model.isPlaying());
    model.seekAndPlay(100);
    rig.backend->completeSeek(true);
    QCOMPARE(model.currentTime(), 100.0);
    QVERIFY(model.isPlaying());
}

void TestPlayerViewModel::resumeChangesNothing_data()
{
    QTest::addColumn<QByteArray>("settings"); // empty: no file
    QTest::addColumn<QList<Track>>("library");
    const QList<Track> library = {Lecture(1).lasting(1000), Lecture(2).lasting(1000)};
    QTest::newRow("no settings file") << QByteArray() << library;
    QTest::newRow("undecodable settings") << QByteArray("{\"shuffle\": tru") << library;
    QTest::newRow("repeat mode out of range")
        << QByteArray(
               R"({"shuffle":false,"repeatMode":3,"lastTrackId":1,"lastPosition":5,"lastDuration":9})")
        << library;
    QTest::newRow("no last track")
        << QByteArray(R"({"shuffle":false,"repeatMode":0,"lastPosition":5,"lastDuration":9})")
        << library;
    QTest::newRow("empty library")
        << QByteArray(
               R"({"shuffle":false,"repeatMode":0,"lastTrackId":1,"lastPosition":5,"lastDuration":9})")
        << QList<Track>();
    QTest::newRow("last track not in the library")
        << QByteArray(
               R"({"shuffle":false,"repeatMode":0,"lastTrackId":77,"lastPosition":5,"lastDuration":9})")
        << library;
}

void TestPlayerViewModel::resumeChangesNothing()
{
    QFETCH(QByteArray, settings);
    QFETCH(QList<Track>, library);
    if (!settings.isEmpty()) {
        QDir().mkpath(m_home->dataFolder());
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(settings);
    }
    const QByteArray before = readFile(settingsPath());
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    model.resumeIfNeeded(library);
    QVERIFY(!model.hasCurrentTrack());
    QVERIFY(!model.lastPlayedTrackId());
    QCOMPARE(model.currentTime(), 0.0);
    QCOMPARE(rig.backend->loads, 0);
    QVERIFY(!rig.engine->hasCurrentTrack());
    // Nothing written: the file is as it was, or kept aside unchanged when it did not decode.
    const QStringList keptAside = DamagedFile::setAsideCopies(settingsPath());
    QCOMPARE(keptAside.isEmpty() ? readFile(settingsPath()) : readFile(keptAside.first()), before);
}

void TestPlayerViewModel::resumeRestoresPaused_data()
{
    QTest::addColumn<double>("saved");
    QTest::addColumn<double>("restored");
    QTest::newRow("half heard") << 754.2 << 754.2;
    // Heard to its end: ready to be heard again from 0:00.
    QTest::newRow("ended") << 999.6 << 0.0;
    // Paused just before the end, it comes back there.
    QTest::newRow("nearly ended") << 990.0 << 990.0;
}

void TestPlayerViewModel::resumeRestoresPaused()
{
    QFETCH(double, saved);
    QFETCH(double, restored);
    m_store->saveSettings({false, RepeatMode::Off, 2, saved, 999});
    m_store->addOrUpdatePlaybackHistory(2, saved, 1000);
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    const QList<Track> library = {Lecture(1).lasting(1000), Lecture(2).lasting(1000),
                                  Lecture(2).lasting(5)};
    model.resumeIfNeeded(library);
    QCOMPARE(model.currentTrack(), std::optional<Track>(library[1]));
    QCOMPARE(model.currentTime(), restored);
    // The engine's own duration (the track's) replaces the stored one through the mirror.
    QCOMPARE(model.duration(), 1000.0);
    QCOMPARE(model.lastPlayedTrackId(), std::optional<qint64>(2));
    QVERIFY(rig.engine->queue().isEmpty());

    // Held paused there by the engine (its prepareHoldsPaused); the history still says how far
    // it was heard.
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    QCOMPARE(model.playbackMode(), int(PlaybackState::Paused));
    QCOMPARE(historyOf(*m_store, 2)->lastPosition, saved);
    QCOMPARE(model.currentTime(), restored);
}

void TestPlayerViewModel::tickStopConditions_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("writes");
    QTest::newRow("no track") << "none" << false;
    QTest::newRow("paused at 0") << "paused 0" << false;
    QTest::newRow("paused at 12") << "paused 12" << true;
    QTest::newRow("playing at 0") << "playing 0" << true;
}

void TestPlayerViewModel::tickStopConditions()
{
    QFETCH(QString, state);
    QFETCH(bool, writes);
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    model.setSaveInterval(20ms);
    const QStringList words = state.split(' ');
    if (words[0] == "paused") {
        rig.engine->prepare(Lecture(6).lasting(600), words[1].toDouble());
        rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    } else if (words[0] == "playing") {
        rig.engine->play(Lecture(6).lasting(600));
        rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    }
    // A few ticks have had their say.
    auto *timer = model.findChild<QTimer *>(QStringLiteral("saveTimer"));
    QVERIFY(timer);
    QSignalSpy ticks(timer, &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 3);
    QCoreApplication::sendPostedEvents(&model, QEvent::MetaCall);
    m_store->waitForWrites();
    QCOMPARE(QFile::exists(settingsPath()), writes);
    QCOMPARE(QFile::exists(historyPath()), writes);
    if (writes) {
        const Store::Settings settings = *m_store->loadSettings();
        QCOMPARE(settings.lastTrackId, std::optional<qint64>(6));
        QCOMPARE(settings.lastPosition, words[1].toDouble());
        QCOMPARE(settings.lastDuration, 600.0);
        QVERIFY(historyOf(*m_store, 6)->playCount >= 1);
    }
}

void TestPlayerViewModel::playbackRaisesPlayCount()
{
    AudioEngine engine(std::make_unique<MpvBackend>(), nullptr, AudioEngine::Options{});
    PlayerViewModel model(engine, *m_store);
    // Ten ticks a second stand for ten seconds of playback at one tick a second.
    model.setSaveInterval(100ms);

    const Track track = Lecture(11).lasting(120).servedAs("kajian.mp3");
    model.play(track, {track}, std::nullopt);
    QCOMPARE(historyOf(*m_store, 11)->playCount, 1);
    QTRY_COMPARE_WITH_TIMEOUT(model.playbackMode(), int(PlaybackState::Playing), 10000);
    // Over a second of the lecture heard, every save tick of every model raises the count by
    // one: a second model (the floating panel's) ticks on its own timer.
    QList<QSignalSpy *> ticks;
    // A tick's save runs queued after its timeout: the saves of ticks already counted run
    // before each reading, so none falls between a spy and the count.
    const auto stretch = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        const qint64 before = historyOf(*m_store, 11)->playCount;
        for (QSignalSpy *spy : ticks)
            spy->clear();
        const double from = engine.currentTime();
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() >= from + 1.0, 10000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        qint64 ticked = 0;
        for (QSignalSpy *spy : ticks) {
            QVERIFY2(spy->count() >= 4, qPrintable(QString::number(spy->count())));
            ticked += spy->count();
        }
        QCOMPARE(historyOf(*m_store, 11)->playCount - before, ticked);
    };
    QSignalSpy first(model.findChild<QTimer *>(QStringLiteral("saveTimer")), &QTimer::timeout);
    ticks << &first;
    stretch();
    if (QTest::currentTestFailed())
        return;
    const Store::Settings settings = *m_store->loadSettings();
    QVERIFY(settings.lastPosition > 0.5);
    QVERIFY(qAbs(settings.lastPosition - engine.currentTime()) < 0.5);
    QCOMPARE(settings.lastDuration, 120.0);

    PlayerViewModel panel(engine, *m_store);
    panel.setSaveInterval(100ms);
    QSignalSpy second(panel.findChild<QTimer *>(QStringLiteral("saveTimer")), &QTimer::timeout);
    ticks << &second;
    stretch();
}

void TestPlayerViewModel::togglePlayWithoutTrack()
{
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    QTest::ignoreMessage(QtInfoMsg, "[PlayerVM] togglePlay currentTrack=-1 isPlaying=false");
    model.togglePlay();
    QVERIFY(rig.backend->calls.isEmpty());
}

void TestPlayerViewModel::resumeRule_data()
{
    // Lecture 2 is started by `start` ("play": a row of Beranda, Cari or Ustadz; "next" from
    // lecture 1; "previous" from lecture 3) with a history entry at `position` of `entryLength`
    // (none when negative); the track itself lasts `trackLength` (unknown when 0).
    QTest::addColumn<QString>("start");
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("entryLength");
    QTest::addColumn<qint64>("trackLength");
    QTest::addColumn<double>("expected");
    QTest::newRow("half-heard") << "play" << 120.0 << 240.0 << qint64(240) << 120.0;
    // The last 30 s, or the last 5 % when that is shorter (12 s of 240 s).
    QTest::newRow("finished") << "play" << 229.0 << 240.0 << qint64(240) << 0.0;
    QTest::newRow("just before the finish") << "play" << 227.0 << 240.0 << qint64(240) << 227.0;
    QTest::newRow("long, last 30 s") << "play" << 3571.0 << 3600.0 << qint64(3600) << 0.0;
    QTest::newRow("long, before its last 30 s") << "play" << 3569.0 << 3600.0 << qint64(3600) << 3569.0;
    QTest::newRow("no entry") << "play" << -1.0 << 0.0 << qint64(240) << 0.0;
    QTest::newRow("no length: the entry's decides")
        << "play" << 229.0 << 240.0 << qint64(0) << 0.0;
    QTest::newRow("next, half-heard") << "next" << 120.0 << 240.0 << qint64(240) << 120.0;
    QTest::newRow("previous, half-heard") << "previous" << 120.0 << 240.0 << qint64(240) << 120.0;
    QTest::newRow("next, finished") << "next" << 230.0 << 240.0 << qint64(240) << 0.0;
}

void TestPlayerViewModel::resumeRule()
{
    QFETCH(QString, start);
    QFETCH(double, position);
    QFETCH(double, entryLength);
    QFETCH(qint64, trackLength);
    QFETCH(double, expected);
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    model.setSaveInterval(20ms);
    const QList<Track> queue = {
        Lecture(1).lasting(240),
        Lecture(2).lasting(trackLength ? std::optional(trackLength) : std::nullopt),
        Lecture(3).lasting(240)};
    if (position >= 0)
        m_store->savePlaybackHistory({{2, position, entryLength, 1000, 1}});
    if (start == "play") {
        model.play(queue[1], queue, std::nullopt);
        // What play writes is the place it starts at.
        QCOMPARE(m_store->loadSettings()->lastPosition, expected);
    } else {
        model.play(queue[start == "next" ? 0 : 2], queue, std::nullopt);
        rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
        QCoreApplication::processEvents();
        start == "next" ? model.next() : model.previous();
    }
    QCOMPARE(rig.engine->currentTrack()->id, 2);
    QCOMPARE(model.currentTime(), expected);
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    // The entry is never reset to 0 while the lecture starts at its place: the save ticks
    // that run before the first time report write that place too.
    m_store->waitForWrites(); // what play wrote is announced before the ticks are counted
    const int writes = 3;
    for (int i = 0; i < writes; ++i) {
        QSignalSpy saved(m_store.get(), &Store::playbackHistoryChanged);
        QVERIFY(saved.wait(5000));
    }
    QCOMPARE(historyOf(*m_store, 2)->lastPosition, expected);
}

void TestPlayerViewModel::skipAndTimedPauseSaveAtOnce()
{
    ScriptedRig rig;
    PlayerViewModel model(*rig.engine, *m_store);
    model.setSaveInterval(1h); // only the commands write
    rig.engine->prepare(Lecture(4).lasting(600), 100);
    rig.backend->setItemStatus(ItemStatus::ReadyToPlay);
    QCoreApplication::processEvents();
    model.skipBackward();
    QVERIFY(!model.isPlaying());
    QCOMPARE(m_store->loadSettings()->lastPosition, 90.0);
    QCOMPARE(historyOf(*m_store, 4)->lastPosition, 90.0);
    model.skipForward();
    QCOMPARE(m_store->loadSettings()->lastPosition, 120.0);

    model.togglePlay();
    while (rig.backend->pendingSeeks() > 0)
        rig.backend->completeSeek(true);
    rig.backend->reportTime(121.5);
    m_store->waitForWrites(); // the skips' saves are announced before the spy listens
    QSignalSpy saved(m_store.get(), &Store::settingsChanged);
    rig.engine->sleepTimer().start(50ms);
    QVERIFY(saved.wait(5000));
    QVERIFY(!model.isPlaying());
    QCOMPARE(m_store->loadSettings()->lastPosition, 121.5);
    QVERIFY(!model.sleepTimerActive());
}

QTEST_GUILESS_MAIN(TestPlayerViewModel)
#include "tst_playerviewmodel.moc"
