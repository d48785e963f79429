// The tray popup's mini player and the floating panel, offscreen, against a real player view
// model: sizes, texts, the progress bar, the buttons, the one-time configuration, the panel's
// first showing, and where the popup goes beside the tray icon. How they open and close on a
// desktop, and the buttons that act on windows, are tst_tray's.
#include "Lecture.h"
#include "MenuBarManager.h"
#include "MiniPlayerPanelController.h"
#include "PlayerRig.h"
#include "UiTestSupport.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)
Q_DECLARE_METATYPE(std::optional<Track>)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {
const QString kNothingPlaying = QStringLiteral("Tidak ada kajian yang diputar");
} // namespace

class TestMiniPlayers : public QObject
{
    Q_OBJECT

private:
    QQmlEngine m_engine;
    std::unique_ptr<PlayerRig> m_rig;
    std::unique_ptr<MenuBarManager> m_menuBar;
    std::unique_ptr<MiniPlayerPanelController> m_panel;

    QQuickItem *miniPlayer() const
    {
        return m_menuBar->popover()->property("miniPlayer").value<QQuickItem *>();
    }
    QQuickItem *panelContent() const
    {
        return m_panel->panel()->property("content").value<QQuickItem *>();
    }
    void prepare(const std::optional<Track> &track, double position)
    {
        if (track)
            m_rig->engine->prepare(*track, position);
    }

private slots:
    void initTestCase() { UiTest::prepare(m_engine); }

    void init()
    {
        m_rig = std::make_unique<PlayerRig>();
        m_menuBar = std::make_unique<MenuBarManager>(m_engine);
        m_panel =
            std::make_unique<MiniPlayerPanelController>(m_engine, *m_rig->engine, m_rig->store);
    }

    void cleanup()
    {
        m_panel.reset();
        m_menuBar.reset();
        m_rig.reset();
    }

    void configurationHappensOnce()
    {
        QVERIFY(!m_menuBar->statusItem());
        QVERIFY(!m_menuBar->popover());

        m_menuBar->configure(m_rig->player.get());
        QVERIFY(m_menuBar->isConfigured());
        QVERIFY(m_menuBar->statusItem());
        QCOMPARE(m_menuBar->statusItem()->toolTip(), QStringLiteral("Talvora"));
        QVERIFY(!m_menuBar->statusItem()->icon().isNull());
        QVERIFY(m_menuBar->popover());
        QCOMPARE(m_menuBar->popover()->size(), QSize(260, 170));
        QVERIFY(m_menuBar->popover()->flags().testFlags(Qt::Popup | Qt::FramelessWindowHint));

        QQuickWindow *popover = m_menuBar->popover();
        QSystemTrayIcon *icon = m_menuBar->statusItem();
        PlayerViewModel other(*m_rig->engine, m_rig->store);
        m_menuBar->configure(&other);
        QCOMPARE(m_menuBar->playerVM(), m_rig->player.get());
        QCOMPARE(m_menuBar->popover(), popover);
        QCOMPARE(m_menuBar->statusItem(), icon);
    }

    void withoutViewModelTheIconDoesNothing()
    {
        m_menuBar->configure(nullptr);
        QVERIFY(m_menuBar->statusItem());
        QVERIFY(!m_menuBar->popover());
        m_menuBar->togglePopover();
        QVERIFY(!m_menuBar->isPopoverShown());
        // Configured is configured: a view model given later is not taken.
        m_menuBar->configure(m_rig->player.get());
        QVERIFY(!m_menuBar->popover());
    }

    void miniPlayerLayout_data()
    {
        QTest::addColumn<std::optional<Track>>("track");
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("height");
        QTest::addColumn<QStringList>("texts");

        const Track track =
            Lecture(7).titled("Adab Menuntut Ilmu").by("Ustadz Fulan").lasting(3725);
        QTest::newRow("nothing current")
            << std::optional<Track>() << 0.0 << 60 << QStringList{kNothingPlaying};
        QTest::newRow("a lecture")
            << std::optional<Track>(track) << 42.9 << 140
            << QStringList{"Adab Menuntut Ilmu", "0:42 / 62:05", "0:00", "62:05"};
        QTest::newRow("no title: the slug")
            << std::optional<Track>(Lecture(8).titled("").by("").lasting(90)) << 61.0 << 140
            << QStringList{"kajian-8", "1:01 / 1:30", "0:00", "1:30"};
    }

    void miniPlayerLayout()
    {
        QFETCH(std::optional<Track>, track);
        QFETCH(double, position);
        QFETCH(int, height);
        QFETCH(QStringList, texts);

        prepare(track, position);
        m_menuBar->configure(m_rig->player.get());
        m_menuBar->togglePopover();
        QVERIFY(QTest::qWaitForWindowExposed(m_menuBar->popover()));
        QQuickItem *mini = miniPlayer();
        QCOMPARE(mini->width(), 260.0);
        QCOMPARE(mini->height(), double(height));
        for (const QString &text : texts)
            QVERIFY2(UiTest::showsText(mini, text), qPrintable(text));
        QCOMPARE(UiTest::showsText(mini, kNothingPlaying), !track.has_value());
        for (const char *name : {"Buka Talvora", "Mini Player", "Exit"})
            QVERIFY2(UiTest::findAccessible(mini, name), name);
        QCOMPARE(UiTest::findAccessible(mini, "Putar") != nullptr, track.has_value());
        const QStringList faults =
            UiTest::unreadable(mini, mini->property("color").value<QColor>());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(", ")));
    }

    void progressBarStaysInItsSpace_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<std::optional<qint64>>("duration");
        QTest::addColumn<double>("fraction");

        QTest::newRow("start") << 0.0 << std::optional<qint64>(120) << 0.0;
        QTest::newRow("a quarter") << 30.0 << std::optional<qint64>(120) << 0.25;
        QTest::newRow("unknown length") << 5.0 << std::optional<qint64>() << 1.0;
        QTest::newRow("length 0") << 5.0 << std::optional<qint64>(0) << 1.0;
        QTest::newRow("past the end") << 150.0 << std::optional<qint64>(120) << 1.0;
    }

    void progressBarStaysInItsSpace()
    {
        QFETCH(double, position);
        QFETCH(std::optional<qint64>, duration);
        QFETCH(double, fraction);

        prepare(Lecture(3).titled("Tauhid").by("Ustadz A").lasting(duration), position);
        QCOMPARE(m_rig->player->currentTime(), position);
        m_menuBar->configure(m_rig->player.get());
        QQuickItem *mini = miniPlayer();
        QQuickItem *bar = UiTest::findByObjectName(mini, "miniProgress");
        QVERIFY(bar);
        const double space = mini->width() - 24;
        QCOMPARE(bar->width(), space * fraction);
        QVERIFY(bar->parentItem()->clip());
        QCOMPARE(bar->parentItem()->width(), space);
    }

    // "Buka Talvora" and "Mini Player" are clicked on a real tray in tst_tray.
    void miniPlayerExitAndPlayButtons()
    {
        prepare(Lecture(5).titled("Fiqih Shalat").by("Ustadz B").lasting(600), 12);
        m_menuBar->configure(m_rig->player.get());
        m_menuBar->togglePopover();
        QVERIFY(QTest::qWaitForWindowExposed(m_menuBar->popover()));
        QQuickItem *mini = miniPlayer();
        QSignalSpy exit(m_menuBar.get(), &MenuBarManager::exitRequested);
        UiTest::click(UiTest::findAccessible(mini, "Exit"));
        QCOMPARE(exit.count(), 1);

        m_rig->backend->calls.clear();
        UiTest::click(UiTest::findAccessible(mini, "Putar"));
        QVERIFY2(m_rig->backend->calls.contains("play"),
                 qPrintable(m_rig->backend->calls.join(',')));
    }

    // Toggled and shown again as the same panel where it was left: tst_tray, on a desktop.
    void panelFirstShowing()
    {
        QVERIFY(!m_panel->panel());
        m_panel->toggle();
        QQuickWindow *panel = m_panel->panel();
        QVERIFY(panel);
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QCOMPARE(panel->size(), QSize(320, 140));
        QVERIFY(panel->flags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint |
                                         Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus));
        QCOMPARE(panel->color().alpha(), 0);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(panel->position(), QPoint(area.left(), area.bottom() + 1 - 140));
    }

    void panelLayout_data()
    {
        QTest::addColumn<std::optional<Track>>("track");
        QTest::addColumn<int>("height");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<double>("sliderTo");

        QTest::newRow("nothing current")
            << std::optional<Track>() << 60 << QStringList{kNothingPlaying} << 0.0;
        QTest::newRow("a lecture")
            << std::optional<Track>(Lecture(1).titled("Adab").by("Ustadz Fulan").lasting(754))
            << 140 << QStringList{"Adab", "Ustadz Fulan", "0:00", "12:34"} << 754.0;
        QTest::newRow("no title, no teacher, no length")
            << std::optional<Track>(Lecture(2).titled("").by("")) << 140
            << QStringList{"kajian-2", "Tidak diketahui", "0:00"} << 0.01;
        QTest::newRow("a long title on two lines")
            << std::optional<Track>(Lecture(3)
                                        .titled("Sirah Nabawiyah: Peristiwa Hijrah")
                                        .by("Ustadz Abdullah Hakim")
                                        .lasting(3725))
            << 140 << QStringList{"Sirah Nabawiyah: Peristiwa Hijrah", "Ustadz Abdullah Hakim"}
            << 3725.0;
    }

    void panelLayout()
    {
        QFETCH(std::optional<Track>, track);
        QFETCH(int, height);
        QFETCH(QStringList, texts);
        QFETCH(double, sliderTo);

        prepare(track, 0);
        m_panel->toggle();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel->panel()));
        QQuickItem *content = panelContent();
        QCOMPARE(content->size(), QSizeF(320, height));
        for (const QString &text : texts)
            QVERIFY2(UiTest::showsText(content, text), qPrintable(text));
        QCOMPARE(UiTest::showsText(content, kNothingPlaying), !track.has_value());
        for (const char *name : {"Sebelumnya", "Putar", "Berikutnya"})
            QCOMPARE(UiTest::findAccessible(content, name) != nullptr, track.has_value());
        if (track) {
            QQuickItem *slider = UiTest::findByObjectName(content, "panelSlider");
            QCOMPARE(slider->property("to").toDouble(), sliderTo);
            for (const char *name : {"panelTitle", "panelUstadz"})
                QVERIFY2(!UiTest::findByObjectName(content, name)->property("truncated").toBool(),
                         name);
        }
        const QStringList faults =
            UiTest::unreadable(content, content->property("color").value<QColor>());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(", ")));
        // Only the card belongs to the window; the clear band around a short card lets
        // clicks through.
        const QRect card(0, (140 - height) / 2, 320, height);
        QCOMPARE(m_panel->panel()->mask().boundingRect(), card);
    }

    void panelMovesOnlyFromItsBackground_data()
    {
        QTest::addColumn<double>("below"); // from the slider's track, in pixels
        QTest::addColumn<bool>("seeks");
        QTest::newRow("on the track") << 0.0 << true;
        QTest::newRow("on the thumb's band") << 7.0 << true;
        QTest::newRow("just below the slider") << 12.0 << false;
        QTest::newRow("above the slider") << -12.0 << false;
    }

    // The slider takes presses on its band only; beside it a press belongs to the card, whose
    // drag moves the panel.
    void panelMovesOnlyFromItsBackground()
    {
        QFETCH(double, below);
        QFETCH(bool, seeks);
        prepare(Lecture(1).titled("Adab").by("Ustadz Fulan").lasting(600), 0);
        m_panel->toggle();
        QQuickWindow *window = m_panel->panel();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QQuickItem *slider = UiTest::findByObjectName(panelContent(), "panelSlider");
        QQuickItem *card = UiTest::findByObjectName(panelContent(), "panelDragArea");
        QVERIFY(slider && card);
        const QPoint at =
            slider->mapToScene(QPointF(slider->width() / 2, slider->height() / 2 + below))
                .toPoint();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(slider->property("isEditing").toBool(), seeks);
        QCOMPARE(card->property("pressed").toBool(), !seeks);
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at);
    }

    void panelControlsDriveTheEngine()
    {
        const QList<Track> queue{Lecture(1).titled("Satu").by("Ustadz A").lasting(600),
                                 Lecture(2).titled("Dua").by("Ustadz A").lasting(600)};
        m_rig->player->play(queue[0], queue, std::nullopt);
        m_panel->toggle();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel->panel()));
        QQuickItem *content = panelContent();

        UiTest::click(UiTest::findAccessible(content, "Berikutnya"));
        QCOMPARE(m_rig->engine->currentTrack()->id, 2);
        QTRY_VERIFY(UiTest::showsText(content, "Dua"));
        UiTest::click(UiTest::findAccessible(content, "Sebelumnya"));
        QCOMPARE(m_rig->engine->currentTrack()->id, 1);

        // Clicking the middle of the slider seeks to the middle of the lecture.
        m_rig->backend->setItemStatus(PlayerBackend::ItemStatus::ReadyToPlay);
        m_rig->backend->calls.clear();
        QQuickItem *slider = UiTest::findByObjectName(content, "panelSlider");
        UiTest::click(slider);
        QVERIFY2(m_rig->backend->calls.filter("seek").size() == 1,
                 qPrintable(m_rig->backend->calls.join(',')));
    }

    // Shown mini players follow the position; hidden ones skip it and catch up when shown.
    void miniPlayersFollowPlaybackWhileShown()
    {
        const Track track = Lecture(4).titled("Akhlak").by("Ustadz D").lasting(600);
        prepare(track, 30);
        m_panel->toggle();
        QQuickItem *content = panelContent();
        QCOMPARE(content->property("seekProgress").toDouble(), 30.0);
        m_rig->engine->prepare(track, 75);
        QCOMPARE(content->property("seekProgress").toDouble(), 75.0);
        m_panel->toggle();
        m_rig->engine->prepare(track, 90);
        QCOMPARE(content->property("seekProgress").toDouble(), 75.0);
        m_panel->toggle();
        QCOMPARE(content->property("seekProgress").toDouble(), 90.0);

        m_menuBar->configure(m_rig->player.get());
        QQuickItem *mini = miniPlayer();
        QVERIFY(!m_menuBar->isPopoverShown());
        m_rig->engine->prepare(track, 120);
        QVERIFY(UiTest::showsText(mini, "1:30 / 10:00"));
        m_menuBar->togglePopover();
        QVERIFY(UiTest::showsText(mini, "2:00 / 10:00"));
    }

    void popoverPlacement_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("expected");

        const QRect screen(0, 0, 1280, 800);
        QTest::newRow("under the icon, centred")
            << QRect(600, 0, 24, 24) << screen << QRect(482, 24, 260, 170);
        QTest::newRow("at the right edge: moved in")
            << QRect(1256, 0, 24, 24) << screen << QRect(1020, 24, 260, 170);
        QTest::newRow("at the left edge: moved in")
            << QRect(0, 0, 24, 24) << screen << QRect(0, 24, 260, 170);
        QTest::newRow("bottom panel: above the icon")
            << QRect(600, 776, 24, 24) << screen << QRect(482, 606, 260, 170);
        QTest::newRow("pointer fallback, one pixel")
            << QRect(100, 300, 1, 1) << screen << QRect(0, 301, 260, 170);
        // A screen right of the first, its panel at the top: the popup stays on that screen.
        QTest::newRow("second screen")
            << QRect(2290, 2, 20, 20) << QRect(1280, 0, 1024, 768) << QRect(2044, 22, 260, 170);
        QTest::newRow("screen too small: at its corner")
            << QRect(50, 50, 10, 10) << QRect(0, 0, 200, 100) << QRect(0, 0, 260, 170);
    }

    void popoverPlacement()
    {
        QFETCH(QRect, icon);
        QFETCH(QRect, screen);
        QFETCH(QRect, expected);
        QCOMPARE(MenuBarManager::popoverGeometry(icon, QSize(260, 170), screen), expected);
    }
};

QTEST_MAIN(TestMiniPlayers)
#include "tst_miniplayers.moc"
