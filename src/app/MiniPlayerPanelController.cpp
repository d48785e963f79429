#include "MiniPlayerPanelController.h"

#include "Logging.h"

#include "PlatformChoice.h"
#include "ShellQmlEngine.h"
#include "audio/AudioEngine.h"
#include "persistence/Store.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegion>
#include <QScreen>

namespace {
const QSize kPanelSize(320, 140);
constexpr int kEmptyHeight = 60;
constexpr qreal kCornerRadius = 12;
constexpr int kGap = 8;
} // namespace

MiniPlayerPanelController::MiniPlayerPanelController(QQmlEngine &engine, AudioEngine &audio,
                                                     Store &store, QObject *parent)
    : QObject(parent), m_engine(engine), m_playerVM(audio, store)
{
    connect(&m_playerVM, &PlayerViewModel::currentTrackChanged, this,
            &MiniPlayerPanelController::updateShape);
}

MiniPlayerPanelController::~MiniPlayerPanelController() = default;

MiniPlayerPanelController &MiniPlayerPanelController::shared()
{
    // Never destroyed: the panel and its view model live as long as the process.
    static MiniPlayerPanelController *instance = new MiniPlayerPanelController(
        ShellQmlEngine::engine(), AudioEngine::shared(), Store::shared());
    return *instance;
}

bool MiniPlayerPanelController::isPanelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void MiniPlayerPanelController::toggle()
{
    if (m_panel && m_panel->isVisible()) {
        m_panel->hide();
        return;
    }
    if (!m_panel)
        setupPanel();
    if (!m_panel)
        return;
    m_panel->show();
    m_panel->raise();
}

void MiniPlayerPanelController::setupPanel()
{
    QQmlComponent component(&m_engine,
                            QUrl(QStringLiteral("qrc:/Talvora/shell/MiniPlayerPanel.qml")));
    QObject *object = component.createWithInitialProperties(
        {{QStringLiteral("player"), QVariant::fromValue(&m_playerVM)}});
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window) {
        qCWarning(lcShell).noquote()
            << "[MiniPlayer] the floating panel could not be made:" << component.errorString();
        delete object;
        return;
    }
    m_panel.reset(window);
    if (PlatformChoice::compositorPlacesWindows()) {
        // Wayland gives a program no say over a window's place or stacking: an ordinary
        // window with a title bar, so the person can move it and keep it in view.
        window->setFlags(Qt::Window);
        connect(window, &QWindow::visibleChanged, this,
                &MiniPlayerPanelController::panelVisibleChanged);
        return;
    }
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        window->setScreen(screen);
        window->setPosition(firstPlace(screen->availableGeometry()));
    }
    connect(window, &QWindow::visibleChanged, this,
            &MiniPlayerPanelController::panelVisibleChanged);
    updateShape();
}

// The bottom-left corner of the screen, or above the now-playing bar of a main window that
// lies there: the panel must not hide the controls it repeats. Only the first showing is
// placed; after that the panel stays where the listener moved it.
QPoint MiniPlayerPanelController::firstPlace(const QRect &area) const
{
    QRect place(QPoint(area.left(), area.top() + area.height() - kPanelSize.height()), kPanelSize);
    const auto windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        const QObject *content = window->isVisible() && window != m_panel.get()
                                     ? window->property("content").value<QObject *>()
                                     : nullptr;
        const auto *bar =
            content ? content->property("nowPlayingBar").value<QQuickItem *>() : nullptr;
        if (!bar)
            continue;
        const QRect shown = bar->mapRectToScene(QRectF(0, 0, bar->width(), bar->height()))
                                .toAlignedRect()
                                .translated(window->position());
        if (shown.intersects(place))
            place.moveBottom(shown.top() - kGap);
    }
    if (place.top() < area.top())
        place.moveTop(area.top());
    return place.topLeft();
}

void MiniPlayerPanelController::updateShape()
{
    if (!m_panel)
        return;
    const int height = m_playerVM.hasCurrentTrack() ? kPanelSize.height() : kEmptyHeight;
    const QRectF card(0, (kPanelSize.height() - height) / 2.0, kPanelSize.width(), height);
    QPainterPath path;
    path.addRoundedRect(card, kCornerRadius, kCornerRadius);
    m_panel->setMask(QRegion(path.toFillPolygon().toPolygon()));
}
