#pragma once

#include "viewmodels/PlayerViewModel.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class QQmlEngine;
class QQuickWindow;
class QSystemTrayIcon;

// The tray icon (a music note, tooltip "Talvora") and its popup with the mini player.
// Configured once, from the first main window shown; from then on the icon stays for the
// life of the process, also when every main window is closed. A click on the icon opens
// the popup under it; a second click, a click anywhere else, Escape or another window
// taking the focus closes it. The popup's three buttons are reported as signals.
class MenuBarManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isConfigured READ isConfigured NOTIFY configuredChanged)
    Q_PROPERTY(bool isPopoverShown READ isPopoverShown NOTIFY popoverShownChanged)

public:
    // The popup is made with `engine`, which must know the Talvora module and its icons.
    explicit MenuBarManager(QQmlEngine &engine, QObject *parent = nullptr);
    ~MenuBarManager() override;

    // The program's manager, made on first use: "Mini Player" toggles
    // MiniPlayerPanelController::shared() and "Exit" quits the application.
    static MenuBarManager &shared();

    // Only the first call has an effect; a later call cannot replace the view model.
    // Without a view model there is an icon, but a click on it does nothing.
    void configure(PlayerViewModel *playerVM);

    bool isConfigured() const { return m_isConfigured; }
    PlayerViewModel *playerVM() const { return m_playerVM; }
    QSystemTrayIcon *statusItem() const { return m_statusItem.get(); }
    QQuickWindow *popover() const { return m_popover.get(); }
    bool isPopoverShown() const;

    // Where a popup of `size` goes for an icon at `anchor` (global coordinates) on a screen
    // whose usable area is `screen`: centred under the icon, above it when there is no room
    // below, and moved inside the screen.
    static QRect popoverGeometry(const QRect &anchor, const QSize &size, const QRect &screen);

public slots:
    // The icon's click: opens the popup, or closes it when it is open.
    void togglePopover();
    void closePopover();

signals:
    void configuredChanged();
    void popoverShownChanged();
    // The popup's buttons: "Buka Talvora", "Mini Player", "Exit".
    void showMainWindowRequested();
    void miniPlayerRequested();
    void exitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupPopover();
    void setupStatusItem();
    void openPopover();
    void grabPointer();
    // The icon's place, or the pointer's when the tray does not tell (a StatusNotifier host),
    // or the top-right corner of the primary screen.
    QRect anchorRect() const;

    QQmlEngine &m_engine;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<QQuickWindow> m_popover;
    QPointer<PlayerViewModel> m_playerVM;
    bool m_isConfigured = false;
    bool m_pointerGrabbed = false;
};
