// The main window over the real program: view models over a temporary data folder, the
// loopback lecture service, libmpv playing the lectures silently. Driven with mouse and
// keyboard events in offscreen windows.
#include "ScreenFixture.h"
#include "UiTestSupport.h"

#include "MainWindows.h"
#include "audio/AudioEngine.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QFile>
#include <QFontMetricsF>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

#include <cmath>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

using namespace std::chrono_literals;

namespace {

QList<Track> sixLectures()
{
    return {lecture(1, 10), lecture(2),     lecture(3, 50),
            lecture(4, 10), lecture(5, 30), lecture(6, 5)};
}

Store::PlaybackHistoryItem heard(qint64 id, double at, double position = 5, double duration = 20)
{
    return {id, position, duration, at, 1};
}

void saveLastTrack(Store &store, qint64 id, double position)
{
    Store::Settings settings;
    settings.lastTrackId = id;
    settings.lastPosition = position;
    settings.lastDuration = 20;
    store.saveSettings(settings);
}

// The focused item is `name` or inside it.
bool focusIn(QQuickWindow *window, const QString &name)
{
    QQuickItem *holder = UiTest::findByObjectName(window->contentItem(), name);
    QQuickItem *focused = window->activeFocusItem();
    return holder && focused && (holder == focused || holder->isAncestorOf(focused));
}

QString focusName(QQuickWindow *window)
{
    QQuickItem *focused = window->activeFocusItem();
    return focused ? QString::fromLatin1(focused->metaObject()->className()) + " " +
                         focused->objectName()
                   : QStringLiteral("nothing");
}

QQuickItem *contentOf(QQuickWindow *window)
{
    return qvariant_cast<QQuickItem *>(window->property("content"));
}

// The items of a menu, in order.
QList<QQuickItem *> menuItems(QObject *menu)
{
    QList<QQuickItem *> items;
    for (int i = 0; i < menu->property("count").toInt(); ++i) {
        QQuickItem *item = nullptr;
        QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
        if (item)
            items << item;
    }
    return items;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    // The last shared program; the next check over the same lectures takes it restarted.
    std::unique_ptr<ScreenFixture> m_shared;

    bool share(const QList<Track> &tracks)
    {
        if (m_shared && m_shared->tracks == tracks) {
            m_shared->restart();
            return true;
        }
        m_shared.reset(); // its data folder ends before the next one begins
        m_shared = std::make_unique<ScreenFixture>(tracks);
        return m_shared->start();
    }
    // share(), a window and the library; nullptr when one of them fails.
    QQuickWindow *openShared(const QList<Track> &tracks)
    {
        QQuickWindow *window = share(tracks) ? m_shared->openWindow() : nullptr;
        return window && m_shared->waitForLibrary() ? window : nullptr;
    }
    // openShared() over sixLectures() with its first row (lecture 3) clicked.
    QQuickWindow *openSharedPlaying()
    {
        QQuickWindow *window = openShared(sixLectures());
        if (!window ||
            !QTest::qWaitFor([&] { return ScreenFixture::trackRows(window).size() == 6; }))
            return nullptr;
        UiTest::click(ScreenFixture::trackRows(window).at(0));
        return window;
    }

private slots:
    // The shared program stays quiet while other checks run.
    void cleanup()
    {
        if (m_shared)
            m_shared->stopPlayer();
    }

    void homeRowPlaysWithThePopularQueueFromTheStart()
    {
        QVERIFY(share(sixLectures()));
        ScreenFixture &f = *m_shared;
        f.player->setSaveInterval(1h);   // only play() writes the settings in this test
        saveLastTrack(*f.store, 6, 7.5); // row 5 is lecture 6: a saved position must not count
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QCOMPARE(window->minimumSize(), QSize(900, 600));
        QVERIFY(f.waitForLibrary());
        QCOMPARE(window->title(), QStringLiteral("Talvora"));
        QVERIFY(UiTest::showsText(window->contentItem(), QStringLiteral("Populer")));
        // Most viewed first, ties in library order, no views last; numbered 1..n.
        QTRY_COMPARE(
            ScreenFixture::rowTitles(window),
            QStringList({"Kajian 3", "Kajian 5", "Kajian 1", "Kajian 4", "Kajian 6", "Kajian 2"}));
        QVERIFY(UiTest::showsText(ScreenFixture::trackRows(window).at(5), QStringLiteral("6")));
        QVERIFY(UiTest::showsText(ScreenFixture::trackRows(window).at(0), QStringLiteral("0:20")));
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 6);

        // A double-click plays once: one entry, heard once.
        QQuickTest::qWaitForPolish(window);
        QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier,
                           UiTest::centreOf(ScreenFixture::trackRows(window).at(4)));
        QVERIFY(f.engine->currentTrack());
        QCOMPARE(f.engine->currentTrack()->id, 6);
        const auto history = f.store->loadPlaybackHistory();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first().playCount, 1);
        QCOMPARE(ScreenFixture::idsOf(f.engine->queue()), QList<qint64>({3, 5, 1, 4, 6, 2}));
        QCOMPARE(f.engine->currentIndex(), 4);
        const auto settings = f.store->loadSettings();
        QVERIFY(settings);
        QCOMPARE(settings->lastTrackId, std::optional<qint64>(6));
        QCOMPARE(settings->lastPosition, 0.0);

        // The row shows the play state once the player runs.
        QTRY_VERIFY(f.player->isPlaying());
        QTRY_VERIFY(ScreenFixture::trackRows(window).at(4)->property("isPlaying").toBool());
        QCOMPARE(ScreenFixture::trackRows(window).at(4)->property("isCurrent").toBool(), true);
        QCOMPARE(ScreenFixture::trackRows(window).at(0)->property("isCurrent").toBool(), false);
    }

    void searchTrimsTheQueryAndListsOtherSpellingsLast()
    {
        ScreenFixture f({lecture(1, 3, "Ustadz Ahmad", "Adab Menuntut Ilmu"),
                         lecture(2, 9, "Ustadz Hasan", "Nasihat tentang Sabar"),
                         lecture(3, 2, "Ustadz Sabaruddin", "Fiqih Shalat"),
                         lecture(4, 1, "Ustadz Abdul Hakim", "Shalat Malam"),
                         lecture(5, 10, "Ustadz Hasan", "Adab Sholat Subuh")});
        QQuickWindow *window = f.openWithLibrary();
        QVERIFY(window);

        QVERIFY(f.select(window, QStringLiteral("Cari")));
        QTRY_COMPARE(window->title(), QStringLiteral("Cari"));
        const QString prompt = QStringLiteral("Ketik kata kunci untuk mencari kajian");
        QVERIFY(UiTest::showsText(window->contentItem(), prompt));
        QQuickItem *field = UiTest::findByObjectName(window->contentItem(), "searchField");
        QVERIFY(field && field->isVisible());
        QTRY_VERIFY(field->hasActiveFocus()); // selecting "Cari" puts the cursor in the field

        UiTest::typeText(window, QStringLiteral("   "));
        QCOMPARE(f.library->searchText(), QStringLiteral("   "));
        QVERIFY(UiTest::showsText(window->contentItem(), prompt)); // blank: still the prompt

        UiTest::typeText(window, QStringLiteral("SABAR  "));
        QTRY_COMPARE(ScreenFixture::rowTitles(window),
                     QStringList({"Nasihat tentang Sabar", "Fiqih Shalat"}));
        QVERIFY(!UiTest::showsText(window->contentItem(), prompt));

        // Clicking the second result queues the results as shown.
        UiTest::click(ScreenFixture::trackRows(window).at(1));
        QCOMPARE(ScreenFixture::idsOf(f.engine->queue()), QList<qint64>({2, 3}));
        QCOMPARE(f.engine->currentTrack()->id, 3);

        UiTest::typeText(window, QStringLiteral("zzz"));
        QTRY_VERIFY(ScreenFixture::trackRows(window).isEmpty());
        QVERIFY(!UiTest::showsText(window->contentItem(), prompt));
        // Nothing matched: what was searched is said.
        QVERIFY(UiTest::showsText(window->contentItem(),
                                  QStringLiteral("Tidak ada kajian untuk “SABAR  zzz”")));

        // The query survives leaving the screen; the field shows only on "Cari".
        QVERIFY(f.select(window, QStringLiteral("Beranda")));
        QTRY_VERIFY(!field->isVisible());
        QVERIFY(f.select(window, QStringLiteral("Cari")));
        QTRY_VERIFY(field->isVisible());
        QCOMPARE(field->property("text").toString(), QStringLiteral("   SABAR  zzz"));

        // Other spellings of the query follow the lectures spelled as typed, and say so.
        QTRY_VERIFY(field->hasActiveFocus());
        UiTest::keys(window, QStringLiteral("Ctrl+A Backspace"));
        const QString close = QStringLiteral("Hasil untuk ejaan serupa");
        UiTest::typeText(window, QStringLiteral("s"));
        QTRY_COMPARE(ScreenFixture::rowTitles(window).size(), 5);
        QVERIFY(!UiTest::showsText(window->contentItem(), close)); // all as typed
        UiTest::typeText(window, QStringLiteral("holat"));
        QTRY_COMPARE(ScreenFixture::rowTitles(window),
                     QStringList({"Adab Sholat Subuh", "Fiqih Shalat", "Shalat Malam"}));
        QVERIFY(UiTest::showsText(window->contentItem(), close));
        UiTest::typeText(window, QStringLiteral(" abdul"));
        QTRY_COMPARE(ScreenFixture::rowTitles(window), QStringList({"Shalat Malam"}));
        QVERIFY(UiTest::showsText(window->contentItem(), close));
    }

    // The service refuses: the window says so at once on every screen built on the library
    // (or, over a stored library, with a small notice), and the library comes by itself once
    // the service is back.
    void unreachableServiceIsSaidAtOnceAndRecovers_data()
    {
        QTest::addColumn<bool>("cached");
        QTest::newRow("first start") << false;
        QTest::newRow("stored library") << true;
    }

    void unreachableServiceIsSaidAtOnceAndRecovers()
    {
        QFETCH(bool, cached);
        ScreenFixture f(sixLectures());
        if (cached)
            Store().saveCache({sixLectures().mid(0, 2), 1e9, 1e9, 2}); // old: the service is asked
        QVERIFY(f.start());
        const quint16 port = f.service.port();
        f.service.stop();
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QQuickItem *notice = UiTest::findByObjectName(window->contentItem(), "offlineNotice");
        QVERIFY(notice);
        const QString error =
            QStringLiteral("Gagal memuat daftar kajian: Layanan kajian menolak sambungan.");
        if (cached) {
            QTRY_VERIFY(notice->isVisible());
            QTRY_COMPARE(ScreenFixture::rowTitles(window).size(), 2);
            QVERIFY(!UiTest::showsText(window->contentItem(), error));
        } else {
            for (const char *screen : {"Beranda", "Ustadz", "Riwayat", "Unduhan", "Cari"}) {
                QVERIFY(f.select(window, screen));
                QTRY_VERIFY2(UiTest::showsText(window->contentItem(), error), screen);
                QVERIFY(UiTest::showsText(window->contentItem(),
                                          QStringLiteral("Menghubungi layanan kajian...")));
                QVERIFY(UiTest::findAccessible(window->contentItem(), QStringLiteral("Coba lagi")));
            }
            QVERIFY(!notice->isVisible());
            QVERIFY(f.select(window, QStringLiteral("Beranda")));
        }

        QVERIFY(f.service.start(port));
        QVERIFY(
            f.service.waitForRequestCount(QStringLiteral("/api.php?action=getTracks"), 1, 10000));
        QTRY_COMPARE(ScreenFixture::rowTitles(window).size(), 6);
        QVERIFY(!notice->isVisible());
        QVERIFY(!UiTest::showsText(window->contentItem(), error));
    }

    // A lecture whose audio cannot be had says so in the bar until the next action.
    void unplayableLectureIsSaidInTheBar()
    {
        QQuickWindow *window = openShared(sixLectures());
        QVERIFY(window);
        ScreenFixture &f = *m_shared;
        QVERIFY(f.service.setFaults(
            QJsonObject{{"files", QJsonObject{{"kajian-3.mp3", QJsonObject{{"status", 404}}}}}}));
        const QString problem = QStringLiteral("Tidak dapat memutar kajian ini — periksa koneksi");
        UiTest::click(ScreenFixture::trackRows(window).at(0)); // 3: the most viewed
        QCOMPARE(f.player->currentTrack()->id, 3);
        QTRY_VERIFY(UiTest::showsText(window->contentItem(), problem));
        QVERIFY(!f.player->isPlaying());
        UiTest::click(ScreenFixture::trackRows(window).at(1));
        QTRY_VERIFY(f.player->isPlaying());
        QVERIFY(!UiTest::showsText(window->contentItem(), problem));
    }

    void ustadzListsTeachersByNameWithCounts()
    {
        ScreenFixture f({lecture(1, 1, "b"), lecture(2, 10, "Z"), lecture(3, 2, "A"),
                         lecture(4, std::nullopt, "Z"), lecture(5, 10, "Z")});
        QQuickWindow *window = f.openWithLibrary();
        QVERIFY(window);
        QVERIFY(f.select(window, QStringLiteral("Ustadz")));
        QTRY_COMPARE(window->title(), QStringLiteral("Ustadz"));

        QQuickItem *list = UiTest::findByObjectName(window->contentItem(), "ustadzList");
        QVERIFY(list);
        // Named with their counts, as screen readers read them.
        QTRY_VERIFY(UiTest::findAccessible(list, QStringLiteral("b, 1 kajian")));
        QQuickItem *z = UiTest::findAccessible(list, "Z, 3 kajian");
        QVERIFY(z);
        const double yA = UiTest::findAccessible(list, "A, 1 kajian")->mapToScene(QPointF()).y();
        const double yb = UiTest::findAccessible(list, "b, 1 kajian")->mapToScene(QPointF()).y();
        QVERIFY(yA < z->mapToScene(QPointF()).y() && z->mapToScene(QPointF()).y() < yb);
        QVERIFY(UiTest::showsText(z, QStringLiteral("3 kajian")));

        // The teacher's lectures, most viewed first (ties in library order), queued as shown.
        UiTest::click(z);
        QTRY_COMPARE(window->title(), QStringLiteral("Z"));
        QTRY_COMPARE(ScreenFixture::rowTitles(window),
                     QStringList({"Kajian 2", "Kajian 5", "Kajian 4"}));
        UiTest::click(ScreenFixture::trackRows(window).at(2));
        QCOMPARE(ScreenFixture::idsOf(f.engine->queue()), QList<qint64>({2, 5, 4}));

        QQuickItem *back = UiTest::findAccessible(window->contentItem(), QStringLiteral("Kembali"));
        QVERIFY(back);
        UiTest::click(back);
        QTRY_COMPARE(window->title(), QStringLiteral("Ustadz"));

        // Leaving the page forgets the teacher.
        UiTest::click(UiTest::findAccessible(window->contentItem(), "A, 1 kajian"));
        QTRY_COMPARE(window->title(), QStringLiteral("A"));
        QVERIFY(f.select(window, QStringLiteral("Riwayat")));
        QVERIFY(f.select(window, QStringLiteral("Ustadz")));
        QTRY_COMPARE(window->title(), QStringLiteral("Ustadz"));
    }

    void historyListsHeardLecturesOfTheLibrary()
    {
        ScreenFixture f(sixLectures());
        QQuickWindow *window = f.openWithLibrary();
        QVERIFY(window);

        QVERIFY(f.select(window, QStringLiteral("Riwayat")));
        const QString noHistory =
            QStringLiteral("Belum ada riwayat. Kajian yang Anda dengarkan akan tampil di sini.");
        QTRY_VERIFY(UiTest::showsText(window->contentItem(), noHistory));
        QQuickItem *reload =
            UiTest::findAccessible(window->contentItem(), QStringLiteral("Muat ulang riwayat"));
        QVERIFY(reload);
        UiTest::click(reload); // still no file: still the empty state
        QVERIFY(UiTest::showsText(window->contentItem(), noHistory));

        // An earlier write whose notice has just been handled: the next notice is held back
        // for a while, and the reload must not show this share.
        QSignalSpy written(f.store.get(), &Store::playbackHistoryChanged);
        f.store->savePlaybackHistory({heard(4, 50, 15)});
        QVERIFY(written.wait());

        // 9 is not in the library; 5 was heard last. 4 has progress 5/20.
        f.store->savePlaybackHistory({heard(5, 300), heard(9, 200), heard(4, 100)});
        UiTest::click(reload);
        QTRY_COMPARE(ScreenFixture::rowTitles(window), QStringList({"Kajian 5", "Kajian 4"}));
        QVERIFY(UiTest::showsText(ScreenFixture::trackRows(window).at(1), QStringLiteral("25%")));
    }

    void everyScreenResumesTheLecture_data()
    {
        // Lecture 4 is the settings' last one (at 7.5 s; its history entry, at 5 s, must not
        // win); the history holds 2 half-heard (at 120 s) and 5 heard to the end (at 232 s).
        // Every lecture here lasts 240 s. Beranda leaves the place to the player's own rule.
        QTest::addColumn<QString>("screen");
        QTest::addColumn<qint64>("clicked");
        QTest::addColumn<double>("resume");
        QTest::newRow("history, the saved lecture") << "Riwayat" << qint64(4) << 7.5;
        QTest::newRow("history, a half-heard lecture") << "Riwayat" << qint64(2) << 120.0;
        QTest::newRow("history, a finished lecture") << "Riwayat" << qint64(5) << 0.0;
        QTest::newRow("downloads, the saved lecture") << "Unduhan" << qint64(4) << 7.5;
        QTest::newRow("home, a half-heard lecture") << "Beranda" << qint64(2) << 120.0;
    }

    void everyScreenResumesTheLecture()
    {
        QFETCH(QString, screen);
        QFETCH(qint64, clicked);
        QFETCH(double, resume);

        QList<Track> tracks = sixLectures();
        for (Track &track : tracks)
            track.durationSeconds = 240;
        QVERIFY(share(tracks));
        ScreenFixture &f = *m_shared;
        f.player->setSaveInterval(1h);
        saveLastTrack(*f.store, 4, 7.5);
        f.store->savePlaybackHistory(
            {heard(2, 300, 120, 240), heard(4, 200, 5, 240), heard(5, 100, 232, 240)});
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QVERIFY(f.waitForLibrary());
        if (screen == QStringLiteral("Unduhan")) {
            for (qint64 id : {4, 2}) {
                f.downloads->startDownload(f.library->tracks().at(int(id) - 1));
                QTRY_VERIFY(f.downloads->downloadedIds().contains(id));
            }
        }

        QVERIFY(f.select(window, screen));
        QQuickItem *row = nullptr;
        QTRY_VERIFY(
            (row = ScreenFixture::rowTitled(window, QStringLiteral("Kajian %1").arg(clicked))));
        UiTest::click(row);

        QCOMPARE(f.engine->currentTrack()->id, clicked);
        QCOMPARE(f.engine->currentTime(), resume);
        // What play wrote is the place it starts at, in the settings and in the history.
        QCOMPARE(f.store->loadSettings()->lastPosition, resume);
        for (const Store::PlaybackHistoryItem &item : f.store->loadPlaybackHistory()) {
            if (item.id == clicked)
                QCOMPARE(item.lastPosition, resume);
        }
        if (screen == QStringLiteral("Riwayat"))
            QCOMPARE(ScreenFixture::idsOf(f.engine->queue()), QList<qint64>({1, 2, 3, 4, 5, 6}));
        else if (screen == QStringLiteral("Unduhan"))
            QCOMPARE(ScreenFixture::idsOf(f.engine->queue()),
                     QList<qint64>({2, 4})); // library order
    }

    void downloadButtonStartsCancelsAndRemoves_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("click") << false;
        // the second click does not cancel the download the first one started
        QTest::newRow("double-click") << true;
    }

    // The row's button over a download's life: start (progress shows), cancel, start again
    // to the end (check mark; a row on Unduhan), remove there. Hover belongs to the row.
    void downloadButtonStartsCancelsAndRemoves()
    {
        QFETCH(bool, doubleClick);
        ScreenFixture f(sixLectures());
        QVERIFY(f.start());
        // 20 s at 32 kbps is about 80 KB: at 8 KB/s the download stays in flight.
        QVERIFY(f.service.setFaults(
            QJsonObject{{"files", QJsonObject{{"*", QJsonObject{{"throttle_bps", 8000}}}}}}));
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QVERIFY(f.waitForLibrary());
        QVERIFY(f.select(window, QStringLiteral("Unduhan")));
        QTRY_VERIFY(UiTest::showsText(window->contentItem(), QStringLiteral("Belum ada unduhan")));
        QVERIFY(!UiTest::findAccessible(window->contentItem(), "Muat ulang riwayat"));
        QVERIFY(f.select(window, QStringLiteral("Beranda")));
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 6);

        QQuickItem *second = ScreenFixture::trackRows(window).at(1);
        QQuickItem *number = UiTest::findTexts(second, QStringLiteral("2")).value(0);
        QVERIFY(number);
        UiTest::hover(second);
        QTRY_COMPARE(number->opacity(), 0.0);
        QTest::mouseMove(window, UiTest::centreOf(UiTest::findAccessible(second, "Unduh")));
        QVERIFY(second->property("hovering").toBool());

        QQuickItem *row = ScreenFixture::trackRows(window).at(0); // lecture 3
        QTest::mouseMove(window, UiTest::centreOf(row));
        QTRY_COMPARE(number->opacity(), 1.0);
        QQuickItem *button = UiTest::findAccessible(row, QStringLiteral("Unduh"));
        QVERIFY(button);
        if (doubleClick)
            QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, UiTest::centreOf(button));
        else
            UiTest::click(button);
        QVERIFY(f.downloads->isDownloading(3));
        QVERIFY(!f.player->hasCurrentTrack());
        QTRY_VERIFY(UiTest::findAccessible(row, QStringLiteral("Batalkan unduhan")));
        QTRY_VERIFY(row->property("downloadProgress").toDouble() > 0);
        QVERIFY(row->property("downloadProgress").toDouble() < 1);
        UiTest::click(button);
        QTRY_VERIFY(!f.downloads->isDownloading(3));
        QTRY_VERIFY(UiTest::findAccessible(row, QStringLiteral("Unduh")));
        QVERIFY(!f.downloads->isDownloaded(f.library->tracks().at(2)));

        f.service.clearFaults();
        UiTest::click(button);
        QTRY_VERIFY(UiTest::findAccessible(row, QStringLiteral("Sudah diunduh")));
        QVERIFY(f.select(window, QStringLiteral("Unduhan")));
        QTRY_COMPARE(ScreenFixture::rowTitles(window), QStringList({"Kajian 3"}));
        const QString file = f.downloads->fileURL(f.library->tracks().at(2)).toLocalFile();
        QVERIFY(QFile::exists(file));

        // Removed without a question, undone: the file never went.
        f.downloads->setRemovalDelay(1h);
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Hapus unduhan"));
        QTRY_VERIFY(ScreenFixture::rowTitles(window).isEmpty());
        QVERIFY(UiTest::showsText(window->contentItem(), QStringLiteral("Unduhan dihapus ·")));
        QVERIFY(QFile::exists(file));
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Urungkan"));
        QTRY_COMPARE(ScreenFixture::rowTitles(window), QStringList({"Kajian 3"}));
        QVERIFY(!UiTest::findAccessible(window->contentItem(), "Urungkan"));
        QVERIFY(!f.downloads->isRemovalPending(3));
        QVERIFY(QFile::exists(file));

        // Not undone: the file goes once the delay is over.
        f.downloads->setRemovalDelay(100ms);
        QSignalSpy removal(f.downloads.get(), &Downloads::removalPendingChanged);
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Hapus unduhan"));
        QVERIFY(QFile::exists(file));
        QTRY_COMPARE(removal.count(), 2);
        QCOMPARE(removal.last(), QVariantList({qint64(3), false}));
        QVERIFY(!QFile::exists(file));
        QTRY_VERIFY(UiTest::showsText(window->contentItem(), QStringLiteral("Belum ada unduhan")));
        QVERIFY(!UiTest::findAccessible(window->contentItem(), "Urungkan"));
    }

    void resumeHappensOncePerWindow()
    {
        ScreenFixture f(sixLectures());
        QVERIFY(f.start());
        f.player->setSaveInterval(1h);
        saveLastTrack(*f.store, 7, 7.5); // not in the first library
        QVERIFY(f.service.setFaults(QJsonObject{{"library", QJsonObject{{"status", 503}}}}));
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QObject *session = contentOf(window)->property("session").value<QObject *>();
        QVERIFY(session);

        // No library yet: the error shows and the resume waits.
        QTRY_VERIFY(f.library->hasError());
        QTRY_VERIFY(UiTest::findAccessible(window->contentItem(), QStringLiteral("Coba lagi")));
        QVERIFY(!session->property("hasResumed").toBool());

        // The first library uses up this window's resume (lecture 7 is not in it).
        f.service.clearFaults();
        UiTest::click(UiTest::findAccessible(window->contentItem(), QStringLiteral("Coba lagi")));
        QVERIFY(f.waitForLibrary());
        QVERIFY(session->property("hasResumed").toBool());
        QVERIFY(!f.player->hasCurrentTrack());

        // A later library holding lecture 7 does not resume again in this window...
        QList<Track> seven = sixLectures();
        seven << lecture(7, 1);
        QVERIFY(f.service.addMp3(seven.last().filename, 20));
        QVERIFY(f.service.setTracks(seven));
        f.library->loadFromCacheOrServer(true);
        // The window's resume runs inside the library's update, so it has had its chance once
        // the update is seen.
        QTRY_COMPARE(f.library->trackCount(), 7);
        QVERIFY(!f.player->hasCurrentTrack());

        // ...a new window does its own: lecture 7, paused at the saved position.
        QQuickWindow *second = f.openWindow();
        QVERIFY(second);
        QTRY_VERIFY(f.player->hasCurrentTrack());
        QCOMPARE(f.player->currentTrack()->id, 7);
        QTRY_COMPARE(f.player->currentTime(), 7.5);
        QVERIFY(!f.player->isPlaying());

        // A window opened while a lecture plays leaves it playing.
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 7);
        UiTest::click(ScreenFixture::trackRows(window).at(0));
        QTRY_VERIFY(f.player->isPlaying());
        const qint64 playing = f.player->currentTrack()->id;
        const double before = f.player->currentTime();
        QVERIFY(f.openWindow());
        // Half a second heard after the new window came up: it neither paused nor restarted.
        QTRY_VERIFY(f.player->currentTime() > before + 0.5);
        QVERIFY(f.player->isPlaying());
        QCOMPARE(f.player->currentTrack()->id, playing);
    }

    void homeCentresTheRestoredLecture()
    {
        QList<Track> many;
        for (int id = 1; id <= 60; ++id)
            many << lecture(id, 1000 - id); // popular order is id order
        ScreenFixture f(many);
        QVERIFY(f.start());
        f.player->setSaveInterval(1h);
        saveLastTrack(*f.store, 30, 4.0);
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QVERIFY(f.waitForLibrary());
        QTRY_VERIFY(f.player->hasCurrentTrack());

        QQuickItem *list = UiTest::findByObjectName(window->contentItem(), "homeList");
        QTRY_VERIFY(list);
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = ScreenFixture::rowTitled(window, QStringLiteral("Kajian 30"))));
        const double rowCentre = row->mapToScene(QPointF(0, row->height() / 2)).y();
        const double listCentre = list->mapToScene(QPointF(0, list->height() / 2)).y();
        QVERIFY2(qAbs(rowCentre - listCentre) < row->height(),
                 qPrintable(QStringLiteral("row at %1, centre %2").arg(rowCentre).arg(listCentre)));

        // Without a saved lecture the lists start at the top.
        f.restart();
        QQuickWindow *other = f.openWindow();
        QVERIFY(other);
        QTRY_VERIFY(!ScreenFixture::trackRows(other).isEmpty());
        QCOMPARE(ScreenFixture::rowTitles(other).first(), QStringLiteral("Kajian 1"));
        QVERIFY(UiTest::showsText(ScreenFixture::trackRows(other).at(0), QStringLiteral("1")));
        for (QQuickItem *row : ScreenFixture::trackRows(other)) // nothing played or saved
            QVERIFY(!row->property("isCurrent").toBool());
    }

    // Keys pressed from start-up on Beranda (the list has the focus), with or without a
    // lecture playing, and what the window shows after them. `expect` lists checks:
    // title, track (the player's, 0 for none), playing, downloading, search (the query),
    // sheet (the shortcut sheet shows), focusIn (object name holding the focus), windows,
    // sleep (the sleep timer's seconds left).
    void keyMap_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expect");
        // The popular order of sixLectures: 3 5 1 4 6 2.
        QTest::newRow("Down and Enter play the row") << false << "Down Down Return"
                                                     << "track=1;focusIn=homeList";
        QTest::newRow("End and Up") << false << "End Up Enter"
                                    << "track=6";
        QTest::newRow("Page Down, Home, Down") << false << "PgDown Home Down Return"
                                               << "track=5";
        QTest::newRow("Ctrl+2, Enter opens, Enter plays") << false << "Ctrl+2 Return Down Return"
                                                          << "title=Ustadz Ahmad;track=5";
        QTest::newRow("Escape leaves a teacher") << false << "Ctrl+2 Return Escape"
                                                 << "title=Ustadz;focusIn=ustadzList;track=0";
        QTest::newRow("Ctrl+3") << false << "Ctrl+3"
                                << "title=Riwayat";
        QTest::newRow("Ctrl+4, Ctrl+1") << false << "Ctrl+4 Ctrl+1"
                                        << "title=Talvora;focusIn=homeList";
        QTest::newRow("Ctrl+5 and Space types") << true << "Ctrl+5 Space"
                                                << "title=Cari;search= ;playing=1";
        QTest::newRow("Ctrl+F") << false << "Ctrl+F A"
                                << "title=Cari;search=a";
        QTest::newRow("Space pauses") << true << "Space"
                                      << "playing=0";
        QTest::newRow("Space twice") << true << "Space Space"
                                     << "playing=1";
        QTest::newRow("Space on Unduh downloads") << true << "Tab Space"
                                                  << "downloading=3;playing=1";
        QTest::newRow("Enter on Unduh downloads") << false << "Tab Return"
                                                  << "downloading=3;track=0";
        // Back from the list: "Pengaturan" and "Mini Player" are the sidebar's last controls,
        // "Catatan" before them.
        QTest::newRow("Shift+Tab to the sidebar") << false << "Shift+Tab Shift+Tab Shift+Tab Space"
                                                  << "title=Catatan";
        QTest::newRow("F1 holds the keys") << false << "F1 Down Return Ctrl+3"
                                           << "sheet=1;track=0;title=Talvora";
        QTest::newRow("Escape closes the sheet") << false << "? Escape Return"
                                                 << "sheet=0;track=3";
        QTest::newRow("Ctrl+N") << true << "Ctrl+N"
                                << "windows=2;title=Talvora";
        QTest::newRow("T and Enter start the sleep timer") << true << "T Return"
                                                           << "sleep=300;playing=1";
    }

    void keyMap()
    {
        QFETCH(bool, playing);
        QFETCH(QString, keys);
        QFETCH(QString, expect);
        QQuickWindow *window = openShared(sixLectures());
        QVERIFY(window);
        ScreenFixture &f = *m_shared;
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 6);
        QTRY_VERIFY(focusIn(window, "homeList"));
        if (playing) {
            f.player->play(f.library->tracks().at(2), f.library->popularTracks(), std::nullopt);
            QTRY_VERIFY(f.player->isPlaying());
        }
        // 20 s at 32 kbps is about 80 KB: at 8 KB/s a download stays in flight.
        QVERIFY(f.service.setFaults(
            QJsonObject{{"files", QJsonObject{{"*", QJsonObject{{"throttle_bps", 8000}}}}}}));
        UiTest::keys(window, keys);

        for (const QString &check : expect.split(';')) {
            const QString name = check.section('=', 0, 0);
            const QString value = check.section('=', 1);
            if (name == "title") {
                QTRY_COMPARE(window->title(), value);
            } else if (name == "track") {
                const auto current = f.player->currentTrack();
                QCOMPARE(current ? current->id : 0, value.toLongLong());
            } else if (name == "playing") {
                QTRY_COMPARE(f.player->isPlaying(), value == "1");
            } else if (name == "downloading") {
                QVERIFY(f.downloads->isDownloading(value.toLongLong()));
            } else if (name == "search") {
                QCOMPARE(f.library->searchText(), value);
            } else if (name == "sheet") {
                QObject *sheet = window->findChild<QObject *>("shortcutSheet");
                QVERIFY(sheet);
                QTRY_COMPARE(sheet->property("visible").toBool(), value == "1");
            } else if (name == "focusIn") {
                QTRY_VERIFY2(focusIn(window, value), qPrintable(focusName(window)));
            } else if (name == "sleep") { // the timer's minutes chosen, in seconds
                QTRY_VERIFY(f.player->sleepTimerActive());
                QVERIFY(qAbs(f.player->sleepTimerRemaining() - value.toInt()) <= 2);
            } else if (name == "windows") {
                QTRY_COMPARE(f.windows->windows().size(), value.toInt());
            } else {
                QFAIL(qPrintable("unknown check " + name));
            }
        }
    }

    // Every visible control carries a name for screen readers; what is hidden is not
    // exposed (its Accessible.ignored holds), on every screen and in the error state.
    void everyControlIsNamedAndHiddenOnesAreNot()
    {
        QQuickWindow *window = openSharedPlaying();
        QVERIFY(window);
        ScreenFixture &f = *m_shared;
        for (const char *screen : {"Beranda", "Ustadz", "Riwayat", "Unduhan", "Cari"}) {
            QVERIFY(f.select(window, screen));
            QQuickTest::qWaitForPolish(window);
            int named = 0;
            for (QQuickItem *item : UiTest::descendants(window->contentItem())) {
                QObject *accessible = UiTest::accessibleOf(item);
                const bool control =
                    item->inherits("QQuickAbstractButton") || item->activeFocusOnTab() ||
                    QByteArray(item->metaObject()->className()).startsWith("TrackRow");
                // not a control, or kept out of the tree on purpose (the scroll bars)
                if ((!accessible && !control) ||
                    (accessible && accessible->property("ignored").toBool()))
                    continue;
                const QString what = QString::fromLatin1(screen) + ": " +
                                     item->metaObject()->className() + " " +
                                     (accessible ? accessible->property("name").toString() : "");
                QVERIFY2(accessible, qPrintable(what + " has no accessible name"));
                QVERIFY2(item->isVisible(), qPrintable(what + " is hidden but exposed"));
                QVERIFY2(!accessible->property("name").toString().isEmpty(), qPrintable(what));
                ++named;
            }
            QVERIFY(named > 5);
        }
    }

    void barSkipsAndChangesSpeed()
    {
        QQuickWindow *window = openSharedPlaying();
        QVERIFY(window);
        ScreenFixture &f = *m_shared;
        QTRY_VERIFY(f.player->isPlaying());
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(!f.player->isPlaying());

        // Buttons and keys move a paused lecture; it stays paused.
        QQuickItem *forward = UiTest::findAccessible(window->contentItem(), "Maju 30 detik");
        QQuickItem *back = UiTest::findAccessible(window->contentItem(), "Mundur 10 detik");
        QVERIFY(forward && back);
        UiTest::click(forward);
        QTRY_COMPARE(f.player->currentTime(), 20.0); // clamped to the 20 s lecture
        QTest::keyClick(window, Qt::Key_Left);
        QTRY_COMPARE(f.player->currentTime(), 10.0);
        UiTest::click(back);
        QTRY_COMPARE(f.player->currentTime(), 0.0);
        QTest::keyClick(window, Qt::Key_Right);
        QTRY_COMPARE(f.player->currentTime(), 20.0);
        QVERIFY(!f.player->isPlaying());

        // Speed from the keys, shown on the bar unless normal.
        QQuickItem *rate = UiTest::findByObjectName(window->contentItem(), "rateText");
        QVERIFY(rate && !rate->isVisible());
        // [ and ] step through the speeds the menu lists, so one of them is always ticked.
        QObject *menu = UiTest::findByObjectName(window->contentItem(), "speedControl")
                            ->findChild<QObject *>("speedMenu");
        QVERIFY(menu);
        const auto ticked = [menu] {
            QStringList texts;
            for (QQuickItem *item : menuItems(menu)) {
                const QString text = item->property("text").toString();
                if (text.endsWith(QChar(0xd7)) && item->property("checked").toBool())
                    texts << text;
            }
            return texts;
        };
        const QList<std::pair<Qt::Key, QString>> steps{
            {Qt::Key_BracketRight, "1,25×"}, {Qt::Key_BracketRight, "1,5×"},
            {Qt::Key_BracketLeft, "1,25×"},  {Qt::Key_BracketLeft, "1×"},
            {Qt::Key_BracketLeft, "0,75×"},  {Qt::Key_BracketLeft, "0,75×"}};
        for (const auto &[key, text] : steps) {
            QTest::keyClick(window, key);
            QTRY_COMPARE(ticked(), QStringList{text});
        }
        for (int i = 0; i < 9; ++i)
            QTest::keyClick(window, Qt::Key_BracketRight);
        QTRY_COMPARE(ticked(), QStringList{"3×"});
        QCOMPARE(f.player->playbackRate(), 3.0);
        QTest::keyClick(window, Qt::Key_BracketLeft);
        QCOMPARE(f.player->playbackRate(), 2.5);
        QTRY_COMPARE(rate->property("text").toString(), QStringLiteral("2,5×"));
        QVERIFY(rate->isVisible());
        QTest::keyClick(window, Qt::Key_Backspace);
        QCOMPARE(f.player->playbackRate(), 1.0);
        QVERIFY(!rate->isVisible());

        // The sleep timer shows its countdown.
        QQuickItem *countdown = UiTest::findByObjectName(window->contentItem(), "sleepCountdown");
        QVERIFY(countdown && !countdown->isVisible());
        QVERIFY(UiTest::findAccessible(window->contentItem(), "Pengatur waktu tidur"));
        f.player->startSleepTimer(15);
        QTRY_COMPARE(countdown->property("text").toString(), QStringLiteral("15:00"));
        f.player->cancelSleepTimer();
        QTRY_VERIFY(!countdown->isVisible());
    }

    // At the smallest window a long title keeps 12 characters, and no control moves when the
    // speed label appears, the sleep countdown runs or the notes are counted.
    void barControlsKeepTheirPlaces()
    {
        QList<Track> tracks = sixLectures();
        tracks[0].judul = QStringLiteral("Sirah Nabawiyah: Peristiwa Hijrah ke Madinah");
        ScreenFixture f(tracks);
        QQuickWindow *window = f.openWithLibrary();
        QVERIFY(window);
        window->resize(900, 600);
        QTRY_COMPARE(window->width(), 900);
        f.player->play(tracks[0], tracks, std::nullopt);
        QQuickItem *bar = qvariant_cast<QQuickItem *>(contentOf(window)->property("nowPlayingBar"));
        QTRY_VERIFY(UiTest::showsText(bar, tracks[0].judul));
        QQuickTest::qWaitForPolish(window);

        QQuickItem *title = UiTest::findTexts(bar, tracks[0].judul).value(0);
        const QFontMetricsF metrics(title->property("font").value<QFont>());
        QVERIFY2(metrics.horizontalAdvance(tracks[0].judul.left(12) + QChar(0x2026)) <=
                     title->width(),
                 qPrintable(QString::number(title->width())));

        const auto controls = UiTest::findAll(bar, [](QQuickItem *i) {
            const QObject *accessible = UiTest::accessibleOf(i);
            return i->isVisible() && accessible &&
                   !accessible->property("name").toString().isEmpty();
        });
        QVERIFY(controls.size() >= 10);
        const auto places = [&] {
            QQuickTest::qWaitForPolish(window);
            QList<QPointF> corners;
            for (QQuickItem *control : controls)
                corners << control->mapToScene(QPointF(0, 0));
            return corners;
        };
        // No control overlaps another (a label grows inside its slot only).
        const auto overlaps = [&] {
            for (QQuickItem *a : controls) {
                for (QQuickItem *b : controls) {
                    const QRectF ra = a->mapRectToScene(QRectF(0, 0, a->width(), a->height()));
                    const QRectF rb = b->mapRectToScene(QRectF(0, 0, b->width(), b->height()));
                    if (a != b && !a->isAncestorOf(b) && !b->isAncestorOf(a) && ra.intersects(rb))
                        return UiTest::accessibleOf(a)->property("name").toString() + " / " +
                               UiTest::accessibleOf(b)->property("name").toString();
                }
            }
            return QString();
        };
        const QList<QPointF> before = places();
        QCOMPARE(overlaps(), QString());

        QQuickItem *rate = UiTest::findByObjectName(bar, "rateText");
        f.player->setPlaybackRate(1.75);
        QTRY_VERIFY(rate->isVisible());
        QCOMPARE(places(), before);

        QQuickItem *countdown = UiTest::findByObjectName(bar, "sleepCountdown");
        f.player->startSleepTimer(60);
        QTRY_COMPARE(countdown->property("text").toString(), QStringLiteral("60:00"));
        QCOMPARE(places(), before);
        QTRY_VERIFY_WITH_TIMEOUT(countdown->property("text").toString() != QStringLiteral("60:00"),
                                 5000);
        QCOMPARE(places(), before);
        f.player->cancelSleepTimer();
        f.player->startSleepTimerUntilEnd();
        QTRY_VERIFY(countdown->isVisible());
        QCOMPARE(places(), before);

        for (int i = 0; i < 12; ++i)
            f.notes->add(1, tracks[0].judul, "Ustadz Ahmad", i, 20, QString());
        QTRY_VERIFY(UiTest::showsText(bar, QStringLiteral("12")));
        QCOMPARE(places(), before);
        QCOMPARE(overlaps(), QString());

        // Resting on a button tells its name and key.
        QQuickItem *pause = UiTest::findAccessible(bar, "Jeda");
        QObject *tip = nullptr;
        for (QObject *child : pause->children()) {
            if (QByteArray(child->metaObject()->className()).startsWith("QQuickToolTipAttached"))
                tip = child;
        }
        QVERIFY(tip);
        QCOMPARE(tip->property("text").toString(), QStringLiteral("Jeda (Spasi)"));
        QVERIFY(!tip->property("visible").toBool());
        QTest::mouseMove(window, UiTest::centreOf(pause));
        QTRY_VERIFY(tip->property("visible").toBool());
    }

    void menusFitAndReadOnHover_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("menu");
        QTest::newRow("speed") << "speedControl"
                               << "speedMenu";
        QTest::newRow("sleep timer") << "sleepTimerControl"
                                     << "sleepMenu";
    }

    // Every item lies inside the window and the menu, with its whole text; each reads at
    // 4.5:1 or better, normal and under the pointer; a disabled one looks disabled and lines up.
    void menusFitAndReadOnHover()
    {
        QFETCH(QString, control);
        QFETCH(QString, menu);
        QQuickWindow *window = openShared(sixLectures());
        QVERIFY(window);
        window->resize(900, 600);
        QTRY_COMPARE(window->height(), 600);
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 6);
        UiTest::click(ScreenFixture::trackRows(window).at(0));
        QQuickItem *button = UiTest::findByObjectName(window->contentItem(), control);
        QTRY_VERIFY(button->isVisible());
        QObject *popup = button->findChild<QObject *>(menu);
        UiTest::click(button);
        QTRY_VERIFY(popup->property("opened").toBool());

        auto *background = popup->property("background").value<QQuickItem *>();
        const QColor menuColour = background->property("color").value<QColor>();
        const QRectF frame =
            background->mapRectToScene(QRectF(0, 0, background->width(), background->height()));
        QVERIFY(QRectF(0, 0, window->width(), window->height()).contains(frame));
        QList<QQuickItem *> items = menuItems(popup);
        items.removeIf(
            [](QQuickItem *item) { return item->property("text").toString().isEmpty(); });
        QVERIFY(items.size() >= 6);
        const auto textOf = [](QQuickItem *item) {
            return item->property("contentItem").value<QQuickItem *>();
        };
        const auto readable = [&](QQuickItem *item) {
            const auto *fill = item->property("background").value<QQuickItem *>();
            const QColor under =
                UiTest::blended(fill->property("color").value<QColor>(), menuColour);
            return UiTest::contrast(textOf(item)->property("color").value<QColor>(), under);
        };
        QQuickItem *enabled = nullptr;
        for (QQuickItem *item : items) {
            const QString name = item->property("text").toString();
            QVERIFY2(
                frame.contains(item->mapRectToScene(QRectF(0, 0, item->width(), item->height()))),
                qPrintable(name));
            QVERIFY2(textOf(item)->property("contentWidth").toDouble() <=
                         item->property("availableWidth").toDouble() + 0.5,
                     qPrintable(name));
            QVERIFY2(readable(item) >= 4.5, qPrintable(name));
            QTest::mouseMove(window, UiTest::centreOf(item));
            if (!item->isEnabled()) {
                QVERIFY(enabled);
                QVERIFY2(textOf(item)->property("color") != textOf(enabled)->property("color"),
                         "a disabled item looks like the others");
                QCOMPARE(textOf(item)->mapToScene(QPointF(0, 0)).x(),
                         textOf(enabled)->mapToScene(QPointF(0, 0)).x());
                continue;
            }
            enabled = item;
            QTRY_VERIFY2(item->property("highlighted").toBool(), qPrintable(name));
            QVERIFY2(readable(item) >= 4.5, qPrintable(name + " under the pointer"));
        }
        QCOMPARE(control == "sleepTimerControl",
                 items.last()->property("text") == "Matikan pengatur waktu");
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!popup->property("visible").toBool());
    }

    void barFollowsThePlayerExceptWhileSeeking()
    {
        QQuickWindow *window = openShared(sixLectures());
        QVERIFY(window);
        ScreenFixture &f = *m_shared;
        QQuickItem *slider = UiTest::findByObjectName(window->contentItem(), "seekSlider");
        QVERIFY(slider && !slider->isVisible()); // no lecture: only the thin strip

        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 6);
        UiTest::click(ScreenFixture::trackRows(window).at(0));
        QTRY_VERIFY(slider->isVisible());
        QQuickItem *bar = qvariant_cast<QQuickItem *>(contentOf(window)->property("nowPlayingBar"));
        QTRY_VERIFY(f.player->currentTime() > 0.3);
        // In whole seconds, so that the fill and the time text change in one frame.
        QTRY_COMPARE(bar->property("seekProgress").toDouble(), std::floor(f.player->currentTime()));

        // Held at the middle: the player's positions do not move the thumb. (The middle leaves
        // ten seconds of the lecture to play after the release, so it is still playing then.)
        const QPointF origin = slider->mapToScene(QPointF(0, 0));
        const QPoint press = (origin + QPointF(9 + 0.5 * (slider->width() - 18), 9)).toPoint();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, press);
        const double held = bar->property("seekProgress").toDouble();
        QVERIFY(qAbs(held - 10.0) < 0.2);
        const double before = f.player->currentTime();
        QTRY_VERIFY(f.player->currentTime() > before + 0.5);
        QCOMPARE(bar->property("seekProgress").toDouble(), held);
        QVERIFY(UiTest::showsText(window->contentItem(), QStringLiteral("0:10 / 0:20")));

        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, press);
        QTRY_VERIFY(qAbs(f.player->currentTime() - 10.0) < 1.0);
        QTRY_VERIFY(f.player->isPlaying());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
