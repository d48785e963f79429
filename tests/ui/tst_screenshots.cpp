// Renders every screen of the main window with a small sample-like library and saves the
// pictures into the build folder (tests/ui/screenshots), for people to look at: Home with
// a lecture playing, listened progress and a stored lecture; Search; the teachers and one
// teacher; History; Downloads; and the empty, loading and error states.
#include "ScreenFixture.h"
#include "UiTestSupport.h"

#include "MainWindows.h"
#include "audio/AudioEngine.h"
#include "audio/Downloads.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QDir>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {

QList<Track> sampleLibrary()
{
    const struct
    {
        qint64 id;
        const char *ustadz;
        const char *judul;
        std::optional<qint64> views;
    } rows[] = {
        {101, "Ustadz Ahmad Fauzan Hidayat", "Kajian Tafsir Surat Al-Fatihah", 1523},
        {102, "Ustadz Muhammad Rizki Maulana", "Fiqih Shalat Berjamaah", 874},
        {103, "Ustadz Abdullah Hakim Nasution", "Adab Menuntut Ilmu", 2310},
        {104, "Ustadz Ahmad Fauzan Hidayat", "Keutamaan Sedekah di Bulan Ramadhan", 640},
        {105, "", "Nasihat tentang Sabar dan Syukur", 95},
        {106, "Ustadz Muhammad Rizki Maulana", "", std::nullopt},
        {107, "Ustadz Abdullah Hakim Nasution", "Sirah Nabawiyah: Peristiwa Hijrah", 1210},
        {108, "Ustadz Hasan Basri Lubis", "Tanya Jawab Seputar Puasa", 1780},
        {109, "Ustadz Hasan Basri Lubis", "Menjaga Lisan dan Hati dalam Pergaulan Sehari-hari",
         455},
        {110, "ustadz Yusuf Mansur Harahap", "Tadabbur Surat Al-Kahfi", 301},
    };
    QList<Track> tracks;
    for (const auto &row : rows) {
        Track track =
            lecture(row.id, row.views, QString::fromUtf8(row.ustadz), QString::fromUtf8(row.judul));
        track.slug = QStringLiteral("rekaman-kajian-subuh-%1").arg(row.id);
        track.durationSeconds = 20;
        tracks << track;
    }
    return tracks;
}

QString screenshotFolder()
{
    return QStringLiteral(TALVORA_SCREENSHOT_DIR);
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT

    void save(QQuickWindow *window, const QString &name)
    {
        QTest::qWait(250); // let hover fades and images settle
        const QImage image = window->grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(QDir().mkpath(screenshotFolder()));
        const QString path = screenshotFolder() + QLatin1Char('/') + name + ".png";
        QVERIFY(image.save(path));
        qInfo().noquote() << "saved" << path;
    }

private slots:
    void everyScreen()
    {
        ScreenFixture f(sampleLibrary());
        QVERIFY(f.start());
        f.player->setSaveInterval(std::chrono::hours(1));
        f.store->savePlaybackHistory(
            {{103, 754.2, 3600, 300, 2}, {108, 12, 20, 200, 1}, {101, 4000, 3600, 100, 1}});
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QVERIFY(f.waitForLibrary());
        f.downloads->startDownload(f.library->tracks().at(0));
        QTRY_VERIFY(f.downloads->downloadedIds().contains(101));

        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 10);
        UiTest::click(ScreenFixture::trackRows(window).at(2));
        QTRY_VERIFY(f.player->isPlaying() && f.player->currentTime() > 1);
        QTest::mouseMove(window, UiTest::centreOf(ScreenFixture::trackRows(window).at(4)));
        save(window, "home");

        QVERIFY(f.select(window, "Cari"));
        save(window, "search-prompt");
        UiTest::typeText(window, "sabar");
        QTRY_VERIFY(!ScreenFixture::trackRows(window).isEmpty());
        save(window, "search");

        QVERIFY(f.select(window, "Ustadz"));
        save(window, "ustadz");
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Ustadz Hasan Basri Lubis"));
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 2);
        save(window, "ustadz-teacher");

        QVERIFY(f.select(window, "Riwayat"));
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 3);
        save(window, "history");

        QVERIFY(f.select(window, "Unduhan"));
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 1);
        save(window, "downloads");

        const Track playing = *f.player->currentTrack();
        const QString title = playing.displayTitle();
        const QString teacher = playing.displayUstadz();
        f.notes->add(999, "Kajian yang sudah tidak ada", "Ustadz Lama", 300, 0, "Tetap tersimpan");
        f.notes->add(108, "Tanya Jawab Seputar Puasa", "Ustadz Hasan Basri Lubis", 95, 0,
                     "Niat puasa wajib di malam hari");
        f.notes->add(playing.id, title, teacher, 2, 20,
                     "Ilmu sebelum amal dan ucapan");
        f.notes->add(playing.id, title, teacher, 9, 20, "");
        f.notes->add(playing.id, title, teacher, 14, 20,
                     QString("Adab kepada guru: mendengarkan dengan tenang, tidak memotong "
                             "pembicaraan. ")
                         .repeated(120));
        QVERIFY(f.select(window, "Catatan"));
        QTRY_VERIFY(UiTest::findAccessible(window->contentItem(), "0:02, Ilmu sebelum amal dan ucapan"));
        save(window, "notes");
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Catatan kajian ini"));
        QTRY_VERIFY(UiTest::findByObjectName(window->contentItem(), "panelNotes"));
        save(window, "notes-panel");
    }

    void emptyAndFailedStates()
    {
        ScreenFixture f(sampleLibrary());
        QVERIFY(f.start());
        QVERIFY(f.service.setFaults(QJsonObject{{"library", QJsonObject{{"status", 503}}}}));
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QTRY_VERIFY(f.library->hasError());
        save(window, "home-error");

        QVERIFY(f.service.setFaults(QJsonObject{{"library", QJsonObject{{"delay_ms", 3000}}}}));
        f.library->loadFromCacheOrServer(false);
        QTRY_VERIFY(f.library->isLoading());
        save(window, "home-loading");
        QTRY_VERIFY_WITH_TIMEOUT(!f.library->isLoading(), 10000);

        QVERIFY(f.select(window, "Riwayat"));
        save(window, "history-empty");
        QVERIFY(f.select(window, "Unduhan"));
        save(window, "downloads-empty");
        QVERIFY(f.select(window, "Catatan"));
        save(window, "notes-empty");
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
