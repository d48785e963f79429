#pragma once

#include <QObject>

class MainWindows;
class MenuBarManager;
class PlayerViewModel;
class QQuickWindow;

// Joins the main windows and the tray: the first window shown configures the tray with the
// application's player view model; the process outlives its windows while a tray icon can
// bring one back; "Buka Talvora" brings a main window forward, opening a new one when all
// were closed. Without a tray host the last window closing ends the program as usual. A main
// window's request for the floating panel goes where the tray's "Mini Player" goes.
class AppShell : public QObject
{
    Q_OBJECT
public:
    AppShell(MainWindows &windows, PlayerViewModel &player, MenuBarManager &menuBar,
             QObject *parent = nullptr);

public slots:
    // Shows and activates the newest main window, opening one when none is left.
    void showMainWindow();

private slots:
    void windowClosed();

private:
    void windowOpened(QQuickWindow *window);
    bool trayCanReopen() const;

    MainWindows &m_windows;
    PlayerViewModel &m_player;
    MenuBarManager &m_menuBar;
};
