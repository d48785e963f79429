#include "MenuBarManager.h"

#include "Logging.h"

#include "IconProvider.h"
#include "MiniPlayerPanelController.h"
#include "PlatformChoice.h"
#include "ShellQmlEngine.h"
#include "viewmodels/PlayerViewModel.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QStyleHints>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

namespace {
const QSize kPopoverSize(260, 170);

// A light note with a thin dark rim: a tray host cannot recolour a picture the way a menu bar
// recolours a template image, and tray backgrounds run from white to black.
QIcon musicNoteIcon()
{
    IconProvider provider;
    QByteArray rim = provider.svgFor(QStringLiteral("music"), QColor(0, 0, 0, 140), false);
    rim.replace("stroke-width=\"2\"", "stroke-width=\"3.6\"");
    QSvgRenderer rimRenderer(rim);
    QSvgRenderer noteRenderer(
        provider.svgFor(QStringLiteral("music"), QColor(0xf5, 0xf5, 0xf5), false));
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        rimRenderer.render(&painter);
        noteRenderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Whether Qt's tray goes through D-Bus: a StatusNotifier watcher with a host is on the bus.
bool statusNotifierHostPresent()
{
    const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherName))
        return false;
    QDBusInterface watcher(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

// A StatusNotifier host finds the symbolic icon by name in the icon theme and draws it in
// the panel's own colours; the coloured program icon and then the drawn note stand in where
// the theme lacks it. An XEmbed tray paints the picture as it is: the drawn note.
QIcon trayIcon()
{
    const QIcon note = musicNoteIcon();
    if (!statusNotifierHostPresent())
        return note;
    return QIcon::fromTheme(QStringLiteral("talvora-symbolic"),
                            QIcon::fromTheme(QStringLiteral("talvora"), note));
}
} // namespace

MenuBarManager::MenuBarManager(QQmlEngine &engine, QObject *parent)
    : QObject(parent), m_engine(engine)
{
}

MenuBarManager::~MenuBarManager() = default;

MenuBarManager &MenuBarManager::shared()
{
    // Never destroyed: the icon lives as long as the process.
    static MenuBarManager *instance = [] {
        auto *manager = new MenuBarManager(ShellQmlEngine::engine());
        // The panel's controller (and its own player view model) is made on the first use.
        connect(manager, &MenuBarManager::miniPlayerRequested, manager,
                [] { MiniPlayerPanelController::shared().toggle(); });
        connect(manager, &MenuBarManager::exitRequested, QCoreApplication::instance(),
                &QCoreApplication::quit, Qt::QueuedConnection);
        return manager;
    }();
    return *instance;
}

void MenuBarManager::configure(PlayerViewModel *playerVM)
{
    if (m_isConfigured)
        return;
    m_isConfigured = true;
    m_playerVM = playerVM;
    setupPopover();
    setupStatusItem();
    setupContextMenu();
    emit configuredChanged();
}

void MenuBarManager::setupPopover()
{
    if (!m_playerVM)
        return;
    QQmlComponent component(&m_engine, QUrl(QStringLiteral("qrc:/Talvora/shell/MenuBarPopup.qml")));
    QObject *object = component.createWithInitialProperties(
        {{QStringLiteral("player"), QVariant::fromValue(m_playerVM.data())}});
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window) {
        qCWarning(lcShell).noquote()
            << "[MenuBar] the tray popup could not be made:" << component.errorString();
        delete object;
        return;
    }
    m_popover.reset(window);
    // Wayland has no pointer grab and no unparented popups: a frameless window that closes
    // when it loses the focus.
    if (PlatformChoice::compositorPlacesWindows())
        window->setFlags(Qt::Window | Qt::FramelessWindowHint);
    window->installEventFilter(this);
    connect(window, SIGNAL(activateRequested()), this, SIGNAL(showMainWindowRequested()));
    connect(window, SIGNAL(miniPlayerRequested()), this, SIGNAL(miniPlayerRequested()));
    connect(window, SIGNAL(exitRequested()), this, SIGNAL(exitRequested()));
    connect(window, SIGNAL(closeRequested()), this, SLOT(closePopover()));
    connect(window, &QWindow::activeChanged, this, [this] {
        // Another window took the focus: the popup is transient.
        if (m_popover && !m_popover->isActive())
            closePopover();
    });
    connect(window, &QWindow::visibleChanged, this, &MenuBarManager::popoverShownChanged);
}

void MenuBarManager::setupStatusItem()
{
    m_statusItem = std::make_unique<QSystemTrayIcon>(trayIcon());
    m_statusItem->setToolTip(QStringLiteral("Talvora"));
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    if (!isPopoverShown())
                        togglePopover();
                } else if (reason == QSystemTrayIcon::Trigger &&
                           !isRestOfOpeningClick(QCursor::pos())) {
                    togglePopover();
                }
            });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCWarning(lcShell).noquote()
            << "[MenuBar] no system tray on this desktop; the icon appears if one "
               "starts later";
    // Shown also without a tray: Qt puts the icon in place once a tray host appears.
    m_statusItem->show();
}

void MenuBarManager::setupContextMenu()
{
    if (!m_statusItem)
        return;
    m_contextMenu = std::make_unique<QMenu>();
    m_contextMenu->addAction(QStringLiteral("Buka Talvora"), this,
                             &MenuBarManager::showMainWindowRequested);
    m_contextMenu->addAction(QStringLiteral("Mini Player"), this,
                             &MenuBarManager::miniPlayerRequested);
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(QStringLiteral("Keluar"), this, &MenuBarManager::exitRequested);
    m_statusItem->setContextMenu(m_contextMenu.get());
}

bool MenuBarManager::isRestOfOpeningClick(QPoint global) const
{
    const QStyleHints *hints = QGuiApplication::styleHints();
    const int slack = hints->startDragDistance();
    return isPopoverShown() && m_openedAt.isValid() &&
           m_openedAt.elapsed() < hints->mouseDoubleClickInterval() &&
           m_openedFrom.adjusted(-slack, -slack, slack, slack).contains(global);
}

bool MenuBarManager::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

void MenuBarManager::togglePopover()
{
    if (!m_statusItem || !m_popover)
        return;
    if (m_popover->isVisible())
        closePopover();
    else
        openPopover();
}

void MenuBarManager::openPopover()
{
    // On Wayland neither the icon's nor the pointer's place is known: the popup opens centred.
    const bool centred = PlatformChoice::compositorPlacesWindows();
    const QRect anchor = centred ? QRect() : anchorRect();
    QScreen *screen = centred ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect();
    if (screen && area.isEmpty())
        area = screen->geometry();
    if (screen)
        m_popover->setScreen(screen);
    if (centred) {
        QRect placed(QPoint(0, 0), kPopoverSize);
        placed.moveCenter(area.center());
        m_popover->setGeometry(placed);
    } else {
        m_popover->setGeometry(popoverGeometry(anchor, kPopoverSize, area));
    }
    m_pointerGrabbed = false;
    m_openedAt.start();
    m_openedFrom = anchor;
    m_popover->show();
    m_popover->raise();
    // Keyboard input goes to the mini player at once.
    m_popover->requestActivate();
    grabPointer();
}

void MenuBarManager::grabPointer()
{
    // Outside clicks reach the popup only through a pointer grab (Qt 6.4 does not close a
    // popup window by itself). The grab fails until the window is on screen, so it is tried
    // again when the window is exposed.
    if (!m_pointerGrabbed && m_popover && m_popover->isVisible() && m_popover->isExposed())
        m_pointerGrabbed = m_popover->setMouseGrabEnabled(true);
}

void MenuBarManager::closePopover()
{
    if (!m_popover || !m_popover->isVisible())
        return;
    if (m_pointerGrabbed)
        m_popover->setMouseGrabEnabled(false);
    m_pointerGrabbed = false;
    m_popover->hide();
}

bool MenuBarManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_popover.get())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Expose:
        grabPointer();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QRect inside(QPoint(0, 0), m_popover->size());
        if (!inside.contains(mouse->position().toPoint())) {
            const QPoint global = mouse->globalPosition().toPoint();
            if (!isRestOfOpeningClick(global)) {
                closePopover();
                // The grab kept that press from the window manager, which would have given
                // the focus to the window clicked: hand it over when it is one of ours, or
                // its keys stay dead until a second click.
                if (QWindow *clicked = QGuiApplication::topLevelAt(global);
                    clicked && clicked != m_popover.get())
                    clicked->requestActivate();
            }
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

QRect MenuBarManager::anchorRect() const
{
    const QRect icon = m_statusItem ? m_statusItem->geometry() : QRect();
    if (icon.isValid() && !icon.isEmpty())
        return icon;
    const QPoint cursor = QCursor::pos();
    if (QGuiApplication::screenAt(cursor))
        return QRect(cursor, QSize(1, 1));
    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        const QRect area = primary->availableGeometry();
        return QRect(area.right(), area.top(), 1, 1);
    }
    return QRect(0, 0, 1, 1);
}

QRect MenuBarManager::popoverGeometry(const QRect &anchor, const QSize &size, const QRect &screen)
{
    int x = anchor.x() + anchor.width() / 2 - size.width() / 2;
    int y = anchor.y() + anchor.height();
    if (screen.isEmpty())
        return QRect(QPoint(x, y), size);
    const int screenBottom = screen.y() + screen.height();
    if (y + size.height() > screenBottom && anchor.y() - size.height() >= screen.y())
        y = anchor.y() - size.height();
    x = std::clamp(x, screen.x(), std::max(screen.x(), screen.x() + screen.width() - size.width()));
    y = std::clamp(y, screen.y(), std::max(screen.y(), screenBottom - size.height()));
    return QRect(QPoint(x, y), size);
}
