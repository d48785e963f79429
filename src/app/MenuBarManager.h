#pragma once

#include "viewmodels/PlayerViewModel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class QMenu;
class QQmlEngine;
class QQuickWindow;
class QSystemTrayIcon;

// The tray icon (a music note, tooltip "Talvora") and its popup with the mini player.
// Configured once, from the first main window shown; from then on the icon stays for the
// life of the process, also when every main window is closed. A click on the icon opens
// the popup under it (a double click opens it once); a second click, a click anywhere
// else, Escape or another window taking the focus closes it. The icon's context menu
// ("Buka Talvora", "Mini Player", "Keluar") and the popup's three buttons are reported as
// signals. A StatusNotifier tray (KDE Plasma, GNOME with AppIndicator) is used through
// Qt's D-Bus tray and shows the themed symbolic icon in its own colours; an XEmbed tray
// shows a drawn note that reads on light and dark strips.
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
    // The popup's buttons and the icon's menu: "Buka Talvora", "Mini Player", "Exit"
    // ("Keluar" in the menu).
    void showMainWindowRequested();
    void miniPlayerRequested();
    void exitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupPopover();
    void setupStatusItem();
    void setupContextMenu();
    void openPopover();
    // A press at the place the popup was opened from, within the double-click time, is the
    // second half of the double click that opened it, not a request to close it.
    bool isRestOfOpeningClick(QPoint global) const;
    void grabPointer();
    // The icon's place, or the pointer's when the tray does not tell (a StatusNotifier host:
    // Qt's D-Bus tray drops the position the host passes with the click, but the pointer is
    // where that click happened), or the top-right corner of the primary screen.
    QRect anchorRect() const;

    QQmlEngine &m_engine;
    std::unique_ptr<QMenu> m_contextMenu; // outlives the icon that shows it
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<QQuickWindow> m_popover;
    QElapsedTimer m_openedAt;
    QRect m_openedFrom;
    QPointer<PlayerViewModel> m_playerVM;
    bool m_isConfigured = false;
    bool m_pointerGrabbed = false;
};
