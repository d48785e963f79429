#pragma once

#include "viewmodels/PlayerViewModel.h"

#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>

class AudioEngine;
class QQmlEngine;
class QQuickWindow;
class Store;

// The floating mini player: a frameless panel (320 × 140) that stays above normal windows,
// never takes the keyboard focus and first opens at the bottom-left of the primary screen
// (above a main window's now-playing bar when one lies there), then where it was moved. It
// has a player view model of its own, made with the controller, over the same engine as the
// main window's, so both show and drive the same playback. The panel is built on the first
// toggle() and reused after that.
class MiniPlayerPanelController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isPanelVisible READ isPanelVisible NOTIFY panelVisibleChanged)

public:
    // The panel is made with `engine`, which must know the Talvora module and its icons.
    MiniPlayerPanelController(QQmlEngine &engine, AudioEngine &audio, Store &store,
                              QObject *parent = nullptr);
    ~MiniPlayerPanelController() override;

    // The program's controller over the process-wide engine and store, made on first use.
    static MiniPlayerPanelController &shared();

    PlayerViewModel &playerVM() { return m_playerVM; }
    QQuickWindow *panel() const { return m_panel.get(); }
    bool isPanelVisible() const;

public slots:
    // Shows the panel when it is hidden or not built yet, hides it when it is visible.
    void toggle();

signals:
    void panelVisibleChanged();

private:
    void setupPanel();
    QPoint firstPlace(const QRect &area) const;
    // Only the card is part of the window: the clear rest lets clicks through and shows no
    // black corners where no compositor blends the window.
    void updateShape();

    QQmlEngine &m_engine;
    PlayerViewModel m_playerVM;
    std::unique_ptr<QQuickWindow> m_panel;
};
