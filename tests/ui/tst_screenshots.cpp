// Renders every screen of the main window with a small sample-like library and checks what
// a person sees in the pictures: the selected sidebar entry and the current row in the
// accent colour at their places, the now-playing bar's height, and no text cut off in the
// two mini players. The pictures are kept in the build folder (tests/ui/screenshots/<scene
// graph>) for people to look at: Home with a lecture playing, listened progress and a stored
// lecture; Search; the teachers; the notes; the empty, loading, error and offline states; the
// mini players; a teacher's page with series, a series and the settings. Lists of rows look
// as on Home. Run with both scene graphs, which must draw the same.
#include "ScreenFixture.h"
#include "UiTestSupport.h"

#include "MainWindows.h"
#include "audio/AudioEngine.h"
#include "audio/PassageRepeat.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "prayer/PrayerPause.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <cmath>
#include <dlfcn.h>
#include <memory>

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

QString screenshotFolder(QQuickWindow *window)
{
    const bool software =
        window->rendererInterface()->graphicsApi() == QSGRendererInterface::Software;
    return QStringLiteral(TALVORA_SCREENSHOT_DIR) + (software ? "/software" : "/opengl");
}

const QColor accent("#30d158");

// `over` at `alpha` on `under`, as the scene graph blends it.
QColor blend(const QColor &over, double alpha, const QColor &under)
{
    const auto mix = [&](double a, double b) {
        return int(std::lround((a * alpha + b * (1 - alpha)) * 255));
    };
    return QColor(mix(over.redF(), under.redF()), mix(over.greenF(), under.greenF()),
                  mix(over.blueF(), under.blueF()));
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 4 && std::abs(a.green() - b.green()) <= 4 &&
           std::abs(a.blue() - b.blue()) <= 4;
}

// The picture's pixel at a point of `item`.
QColor pixel(const QImage &image, QQuickItem *item, QPointF at)
{
    const QPointF p = item->mapToScene(at) * image.devicePixelRatio();
    return image.pixelColor(int(p.x()), int(p.y()));
}

QQuickItem *itemOfType(QQuickItem *root, const char *type)
{
    const auto found = UiTest::findAll(root, [&](QQuickItem *i) {
        return QByteArray(i->metaObject()->className()).startsWith(type);
    });
    return found.value(0);
}

// Height in pixels of the now-playing bar's green (rows at least half covered), down a
// column near its right end where nothing is drawn on it.
int barHeight(const QImage &image, QQuickItem *bar)
{
    int rows = 0;
    for (int y = 0; y < int(bar->height()); ++y) {
        const QColor c = pixel(image, bar, QPointF(bar->width() - 12 - 10, y + 0.5));
        rows += c.green() > 0x70 && c.red() < 0x40;
    }
    return rows;
}

#define VERIFY_COLOUR(actual, expected)                                                            \
    QVERIFY2(near(actual, expected),                                                               \
             qPrintable(QStringLiteral("%1 instead of %2").arg(actual.name(), expected.name())))

// A sidebar entry shows the accent only where it is the selected one.
void verifySelectedEntry(const QImage &image, QQuickWindow *window, const QString &selected,
                         const QString &other)
{
    QQuickItem *entry = UiTest::findByObjectName(window->contentItem(), "sidebar_" + selected);
    QQuickItem *plain = UiTest::findByObjectName(window->contentItem(), "sidebar_" + other);
    QVERIFY(entry && plain);
    const QPointF spot(entry->width() - 14, entry->height() / 2);
    const QColor under = pixel(image, plain, spot);
    VERIFY_COLOUR(pixel(image, entry, spot), blend(accent, 0.35, under));
}

// Every visible text of a mini player lies inside it and, unless it elides, fits its box.
void verifyNoTextCut(QQuickItem *mini)
{
    const QRectF frame = mini->mapRectToScene(QRectF(0, 0, mini->width(), mini->height()));
    const auto texts = UiTest::findAll(mini, [](QQuickItem *i) {
        return QByteArray(i->metaObject()->className()).startsWith("QQuickText") &&
               !i->property("text").toString().isEmpty() && i->isVisible() && i->height() > 0;
    });
    QVERIFY(!texts.isEmpty());
    for (QQuickItem *text : texts) {
        const QString what = text->property("text").toString();
        const QRectF box = text->mapRectToScene(QRectF(0, 0, text->width(), text->height()));
        QVERIFY2(frame.adjusted(-0.5, -0.5, 0.5, 0.5).contains(box), qPrintable(what));
        if (text->property("elide").toInt() == Qt::ElideNone)
            QVERIFY2(text->property("contentWidth").toDouble() <= text->width() + 0.5 &&
                         text->property("contentHeight").toDouble() <= text->height() + 0.5,
                     qPrintable(what));
    }
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT

    QImage save(QQuickWindow *window, const QString &name)
    {
        QTest::qWait(250); // let hover fades and images settle
        const QImage image = window->grabWindow();
        const QString folder = screenshotFolder(window);
        const QString path = folder + QLatin1Char('/') + name + ".png";
        if (image.isNull() || !QDir().mkpath(folder) || !image.save(path))
            qWarning().noquote() << "could not save" << path;
        return image;
    }

private slots:
    void initTestCase()
    {
        // Mesa unloads its OpenGL driver before the leak check runs, and what the driver
        // keeps could then not be told from the program's. Kept loaded, it is the driver's.
        for (const char *driver : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                   "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so"})
            dlopen(driver, RTLD_LAZY | RTLD_NODELETE);
    }

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
        const QImage home = save(window, "home");
        QVERIFY(!home.isNull());
        verifySelectedEntry(home, window, "home", "ustadz");
        if (QTest::currentTestFailed())
            return;
        // The playing row in the accent, beside a row that is neither playing nor hovered.
        const auto rows = ScreenFixture::trackRows(window);
        QQuickItem *current = rows.at(2), *plain = rows.at(0);
        QVERIFY(current->property("isCurrent").toBool() && !plain->property("isCurrent").toBool());
        const QPointF spot(6, 29);
        VERIFY_COLOUR(pixel(home, current, spot), blend(accent, 0.3, pixel(home, plain, spot)));
        QQuickItem *bar = itemOfType(window->contentItem(), "NowPlayingBar");
        QVERIFY(bar);
        QVERIFY2(std::abs(barHeight(home, bar) - 102) <= 2,
                 qPrintable(QString::number(barHeight(home, bar))));

        QVERIFY(f.select(window, "Cari"));
        verifySelectedEntry(save(window, "search-prompt"), window, "search", "home");
        if (QTest::currentTestFailed())
            return;
        QVERIFY(f.select(window, "Ustadz"));
        save(window, "ustadz");

        const Track playing = *f.player->currentTrack();
        const QString title = playing.displayTitle();
        const QString teacher = playing.displayUstadz();
        f.notes->add(999, "Kajian yang sudah tidak ada", "Ustadz Lama", 300, 0, "Tetap tersimpan");
        f.notes->add(108, "Tanya Jawab Seputar Puasa", "Ustadz Hasan Basri Lubis", 95, 0,
                     "Niat puasa wajib di malam hari");
        f.notes->add(playing.id, title, teacher, 2, 20, "Ilmu sebelum amal dan ucapan");
        f.notes->add(playing.id, title, teacher, 9, 20, "");
        f.notes->add(playing.id, title, teacher, 14, 20,
                     QString("Adab kepada guru: mendengarkan dengan tenang, tidak memotong "
                             "pembicaraan. ")
                         .repeated(120));
        QVERIFY(f.select(window, "Catatan"));
        QTRY_VERIFY(
            UiTest::findAccessible(window->contentItem(), "0:02, Ilmu sebelum amal dan ucapan"));
        save(window, "notes");
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Catatan kajian ini"));
        QTRY_VERIFY(UiTest::findByObjectName(window->contentItem(), "panelNotes"));
        save(window, "notes-panel");
    }

    // Both mini players side by side, with a long title and a length over an hour.
    void miniPlayers()
    {
        QList<Track> tracks = sampleLibrary();
        tracks[8].durationSeconds = 4 * 3600 + 59 * 60 + 59;
        ScreenFixture f(tracks);
        QVERIFY(f.openWithLibrary());
        f.player->play(tracks[8], tracks, 4 * 3600 + 58 * 60);
        QTRY_VERIFY(f.player->hasCurrentTrack());
        QQmlComponent component(&f.qml);
        component.setData("import QtQuick\nimport Talvora\nWindow {\n    id: w\n"
                          "    required property PlayerViewModel player\n"
                          "    width: 620; height: 180; visible: true; color: \"#202020\"\n"
                          "    Row { x: 10; y: 10; spacing: 20\n"
                          "        MenuBarMiniPlayer { player: w.player }\n"
                          "        MiniPlayerPanelContent { player: w.player } } }",
                          QUrl());
        std::unique_ptr<QObject> object(component.createWithInitialProperties(
            {{"player", QVariant::fromValue(f.player.get())}}));
        auto *window = qobject_cast<QQuickWindow *>(object.get());
        QVERIFY2(window, qPrintable(component.errorString()));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(!save(window, "mini-players").isNull());
        verifyNoTextCut(itemOfType(window->contentItem(), "MenuBarMiniPlayer"));
        verifyNoTextCut(itemOfType(window->contentItem(), "MiniPlayerPanelContent"));
    }

    // The prayer-time section of the settings, for Jakarta on 7 December 2026.
    void prayerSettings()
    {
        ScreenFixture f(sampleLibrary());
        QVERIFY(f.start());
        const QTimeZone zone("Asia/Jakarta");
        PrayerPause pause(
            *f.engine, {.preferencesFolder = f.home.path(),
                        .clock = [&] { return QDateTime(QDate(2026, 12, 7), QTime(9, 0), zone); },
                        .zone = zone});
        pause.chooseCity("Jakarta", -6.2088, 106.8456, "ID");
        pause.setEnabled(true);
        QQmlComponent component(&f.qml);
        component.setData(
            "import QtQuick\nimport Talvora\nWindow {\n    id: w\n"
            "    required property PrayerPause prayerPause\n"
            "    width: 560; height: 520; visible: true; color: Theme.windowBackground\n"
            "    PrayerTimeSettings { x: 20; y: 16; prayerPause: w.prayerPause } }",
            QUrl());
        std::unique_ptr<QObject> object(
            component.createWithInitialProperties({{"prayerPause", QVariant::fromValue(&pause)}}));
        auto *window = qobject_cast<QQuickWindow *>(object.get());
        QVERIFY2(window, qPrintable(component.errorString()));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QQuickItem *root = window->contentItem();
        const auto textOf = [root](const char *name) {
            return UiTest::findByObjectName(root, name)->property("text").toString();
        };
        QCOMPARE(textOf("prayerPlace"), QStringLiteral("Tempat: Jakarta"));
        QCOMPARE(textOf("todayTimes"), pause.todayTimes().join("  ·  ").prepend("Hari ini: "));
        qInfo().noquote() << "Jakarta 2026-12-07 (Kemenag RI):" << pause.todayTimes().join(", ");

        // Typed coordinates outside the globe are refused with a word.
        UiTest::click(UiTest::findByObjectName(root, "latitudeField"));
        UiTest::typeText(window, "95");
        UiTest::click(UiTest::findByObjectName(root, "longitudeField"));
        UiTest::typeText(window, "106.8");
        UiTest::click(UiTest::findByObjectName(root, "useCoordinates"));
        QTRY_VERIFY(UiTest::findByObjectName(root, "coordinateError")->isVisible());
        QCOMPARE(pause.placeName(), QStringLiteral("Jakarta"));

        UiTest::click(UiTest::findByObjectName(root, "citySearch"));
        UiTest::typeText(window, "sura");
        QTRY_COMPARE(UiTest::findByObjectName(root, "cityList")->property("count").toInt(), 2);
        save(window, "prayer-settings");
        UiTest::click(UiTest::findAccessible(root, "Surabaya, Jawa Timur"));
        QTRY_COMPARE(pause.placeName(), QStringLiteral("Surabaya"));
    }

    // A passage repeating, drawn on the slider; the repeat's control shows its count.
    void passageOnTheBar()
    {
        ScreenFixture f(sampleLibrary());
        QQuickWindow *window = f.openWithLibrary();
        QVERIFY(window);
        QTRY_VERIFY(!ScreenFixture::trackRows(window).isEmpty());
        UiTest::click(ScreenFixture::trackRows(window).at(2));
        QTRY_VERIFY(f.player->isPlaying() && f.player->duration() > 12);
        const double length = f.player->duration();
        PassageRepeat &repeat = *f.player->passageRepeat();
        repeat.setCount(0);
        QVERIFY(repeat.repeatPassage(5, 12));
        QQuickItem *band = UiTest::findByObjectName(window->contentItem(), "passageBand");
        QQuickItem *slider = UiTest::findByObjectName(window->contentItem(), "seekSlider");
        QVERIFY(band && slider);
        QTRY_VERIFY(band->isVisible());
        const double usable = slider->width() - 18;
        QVERIFY(std::abs(band->x() + 1 - (9 + usable * 5 / length)) < 2);
        QVERIFY(std::abs(band->width() - 2 - usable * 7 / length) < 2);
        QVERIFY(UiTest::showsText(window->contentItem(), "Ulangi terus"));
        save(window, "bar-passage");
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, 'a'); // a new start: the band becomes a tick
        QTRY_COMPARE(repeat.stage(), 1);
        QTRY_COMPARE(band->width(), 2.0);
    }

    // A teacher with two series (twelve parts, some heard, one finished) and single lectures;
    // a series page with a part playing; the settings sheet (from the sidebar), which fits the
    // window.
    void seriesAndSettings()
    {
        QList<Track> tracks = sampleLibrary();
        const QString teacher = QStringLiteral("Ustadz Abdullah Hakim Nasution");
        for (int n = 1; n <= 12; ++n)
            tracks << lecture(200 + n, 900 - n * 37, teacher,
                              QStringLiteral("Kitab Tauhid - Bagian %1").arg(n));
        for (int n = 1; n <= 3; ++n)
            tracks << lecture(300 + n, 100, teacher,
                              QStringLiteral("Syarah Ushul Tsalatsah #%1").arg(n));
        ScreenFixture f(tracks);
        QVERIFY(f.start());
        f.player->setSaveInterval(std::chrono::hours(1));
        f.store->savePlaybackHistory(
            {{201, 20, 20, 300, 1}, {202, 20, 20, 310, 1}, {203, 9, 20, 320, 1}});
        f.player->finished()->setFinished(201, true);
        f.player->finished()->setFinished(202, true);
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QVERIFY(f.waitForLibrary());
        QTRY_COMPARE(int(f.library->series()->index().all().size()), 2);
        QVERIFY(f.select(window, "Ustadz"));
        QQuickItem *entry = nullptr;
        QTRY_VERIFY(
            (entry = UiTest::findAccessible(window->contentItem(), teacher + ", 17 kajian")));
        UiTest::click(entry);
        QTRY_VERIFY(UiTest::findAccessible(window->contentItem(),
                                           "Seri Kitab Tauhid, 12 bagian, 2 dari 12 selesai"));
        save(window, "ustadz-series");

        UiTest::keys(window, "Return");
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 12);
        UiTest::click(UiTest::findAccessible(window->contentItem(), "Lanjutkan seri"));
        QTRY_VERIFY(f.player->isPlaying() && f.player->currentTime() > 9);
        save(window, "series");

        UiTest::click(UiTest::findAccessible(window->contentItem(), "Pengaturan"));
        QObject *sheet = window->findChild<QObject *>("settingsSheet");
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->property("opened").toBool());
        // The sheet fits the window; its sections scroll inside it when they are taller.
        auto *frame = qvariant_cast<QQuickItem *>(sheet->property("contentItem"));
        auto *sections = UiTest::findByObjectName(frame, "settingsSections");
        QVERIFY(sections && sections->height() > 0);
        const QRectF box = frame->mapRectToScene(QRectF(0, 0, frame->width(), frame->height()));
        QVERIFY(QRectF(0, 0, window->width(), window->height()).contains(box));
        auto *scroller = qobject_cast<QQuickItem *>(sections->parentItem()->parentItem());
        QVERIFY(scroller && scroller->inherits("QQuickFlickable"));
        QCOMPARE(scroller->property("contentHeight").toReal(), sections->height());
        save(window, "settings");
    }

    void emptyAndFailedStates()
    {
        ScreenFixture f(sampleLibrary());
        QVERIFY(f.start());
        QVERIFY(f.service.setFaults(QJsonObject{{"library", QJsonObject{{"status", 503}}}}));
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QTRY_VERIFY(f.library->hasError());
        const QImage error = save(window, "home-error");
        QVERIFY(!error.isNull());
        // Without a lecture only the thin green bar remains.
        QQuickItem *bar = itemOfType(window->contentItem(), "NowPlayingBar");
        QVERIFY(bar);
        QVERIFY2(std::abs(barHeight(error, bar) - 8) <= 1,
                 qPrintable(QString::number(barHeight(error, bar))));

        QVERIFY(f.service.setFaults(QJsonObject{{"library", QJsonObject{{"hold", "loading"}}}}));
        f.library->loadFromCacheOrServer(false);
        QTRY_VERIFY(f.library->isLoading());
        save(window, "home-loading");
        QVERIFY(f.service.setFaults(QJsonObject{{"release", QJsonArray{"loading"}}}));
        QTRY_VERIFY_WITH_TIMEOUT(!f.library->isLoading(), 10000);

        QVERIFY(f.select(window, "Riwayat"));
        save(window, "history-empty");
        QVERIFY(f.select(window, "Unduhan"));
        save(window, "downloads-empty");
        QVERIFY(f.select(window, "Catatan"));
        save(window, "notes-empty");
    }

    // The service refuses: at the first start, and over a stored library (with a lecture that
    // then cannot load, and a search that finds nothing).
    void offlineStates()
    {
        {
            ScreenFixture f(sampleLibrary());
            QVERIFY(f.start());
            f.service.stop();
            QQuickWindow *window = f.openWindow();
            QVERIFY(window);
            QTRY_VERIFY(f.library->isOffline() && !f.library->isLoading());
            save(window, "offline-first-start");
        }
        ScreenFixture f(sampleLibrary());
        Store().saveCache({sampleLibrary(), 1e9, 1e9, 10});
        QVERIFY(f.start());
        f.service.stop();
        QQuickWindow *window = f.openWindow();
        QVERIFY(window);
        QTRY_VERIFY(f.library->isOffline() && !f.library->isLoading());
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 10);
        UiTest::click(ScreenFixture::trackRows(window).at(1));
        QTRY_VERIFY(f.player->loadFailed());
        save(window, "offline-cached-lecture-failed");
        // The bar's word on the lecture that did not load reads whole.
        QQuickItem *problem = UiTest::findByObjectName(window->contentItem(), "barSubtitle");
        QVERIFY(problem && !problem->property("truncated").toBool());
        QVERIFY(f.select(window, "Cari"));
        UiTest::typeText(window, "zakat fitrah");
        QTRY_VERIFY(UiTest::findByObjectName(window->contentItem(), "noResults")->isVisible());
        save(window, "search-no-results");
        // At the smallest window the prompt wraps inside the field rather than being cut.
        UiTest::keys(window, QStringLiteral("Ctrl+A Backspace"));
        window->resize(900, 600);
        QQuickItem *prompt = UiTest::findByObjectName(window->contentItem(), "searchPrompt");
        QTRY_VERIFY(prompt->isVisible());
        QTRY_VERIFY(prompt->property("lineCount").toInt() == 2);
        save(window, "search-prompt-900");
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
