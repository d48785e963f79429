// A series heard from part to part in the real program: view models over a temporary data
// folder, the loopback lecture service with short real MP3s (20 s), libmpv playing silently,
// the teacher's page and a series page driven by keyboard and mouse in offscreen windows.
#include "ScreenFixture.h"
#include "UiTestSupport.h"

#include "audio/AudioEngine.h"
#include "audio/downloads/Downloads.h"
#include "persistence/FinishedLectures.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {

const QString Teacher = QStringLiteral("Ustadz Ahmad");

// Three parts listed out of order among the most viewed, and one single lecture.
QList<Track> library()
{
    return {lecture(3, 90, Teacher, QStringLiteral("Kitab Tauhid - Bagian 3")),
            lecture(4, 80, Teacher, QStringLiteral("Keutamaan Ilmu")),
            lecture(1, 50, Teacher, QStringLiteral("Kitab Tauhid - Bagian 1")),
            lecture(2, 10, Teacher, QStringLiteral("Kitab Tauhid - Bagian 2"))};
}

bool openFixture(ScreenFixture &f)
{
    return f.start() && f.waitForLibrary() &&
           QTest::qWaitFor([&] { return f.library->series()->index().all().size() == 1; });
}

const QString SeriesEntry = QStringLiteral("Seri Kitab Tauhid, 3 bagian, 0 dari 3 selesai");

// A window on the teacher's page, once it lists the series; nullptr when it does not come.
QQuickWindow *openTeacherPage(ScreenFixture &f)
{
    QQuickWindow *window = f.openWindow();
    if (!window || !f.select(window, QStringLiteral("Ustadz")))
        return nullptr;
    QQuickItem *teacher = nullptr;
    if (!QTest::qWaitFor([&] {
            return (teacher =
                        UiTest::findAccessible(window->contentItem(), Teacher + ", 4 kajian"));
        }))
        return nullptr;
    UiTest::click(teacher);
    return QTest::qWaitFor(
               [&] { return UiTest::findAccessible(window->contentItem(), SeriesEntry); })
               ? window
               : nullptr;
}

QString accessibleName(QQuickItem *item)
{
    QObject *accessible = item ? UiTest::accessibleOf(item) : nullptr;
    return accessible ? accessible->property("name").toString() : QString();
}

} // namespace

class TestSeriesScreens : public QObject
{
    Q_OBJECT

private slots:
    void playsOn_data();
    void playsOn();
    void teacherAndSeriesPages();
    void downloadWholeSeries();
};

void TestSeriesScreens::playsOn_data()
{
    QTest::addColumn<int>("rule"); // "Setelah kajian selesai": 0 next part, 1 next in list, 2 stop
    QTest::addColumn<qint64>("start");
    QTest::addColumn<bool>("sleepAtEnd");
    QTest::addColumn<qint64>("next"); // 0: stops at the end

    QTest::newRow("next part") << 0 << qint64(1) << false << qint64(2);
    QTest::newRow("Berhenti") << 2 << qint64(1) << false << qint64(0);
    QTest::newRow("sleep timer at the end") << 0 << qint64(1) << true << qint64(0);
    QTest::newRow("next in list") << 1 << qint64(3) << false << qint64(4);
}

// Started from the teacher's most viewed list, a part ends: the next part plays by itself with
// the series as the queue, or the player stops; the ended part is finished either way.
void TestSeriesScreens::playsOn()
{
    QFETCH(int, rule);
    QFETCH(qint64, start);
    QFETCH(bool, sleepAtEnd);
    QFETCH(qint64, next);
    ScreenFixture f(library());
    QVERIFY(openFixture(f));
    f.player->setAfterLecture(rule);
    const QList<Track> listed = f.library->tracksOfUstadz(Teacher);
    const Track first = *std::find_if(listed.cbegin(), listed.cend(),
                                      [&](const Track &t) { return t.id == start; });
    f.player->play(first, listed, std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(f.engine->isPlaying() && f.engine->currentTime() > 0, 10000);
    if (sleepAtEnd)
        f.player->startSleepTimerUntilEnd();
    QSignalSpy ended(f.engine, &AudioEngine::reachedEnd);
    QSignalSpy playedOn(f.engine, &AudioEngine::playedOn);
    f.engine->seekTo(18.5);
    QVERIFY(ended.wait(15000));
    QVERIFY(f.player->finished()->isFinished(start));
    if (next == 0) {
        // What follows the end is decided when it is reached.
        QCOMPARE(playedOn.count(), 0);
        QCOMPARE(f.engine->currentTrack()->id, start);
        QVERIFY(!f.engine->isPlaying());
        QCOMPARE(f.engine->playbackState().mode, PlaybackState::Paused);
        return;
    }
    QCOMPARE(playedOn.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(f.engine->currentTrack()->id == next && f.engine->isPlaying() &&
                                 f.engine->currentTime() > 0,
                             10000);
    QCOMPARE(ScreenFixture::idsOf(f.engine->queue()),
             rule == 0 ? QList<qint64>({1, 2, 3}) : ScreenFixture::idsOf(listed));
    // The settings name the new lecture; both have their history entries.
    QTRY_COMPARE(f.store->loadSettings()->lastTrackId, next);
    QList<qint64> heard;
    for (const Store::PlaybackHistoryItem &item : f.store->loadPlaybackHistory())
        heard << item.id;
    QVERIFY2(heard.contains(start) && heard.contains(next),
             qPrintable(QString::number(heard.size())));
    if (rule == 0) {
        // next() and previous() follow the series.
        f.engine->previous();
        QTRY_COMPARE(f.engine->currentTrack()->id, start);
    }
}

// The teacher's page lists the series before the single lectures; the series opens as its
// parts in numeric order; "S" marks the current part finished and unmarks it; finished parts
// can be hidden; "Lanjutkan seri" starts the first unfinished part at its place.
void TestSeriesScreens::teacherAndSeriesPages()
{
    ScreenFixture f(library());
    QVERIFY(openFixture(f));
    f.store->savePlaybackHistory({{2, 7.0, 20.0, 1000, 1}});
    QQuickWindow *window = openTeacherPage(f);
    QVERIFY(window);
    QTRY_COMPARE(ScreenFixture::rowTitles(window), QStringList{"Keutamaan Ilmu"});

    // The series list has the focus: Enter opens the series.
    UiTest::keys(window, QStringLiteral("Return"));
    QTRY_COMPARE(ScreenFixture::rowTitles(window),
                 QStringList({"Kitab Tauhid - Bagian 1", "Kitab Tauhid - Bagian 2",
                              "Kitab Tauhid - Bagian 3"}));
    QQuickItem *part1 = ScreenFixture::rowTitled(window, "Kitab Tauhid - Bagian 1");
    QCOMPARE(part1->property("seriesText").toString(), "Kitab Tauhid · bagian 1 dari 3");
    QVERIFY(!accessibleName(part1).endsWith(", selesai"));
    UiTest::keys(window, QStringLiteral("S"));
    QTRY_VERIFY(f.player->finished()->isFinished(1));
    QTRY_VERIFY(accessibleName(part1).endsWith(", selesai"));
    QVERIFY(UiTest::showsText(window->contentItem(), Teacher + "  ·  1 dari 3 selesai"));
    UiTest::keys(window, QStringLiteral("S"));
    QTRY_VERIFY(!f.player->finished()->isFinished(1));
    UiTest::keys(window, QStringLiteral("S"));
    QTRY_VERIFY(f.player->finished()->isFinished(1));

    f.player->finished()->setHideFinished(true);
    QTRY_COMPARE(ScreenFixture::rowTitles(window),
                 QStringList({"Kitab Tauhid - Bagian 2", "Kitab Tauhid - Bagian 3"}));

    QQuickItem *resume = UiTest::findAccessible(window->contentItem(), "Lanjutkan seri");
    QVERIFY(resume);
    UiTest::click(resume);
    QTRY_VERIFY_WITH_TIMEOUT(f.engine->currentTrack() && f.engine->currentTrack()->id == 2 &&
                                 f.engine->isPlaying() && f.engine->currentTime() >= 7.0,
                             10000);
    QCOMPARE(ScreenFixture::idsOf(f.engine->queue()), QList<qint64>({1, 2, 3}));
    QCOMPARE(f.player->currentSeriesText(), "Kitab Tauhid · bagian 2 dari 3");

    // Ctrl+, opens the settings; Escape closes them.
    QObject *settings = window->findChild<QObject *>("settingsSheet");
    QVERIFY(settings && !settings->property("opened").toBool());
    UiTest::keys(window, "Ctrl+,");
    QTRY_VERIFY(settings->property("opened").toBool());
    UiTest::keys(window, "Escape");
    QTRY_VERIFY(!settings->property("visible").toBool());
}

// "Unduh semua bagian" with one part refused by the service: the others are stored, the
// failed one is shown as failed.
void TestSeriesScreens::downloadWholeSeries()
{
    ScreenFixture f(library());
    QVERIFY(openFixture(f));
    QVERIFY(f.service.setFaults(
        QJsonObject{{"files", QJsonObject{{"kajian-2.mp3", QJsonObject{{"status", 500}}}}}}));
    QQuickWindow *window = openTeacherPage(f);
    QVERIFY(window);
    UiTest::click(UiTest::findAccessible(window->contentItem(), SeriesEntry));
    QQuickItem *download = nullptr;
    QTRY_VERIFY((download = UiTest::findAccessible(window->contentItem(), "Unduh semua bagian")));
    UiTest::click(download);
    QTRY_VERIFY_WITH_TIMEOUT(UiTest::showsText(window->contentItem(), "1 bagian gagal diunduh"),
                             20000);
    const QList<Track> tracks = library();
    QVERIFY(f.downloads->isDownloaded(tracks[0]));  // part 3
    QVERIFY(f.downloads->isDownloaded(tracks[2]));  // part 1
    QVERIFY(!f.downloads->isDownloaded(tracks[3])); // part 2
    QVERIFY(UiTest::findAccessible(window->contentItem(), "Unduhan gagal, unduh lagi"));
    QCOMPARE(
        ScreenFixture::rowTitled(window, "Kitab Tauhid - Bagian 2")->property("failedNow").toBool(),
        true);
}

QTEST_MAIN(TestSeriesScreens)
#include "tst_seriesscreens.moc"
