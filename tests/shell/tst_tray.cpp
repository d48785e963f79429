// The tray icon, its popup and the floating panel on a real X desktop (Xvfb with openbox),
// driven by real pointer clicks and keys from xdotool and checked with xprop, on three kinds
// of desktop (run-on-desktop.sh names it in TALVORA_DESKTOP_TRAY): an XEmbed tray (trayer),
// a StatusNotifier tray (a watcher and a host, the item read and driven over D-Bus), and no
// tray at all.
#include "AppShell.h"
#include "BuiltProgram.h"
#include "DesktopTools.h"
#include "Lecture.h"
#include "LectureService.h"
#include "MainWindows.h"
#include "MenuBarManager.h"
#include "MiniPlayerPanelController.h"
#include "PlayerRig.h"
#include "UiTestSupport.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "viewmodels/LibraryViewModel.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMenu>
#include <QProcess>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

using namespace Desktop;

namespace {

void clickAt(QPoint global, const QString &button = "1")
{
    // Not --sync: it waits for ever when the pointer is already there.
    run("xdotool",
        {"mousemove", QString::number(global.x()), QString::number(global.y()), "click", button});
}

QPoint globalCentre(QQuickItem *item)
{
    return item->window()->mapToGlobal(UiTest::centreOf(item));
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

// The X properties of the floating panel that make it float above, as a tool, without focus.
QString panelFloatingFault(QQuickWindow *panel)
{
    const QString properties = run("xprop", {"-id", QString::number(panel->winId())});
    for (const char *wanted : {"_NET_WM_STATE_ABOVE", "_NET_WM_WINDOW_TYPE_UTILITY",
                               "Client accepts input or input focus: False"}) {
        if (!properties.contains(QLatin1String(wanted)))
            return QStringLiteral("no %1 in:\n%2").arg(wanted, properties);
    }
    return {};
}

// What dbus-send prints for a call, on one line. Only for other programs: this one answers
// from the very thread that would wait here.
QString busText(const QString &service, const QString &path, const QString &method,
                const QStringList &arguments)
{
    return run("dbus-send", QStringList{"--session", "--print-reply=literal", "--dest=" + service,
                                        path, method} +
                                arguments)
        .simplified();
}

// How much the screen's picture varies in `area`: 0 where it is one flat colour.
double spreadOnScreen(const QRect &area)
{
    const QString crop =
        QString("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y());
    return run("sh", {"-c", "import -window root -crop " + crop +
                                " png:- | convert png:- -format '%[fx:standard_deviation]' info:"})
        .toDouble();
}

} // namespace

// The program's shell over a real player, library and main window; what the three desktops
// share.
class TrayTestBase : public QObject
{
    Q_OBJECT

protected:
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

    // The icon's menu, opened by a right click; nullptr when it does not show.
    QMenu *openMenu()
    {
        clickAt(iconGeometry().center(), "3");
        QMenu *menu = m_menuBar->statusItem()->contextMenu();
        return menu && QTest::qWaitFor([&] { return menu->isVisible(); }) ? menu : nullptr;
    }

    bool clickMenuItem(const QString &text)
    {
        QMenu *menu = openMenu();
        if (!menu)
            return false;
        for (QAction *action : menu->actions()) {
            if (action->text() == text) {
                clickAt(menu->mapToGlobal(menu->actionGeometry(action).center()));
                return QTest::qWaitFor([&] { return !menu->isVisible(); });
            }
        }
        return false;
    }

    QQuickWindow *onlyMainWindow() const
    {
        const auto windows = m_windows->windows();
        return windows.size() == 1 ? windows.first() : nullptr;
    }

    void setUpShell()
    {
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run through run-on-desktop.sh");
        qApp->installEventFilter(&m_quitWatch);

        m_rig = std::make_unique<PlayerRig>();
        Track track = Lecture(11).titled("Keutamaan Ilmu").by("Ustadz Fulan").lasting(1800);
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

    void tearDownShell()
    {
        // Main windows belong to no one in the program, which never ends before them.
        qDeleteAll(m_windows->windows());
    }

    QQuickWindow *activeMainWindow()
    {
        QQuickWindow *main = onlyMainWindow();
        if (!main)
            return nullptr;
        main->requestActivate();
        return QTest::qWaitFor([&] { return main->isActive(); }) ? main : nullptr;
    }
};

class TestXEmbedTray : public TrayTestBase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 5000);
        setUpShell();
    }
    void cleanupTestCase() { tearDownShell(); }

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
        // Right under the tray's 24 px strip; the icon sits at the right end of the 1280 px
        // screen, nearer the edge than half the popup: flush with the screen's right edge.
        QVERIFY(icon.bottom() < 24 && icon.center().x() + 130 > 1280);
        QCOMPARE(popup.topLeft(), QPoint(1280 - 260, 24));

        clickIcon();
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
        // The click that closed it does not open it again: the next click, which reaches the
        // program after it, is the only one that opens the popup.
        QSignalSpy shown(m_menuBar.get(), &MenuBarManager::popoverShownChanged);
        QVERIFY(openPopover());
        QCOMPARE(shown.count(), 1);
        // A click elsewhere closes it (Escape: doubleClickOpensOnce).
        clickAt(QPoint(300, 500));
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
    }

    // The popup holds the pointer while it shows, so the window manager never sees the click
    // that closes it: the window clicked gets the focus all the same, and its keys work.
    void clickIntoTheWindowClosesAndGivesItTheKeys()
    {
        QQuickWindow *main = activeMainWindow();
        QVERIFY(main);
        QVERIFY(openPopover());
        QTRY_VERIFY(m_menuBar->popover()->isActive());
        QVERIFY(!main->isActive());
        clickAt(main->mapToGlobal(QPoint(main->width() / 2, 12)));
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
        QTRY_VERIFY(main->isActive());
        QObject *sheet = main->findChild<QObject *>("shortcutSheet");
        QVERIFY(sheet);
        run("xdotool", {"key", "F1"});
        QTRY_VERIFY(sheet->property("opened").toBool());
        run("xdotool", {"key", "Escape"});
        QTRY_VERIFY(!sheet->property("visible").toBool());
    }

    void doubleClickOpensOnce()
    {
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
        QSignalSpy shown(m_menuBar.get(), &MenuBarManager::popoverShownChanged);
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
        const QPoint icon = iconGeometry().center();
        run("xdotool", {"mousemove", QString::number(icon.x()), QString::number(icon.y()), "click",
                        "--repeat", "2", "--delay", "80", "1"});
        QTRY_VERIFY(m_menuBar->isPopoverShown());
        QVERIFY(QTest::qWaitForWindowExposed(m_menuBar->popover()));
        // Still open after the second click: its button takes a click.
        clickAt(globalCentre(popoverButton("Mini Player")));
        QTRY_VERIFY(m_panel->isPanelVisible());
        QCOMPARE(shown.count(), 1);
        m_panel->toggle();
        run("xdotool", {"key", "Escape"});
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
    }

    void panelFloatsAboveAndTakesNoFocus()
    {
        QQuickWindow *main = activeMainWindow();
        QVERIFY(main);

        // Shown from the icon's menu (the popup's button is clicked in doubleClickOpensOnce).
        QVERIFY(clickMenuItem("Mini Player"));
        QTRY_VERIFY(m_panel->isPanelVisible());
        QQuickWindow *panel = m_panel->panel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        // At the screen's bottom-left, but not over the main window's bar.
        const QRect area = panel->screen()->availableGeometry();
        QCOMPARE(panel->x(), area.left());
        auto *bar = main->property("content")
                        .value<QObject *>()
                        ->property("nowPlayingBar")
                        .value<QQuickItem *>();
        const QRect barShown = bar->mapRectToScene(QRectF(0, 0, bar->width(), bar->height()))
                                   .toAlignedRect()
                                   .translated(main->position());
        QVERIFY(barShown.intersects(QRect(area.left(), area.bottom() + 1 - 140, 320, 140)));
        QVERIFY2(!panel->geometry().intersects(barShown),
                 qPrintable(QString("panel at %1,%2").arg(panel->x()).arg(panel->y())));
        QVERIFY(panel->geometry().bottom() >= barShown.top() - 16);

        QString fault;
        QTRY_VERIFY2((fault = panelFloatingFault(panel)).isEmpty(), qPrintable(fault));

        // Use the panel: the main window keeps the focus.
        main->requestActivate();
        QTRY_VERIFY(main->isActive());
        auto *content = panel->property("content").value<QQuickItem *>();
        m_rig->backend->calls.clear();
        clickAt(globalCentre(UiTest::findAccessible(content, "Putar")));
        QTRY_VERIFY(m_rig->backend->calls.contains("play"));

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
        // Neither the click nor the drag, which the window manager handled after it, took the
        // focus from the main window.
        QVERIFY(main->isActive());
        QCOMPARE(run("xdotool", {"getactivewindow"}), QString::number(main->winId()));

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

    void lastWindowClosedKeepsTheTrayAndBukaTalvoraBringsOneBack_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("popup") << "popup";
        QTest::newRow("menu") << "menu";
    }

    // Each way back to the window opens one when none is left and brings the one there
    // forward from the task bar. (A second start of the program: the StatusNotifier run.)
    void lastWindowClosedKeepsTheTrayAndBukaTalvoraBringsOneBack()
    {
        QFETCH(QString, way);
        const auto bringBack = [&] {
            if (way == "popup") {
                QVERIFY(openPopover());
                clickAt(globalCentre(popoverButton("Buka Talvora")));
            } else {
                QVERIFY(clickMenuItem("Buka Talvora"));
            }
        };
        for (int round = 1; round <= 2; ++round) {
            QVERIFY(activeMainWindow());
            // As the user closes it: the window manager's close key.
            run("xdotool", {"key", "alt+F4"});
            QTRY_VERIFY(m_windows->windows().isEmpty());
            QVERIFY(m_menuBar->statusItem()->isVisible());
            QVERIFY(iconGeometry().isValid());

            bringBack();
            QTRY_VERIFY(onlyMainWindow());
            QVERIFY(QTest::qWaitForWindowExposed(onlyMainWindow()));
            QTRY_VERIFY(onlyMainWindow()->isActive());
            // A quit asked for when the window closed would have come long before this one
            // was brought back.
            QCOMPARE(m_quitWatch.quits, 0);
        }

        // With the window there, "Buka Talvora" brings the same window forward again.
        QQuickWindow *main = onlyMainWindow();
        main->showMinimized();
        QTRY_VERIFY(!main->isActive());
        bringBack();
        QTRY_VERIFY(main->isActive());
        QCOMPARE(onlyMainWindow(), main);
        QCOMPARE(m_quitWatch.quits, 0);
    }
};

class TestStatusNotifierTray : public TrayTestBase
{
    Q_OBJECT

    QString m_service;

    // The host's strip along the top edge, the icons at its right end.
    static QPoint hostIcon() { return QPoint(1280 - 14, 14); }

    // The bus names of the registered items ("variant array [ :1.17 ]").
    static QStringList registeredItems()
    {
        const QString text = busText(
            "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
            "org.freedesktop.DBus.Properties.Get",
            {"string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems"});
        const qsizetype open = text.indexOf('[');
        return text.mid(open + 1, text.indexOf(']') - open - 1).split(' ', Qt::SkipEmptyParts);
    }

    static QString itemProperty(const QString &service, const QString &name)
    {
        return busText(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                       {"string:org.kde.StatusNotifierItem", "string:" + name});
    }

    // Asynchronous: this process's own item answers from this thread.
    QDBusMessage activate(QPoint at)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            m_service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate");
        call << at.x() << at.y();
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, 10000);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 15000))
            return {};
        return pending.reply();
    }

private slots:
    void initTestCase()
    {
        setUpShell();
        if (QTest::currentTestFailed())
            return;
        QStringList items;
        QTRY_VERIFY_WITH_TIMEOUT((items = registeredItems()).size() == 1, 10000);
        m_service = items.first();
        // The host draws the icon on its flat strip.
        QTRY_VERIFY_WITH_TIMEOUT(
            spreadOnScreen(QRect(hostIcon() - QPoint(14, 14), QSize(28, 28))) > 0.05, 10000);
    }
    void cleanupTestCase() { tearDownShell(); }

    void activateOpensThePopupAtTheClickAndADoubleActivationOnce()
    {
        // Qt's D-Bus tray passes on no position: the popup goes to the pointer, which is
        // where the host's click was.
        const QPoint click(900, 30);
        run("xdotool", {"mousemove", QString::number(click.x()), QString::number(click.y())});
        QTRY_COMPARE(QCursor::pos(), click);
        QSignalSpy shown(m_menuBar.get(), &MenuBarManager::popoverShownChanged);
        // Two activations in a row, as a host reports a double click.
        for (int i = 0; i < 2; ++i)
            QCOMPARE(activate(click).type(), QDBusMessage::ReplyMessage);
        QVERIFY(m_menuBar->isPopoverShown());
        QCOMPARE(shown.count(), 1);
        QCOMPARE(m_menuBar->popover()->geometry(),
                 QRect(QPoint(click.x() - 130, click.y() + 1), QSize(260, 170)));

        // A later activation closes it.
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
        activate(click);
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
    }

    void hostClicksOpenThePopupAndTheMenu()
    {
        clickAt(hostIcon());
        QTRY_VERIFY(m_menuBar->isPopoverShown());
        QVERIFY(QTest::qWaitForWindowExposed(m_menuBar->popover()));
        run("xdotool", {"key", "Escape"});
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
    }

    void theProgramsItemAndMenuAndKeluarEndsIt()
    {
        // The program itself, as a launcher starts it, next to the test's own item; with its
        // own folders, so that no other copy of the program running for another test counts as
        // this one's first instance.
        BuiltProgram built;
        const QStringList folders{"XDG_RUNTIME_DIR=" + built.home.path()};
        QVERIFY(built.start(folders));
        QProcess &program = built.process();
        QStringList items;
        QTRY_VERIFY_WITH_TIMEOUT((items = registeredItems()).size() == 2, 60000);
        items.removeAll(m_service);
        QCOMPARE(items.size(), 1);
        const QString service = items.first();

        QCOMPARE(itemProperty(service, "Title"), QString("variant Talvora"));
        QCOMPARE(itemProperty(service, "IconName"), QString("variant talvora-symbolic"));
        // (sa(iiay)ss): no icon name, no pictures, the title, no text.
        QCOMPARE(itemProperty(service, "ToolTip"), QString("variant struct { array [ ] Talvora }"));
        QCOMPARE(itemProperty(service, "Menu"), QString("variant /MenuBar"));

        const QString layout = busText(service, "/MenuBar", "com.canonical.dbusmenu.GetLayout",
                                       {"int32:0", "int32:-1", "array:string:"});
        QStringList labels;
        for (const auto &match : QRegularExpression("label variant (.+?) \\)").globalMatch(layout))
            labels << match.captured(1);
        QCOMPARE(labels, QStringList({"Buka Talvora", "Mini Player", "Keluar"}));
        const QRegularExpressionMatch keluar =
            QRegularExpression("int32 (\\d+) array \\[ [^\\]]*label variant Keluar \\)")
                .match(layout);
        QVERIFY2(keluar.hasMatch(), qPrintable(layout));

        // Its last window closed, it stays in the tray; a second start hands over to it, and
        // a window opens again.
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = windowOf(program.processId())).isEmpty(), 30000);
        run("xdotool", {"windowactivate", "--sync", window});
        run("xdotool", {"key", "alt+F4"});
        QTRY_VERIFY_WITH_TIMEOUT(windowOf(program.processId()).isEmpty(), 20000);
        QProcess second;
        QVERIFY(built.start(second, folders));
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!windowOf(program.processId()).isEmpty(), 20000);
        QCOMPARE(program.state(), QProcess::Running);

        busText(service, "/MenuBar", "com.canonical.dbusmenu.Event",
                {"int32:" + keluar.captured(1), "string:clicked", "variant:string:", "uint32:0"});
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 60000);
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 qPrintable(built.log()));
    }
};

class TestWithoutTray : public TrayTestBase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        setUpShell();
    }
    void cleanupTestCase() { tearDownShell(); }

    void ctrlMAndTheMiniPlayerButtonToggleThePanel()
    {
        QQuickWindow *main = activeMainWindow();
        QVERIFY(main);
        run("xdotool", {"key", "ctrl+m"});
        QTRY_VERIFY(m_panel->isPanelVisible());
        run("xdotool", {"key", "ctrl+m"});
        QTRY_VERIFY(!m_panel->isPanelVisible());

        QQuickItem *button = UiTest::findAccessible(main->contentItem(), "Mini Player");
        QVERIFY(button);
        clickAt(globalCentre(button));
        QTRY_VERIFY(m_panel->isPanelVisible());
        m_panel->toggle();
    }

    void ctrlQQuits()
    {
        QVERIFY(activeMainWindow());
        QSignalSpy quit(&m_engine, &QQmlEngine::quit);
        run("xdotool", {"key", "ctrl+q"});
        QTRY_COMPARE(quit.count(), 1);
    }

    void aTrayStartedLaterTakesTheIcon()
    {
        QProcess trayer;
        trayer.start("trayer",
                     {"--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                      "24", "--SetDockType", "true", "--transparent", "false", "--expand", "true"});
        QVERIFY(trayer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(iconGeometry().isValid() && !iconGeometry().isEmpty(), 10000);
        QVERIFY(openPopover());
        run("xdotool", {"key", "Escape"});
        QTRY_VERIFY(!m_menuBar->isPopoverShown());
        trayer.terminate();
        trayer.waitForFinished();
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QByteArray tray = qgetenv("TALVORA_DESKTOP_TRAY");
    std::unique_ptr<QObject> test;
    if (tray == "xembed")
        test = std::make_unique<TestXEmbedTray>();
    else if (tray == "sni")
        test = std::make_unique<TestStatusNotifierTray>();
    else
        test = std::make_unique<TestWithoutTray>();
    return QTest::qExec(test.get(), argc, argv);
}

#include "tst_tray.moc"
