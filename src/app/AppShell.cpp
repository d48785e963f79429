#include "AppShell.h"

#include "MainWindows.h"
#include "MenuBarManager.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QSystemTrayIcon>

AppShell::AppShell(MainWindows &windows, PlayerViewModel &player, MenuBarManager &menuBar,
                   QObject *parent)
    : QObject(parent), m_windows(windows), m_player(player), m_menuBar(menuBar)
{
    // The tray popup and the floating panel are windows too, and the tray icon outlives the
    // main windows: whether the program ends is decided in windowClosed().
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(&m_windows, &MainWindows::windowOpened, this, &AppShell::windowOpened);
    connect(&m_menuBar, &MenuBarManager::showMainWindowRequested, this, &AppShell::showMainWindow);
}

void AppShell::windowOpened(QQuickWindow *window)
{
    // Queued: the window list forgets the closed window first. (The close event's type is
    // private to Qt Quick, hence the string-based connection.)
    connect(window, SIGNAL(closing(QQuickCloseEvent *)), this, SLOT(windowClosed()),
            Qt::QueuedConnection);
    // The window's own way to the floating panel (its "Mini Player" button, Ctrl+M), also
    // where no tray exists: the same request as the tray's.
    connect(window, SIGNAL(miniPlayerRequested()), &m_menuBar, SIGNAL(miniPlayerRequested()));
    m_menuBar.configure(&m_player);
}

void AppShell::windowClosed()
{
    if (m_windows.windows().isEmpty() && !trayCanReopen())
        QCoreApplication::quit();
}

void AppShell::showMainWindow()
{
    const QList<QQuickWindow *> windows = m_windows.windows();
    QQuickWindow *front = windows.isEmpty() ? m_windows.open() : windows.last();
    if (!front)
        return;
    for (QQuickWindow *window : windows) {
        if (!window->isVisible())
            window->show();
    }
    if (front->windowStates() & Qt::WindowMinimized)
        front->showNormal();
    front->raise();
    front->requestActivate();
}

bool AppShell::trayCanReopen() const
{
    return m_menuBar.statusItem() && m_menuBar.popover() &&
           QSystemTrayIcon::isSystemTrayAvailable();
}
