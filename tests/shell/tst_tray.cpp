// The tray icon, its popup and the floating panel on a real X desktop: Xvfb with openbox and
// trayer (a real XEmbed tray), driven by real pointer clicks from xdotool and checked with
// xprop. Started by run-on-desktop.sh --tray.
#include "AppShell.h"
#include "LectureService.h"
#include "MainWindows.h"
#include "persistence/NotesStore.h"
#include "MenuBarManager.h"
#include "MiniPlayerPanelController.h"
#include "PlayerRig.h"
#include "UiTestSupport.h"
#include "audio/Downloads.h"
#include "viewmodels/LibraryViewModel.h"

#include <QGuiApplication>
#include <QProcess>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return QStringLiteral("<%1 did not finish>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void clickAt(QPoint global)
{
    // Not --sync: it waits for ever when the pointer is already there.
    run("xdotool",
        {"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "1"});
}

QPoint globalCentre(QQuickItem *item)
{
    return item->window()->mapToGlobal(UiTest::centreOf(item));
}

QString activeWindow()
{
    return run("xdotool", {"getactivewindow"});
}

// Screenshots of the whole screen for a person to look at, when TALVORA_SHOT_DIR is set.
void screenshot(const QString &name)
{
    const QString folder = qEnvironmentVariable("TALVORA_SHOT_DIR");
    if (!folder.isEmpty())
        run("import", {"-window", "root", folder + "/" + name + ".png"});
}

// Counts the requests to end the program.
class QuitWatch : public QObject
{
public:
    int quits = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Quit)
            ++quits;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PlayerRig> m_rig;
    LectureService m_service;
    std::unique_ptr<Downloads> m_downloads;
    std::unique_ptr<LibraryViewModel> m_library;
    QQmlEngine m_engine;
    std::unique_ptr<NotesStore> m_notes;
    std::unique_ptr<MainWindows> m_windows;
    std::unique_ptr<MenuBarManager> m_menuBar;
    std::unique_ptr<AppShell> m_shell;
    std::unique_ptr<MiniPlayerPanelController> m_panel;
    QuitWatch m_quitWatch;

    QRect iconGeometry() const { return m_menuBar->statusItem()->geometry(); }

    // A click on the icon with time to spare, so that two clicks never make a double click.
    void clickIcon()
    {
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
        clickAt(iconGeometry().center());
    }

    bool openPopover()
    {
        clickIcon();
        return QTest::qWaitFor([&] { return m_menuBar->isPopoverShown(); }) &&
               QTest::qWaitForWindowExposed(m_menuBar->popover());
    }

    QQuickItem *popoverButton(const QString &name) const
    {
        auto *mini = m_menuBar->popover()->property("miniPlayer").value<QQuickItem *>();
        return UiTest::findAccessible(mini, name);
    }

    QQuickWindow *onlyMainWindow() const
    {
        const auto windows = m_windows->windows();
        return windows.size() == 1 ? windows.first() : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run through run-on-desktop.sh --tray");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 5000);
        qApp->installEventFilter(&m_quitWatch);

        m_rig = std::make_unique<PlayerRig>();
        Track track = PlayerRig::track(11, "Keutamaan Ilmu", "Ustadz Fulan", 1800);
        QVERIFY(m_service.setTracks({track}));
        QVERIFY(m_service.start());
        ServiceAddress::setBaseUrl(m_service.baseUrl());
        m_rig->engine->prepare(track, 754);

        UiTest::prepare(m_engine);
        m_downloads = std::make_unique<Downloads>(m_rig->home.dataFolder() + "/Downloads");
        m_library = std::make_unique<LibraryViewModel>(m_rig->store);
        m_notes = std::make_unique<NotesStore>(m_rig->home.dataFolder());
        m_windows = std::make_unique<MainWindows>(m_engine, *m_library, *m_rig->player,
                                                  *m_downloads, m_rig->store, *m_notes);
        m_menuBar = std::make_unique<MenuBarManager>(m_engine);
        m_shell = std::make_unique<AppShell>(*m_windows, *m_rig->player, *m_menuBar);
        m_panel =
            std::make_unique<MiniPlayerPanelController>(m_engine, *m_rig->engine, m_rig->store);
        connect(m_menuBar.get(), &MenuBarManager::miniPlayerRequested, m_panel.get(),
                &MiniPlayerPanelController::toggle);

        QVERIFY(!m_menuBar->isConfigured());
        QQuickWindow *window = m_windows->open();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY2(m_menuBar->isConfigured(), "the first window shown configures the tray");
        QCOMPARE(m_menuBar->playerVM(), m_rig->player.get());
    }

    void cleanupTestCase()
    {
        // Main windows belong to no one in the program, which never ends before them.
        qDeleteAll(m_windows->windows());
    }

    void iconSitsInTheTray()
    {
        // trayer runs as a strip along the top edge with its icons at the right.
        QTRY_VERIFY2(
            iconGeometry().isValid() && !iconGeometry().isEmpty() && iconGeometry().top() < 24 &&
                iconGeometry().left() > 1000,
            qPrintable(QString("icon at %1,%2").arg(iconGeometry().x()).arg(iconGeometry().y())));
        QVERIFY(m_menuBar->statusItem()->isVisible());
    }

    void clicksOnTheIconOpenAndClose()
    {
        QVERIFY(openPopover());
        const QRect icon = iconGeometry();
        const QRect popup = m_menuBar->popover()->geometry();
        QCOMPARE(popup.size(), QSize(260, 170));
        // Right under the icon, or under the tray's strip where that reserves the screen's
        // top; centred under the icon unless the screen's right edge is nearer.
        const QRect area = m_menuBar->popover()->screen()->availableGeometry();
        QCOMPARE(popup.top(), std::max(icon.bottom() + 1, area.top()));
        QVERIFY(popup.top() - icon.bottom() <= 4);
        QCOMPARE(popup.left(), std::min(icon.x() + icon.width() / 2 - 130, area.right() + 1 - 260));
        QTest::qWait(200);
        screenshot("tray-popup");

        clickIcon();
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
        // The click that closed it does not open it again.
        QTest::qWait(400);
        QVERIFY(!m_menuBar->isPopoverShown());

        QVERIFY(openPopover());
    }

    void clickElsewhereCloses()
    {
        if (!m_menuBar->isPopoverShown())
            QVERIFY(openPopover());
        clickAt(QPoint(300, 500));
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
    }

    void escapeCloses()
    {
        QVERIFY(openPopover());
        QTRY_VERIFY(m_menuBar->popover()->isActive());
        run("xdotool", {"key", "Escape"});
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
    }

    void panelFloatsAboveAndTakesNoFocus()
    {
        QQuickWindow *main = onlyMainWindow();
        QVERIFY(main);
        main->requestActivate();
        QTRY_VERIFY(main->isActive());

        QVERIFY(openPopover());
        clickAt(globalCentre(popoverButton("Mini Player")));
        QTRY_VERIFY(m_panel->isPanelVisible());
        QQuickWindow *panel = m_panel->panel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        const QRect area = panel->screen()->availableGeometry();
        QCOMPARE(panel->position(), QPoint(area.left(), area.bottom() + 1 - 140));

        const QString id = QString::number(panel->winId());
        QString properties;
        QTRY_VERIFY2((properties = run("xprop", {"-id", id})).contains("_NET_WM_STATE_ABOVE"),
                     qPrintable(properties));
        QVERIFY2(properties.contains("_NET_WM_WINDOW_TYPE_UTILITY"), qPrintable(properties));
        QVERIFY2(properties.contains("Client accepts input or input focus: False"),
                 qPrintable(properties));

        // Close the popup, then use the panel: the main window keeps the focus.
        clickAt(QPoint(640, 300));
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
        main->requestActivate();
        QTRY_VERIFY(main->isActive());
        auto *content = panel->property("content").value<QQuickItem *>();
        m_rig->backend->calls.clear();
        clickAt(globalCentre(UiTest::findAccessible(content, "Putar")));
        QTRY_VERIFY(m_rig->backend->calls.contains("play"));
        QTest::qWait(300);
        QVERIFY(main->isActive());
        QCOMPARE(activeWindow(), QString::number(main->winId()));
        QTest::qWait(200);
        screenshot("floating-panel");

        // Dragged by its background.
        const QPoint before = panel->position();
        const QPoint grip = panel->mapToGlobal(QPoint(160, 128));
        run("xdotool",
            {"mousemove", QString::number(grip.x()), QString::number(grip.y()), "mousedown", "1"});
        for (int step = 1; step <= 5; ++step) {
            QTest::qWait(50);
            run("xdotool", {"mousemove", QString::number(grip.x() + step * 40),
                            QString::number(grip.y() - step * 30)});
        }
        run("xdotool", {"mouseup", "1"});
        QTRY_VERIFY2(panel->position() != before,
                     qPrintable(QString("still at %1,%2").arg(before.x()).arg(before.y())));
        QVERIFY(panel->position().x() > before.x());

        // Hidden and shown again: the same panel where it was left.
        const QPoint moved = panel->position();
        m_panel->toggle();
        QTRY_VERIFY(!panel->isVisible());
        m_panel->toggle();
        QCOMPARE(m_panel->panel(), panel);
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QTRY_COMPARE(panel->position(), moved);
        m_panel->toggle();
    }

    void lastWindowClosedKeepsTheTrayAndBukaTalvoraBringsOneBack()
    {
        for (int round = 1; round <= 2; ++round) {
            QQuickWindow *main = onlyMainWindow();
            QVERIFY(main);
            main->requestActivate();
            QTRY_VERIFY(main->isActive());
            // As the user closes it: the window manager's close key.
            run("xdotool", {"key", "alt+F4"});
            QTRY_VERIFY(m_windows->windows().isEmpty());
            QTest::qWait(300);
            QCOMPARE(m_quitWatch.quits, 0);
            QVERIFY(m_menuBar->statusItem()->isVisible());
            QVERIFY(iconGeometry().isValid());

            QVERIFY(openPopover());
            clickAt(globalCentre(popoverButton("Buka Talvora")));
            QTRY_VERIFY(onlyMainWindow());
            QVERIFY(QTest::qWaitForWindowExposed(onlyMainWindow()));
            QTRY_VERIFY(onlyMainWindow()->isActive());
        }

        // With the window there, "Buka Talvora" brings the same window forward again.
        QQuickWindow *main = onlyMainWindow();
        main->showMinimized();
        QTRY_VERIFY(!main->isActive());
        QVERIFY(openPopover());
        clickAt(globalCentre(popoverButton("Buka Talvora")));
        QTRY_VERIFY(main->isActive());
        QCOMPARE(onlyMainWindow(), main);
        QCOMPARE(m_quitWatch.quits, 0);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
